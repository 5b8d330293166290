#include "forms/Dpi.h"

#include "forms/Handles.h"

namespace forms {
namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetWindowDpiAwarenessContextFunction = DPI_AWARENESS_CONTEXT(WINAPI*)(HWND);
using SetThreadDpiAwarenessContextFunction = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
using AreDpiAwarenessContextsEqualFunction = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT, DPI_AWARENESS_CONTEXT);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

// MDT_EFFECTIVE_DPI: the dpi the user's scale setting gives the monitor.
constexpr int kEffectiveDpi = 0;

// Through the one function type GCC lets stand for any other, so that the
// cast to the real signature draws no warning.
template <class Function>
Function Lookup(HMODULE module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

struct User32Dpi {
  GetDpiForWindowFunction getDpiForWindow;
  GetWindowDpiAwarenessContextFunction getWindowContext;
  SetThreadDpiAwarenessContextFunction setThreadContext;
  AreDpiAwarenessContextsEqualFunction contextsEqual;
  AdjustWindowRectExForDpiFunction adjustForDpi;
};

const User32Dpi& User32() {
  static const User32Dpi functions = [] {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return User32Dpi{
        Lookup<GetDpiForWindowFunction>(user32, "GetDpiForWindow"),
        Lookup<GetWindowDpiAwarenessContextFunction>(user32, "GetWindowDpiAwarenessContext"),
        Lookup<SetThreadDpiAwarenessContextFunction>(user32, "SetThreadDpiAwarenessContext"),
        Lookup<AreDpiAwarenessContextsEqualFunction>(user32, "AreDpiAwarenessContextsEqual"),
        Lookup<AdjustWindowRectExForDpiFunction>(user32, "AdjustWindowRectExForDpi"),
    };
  }();
  return functions;
}

// Windows 8.1 scales per monitor but has no GetDpiForWindow: there the dpi
// comes from shcore, which Windows 7 lacks. Only the system folder's copy is
// taken, and it stays loaded for the life of the process.
GetDpiForMonitorFunction MonitorDpiFunction() {
  static const GetDpiForMonitorFunction function = Lookup<GetDpiForMonitorFunction>(
      LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), "GetDpiForMonitor");
  return function;
}

}  // namespace

int WindowDpi(HWND window) {
  if (auto getDpiForWindow = User32().getDpiForWindow)
    if (UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
  if (auto getDpiForMonitor = MonitorDpiFunction()) {
    UINT x = 0;
    UINT y = 0;
    HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    if (SUCCEEDED(getDpiForMonitor(monitor, kEffectiveDpi, &x, &y)) && y) return static_cast<int>(y);
  }
  WindowDc screen(nullptr);
  return screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
}

void AdjustForFrame(HWND window, RECT& rect, DWORD style, DWORD exStyle) {
  const User32Dpi& user32 = User32();
  // Per-monitor v1 (Windows 8.1, Windows 10 before 1703) leaves the caption
  // and frame in the system's metrics; only v2 draws them at the window's dpi.
  if (user32.adjustForDpi && user32.getWindowContext && user32.contextsEqual && user32.getDpiForWindow &&
      user32.contextsEqual(user32.getWindowContext(window), DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) &&
      user32.adjustForDpi(&rect, style, FALSE, exStyle, user32.getDpiForWindow(window)))
    return;
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

DpiContextGuard::DpiContextGuard(HWND window) {
  const User32Dpi& user32 = User32();
  if (!user32.getWindowContext || !user32.setThreadContext) return;
  if (DPI_AWARENESS_CONTEXT context = user32.getWindowContext(window))
    previous_ = user32.setThreadContext(context);
}

DpiContextGuard::~DpiContextGuard() {
  if (previous_) User32().setThreadContext(previous_);
}

}  // namespace forms
