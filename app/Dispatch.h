// Choosing the mode from the command line, and splitting it into words.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace app {

enum class Mode { PasswordSetup, Preview, Configure, Run };

// Case-sensitive searches of the whole command line, program path included,
// for "/a", then "/p", then "/c"; the first one found decides. Anything else runs.
Mode SelectMode(std::string_view commandLine);

// Blanks and tabs separate words; double quotes group a word and are dropped.
std::vector<std::string> SplitWords(std::string_view commandLine);

}  // namespace app
