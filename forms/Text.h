// Sources and layouts are UTF-8; windows get their texts through the wide API.
#pragma once

#include <string>
#include <string_view>

namespace forms {

std::wstring Widen(std::string_view utf8);

}  // namespace forms
