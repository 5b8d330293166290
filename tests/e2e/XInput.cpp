#include "tests/e2e/XInput.h"

#include <cstdlib>

#include "tests/e2e/SaverProcess.h"

namespace e2e {
namespace {

std::string StatusFile() {
  static int counter = 0;
  return "/tmp/sarvane-e2e-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

std::wstring DosPath(const std::string& unixPath) {
  std::wstring path = L"Z:";
  for (char c : unixPath) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

}  // namespace

int RunUnix(const std::string& command, DWORD milliseconds) {
  const std::string status = StatusFile();
  // Written under another name and renamed, so the driver never reads half a file.
  std::string script = command + "; echo $? >" + status + ".part; mv " + status + ".part " + status;
  std::wstring line = L"/bin/sh -c \"";
  for (char c : script) line += static_cast<wchar_t>(c);
  line += L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info))
    return -1;
  if (info.hProcess) CloseHandle(info.hProcess);
  if (info.hThread) CloseHandle(info.hThread);

  const std::wstring file = DosPath(status);
  for (DWORD start = GetTickCount(); GetTickCount() - start < milliseconds; Sleep(10)) {
    std::string text = FileText(file);
    if (text.empty()) continue;
    DeleteFileW(file.c_str());
    return std::atoi(text.c_str());
  }
  return -1;
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
