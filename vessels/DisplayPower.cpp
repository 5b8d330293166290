#include "vessels/DisplayPower.h"

#include <cstring>
#include <versionhelpers.h>

namespace vessels {

std::optional<DisplayState> ReportedDisplayState(WPARAM event, LPARAM setting) {
  if (event != PBT_POWERSETTINGCHANGE || setting == 0) return std::nullopt;
  const auto* report = reinterpret_cast<const POWERBROADCAST_SETTING*>(setting);
  if (!IsEqualGUID(report->PowerSetting, GUID_CONSOLE_DISPLAY_STATE) &&
      !IsEqualGUID(report->PowerSetting, GUID_MONITOR_POWER_ON))
    return std::nullopt;
  DWORD value = 0;
  if (report->DataLength < sizeof value) return std::nullopt;
  std::memcpy(&value, report->Data, sizeof value);
  // Only "off" stops the flight: a value this program does not know keeps it
  // going, as it always did.
  if (value == 0) return DisplayState::Off;
  return value == 2 ? DisplayState::Dimmed : DisplayState::On;
}

PowerNotificationCalls& PowerNotificationApi() {
  static PowerNotificationCalls calls{RegisterPowerSettingNotification, UnregisterPowerSettingNotification};
  return calls;
}

// A registration that fails leaves the flight as it is with the display on.
DisplayStateRegistration::DisplayStateRegistration(HWND window)
    : calls_(PowerNotificationApi()),
      handle_(calls_.registerWindow(
          window, IsWindows8OrGreater() ? &GUID_CONSOLE_DISPLAY_STATE : &GUID_MONITOR_POWER_ON,
          DEVICE_NOTIFY_WINDOW_HANDLE)) {}

DisplayStateRegistration::~DisplayStateRegistration() {
  if (handle_) calls_.unregister(handle_);
}

}  // namespace vessels
