#include "tests/e2e/HostWindow.h"

#include <cstdint>

namespace e2e {
namespace {

constexpr wchar_t kClassName[] = L"PreviewHost";

void RegisterHostClass() {
  static const ATOM registered = [] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = CreateSolidBrush(kHostColour);  // lives as long as the class
    windowClass.lpszClassName = kClassName;
    return RegisterClassW(&windowClass);
  }();
  (void)registered;
}

}  // namespace

HostWindow::HostWindow(int clientWidth, int clientHeight) {
  RegisterHostClass();
  window_ = CreateWindowExW(0, kClassName, L"host", WS_POPUP, 100, 100, clientWidth, clientHeight, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
}

HostWindow::~HostWindow() {
  if (IsWindow(window_)) DestroyWindow(window_);
}

void HostWindow::Show() {
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  UpdateWindow(window_);
  Pump();
}

void HostWindow::Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

COLORREF HostWindow::ScreenPixel(int x, int y) const {
  POINT at{x, y};
  ClientToScreen(window_, &at);
  HDC screen = GetDC(nullptr);
  COLORREF colour = GetPixel(screen, at.x, at.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

bool HostWindow::WaitForDrawing(DWORD milliseconds) {
  RECT client;
  GetClientRect(window_, &client);
  const POINT probes[] = {
      {2, 2}, {client.right / 2, client.bottom / 2}, {client.right - 3, client.bottom - 3}};
  for (DWORD waited = 0; waited < milliseconds; waited += 20) {
    Pump();
    bool drawn = true;
    for (const POINT& probe : probes) drawn = drawn && ScreenPixel(probe.x, probe.y) != kHostColour;
    if (drawn) return true;
    Sleep(20);
  }
  return false;
}

std::wstring HandleWord(HWND window) {
  return std::to_wstring(static_cast<long>(reinterpret_cast<std::intptr_t>(window)));
}

}  // namespace e2e
