#include "app/Preview.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "forms/Application.h"
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

// The mode is chosen per draw from the device: halftoning only where the
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
  do {
    Application.ProcessMessages();
  } while (!IsWindowVisible(host) && IsWindow(host));
  if (!IsWindowVisible(host)) return;

  forms::WindowDc dc(host);
  if (!dc) throw forms::EError("Leinwand/Bild erlaubt kein Zeichnen");
  RECT area;
  GetClientRect(host, &area);
  forms::UniqueMemoryDc source(CreateCompatibleDC(dc.get()));
  forms::SelectGuard select(source.get(), picture.Handle());
  do {
    DrawStretched(dc.get(), area, source.get(), picture.Width(), picture.Height());
    Application.ProcessMessages();
  } while (IsWindowVisible(host));
}

}  // namespace app
