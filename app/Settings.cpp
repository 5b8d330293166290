#include "app/Settings.h"

#include <windows.h>

namespace settings {

int Read(const Key& key) {
  return static_cast<int>(GetPrivateProfileIntA(kSection, key.name, key.fallback, kFileName));
}

void Write(const Key& key, const std::string& text) {
  // A settings file that cannot be written leaves the old values in force;
  // nothing in the program depends on the write having happened.
  WritePrivateProfileStringA(kSection, key.name, text.c_str(), kFileName);
}

void Write(const Key& key, int value) {
  Write(key, std::to_string(value));
}

}  // namespace settings
