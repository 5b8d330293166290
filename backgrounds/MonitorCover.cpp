#include "backgrounds/MonitorCover.h"

#include <utility>

#include "forms/Handles.h"

namespace backgrounds {
namespace {

constexpr wchar_t kCoverClass[] = L"SarvaneMonitorCover";
// Posted by the scaler when a picture is ready.
constexpr UINT kPictureScaled = WM_APP + 1;

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

TMonitorCover::TMonitorCover(const RECT& area, const forms::TPicture& picture)
    : picture_(picture), width_(area.right - area.left), height_(area.bottom - area.top) {
  RegisterClassOnce(kCoverClass, 0, nullptr);
  // A tool window stays off the taskbar; WS_EX_NOACTIVATE keeps clicks from
  // activating it, also while a modal loop leaves it enabled. Covers exist only
  // in a run, and like the stage they stay above that monitor's taskbar.
  CreateHandle(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TOPMOST, kCoverClass, L"", WS_POPUP, area.left,
               area.top, width_, height_, nullptr);
  scaler_.emplace(Handle(), kPictureScaled, width_, height_);
  PictureChanged();
}

TMonitorCover::~TMonitorCover() {
  if (Handle()) DestroyWindow(Handle());
}

void TMonitorCover::Show() {
  ShowWindow(Handle(), SW_SHOWNOACTIVATE);
}

void TMonitorCover::PictureChanged(forms::TBitmap copy) {
  ++generation_;
  direct_ = !picture_.Empty() && !Scales(picture_.Width(), picture_.Height());
  if (direct_) {
    scaled_ = {};
    InvalidateRect(Handle(), nullptr, FALSE);
  } else if (!picture_.Empty()) {
    const bool fits = copy.Width() == picture_.Width() && copy.Height() == picture_.Height();
    scaler_->Request(fits ? std::move(copy) : picture_.Bitmap().Clone(), generation_);
  }
}

void TMonitorCover::Paint(HDC dc) {
  if (direct_) {
    picture_.Draw(dc, 0, 0);
    return;
  }
  RECT client{0, 0, width_, height_};
  if (scaled_.Empty()) {
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return;
  }
  forms::UniqueMemoryDc memory(CreateCompatibleDC(dc));
  forms::SelectGuard select(memory.get(), scaled_.Handle());
  BitBlt(dc, 0, 0, width_, height_, memory.get(), 0, 0, SRCCOPY);
}

LRESULT TMonitorCover::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_PAINT: {
      forms::PaintGuard paint(Handle());
      Paint(paint.get());
      return 0;
    }
    case kPictureScaled:
      if (auto picture = scaler_->Take(generation_)) {
        scaled_ = std::move(*picture);
        shownGeneration_ = generation_;
        InvalidateRect(Handle(), nullptr, FALSE);
      }
      return 0;
  }
  return Default(message, wParam, lParam);
}

}  // namespace backgrounds
