// The settings file: five integer keys in section Settings of a private profile
// file with a bare name, which the platform keeps in the Windows directory.
// There is no settings object; each reader asks the file when it needs a value.
#pragma once

#include <string>

namespace settings {

inline constexpr char kFileName[] = "SarvaneShuttle.ini";
inline constexpr char kSection[] = "Settings";

struct Key {
  const char* name;
  int fallback;  // what every reader gets when the file, section, key or value is missing
};

inline constexpr Key Speed{"Speed", 0};
inline constexpr Key PassCount{"PassCount", 10};
inline constexpr Key VesselIndex{"VesselIndex", 0};
inline constexpr Key BackgroundId{"BackgroundId", 0};
inline constexpr Key UseImageFiles{"UseImageFiles", 0};

// `file` is the profile file's name; every part of the program passes kFileName.
int Read(const Key& key, const char* file = kFileName);
// Writes the value text as it is; a failed write is deliberately not reported.
void Write(const Key& key, const std::string& text, const char* file = kFileName);
void Write(const Key& key, int value, const char* file = kFileName);

}  // namespace settings
