#include "exitinput/ExitInput.h"

namespace exitinput {

bool IsExitKey(WORD key) {
  return key != VK_TAB && key != VK_CONTROL && key != VK_MENU && key != VK_DELETE;
}

std::optional<POINT> ReadPointer() {
  POINT at;
  if (!GetCursorPos(&at)) return std::nullopt;
  return at;
}

bool PointerMoved(std::optional<POINT>& start, const std::optional<POINT>& sample) {
  if (!sample) return false;
  if (!start) {
    start = sample;
    return false;
  }
  return sample->x != start->x || sample->y != start->y;
}

bool PointerMoved(POINT& start, bool& startKnown, const std::optional<POINT>& sample) {
  std::optional<POINT> known;
  if (startKnown) known = start;
  const bool moved = PointerMoved(known, sample);
  if (known) start = *known;
  startKnown = known.has_value();
  return moved;
}

}  // namespace exitinput
