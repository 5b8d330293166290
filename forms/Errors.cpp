#include "forms/Errors.h"

namespace forms {

std::string Format(std::string_view pattern, std::string_view argument) {
  std::string text(pattern);
  if (auto at = text.find("%s"); at != std::string::npos) text.replace(at, 2, argument);
  return text;
}

std::string WithFullStop(std::string message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
    message += '.';
  return message;
}

std::string ApplicationTitle(std::string_view exePath) {
  if (auto slash = exePath.find_last_of("\\/:"); slash != std::string_view::npos)
    exePath.remove_prefix(slash + 1);
  std::string title(exePath.substr(0, exePath.find('.')));
  // Only ASCII letters change case, whatever the code page: the title must not
  // depend on the user's locale.
  for (std::size_t i = 1; i < title.size(); ++i)
    if (title[i] >= 'A' && title[i] <= 'Z') title[i] = static_cast<char>(title[i] - 'A' + 'a');
  return title;
}

}  // namespace forms
