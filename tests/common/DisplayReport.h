// The report Windows sends a window registered for the display's state. Wine
// sends none of its own, so the unit tests and the power benchmark send it to
// the craft window themselves, from inside its process: the message carries a
// pointer.
#pragma once

#include <windows.h>

#include <cstring>

namespace testing_power {

// POWERBROADCAST_SETTING with room for its DWORD of data.
struct DisplayReport {
  explicit DisplayReport(DWORD state, const GUID& setting = GUID_CONSOLE_DISPLAY_STATE,
                         DWORD length = sizeof(DWORD)) {
    auto* report = reinterpret_cast<POWERBROADCAST_SETTING*>(bytes);
    report->PowerSetting = setting;
    report->DataLength = length;
    std::memcpy(report->Data, &state, sizeof state);
  }
  LPARAM Parameter() const { return reinterpret_cast<LPARAM>(bytes); }

  alignas(POWERBROADCAST_SETTING) unsigned char bytes[sizeof(POWERBROADCAST_SETTING) + sizeof(DWORD)] = {};
};

// Sends the state (0 off, 1 on, 2 dimmed) as Windows does; true when the
// window took it.
inline bool ReportDisplay(HWND window, DWORD state) {
  DisplayReport report(state);
  return SendMessageW(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, report.Parameter()) == TRUE;
}

}  // namespace testing_power
