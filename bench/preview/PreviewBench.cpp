// Usage: bench_preview <program> <seconds> [hide|close]
//
// Plays the display settings' host for one round: a 152 x 112 window whose
// handle goes to "<program> /p". Once the picture is on screen, it measures
// the processor time the program uses while the host shows it, and what this
// session's wineserver and X server use meanwhile (each as a share of one core
// over the given seconds), then ends the preview as the settings do, by
// hiding the host window (the default) or by closing the program's child in
// it, and measures how long the program takes to end. Prints the three
// figures on one line: program %, servers %, ms to the end.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

enum class End { Hide, CloseChild };

Round Measure(const std::wstring& program, double seconds, End end) {
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
    HWND child = FindWindowExW(host.Handle(), nullptr, nullptr, nullptr);
    if (end == End::CloseChild && !child) {
      std::fprintf(stderr, "the program made no child in the host's window\n");
      found = false;
    }
    if (end == End::Hide)
      ShowWindow(host.Handle(), SW_HIDE);
    else if (child)
      PostMessageW(child, WM_CLOSE, 0, 0);
    LARGE_INTEGER ended = Now();
    round.ok = WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0 && found;
    round.exitLatency = Seconds(ended, Now());
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
  if (argc < 3 || (argc > 3 && std::strcmp(argv[3], "hide") != 0 && std::strcmp(argv[3], "close") != 0)) {
    std::fprintf(stderr, "usage: bench_preview <program> <seconds> [hide|close]\n");
    return 2;
  }
  const End end = argc > 3 && std::strcmp(argv[3], "close") == 0 ? End::CloseChild : End::Hide;
  Round round = Measure(WindowsPath(argv[1]), std::max(0.5, std::atof(argv[2])), end);
  if (!round.ok) return 1;
  std::printf("%.2f %.2f %.2f\n", round.cpuShare * 100, round.serverShare * 100, round.exitLatency * 1000);
  return 0;
}
