// A picture file decoded by the platform's own codecs (WIC), a decoder apart
// from the program's: it tells which picture the screen shows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

struct PictureFile {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;  // row by row; empty when the file did not decode
};

PictureFile DecodePictureFile(const std::wstring& path);

// Waits until points spread over the picture show on the screen as they are
// in it, placed at the screen's top-left corner: each colour channel within
// `tolerance`, as two decoders may round differently. With `rows`, only the
// points above that row count (the part of the screen no craft flies over).
bool ScreenShows(const PictureFile& picture, DWORD milliseconds, int tolerance = 8, int rows = 0);

}  // namespace e2e
