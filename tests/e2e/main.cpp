// Usage: e2e_tests <path of SarvaneShuttle.scr> [gtest flags]
// A Unix path (as CTest passes it) is turned into the Z: path Wine maps it to.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/e2e/SaverProcess.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Screen sizes and positions compare with the screensaver's, which declares
  // itself DPI-aware: the driver must see real pixels too.
  SetProcessDPIAware();
  if (argc < 2) {
    std::fprintf(stderr, "usage: e2e_tests <SarvaneShuttle.scr>\n");
    return 2;
  }
  std::string path = argv[1];
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (auto& c : path)
    if (c == '/') c = '\\';
  e2e::SaverPath() = std::wstring(path.begin(), path.end());
  if (GetFileAttributesW(e2e::SaverPath().c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::fprintf(stderr, "no such file: %s\n", path.c_str());
    return 2;
  }
  return RUN_ALL_TESTS();
}
