#include "app/Preview.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <memory>

#include "forms/Application.h"
#include "forms/Dpi.h"
#include "forms/Errors.h"
#include "forms/Handles.h"
#include "forms/Picture.h"
#include "forms/Window.h"

namespace app {

long ParseHandleWord(std::string_view word) {
  int value = 0;
  std::string text(word);
  if (std::sscanf(text.c_str(), "%d", &value) != 1) return 0;
  return value;
}

namespace {

// The mode is chosen from the target's depth: halftoning only where the
// device has a palette, plain row and column dropping elsewhere.
void DrawStretched(HDC target, const RECT& area, HDC source, int width, int height) {
  if (GetDeviceCaps(target, BITSPIXEL) <= 8) {
    POINT origin;
    GetBrushOrgEx(target, &origin);
    SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, origin.x, origin.y, nullptr);
  } else {
    SetStretchBltMode(target, COLORONCOLOR);
  }
  StretchBlt(target, 0, 0, area.right, area.bottom, source, 0, 0, width, height, SRCCOPY);
}

// The host never tells us anything, so both loops look at its window in
// rounds; between rounds they sleep until a message of ours arrives or the
// pause is over. The pause bounds how late the end is noticed and how soon a
// picture the host painted over comes back, at a sliver of one core.
constexpr DWORD kRoundPause = 15;

void PauseRound() {
  // Its result does not matter: a message, the time running out or even a
  // failure all lead to the next round.
  MsgWaitForMultipleObjectsEx(0, nullptr, kRoundPause, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

constexpr wchar_t kPreviewClass[] = L"SarvanePreview";

// The window the picture goes into: a child over the host's client area. The
// display settings stop a preview by closing this child, and leave their own
// window as it is; a preview without a child is never told to stop.
class TPreviewChild : public forms::TWinHandler {
 public:
  // `frame` holds the stretched picture and outlives the child.
  TPreviewChild(HWND host, const RECT& area, HDC frame) : area_(area), frame_(frame) {
    RegisterClassOnce(kPreviewClass, 0, nullptr);
    // Without WM_PARENTNOTIFY, which goes to the host and waits for its
    // answer: a host that looks at no messages while it waits for the preview
    // to end would keep the preview from ending.
    CreateHandle(WS_EX_NOPARENTNOTIFY, kPreviewClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, area.right,
                 area.bottom, host);
  }
  ~TPreviewChild() override {
    if (Handle()) DestroyWindow(Handle());
  }
  // Closed (the default answer to WM_CLOSE destroys it) or destroyed with its host.
  bool Ended() const { return Handle() == nullptr; }

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_ERASEBKGND:
        return 1;  // the picture covers every pixel
      case WM_PAINT: {
        forms::PaintGuard paint(Handle());
        BitBlt(paint.get(), 0, 0, area_.right, area_.bottom, frame_, 0, 0, SRCCOPY);
        return 0;
      }
    }
    return Default(message, wParam, lParam);
  }

 private:
  const RECT area_;
  const HDC frame_;
};

// The one place the child is made. Null where it cannot be: the picture then
// goes into the host's window alone.
std::unique_ptr<TPreviewChild> CreatePreviewChild(HWND host, const RECT& area, HDC frame) {
  try {
    return std::make_unique<TPreviewChild>(host, area, frame);
  } catch (const forms::EError&) {
    return nullptr;
  }
}

}  // namespace

void RunPreview(const std::vector<std::string>& words) {
  using forms::Application;
  if (words.size() < 3) return;
  // Handles are 32-bit values even in 64-bit processes; sign-extension is how
  // the platform widens them.
  HWND host = reinterpret_cast<HWND>(
      static_cast<std::intptr_t>(static_cast<std::int32_t>(ParseHandleWord(words[2]))));
  forms::TBitmap picture =
      forms::TBitmap::FromPackedDib(forms::ResourceBytes("RES_PREVIEW", MAKEINTRESOURCEW(2) /* RT_BITMAP */));

  // The host shows its window when it is ready. A handle that names no window
  // (or a window the host destroyed meanwhile) would otherwise be waited for forever.
  for (;;) {
    Application.ProcessMessages();
    if (IsWindowVisible(host) || !IsWindow(host)) break;
    PauseRound();
  }
  if (!IsWindowVisible(host)) return;

  // Measured and drawn in the host's own pixels, whatever awareness its process has.
  forms::DpiContextGuard hostDpi(host);
  forms::WindowDc dc(host);
  if (!dc) throw forms::EError("Leinwand/Bild erlaubt kein Zeichnen");
  RECT area;
  GetClientRect(host, &area);
  // The rectangle never changes, so the picture is stretched once, into a
  // frame of the host's depth, and each round only copies that: stretching
  // is most of what a round would cost.
  forms::UniqueMemoryDc source(CreateCompatibleDC(dc.get()));
  forms::SelectGuard select(source.get(), picture.Handle());
  forms::UniqueHbitmap frame(CreateCompatibleBitmap(dc.get(), area.right, area.bottom));
  forms::UniqueMemoryDc frameDc(CreateCompatibleDC(dc.get()));
  if (!frame || !frameDc) throw forms::EError("Leinwand/Bild erlaubt kein Zeichnen");
  forms::SelectGuard selectFrame(frameDc.get(), frame.get());
  DrawStretched(frameDc.get(), area, source.get(), picture.Width(), picture.Height());
  std::unique_ptr<TPreviewChild> child = CreatePreviewChild(host, area, frameDc.get());
  for (;;) {
    // The child paints when it is asked to. The host's window still gets a
    // copy every round: a host that does not clip its children paints over
    // the child, unasked, and Wine shows nothing drawn into a child of another
    // process's window. Where the host clips its children the copy is clipped
    // away, and the child's own picture is the one seen.
    BitBlt(dc.get(), 0, 0, area.right, area.bottom, frameDc.get(), 0, 0, SRCCOPY);
    Application.ProcessMessages();
    if (!IsWindowVisible(host) || (child && child->Ended())) break;
    PauseRound();
  }
}

}  // namespace app
