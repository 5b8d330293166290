// Whether anyone can see the flight: the display's power state, as Windows
// reports it to a window registered for it. Windows turns the display off some
// minutes into a run, and the run often goes on behind the dark panel for
// hours; the flight pauses meanwhile rather than burn a processor for nobody.
#pragma once

#include <windows.h>

#include <optional>

namespace vessels {

// The values Windows reports for the console's display. A dimmed panel is
// still seen.
enum class DisplayState { Off = 0, On = 1, Dimmed = 2 };

// The display state a WM_POWERBROADCAST reports, or nothing when it reports
// something else.
std::optional<DisplayState> ReportedDisplayState(WPARAM event, LPARAM setting);

// The two calls that register a window for a power setting and cancel it.
// Wine accepts every registration, handing back one made-up handle for any
// setting, and never reports the display state, so the tests replace them to
// count the pairing.
struct PowerNotificationCalls {
  HPOWERNOTIFY(WINAPI* registerWindow)(HANDLE recipient, LPCGUID setting, DWORD flags);
  BOOL(WINAPI* unregister)(HPOWERNOTIFY handle);
};
PowerNotificationCalls& PowerNotificationApi();

// The display-state reports for a window, for as long as the guard lives.
// Windows 7 has no console display state; it reports the monitor's power
// instead (and so does Wine here, which claims to be Windows 7).
class DisplayStateRegistration {
 public:
  explicit DisplayStateRegistration(HWND window);
  DisplayStateRegistration(const DisplayStateRegistration&) = delete;
  DisplayStateRegistration& operator=(const DisplayStateRegistration&) = delete;
  ~DisplayStateRegistration();

 private:
  PowerNotificationCalls calls_;
  HPOWERNOTIFY handle_;
};

}  // namespace vessels
