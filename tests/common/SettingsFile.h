// Where the settings file lies: the program passes the profile functions a
// bare file name, and a bare name lands in the Windows directory. Spelled out
// here rather than taken from the program, so that the end-to-end tests, which
// see the program only from outside, and the unit tests agree on one place.
#pragma once

#include <windows.h>

#include <string>

namespace testing_settings {

inline std::wstring SettingsPathW() {
  wchar_t directory[MAX_PATH];
  GetWindowsDirectoryW(directory, MAX_PATH);
  return std::wstring(directory) + L"\\SarvaneShuttle.ini";
}

// The Windows directory's path is plain ASCII, so every character carries over.
inline std::string SettingsPathA() {
  const std::wstring wide = SettingsPathW();
  return std::string(wide.begin(), wide.end());
}

// Each test starts from no file at all, as a first run does.
inline void DeleteSettings() {
  DeleteFileW(SettingsPathW().c_str());
}

}  // namespace testing_settings
