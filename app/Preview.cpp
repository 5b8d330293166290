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

void DrawStretched(HDC target, const RECT& area, const forms::TBitmap& picture) {
  forms::UniqueMemoryDc source(CreateCompatibleDC(target));
  forms::SelectGuard select(source.get(), picture.Handle());
  if (GetDeviceCaps(target, BITSPIXEL) <= 8) {
    POINT origin;
    GetBrushOrgEx(target, &origin);
    SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, origin.x, origin.y, nullptr);
  } else {
    SetStretchBltMode(target, COLORONCOLOR);
  }
  StretchBlt(target, 0, 0, area.right, area.bottom, source.get(), 0, 0, picture.Width(), picture.Height(),
             SRCCOPY);
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
  do {
    DrawStretched(dc.get(), area, picture);
    Application.ProcessMessages();
  } while (IsWindowVisible(host));
}

}  // namespace app
