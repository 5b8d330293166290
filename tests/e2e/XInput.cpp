#include "tests/e2e/XInput.h"

#include <cstdlib>

#include "tests/common/Wait.h"
#include "tests/e2e/SaverProcess.h"

namespace e2e {
namespace {

// A new, empty file under /tmp that no other call, in this prefix or any
// other, holds at the same time (Wine's process ids repeat across prefixes):
// the system creates it under a name no existing file has. Its Windows path
// goes into `windowsPath`; empty when it could not be made.
std::string NewStatusFile(std::wstring& windowsPath) {
  wchar_t path[MAX_PATH];
  if (!GetTempFileNameW(L"Z:\\tmp", L"sse", 0, path)) return {};
  windowsPath = path;
  std::string unixPath;
  for (const wchar_t* c = path + 2; *c; ++c) unixPath += *c == L'\\' ? '/' : static_cast<char>(*c);
  return unixPath;
}

}  // namespace

int RunUnix(const std::string& command, DWORD milliseconds) {
  std::wstring file;
  const std::string status = NewStatusFile(file);
  if (status.empty()) return -1;
  // Written under another name and renamed, so the driver never reads half a file.
  std::string script = command + "; echo $? >" + status + ".part; mv " + status + ".part " + status;
  std::wstring line = L"/bin/sh -c \"";
  for (char c : script) line += static_cast<wchar_t>(c);
  line += L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  int code = -1;
  if (CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &info)) {
    // For a Unix program Wine hands back no process handle and leaves the
    // thread handle undefined: in a 32-bit driver it was seen to hold 0xe,
    // which names the same handle as 0xc (the low two bits do not count),
    // standard output. So both are closed only with a process handle.
    if (info.hProcess) {
      CloseHandle(info.hProcess);
      CloseHandle(info.hThread);
    }
    std::string text;
    // Empty until the shell has renamed its status over the file made above.
    if (testing_wait::WaitFor([&] { return !(text = FileText(file)).empty(); }, milliseconds, 10))
      code = std::atoi(text.c_str());
  }
  DeleteFileW(file.c_str());
  return code;
}

bool PressKey(HWND window, const std::string& key) {
  // Wine keeps the X window behind each top-level window in this property.
  auto xWindow = reinterpret_cast<UINT_PTR>(GetPropW(window, L"__wine_x11_whole_window"));
  if (!xWindow) return false;
  return RunUnix("xdotool windowfocus --sync " + std::to_string(xWindow) + " key " + key) == 0;
}

bool NudgePointer(bool right) {
  return RunUnix(right ? "xdotool mousemove_relative 1 0" : "xdotool mousemove_relative -- -1 0") == 0;
}

bool ClickAt(POINT screen) {
  return RunUnix("xdotool mousemove " + std::to_string(screen.x) + " " + std::to_string(screen.y) +
                 " click 1") == 0;
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

}  // namespace e2e
