// How long the tests wait, and the one way they wait: a condition asked again
// and again until it holds or its deadline passes. The deadlines are generous
// because the tests run on shared, loaded machines; a condition that holds
// ends the wait at once, so a generous deadline costs a passing run nothing.
// Shared by the unit and the end-to-end tests.
#pragma once

#include <windows.h>

#include <functional>

namespace testing_wait {

// From starting the program to its first window: a start that scales the
// picture cache first is the slowest.
inline constexpr DWORD kStartTimeout = 30000;
// From telling a running program to end to its exit.
inline constexpr DWORD kExitTimeout = 10000;
// From input to a running program to what it does about it: a value stored,
// the focus moved, another picture painted.
inline constexpr DWORD kReactionTimeout = 10000;

// The condition is asked once more when the deadline has passed, so a wait of
// 0 milliseconds is a single look, and a condition that came true during the
// last pause still counts. `pause` lies between two looks; 0 suits a condition
// that waits for itself.
inline bool WaitFor(const std::function<bool()>& condition, DWORD milliseconds, DWORD pause = 20) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < milliseconds; Sleep(pause))
    if (condition()) return true;
  return condition();
}

}  // namespace testing_wait
