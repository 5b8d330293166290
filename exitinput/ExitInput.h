// The input that ends a run, shared by the craft's flight and the watch of a
// run without craft: which keys count, and a one-pixel pointer move.
#pragma once

#include <windows.h>

#include <optional>

namespace exitinput {

// False only for Tab, Ctrl, Alt and Delete.
bool IsExitKey(WORD key);

// The pointer position, or nothing when it cannot be read (a secure desktop,
// for one).
std::optional<POINT> ReadPointer();

// The pointer test of one look at the pointer. A failed read counts as no
// movement; while no start position is known, the first successful read
// becomes it.
bool PointerMoved(std::optional<POINT>& start, const std::optional<POINT>& sample);
// The same for a start kept as a position and a flag.
bool PointerMoved(POINT& start, bool& startKnown, const std::optional<POINT>& sample);

}  // namespace exitinput
