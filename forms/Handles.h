// Move-only owners for every Win32 and C handle the program holds. Each owner
// releases exactly once; release() hands ownership on (SetWindowRgn, for one,
// takes a region over only when it succeeds).
#pragma once

#include <windows.h>

#include <cstdio>
#include <utility>

namespace forms {

template <class Handle, class Traits>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::Invalid(); }
  Handle release() { return std::exchange(handle_, Traits::Invalid()); }
  void reset(Handle handle = Traits::Invalid()) {
    Handle old = std::exchange(handle_, handle);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

 private:
  Handle handle_ = Traits::Invalid();
};

template <class T>
struct GdiObjectTraits {
  static T Invalid() { return nullptr; }
  static void Close(T object) { DeleteObject(object); }
};
struct MemoryDcTraits {
  static HDC Invalid() { return nullptr; }
  static void Close(HDC dc) { DeleteDC(dc); }
};
struct FileTraits {
  static FILE* Invalid() { return nullptr; }
  static void Close(FILE* file) { std::fclose(file); }
};

using UniqueHrgn = UniqueHandle<HRGN, GdiObjectTraits<HRGN>>;
using UniqueHbitmap = UniqueHandle<HBITMAP, GdiObjectTraits<HBITMAP>>;
using UniqueHfont = UniqueHandle<HFONT, GdiObjectTraits<HFONT>>;
using UniqueHbrush = UniqueHandle<HBRUSH, GdiObjectTraits<HBRUSH>>;
using UniqueMemoryDc = UniqueHandle<HDC, MemoryDcTraits>;
using UniqueFile = UniqueHandle<FILE*, FileTraits>;
// Kernel objects: threads, events, processes.
struct KernelHandleTraits {
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE handle) { CloseHandle(handle); }
};
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;
// CreateFile's handles, whose failure value is INVALID_HANDLE_VALUE, not null.
struct FileHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { CloseHandle(handle); }
};
using UniqueFileHandle = UniqueHandle<HANDLE, FileHandleTraits>;

// A window's device context must go back to ReleaseDC with the window it came from.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint/EndPaint as a pair, so an error while painting still validates
// the area (otherwise the window would ask to be painted again at once).
class PaintGuard {
 public:
  explicit PaintGuard(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  PaintGuard(const PaintGuard&) = delete;
  PaintGuard& operator=(const PaintGuard&) = delete;
  ~PaintGuard() { EndPaint(window_, &paint_); }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// Restores the object that was selected before, so a DC never dies holding ours.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;
  ~SelectGuard() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace forms
