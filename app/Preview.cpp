#include "app/Preview.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "forms/Application.h"
#include "forms/Dpi.h"
#include "forms/Errors.h"
#include "forms/Handles.h"
#include "forms/Picture.h"

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
  for (;;) {
    BitBlt(dc.get(), 0, 0, area.right, area.bottom, frameDc.get(), 0, 0, SRCCOPY);
    Application.ProcessMessages();
    if (!IsWindowVisible(host)) break;
    PauseRound();
  }
}

}  // namespace app
