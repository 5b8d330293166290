// From the user's input to the end of the screensaver's process:
//   bench_exitlatency pointer|escape SAVER
// starts SAVER /s (the settings file chosen beforehand), waits until the craft
// flies, then moves the pointer by one pixel (SetCursorPos) or presses Escape
// (SendInput) and reports the milliseconds until the process has ended. The
// input is made from here rather than through xdotool, so that the figure
// holds no start of another program.
#include <windows.h>

#include <string>

#include "bench/common/ExitInput.h"
#include "bench/common/Timing.h"

namespace {

constexpr DWORD kDeadlineMs = 30000;

struct Search {
  DWORD process;
  HWND found;
};

BOOL CALLBACK FindCraft(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t caption[64] = {};
  GetWindowTextW(window, caption, 64);
  if (owner == search->process && IsWindowVisible(window) &&
      std::wstring(caption).rfind(L"ScreenSaverForeground", 0) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The craft window once the flight has moved it from its design position
// and it is the foreground window, which keys reach.
HWND WaitForFlight(DWORD process) {
  bench::Stopwatch watch;
  while (watch.Milliseconds() < kDeadlineMs) {
    Search search{process, nullptr};
    EnumWindows(FindCraft, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      RECT bounds;
      GetWindowRect(search.found, &bounds);
      if (bounds.left < 0 && GetForegroundWindow() == search.found) return search.found;
    }
    Sleep(5);
  }
  bench::Fail("the craft never flew");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) bench::Fail("usage: bench_exitlatency pointer|escape SAVER");
  const std::string input = argv[1];
  std::string commandLine = std::string("\"") + argv[2] + "\" /s";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(argv[2], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info))
    bench::Fail("cannot start", argv[2]);
  WaitForFlight(info.dwProcessId);

  POINT pointer;
  GetCursorPos(&pointer);
  bench::Stopwatch watch;
  bench::SendExitInput(input == "pointer");
  bool ended = WaitForSingleObject(info.hProcess, kDeadlineMs) == WAIT_OBJECT_0;
  double milliseconds = watch.Milliseconds();
  if (!ended) TerminateProcess(info.hProcess, 1);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  SetCursorPos(pointer.x, pointer.y);
  if (!ended) bench::Fail("the input did not end the run");
  return bench::Report(milliseconds);
}
