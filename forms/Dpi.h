// Per-monitor dpi, where the running Windows scales per monitor. The functions
// for it came with Windows 8.1 and 10, so they are looked up at run time; where
// they are missing, everything goes by the system's dpi, as on Windows 7.
#pragma once

#include <windows.h>

namespace forms {

// The dpi Windows gives the window: that of its monitor where the program
// scales per monitor, the system's otherwise.
int WindowDpi(HWND window);

// Grows a client rectangle into the window rectangle of the given styles, with
// the frame the window really gets: drawn at its own dpi under per-monitor
// awareness v2, in the system's metrics under every other awareness.
void AdjustForFrame(HWND window, RECT& rect, DWORD style, DWORD exStyle);

// For its lifetime, the thread measures, draws and creates windows in the dpi
// awareness of the given window, which may belong to another process; then it
// returns to the awareness it had. Where threads have no awareness of their
// own (before Windows 10 1607), or for a window that is gone, it does nothing.
class DpiContextGuard {
 public:
  explicit DpiContextGuard(HWND window);
  ~DpiContextGuard();
  DpiContextGuard(const DpiContextGuard&) = delete;
  DpiContextGuard& operator=(const DpiContextGuard&) = delete;

 private:
  DPI_AWARENESS_CONTEXT previous_ = nullptr;
};

}  // namespace forms
