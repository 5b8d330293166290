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
    // Stretched in memory, then copied, as the program does: Wine's X11
    // driver stretching straight onto a window picks other rows and columns,
    // and the host checks the pixels before it starts measuring.
    forms::UniqueHbitmap frame(CreateCompatibleBitmap(dc.get(), area.right, area.bottom));
    forms::UniqueMemoryDc frameDc(CreateCompatibleDC(dc.get()));
    forms::SelectGuard selectFrame(frameDc.get(), frame.get());
    do {
      SetStretchBltMode(frameDc.get(), COLORONCOLOR);
      StretchBlt(frameDc.get(), 0, 0, area.right, area.bottom, source.get(), 0, 0, picture.Width(),
                 picture.Height(), SRCCOPY);
      BitBlt(dc.get(), 0, 0, area.right, area.bottom, frameDc.get(), 0, 0, SRCCOPY);
      Application.ProcessMessages();
    } while (IsWindowVisible(host));
  }
  Application.DestroyForms();
  return 0;
}
