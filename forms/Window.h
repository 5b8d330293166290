// The one window procedure of the program's own window classes. The object
// behind a window arrives with WM_NCCREATE, lives in GWLP_USERDATA until
// WM_NCDESTROY, and gets every message through WindowProc. Exceptions never
// leave the thunk: they go to the application's error report and the message
// loop goes on.
#pragma once

#include <windows.h>

namespace forms {

class TWinHandler {
 public:
  TWinHandler() = default;
  TWinHandler(const TWinHandler&) = delete;
  TWinHandler& operator=(const TWinHandler&) = delete;
  // Detaches a window that outlives its handler, so no message reaches a dead object.
  virtual ~TWinHandler();

  HWND Handle() const { return hwnd_; }

  // The handler behind a window of one of the program's classes, or null.
  static TWinHandler* FromHandle(HWND window);

 protected:
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd_, message, wParam, lParam);
  }
  // Registers the class once per process; every class uses the thunk.
  static void RegisterClassOnce(LPCWSTR className, UINT style, HBRUSH background);
  // For windows of the platform's own classes, whose messages never reach the thunk.
  void Attach(HWND window) { hwnd_ = window; }
  // Creates the window with this object as its handler.
  HWND CreateHandle(DWORD exStyle, LPCWSTR className, LPCWSTR caption, DWORD style, int left, int top,
                    int width, int height, HWND parent);

 private:
  static LRESULT CALLBACK Thunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
};

}  // namespace forms
