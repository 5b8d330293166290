// Finding the parts of a JPEG stream, to read a frame's size or to break a
// file on purpose at a known place. Shared by the unit and the end-to-end
// tests.
#pragma once

#include <cstddef>
#include <vector>

namespace testing_jpeg {

// The offset of the first marker `code` (0xFF code) after the start of the
// image; the stream's size when there is none.
inline std::size_t MarkerOffset(const std::vector<unsigned char>& jpeg, unsigned char code) {
  for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == code) return i;
  return jpeg.size();
}

// The offsets of every marker `code`, in order. Entropy-coded data holds no
// marker (an 0xFF there is followed by 0x00), so for a scan's code these are
// the scans.
inline std::vector<std::size_t> MarkerOffsets(const std::vector<unsigned char>& jpeg, unsigned char code) {
  std::vector<std::size_t> offsets;
  for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == code) offsets.push_back(i);
  return offsets;
}

}  // namespace testing_jpeg
