// Usage: bench_preview <program> <seconds>
//
// Plays the display settings' host for one round: a 152 x 112 window whose
// handle goes to "<program> /p". Once the picture is on screen, it measures
// the processor time the program uses while the host shows it, and what this
// session's wineserver and X server use meanwhile (each as a share of one core
// over the given seconds), then hides the host window and measures how long
// the program takes to end. Prints the three figures on one line: program %,
// servers %, ms to the end.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/UnixProcesses.h"
#include "tests/e2e/HostWindow.h"

namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now;
}

using bench::FindUnixProcesses;
using bench::ReadProcFile;
using bench::RunSeconds;

std::string Environment(const char* name) {
  char value[1024] = {};
  GetEnvironmentVariableA(name, value, sizeof value);
  return value;
}

// This session's wineserver and X server: they do work on the program's behalf.
std::vector<std::string> ServerProcesses() {
  std::string prefix = "WINEPREFIX=" + Environment("WINEPREFIX");
  std::string display = Environment("DISPLAY");
  return FindUnixProcesses([&](const std::string& pid, const std::string& commandLine) {
    if (commandLine.rfind("Xvfb " + display + " ", 0) == 0) return true;
    if (commandLine.find("wineserver") == std::string::npos) return false;
    std::string environment = ReadProcFile(pid + "\\environ");
    std::replace(environment.begin(), environment.end(), '\0', '\n');
    return (environment + "\n").find("\n" + prefix + "\n") != std::string::npos ||
           environment.rfind(prefix + "\n", 0) == 0;
  });
}

struct Round {
  bool ok = false;
  double cpuShare = 0;     // the program's, of one core
  double serverShare = 0;  // the wineserver's and X server's meanwhile
  double exitLatency = 0;  // seconds from the hide to the process's end
};

Round Measure(const std::wstring& program, double seconds) {
  Round round;
  e2e::HostWindow host(152, 112, program);
  host.Show();
  std::wstring commandLine = L"\"" + program + L"\" /p " + e2e::HandleWord(host.Handle());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return round;
  std::wstring word = e2e::HandleWord(host.Handle());
  std::string marker = " /p " + std::string(word.begin(), word.end());
  if (host.WaitForDrawing(20000)) {
    std::vector<std::string> self = FindUnixProcesses(
        [&](const std::string&, const std::string& line) { return line.find(marker) != std::string::npos; });
    std::vector<std::string> servers = ServerProcesses();
    double cpuBefore = RunSeconds(self), serverBefore = RunSeconds(servers);
    LARGE_INTEGER start = Now();
    // The host keeps serving its own window meanwhile, as a real one would.
    while (Seconds(start, Now()) < seconds) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      host.Pump();
    }
    double wall = Seconds(start, Now());
    round.cpuShare = (RunSeconds(self) - cpuBefore) / wall;
    round.serverShare = (RunSeconds(servers) - serverBefore) / wall;
    bool found = !self.empty() && !servers.empty();
    if (!found) std::fprintf(stderr, "the program or the servers are not in /proc\n");
    ShowWindow(host.Handle(), SW_HIDE);
    LARGE_INTEGER hidden = Now();
    round.ok = WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0 && found;
    round.exitLatency = Seconds(hidden, Now());
  }
  if (!round.ok) TerminateProcess(process.hProcess, 1);
  WaitForSingleObject(process.hProcess, 5000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return round;
}

std::wstring WindowsPath(const char* path) {
  std::string text = path;
  if (!text.empty() && text[0] == '/') text = "Z:" + text;
  std::replace(text.begin(), text.end(), '/', '\\');
  return std::wstring(text.begin(), text.end());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_preview <program> <seconds>\n");
    return 2;
  }
  Round round = Measure(WindowsPath(argv[1]), std::max(0.5, std::atof(argv[2])));
  if (!round.ok) return 1;
  std::printf("%.2f %.2f %.2f\n", round.cpuShare * 100, round.serverShare * 100, round.exitLatency * 1000);
  return 0;
}
