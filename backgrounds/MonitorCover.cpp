#include "backgrounds/MonitorCover.h"

#include "forms/Handles.h"

namespace backgrounds {
namespace {

constexpr wchar_t kCoverClass[] = L"SarvaneMonitorCover";

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info))
    reinterpret_cast<std::vector<MonitorArea>*>(list)->push_back(
        {info.rcMonitor, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
  return TRUE;
}

}  // namespace

std::vector<MonitorArea> Monitors() {
  std::vector<MonitorArea> monitors;
  EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

std::vector<RECT> AreasToCover(std::span<const MonitorArea> monitors) {
  std::vector<RECT> areas;
  for (const auto& monitor : monitors)
    if (!monitor.primary) areas.push_back(monitor.bounds);
  return areas;
}

TMonitorCover::TMonitorCover(const RECT& area, const forms::TPicture& picture) : picture_(picture) {
  RegisterClassOnce(kCoverClass, 0, nullptr);
  // A tool window stays off the taskbar; WS_EX_NOACTIVATE keeps clicks from
  // activating it, also while a modal loop leaves it enabled.
  CreateHandle(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kCoverClass, L"", WS_POPUP, area.left, area.top,
               area.right - area.left, area.bottom - area.top, nullptr);
}

TMonitorCover::~TMonitorCover() {
  if (Handle()) DestroyWindow(Handle());
}

void TMonitorCover::Show() {
  ShowWindow(Handle(), SW_SHOWNOACTIVATE);
}

void TMonitorCover::PictureChanged() {
  InvalidateRect(Handle(), nullptr, FALSE);
}

LRESULT TMonitorCover::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_PAINT: {
      forms::PaintGuard paint(Handle());
      RECT client;
      GetClientRect(Handle(), &client);
      picture_.DrawFilled(paint.get(), client, RGB(0, 0, 0));
      return 0;
    }
  }
  return Default(message, wParam, lParam);
}

}  // namespace backgrounds
