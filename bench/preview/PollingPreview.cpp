// The baseline of the preview benchmark: the program as it was before the
// preview loops learnt to pause, that is the same start-up windows and picture,
// with both loops polling the host's window as fast as they can.
#include <windows.h>

#include <cstdint>

#include "app/Dispatch.h"
#include "app/Preview.h"
#include "app/Program.h"
#include "forms/Application.h"
#include "forms/Handles.h"
#include "forms/Picture.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using forms::Application;
  app::CreateStartupWindows();
  auto words = app::SplitWords(GetCommandLineA());
  if (words.size() < 3) return 0;
  HWND host = reinterpret_cast<HWND>(
      static_cast<std::intptr_t>(static_cast<std::int32_t>(app::ParseHandleWord(words[2]))));
  forms::TBitmap picture =
      forms::TBitmap::FromPackedDib(forms::ResourceBytes("RES_PREVIEW", MAKEINTRESOURCEW(2) /* RT_BITMAP */));
  do {
    Application.ProcessMessages();
  } while (!IsWindowVisible(host) && IsWindow(host));
  if (IsWindowVisible(host)) {
    forms::WindowDc dc(host);
    RECT area;
    GetClientRect(host, &area);
    forms::UniqueMemoryDc source(CreateCompatibleDC(dc.get()));
    forms::SelectGuard select(source.get(), picture.Handle());
    do {
      SetStretchBltMode(dc.get(), COLORONCOLOR);
      StretchBlt(dc.get(), 0, 0, area.right, area.bottom, source.get(), 0, 0, picture.Width(),
                 picture.Height(), SRCCOPY);
      Application.ProcessMessages();
    } while (IsWindowVisible(host));
  }
  Application.DestroyForms();
  return 0;
}
