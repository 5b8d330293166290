// Sources and layouts are UTF-8; windows get their texts through the wide API.
#pragma once

#include <string>
#include <string_view>

namespace forms {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
// For the few places where the platform function the program uses is an ANSI one.
std::string ToAnsi(std::wstring_view wide);

}  // namespace forms
