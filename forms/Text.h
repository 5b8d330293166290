// Sources and layouts are UTF-8; windows get their texts through the wide API.
#pragma once

#include <string>
#include <string_view>

namespace forms {

std::wstring Widen(std::string_view utf8);
std::string Utf8(std::wstring_view wide);
// Texts from the ANSI functions (paths, above all) in the user's code page.
std::string AnsiToUtf8(std::string_view ansi);

}  // namespace forms
