// The run behind a dark display, measured from inside the process:
//   bench_power SPEED on|off pointer|escape SECONDS TOKEN
// runs the screensaver's own run (stage, the Thornax shown modally, the flight
// with Speed SPEED). Once the craft flies, a second thread of this process
// reports the display off to the craft window as Windows would (the report
// is a pointer, so it cannot come from another process), or leaves it on;
// then it takes the processor time of the whole process over SECONDS, and
// moves the pointer by one pixel or presses Escape. Prints the share of one
// core the process took, in %, and the milliseconds from the input to the end
// of the run. TOKEN, unique among the running processes, lets it find itself
// among Linux's processes.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/Program.h"
#include "bench/common/ExitInput.h"
#include "bench/common/Timing.h"
#include "forms/Application.h"
#include "settings/Settings.h"
#include "tests/common/DisplayReport.h"
#include "vessels/UnitScreenSaverForegroundThornax.h"

namespace {

constexpr double kDeadlineMs = 30000;
// The step under way when the display goes off finishes first.
constexpr DWORD kSettleMs = 200;

std::string ReadProcFile(const std::string& path) {
  HANDLE file = CreateFileA(("Z:\\proc\\" + path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  char buffer[1024];
  DWORD got = 0;
  const bool read = ReadFile(file, buffer, sizeof buffer, &got, nullptr);
  CloseHandle(file);
  return read ? std::string(buffer, got) : std::string();
}

// The numeric entries of a folder under /proc.
std::vector<std::string> ProcIds(const std::string& folder) {
  std::vector<std::string> ids;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(("Z:\\proc\\" + folder + "*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return ids;
  do {
    const std::string id = entry.cFileName;
    if (!id.empty() && id.find_first_not_of("0123456789") == std::string::npos) ids.push_back(id);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return ids;
}

// This process's id on Linux: the one with the token the section script gave
// it on its command line. /proc/self would name the wineserver, which
// opens files for Wine's processes.
std::string UnixProcess(const std::string& token) {
  for (const std::string& pid : ProcIds("")) {
    std::string commandLine = ReadProcFile(pid + "\\cmdline");
    std::replace(commandLine.begin(), commandLine.end(), '\0', ' ');
    if (commandLine.find(" " + token + " ") != std::string::npos &&
        ReadProcFile(pid + "\\comm").starts_with("bench_power"))
      return pid;
  }
  bench::Fail("this process is not in /proc:", token.c_str());
}

// Seconds all threads of a Linux process have run on a processor: the
// scheduler's count, in nanoseconds, reached through drive Z:, which Wine maps
// to the Unix root. Wine's own process times move in clock ticks of 10 ms, too
// coarse for a share under 1 % over 3 s.
double RunSeconds(const std::string& pid) {
  double seconds = 0;
  for (const std::string& thread : ProcIds(pid + "\\task\\"))
    seconds += std::strtod(ReadProcFile(pid + "\\task\\" + thread + "\\schedstat").c_str(), nullptr) / 1e9;
  return seconds;
}

struct Shared {
  std::string unixProcess;
  HWND craft = nullptr;
  bool displayOff = false;
  bool pointer = false;
  double seconds = 0;
  bench::Stopwatch clock;
  std::atomic<double> inputAt{-1};
  std::atomic<bool> runEnded{false};
  double cpuShare = 0;
};

// The craft once it flies where it can be seen and holds the keyboard.
void WaitForFlight(const Shared& shared) {
  bench::Stopwatch watch;
  while (watch.Milliseconds() < kDeadlineMs) {
    RECT bounds;
    GetWindowRect(shared.craft, &bounds);
    if (IsWindowVisible(shared.craft) && GetForegroundWindow() == shared.craft && bounds.left > -500 &&
        bounds.left < 0)
      return;
    Sleep(5);
  }
  bench::Fail("the craft never flew");
}

void Drive(Shared& shared) {
  WaitForFlight(shared);
  if (shared.displayOff && !testing_power::ReportDisplay(shared.craft, 0))
    bench::Fail("the craft did not take the display report");
  Sleep(kSettleMs);
  const double before = RunSeconds(shared.unixProcess);
  bench::Stopwatch wall;
  Sleep(static_cast<DWORD>(shared.seconds * 1000));
  shared.cpuShare = (RunSeconds(shared.unixProcess) - before) / (wall.Milliseconds() / 1000);
  if (shared.runEnded) bench::Fail("the run ended before the input");

  shared.inputAt = shared.clock.Milliseconds();
  bench::SendExitInput(shared.pointer);
  bench::Stopwatch after;
  while (!shared.runEnded) {
    if (after.Milliseconds() > kDeadlineMs) bench::Fail("the input did not end the run");
    Sleep(5);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) bench::Fail("usage: bench_power SPEED on|off pointer|escape SECONDS TOKEN");
  Shared shared;
  shared.unixProcess = UnixProcess(argv[5]);
  shared.displayOff = std::string(argv[2]) == "off";
  shared.pointer = std::string(argv[3]) == "pointer";
  shared.seconds = std::atof(argv[4]);
  settings::Write(settings::Speed, argv[1]);
  settings::Write(settings::VesselIndex, 3);
  settings::Write(settings::PassCount, 10);
  app::CreateStartupWindows();
  shared.craft = ScreenSaverForegroundThornax->Handle();

  std::thread driver(Drive, std::ref(shared));
  forms::Application.Run();
  const double endedAt = shared.clock.Milliseconds();
  shared.runEnded = true;
  driver.join();
  forms::Application.DestroyForms();
  if (shared.inputAt < 0) bench::Fail("the run ended before the input");
  std::printf("%.3f %.2f\n", shared.cpuShare * 100, endedAt - shared.inputAt);
  return 0;
}
