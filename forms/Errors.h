// Errors are exceptions carrying a UTF-8 message, like every other text of the
// program; a path from an ANSI function is converted before it is quoted. The
// error report shows them through the wide-character API.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace forms {

class EError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Replaces the first "%s" of a message pattern with the argument.
std::string Format(std::string_view pattern, std::string_view argument);

// The error report's text: a full stop is added unless the message is empty or
// already ends in a character whose code is not above '.' (so "?" or "!" are
// left alone, but "x" or "ä" get one). Codes compare as unsigned bytes.
std::string WithFullStop(std::string message);

// The error report's caption: the executable's file name without its folder,
// cut at the first '.', every character after the first one lower-cased.
std::string ApplicationTitle(std::string_view exePath);

}  // namespace forms
