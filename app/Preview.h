// Preview mode: the embedded preview picture, drawn into a child window over
// the host's window for as long as that window is visible and the child open.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace app {

// The host window's handle from the third word, read like "%d": blanks, an
// optional sign, then digits up to the first other character; 0 when none.
long ParseHandleWord(std::string_view word);

// `words` are the command line's words, the program itself first.
void RunPreview(const std::vector<std::string>& words);

}  // namespace app
