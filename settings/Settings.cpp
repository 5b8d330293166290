#include "settings/Settings.h"

#include <windows.h>

namespace settings {

int Read(const Key& key, const char* file) {
  return static_cast<int>(GetPrivateProfileIntA(kSection, key.name, key.fallback, file));
}

void Write(const Key& key, const std::string& text, const char* file) {
  // A settings file that cannot be written leaves the old values in force;
  // nothing in the program depends on the write having happened.
  WritePrivateProfileStringA(kSection, key.name, text.c_str(), file);
}

void Write(const Key& key, int value, const char* file) {
  Write(key, std::to_string(value), file);
}

}  // namespace settings
