// Starts the real screensaver as a process of its own and watches it from
// outside: its windows, its exit code, the settings file it shares with us
// (both processes run in the same Wine prefix).
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

// The screensaver under test, as a Windows path (set from the command line).
std::wstring& SaverPath();

// A file's whole text, read afresh (empty when it cannot be read).
std::string FileText(const std::wstring& path);

class SaverProcess {
 public:
  // `commandLine` is the whole command line; `program` the file to start
  // (the saver itself unless given), `directory` the working directory.
  explicit SaverProcess(const std::wstring& commandLine, const std::wstring& program = L"",
                        const std::wstring& directory = L"");
  SaverProcess(const SaverProcess&) = delete;
  SaverProcess& operator=(const SaverProcess&) = delete;
  ~SaverProcess();  // kills a process that is still running

  bool Running() const;
  DWORD Id() const { return info_.dwProcessId; }
  // Ends the process at once, as a crash or a power cut would, and waits
  // until it has gone.
  void Kill();
  // The exit code, or STILL_ACTIVE when the process did not end in time.
  DWORD WaitForExit(DWORD milliseconds);
  // "Ends on input": the process was still running just before `input`, the
  // input was sent, and then the process ended with exit code 0. The exit
  // code alone would hold for a process that had ended at once, too.
  ::testing::AssertionResult EndsOn(const std::function<bool()>& input);
  // The visible top-level windows of the process.
  std::vector<HWND> VisibleWindows() const;
  // All its top-level windows, the hidden ones too.
  std::vector<HWND> Windows() const;
  // Waits for a visible top-level window with this caption; null on timeout.
  HWND WaitForWindow(const std::wstring& caption, DWORD milliseconds) const;

 private:
  PROCESS_INFORMATION info_{};
};

std::wstring WindowCaption(HWND window);
// Whether the window stands in the band above all others, with the taskbars.
bool Topmost(HWND window);
// Whether `upper` comes before `lower` among the top-level windows, top
// first, as one look at the whole order finds them.
bool Above(HWND upper, HWND lower);
// The command line word that quotes the saver's path.
std::wstring Quoted(const std::wstring& path);

}  // namespace e2e
