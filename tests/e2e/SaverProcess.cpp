#include "tests/e2e/SaverProcess.h"

#include <algorithm>
#include <stdexcept>

#include "tests/common/Wait.h"

namespace e2e {

using testing_wait::WaitFor;

std::wstring& SaverPath() {
  static std::wstring path;
  return path;
}

std::string FileText(const std::wstring& path) {
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
  CloseHandle(file);
  return text;
}

std::wstring Quoted(const std::wstring& path) {
  return L"\"" + path + L"\"";
}

SaverProcess::SaverProcess(const std::wstring& commandLine, const std::wstring& program,
                           const std::wstring& directory) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring mutableLine = commandLine;
  const std::wstring& file = program.empty() ? SaverPath() : program;
  if (!CreateProcessW(file.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &info_))
    throw std::runtime_error("CreateProcess failed: " + std::to_string(GetLastError()));
}

SaverProcess::~SaverProcess() {
  if (Running()) Kill();
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

void SaverProcess::Kill() {
  TerminateProcess(info_.hProcess, 99);
  WaitForSingleObject(info_.hProcess, 5000);
}

bool SaverProcess::Running() const {
  return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD SaverProcess::WaitForExit(DWORD milliseconds) {
  if (WaitForSingleObject(info_.hProcess, milliseconds) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

::testing::AssertionResult SaverProcess::EndsOn(const std::function<bool()>& input) {
  if (!Running()) return ::testing::AssertionFailure() << "the process had ended before the input";
  if (!input()) return ::testing::AssertionFailure() << "the input could not be sent";
  const DWORD code = WaitForExit(testing_wait::kExitTimeout);
  if (code == STILL_ACTIVE) return ::testing::AssertionFailure() << "still running after the input";
  if (code != 0) return ::testing::AssertionFailure() << "exit code " << code;
  return ::testing::AssertionSuccess();
}

namespace {

BOOL CALLBACK Collect(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

// Every top-level window, top first, from one request to the system.
std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

}  // namespace

std::vector<HWND> SaverProcess::Windows() const {
  std::vector<HWND> windows;
  for (HWND window : TopLevelWindows()) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == info_.dwProcessId) windows.push_back(window);
  }
  return windows;
}

std::vector<HWND> SaverProcess::VisibleWindows() const {
  std::vector<HWND> visible;
  for (HWND window : Windows())
    if (IsWindowVisible(window)) visible.push_back(window);
  return visible;
}

HWND SaverProcess::WaitForWindow(const std::wstring& caption, DWORD milliseconds) const {
  HWND found = nullptr;
  // A process that has ended shows no window any more: no use waiting on.
  WaitFor(
      [&] {
        for (HWND window : VisibleWindows())
          if (!found && WindowCaption(window) == caption) found = window;
        return found || !Running();
      },
      milliseconds);
  return found;
}

std::wstring WindowCaption(HWND window) {
  wchar_t caption[256] = {};
  GetWindowTextW(window, caption, 256);
  return caption;
}

bool Topmost(HWND window) {
  return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

bool Above(HWND upper, HWND lower) {
  const std::vector<HWND> order = TopLevelWindows();
  const auto at = std::find(order.begin(), order.end(), upper);
  return at != order.end() && std::find(at + 1, order.end(), lower) != order.end();
}

}  // namespace e2e
