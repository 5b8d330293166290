#include "forms/Window.h"

#include <exception>

#include "forms/Application.h"
#include "forms/Errors.h"

namespace forms {
namespace {

// Marks windows whose GWLP_USERDATA holds a TWinHandler, so FromHandle never
// trusts the user data of a window someone else created.
constexpr wchar_t kOwnerProperty[] = L"SarvaneShuttle.Handler";

}  // namespace

TWinHandler* TWinHandler::FromHandle(HWND window) {
  if (!window || !GetPropW(window, kOwnerProperty)) return nullptr;
  return reinterpret_cast<TWinHandler*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

TWinHandler::~TWinHandler() {
  if (hwnd_ && FromHandle(hwnd_) == this) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    RemovePropW(hwnd_, kOwnerProperty);
  }
}

LRESULT TWinHandler::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return Default(message, wParam, lParam);
}

void TWinHandler::RegisterClassOnce(LPCWSTR className, UINT style, HBRUSH background) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (GetClassInfoExW(instance, className, &existing)) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = style;
  windowClass.lpfnWndProc = Thunk;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
  windowClass.hIcon = LoadIconW(instance, L"MAINICON");
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = className;
  if (!RegisterClassExW(&windowClass)) throw EError("Fensterklasse kann nicht registriert werden");
}

HWND TWinHandler::CreateHandle(DWORD exStyle, LPCWSTR className, LPCWSTR caption, DWORD style, int left,
                               int top, int width, int height, HWND parent) {
  HWND window = CreateWindowExW(exStyle, className, caption, style, left, top, width, height, parent, nullptr,
                                GetModuleHandleW(nullptr), this);
  if (!window) throw EError("Fenster kann nicht erstellt werden");
  return window;
}

LRESULT CALLBACK TWinHandler::Thunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* handler = static_cast<TWinHandler*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    handler->hwnd_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(handler));
    SetPropW(window, kOwnerProperty, reinterpret_cast<HANDLE>(1));
  }
  // Messages before WM_NCCREATE (WM_GETMINMAXINFO) have no handler yet.
  auto* handler = reinterpret_cast<TWinHandler*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!handler) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    RemovePropW(window, kOwnerProperty);
    handler->hwnd_ = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  try {
    return handler->WindowProc(message, wParam, lParam);
  } catch (const std::exception& error) {
    Application.ShowException(error);
  } catch (...) {
    Application.ShowException(EError("Unbekannter Fehler"));
  }
  return 0;
}

}  // namespace forms
