#include "app/Dispatch.h"

namespace app {

Mode SelectMode(std::string_view commandLine) {
  if (commandLine.find("/a") != std::string_view::npos) return Mode::PasswordSetup;
  if (commandLine.find("/p") != std::string_view::npos) return Mode::Preview;
  if (commandLine.find("/c") != std::string_view::npos) return Mode::Configure;
  return Mode::Run;
}

std::vector<std::string> SplitWords(std::string_view commandLine) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;  // "" is an empty word of its own
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

}  // namespace app
