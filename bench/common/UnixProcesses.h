// What the Linux kernel knows of the Unix processes behind Wine's: Wine
// reports neither other processes' processor time nor any peak memory, so the
// bench programs read /proc, reached through drive Z:, which Wine maps to the
// Unix root. Each Wine process, the wineserver and the X server are Unix
// processes there, and each of their threads a task.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace bench {

inline std::string ReadProcFile(const std::string& path) {
  HANDLE file = CreateFileA(("Z:\\proc\\" + path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(file);
  return text;
}

// The names of the numbered entries of a /proc folder ("" for /proc itself).
inline std::vector<std::string> ProcNumbers(const std::string& folder) {
  std::vector<std::string> numbers;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(("Z:\\proc\\" + folder + "*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return numbers;
  do {
    std::string name = entry.cFileName;
    if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos) numbers.push_back(name);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return numbers;
}

// The Unix processes whose command line (arguments joined by blanks) satisfies the test.
template <class Test>
std::vector<std::string> FindUnixProcesses(Test test) {
  std::vector<std::string> found;
  for (const std::string& pid : ProcNumbers("")) {
    std::string commandLine = ReadProcFile(pid + "\\cmdline");
    std::replace(commandLine.begin(), commandLine.end(), '\0', ' ');
    if (test(pid, commandLine)) found.push_back(pid);
  }
  return found;
}

// Seconds a Unix process has run on a processor, all its threads together
// (the scheduler's counts, in ns): the process's own schedstat holds only
// its main thread's.
inline double RunSeconds(const std::string& pid) {
  double sum = 0;
  for (const std::string& task : ProcNumbers(pid + "\\task\\"))
    sum += std::strtod(ReadProcFile(pid + "\\task\\" + task + "\\schedstat").c_str(), nullptr) / 1e9;
  return sum;
}

inline double RunSeconds(const std::vector<std::string>& pids) {
  double sum = 0;
  for (const auto& pid : pids) sum += RunSeconds(pid);
  return sum;
}

// A line "Name:   value kB" of /proc/PID/status, in kB; 0 when it is missing.
inline long StatusKilobytes(const std::string& pid, const std::string& name) {
  std::string status = ReadProcFile(pid + "\\status");
  std::size_t at = status.find("\n" + name + ":");
  return at == std::string::npos ? 0 : std::strtol(status.c_str() + at + name.size() + 2, nullptr, 10);
}

}  // namespace bench
