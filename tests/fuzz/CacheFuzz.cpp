// Broken cache files, thousands of them, through the code that meets them in
// a run: the stage's presence test and decode (CacheFileFits, then
// DecodeCacheFile, as ShowBackground does), and for a file that test refuses
// but whose header gives the stage's size (or none at all), the decode on its
// own, which takes the decoder further into most broken files.
//
//   cache_fuzz seeds DIR WIDTHxHEIGHT
//       DIR/<id>-baseline.jpg: the five cache files of a build at that size,
//       made by the program's own cache work.
//   cache_fuzz run DIR WIDTHxHEIGHT SEED COUNT [FIRST]
//       Cases FIRST (0 unless given) to FIRST + COUNT - 1 of SEED: each takes
//       one file of DIR/seeds (all of that size; the digit its name starts
//       with is its picture's id), breaks it (every seventh case, until each
//       boundary between a seed's segments has had its turn, cuts it there),
//       writes it under that picture's cache name in DIR and runs it. A case
//       depends only on SEED, its number and the seed files, so any stretch
//       of cases can be run again alone. DIR/cases.log gets "NUMBER SEEDFILE
//       MUTATIONS" before a case runs and " OUTCOME MILLISECONDS
//       PROCESSOR-MILLISECONDS" once it has ended, so a case that brings the
//       process down is the log's unfinished last line. A case that has used
//       2 s of processor time is recorded as a hang by a watchdog, a crash by
//       the process's last exception filter; either copies the file to
//       DIR/findings and ends the process (status 2 and 3). Prints "peak MB",
//       the process's peak memory, at the end.
//   cache_fuzz check FILE WIDTHxHEIGHT
//       One file through the same steps; prints its outcome and milliseconds.
//
// Outcomes: shown (the stage shows the file), fallback (it passed the
// presence test, failed to decode, and the built-in picture stands in),
// refused-size (the presence test refused a header of another size),
// refused-decodes and refused-error (the presence test refused it for
// another reason; the decode on its own gave a picture or an error). Findings
// end the status with 1: wrong-size (a picture shown at another size than the
// stage's) and intact-refused (an unbroken seed file that the stage does not
// show).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <bit>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "backgrounds/CacheFiles.h"
#include "backgrounds/Catalogue.h"
#include "backgrounds/ScalingCache.h"
#include "forms/Handles.h"
#include "forms/Picture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kHangExit = 2;
constexpr int kCrashExit = 3;
constexpr double kHangMilliseconds = 2000;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "cache_fuzz: %s\n", what.c_str());
  std::exit(1);
}

Bytes ReadBytes(const std::string& path) {
  forms::UniqueFile file(std::fopen(path.c_str(), "rb"));
  if (!file) Fail("cannot read " + path);
  Bytes bytes;
  std::uint8_t chunk[65536];
  while (std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get()))
    bytes.insert(bytes.end(), chunk, chunk + got);
  return bytes;
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  forms::UniqueFile file(std::fopen(path.c_str(), "wb"));
  bool written = file && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  if (!written || std::fclose(file.release()) != 0) Fail("cannot write " + path);
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / frequency;
}

LARGE_INTEGER Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now;
}

// ---------------------------------------------------------------------------
// SplitMix64: the same numbers from the same seed on every build, whatever the
// standard library's distributions do.
class Random {
 public:
  Random(std::uint64_t seed, std::uint64_t stream) : state_(seed ^ (stream + 1) * 0xD1B54A32D192ED03ull) {
    Next();
  }
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(Next() % n); }
  std::size_t Between(std::size_t low, std::size_t high) { return low + Below(high - low + 1); }
  bool Percent(int p) { return Below(100) < static_cast<std::size_t>(p); }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(Next()); }
  // 1 to limit, small values as likely as large ones on a log scale.
  std::size_t Scale(std::size_t limit) {
    std::size_t top = 1;
    for (std::size_t bits = Below(static_cast<std::size_t>(std::bit_width(limit))); bits > 0; --bits)
      top *= 2;
    return Between(1, std::min(2 * top - 1, limit));
  }
  // A value that breaks parsers more often than a random one.
  std::uint8_t Interesting(std::uint8_t current) {
    static const std::uint8_t values[] = {0,  1,    2,    3,    4,    5,    8,    12,   15,   16,
                                          17, 0x11, 0x22, 0x41, 0x44, 0x7F, 0x80, 0xF0, 0xFE, 0xFF};
    switch (Below(4)) {
      case 0:
        return Byte();
      case 1:
        return static_cast<std::uint8_t>(current + (Percent(50) ? 1 : -1));
      default:
        return values[Below(std::size(values))];
    }
  }

 private:
  std::uint64_t state_;
};

// ---------------------------------------------------------------------------
// The parts of a JPEG stream, read as leniently as a mutated one needs.

struct Segment {
  std::size_t offset = 0;  // of its 0xFF
  std::uint8_t marker = 0;
  std::size_t end = 0;      // past its length field's bytes (or its two marker bytes)
  std::size_t dataEnd = 0;  // a scan: past its entropy-coded data; otherwise end
  bool HasLength() const { return end > offset + 2; }
};

bool Standalone(std::uint8_t marker) {
  return marker == 0xD8 || marker == 0xD9 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

// Past the entropy-coded data from `at`: the next marker that is neither a
// stuffed zero nor a restart marker.
std::size_t EntropyEnd(const Bytes& data, std::size_t at, std::vector<std::size_t>* restarts = nullptr) {
  for (; at + 1 < data.size(); ++at) {
    if (data[at] != 0xFF) continue;
    std::uint8_t next = data[at + 1];
    if (next == 0x00 || next == 0xFF) continue;
    if (next >= 0xD0 && next <= 0xD7) {
      if (restarts) restarts->push_back(at);
      continue;
    }
    return at;
  }
  return data.size();
}

std::vector<Segment> Segments(const Bytes& data, std::vector<std::size_t>* restarts = nullptr) {
  std::vector<Segment> segments;
  std::size_t at = 2;
  while (at + 1 < data.size()) {
    if (data[at] != 0xFF) break;
    Segment segment;
    segment.offset = at;
    segment.marker = data[at + 1];
    if (segment.marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    segment.end = at + 2;
    if (!Standalone(segment.marker)) {
      if (at + 3 >= data.size()) break;
      segment.end = at + 2 + (std::size_t{data[at + 2]} << 8 | data[at + 3]);
      if (segment.end > data.size() || segment.end < at + 4) break;
    }
    segment.dataEnd = segment.marker == 0xDA ? EntropyEnd(data, segment.end, restarts) : segment.end;
    segments.push_back(segment);
    if (segment.marker == 0xD9) break;
    at = segment.dataEnd;
  }
  return segments;
}

std::size_t FirstScanEnd(const std::vector<Segment>& segments, std::size_t size) {
  for (const auto& s : segments)
    if (s.marker == 0xDA) return s.end;
  return size;
}

// Everything before the last two bytes when they are the end-of-image marker:
// most cases keep it, or the presence test would refuse them unread.
std::size_t BodyEnd(const Bytes& data) {
  return data.size() >= 4 && data[data.size() - 2] == 0xFF && data[data.size() - 1] == 0xD9 ? data.size() - 2
                                                                                            : data.size();
}

// A copy, so that it may outlive the list it came from.
std::optional<Segment> Pick(Random& random, const std::vector<Segment>& segments,
                            bool (*fits)(const Segment&)) {
  std::vector<Segment> found;
  for (const auto& s : segments)
    if (fits(s)) found.push_back(s);
  if (found.empty()) return std::nullopt;
  return found[random.Below(found.size())];
}

// ---------------------------------------------------------------------------
// Mutations. Each changes `data` and returns its name with what it chose, or
// "" when the file offers it nothing to work on.

std::string FlipBits(Random& random, Bytes& data) {
  const std::size_t header = FirstScanEnd(Segments(data), data.size());
  const std::size_t end = BodyEnd(data);
  const std::size_t flips = random.Scale(16);
  for (std::size_t i = 0; i < flips; ++i) {
    // Half of them where the tables and the frame are: a few hundred bytes
    // against the megabyte of entropy-coded data.
    std::size_t at = random.Percent(50) ? random.Between(2, header - 1) : random.Between(2, end - 1);
    data[at] ^= static_cast<std::uint8_t>(1u << random.Below(8));
  }
  return "flip" + std::to_string(flips);
}

std::string ByteRun(Random& random, Bytes& data) {
  const std::size_t end = BodyEnd(data);
  const std::size_t at = random.Between(2, end - 1);
  const std::size_t length = std::min(random.Scale(4096), end - at);
  const std::size_t kind = random.Below(4);
  const std::uint8_t value = kind == 0 ? 0x00 : kind == 1 ? 0xFF : random.Byte();
  for (std::size_t i = at; i < at + length; ++i) data[i] = kind == 3 ? random.Byte() : value;
  return "run" + std::to_string(length) + "@" + std::to_string(at);
}

std::string Truncate(Random& random, Bytes& data) {
  std::vector<std::size_t> restarts;
  const auto segments = Segments(data, &restarts);
  std::vector<std::size_t> cuts;
  for (const auto& s : segments) cuts.insert(cuts.end(), {s.offset, s.end, s.dataEnd});
  if (!restarts.empty()) cuts.push_back(restarts[random.Below(restarts.size())]);
  std::size_t cut = cuts.empty() ? 2 : cuts[random.Below(cuts.size())];
  if (random.Percent(20)) cut = std::min(cut + random.Scale(64), data.size());
  data.resize(std::max<std::size_t>(cut, 2));
  // Without the end marker the presence test refuses the file at once; the
  // decode on its own still meets it.
  const bool marked = random.Percent(85);
  if (marked) data.insert(data.end(), {0xFF, 0xD9});
  return "cut@" + std::to_string(cut) + (marked ? "+eoi" : "");
}

bool IsFrame(const Segment& s) {
  return s.marker >= 0xC0 && s.marker <= 0xCF && s.marker != 0xC4 && s.marker != 0xC8 && s.marker != 0xCC &&
         s.end >= s.offset + 12;
}

std::string FrameField(Random& random, Bytes& data) {
  const auto frame = Pick(random, Segments(data), IsFrame);
  if (!frame) return "";
  const std::size_t base = frame->offset + 4;  // precision, height, width, components, then 3 bytes each
  const std::size_t components = (frame->end - base - 6) / 3;
  std::size_t at;
  std::string field;
  switch (random.Below(6)) {
    case 0:
      at = base, field = "precision";
      break;
    case 1:
      at = base + 5, field = "components";
      break;
    case 2:
      at = base + 6 + 3 * random.Below(components) + 1, field = "sampling";
      break;
    case 3:
      at = base + 6 + 3 * random.Below(components), field = "component-id";
      break;
    case 4:
      at = base + 6 + 3 * random.Below(components) + 2, field = "quant-table";
      break;
    default:
      // Only now and then another size: the presence test refuses those unread.
      if (random.Percent(70)) {
        at = base + 6 + 3 * random.Below(components) + 1, field = "sampling";
      } else {
        at = base + 1 + random.Below(4), field = "size";
      }
  }
  const std::uint8_t old = data[at];
  data[at] = field == "sampling" && random.Percent(60)
                 ? static_cast<std::uint8_t>(random.Between(0, 4) << 4 | random.Between(0, 4))
                 : random.Interesting(old);
  // Another frame type (progressive, arithmetic, lossless, 12-bit) now and then.
  if (random.Percent(10)) data[frame->offset + 1] = static_cast<std::uint8_t>(0xC0 + random.Below(16));
  return "frame-" + field;
}

bool IsScan(const Segment& s) {
  return s.marker == 0xDA && s.end >= s.offset + 8;
}

std::string ScanField(Random& random, Bytes& data) {
  const auto scan = Pick(random, Segments(data), IsScan);
  if (!scan) return "";
  const std::size_t base = scan->offset + 4;  // components, 2 bytes each, then Ss, Se, Ah/Al
  const std::size_t components = (scan->end - base - 4) / 2;
  std::size_t at;
  std::string field;
  switch (random.Below(5)) {
    case 0:
      at = base, field = "components";
      break;
    case 1:
      at = base + 1 + 2 * random.Below(components), field = "component";
      break;
    case 2:
      at = base + 2 + 2 * random.Below(components), field = "tables";
      break;
    case 3:
      at = scan->end - 3 + random.Below(2), field = "spectral";
      break;
    default:
      at = scan->end - 1, field = "approximation";
  }
  data[at] = random.Interesting(data[at]);
  return "scan-" + field;
}

bool IsTable(const Segment& s) {
  return (s.marker == 0xC4 || s.marker == 0xDB || s.marker == 0xCC) && s.end >= s.offset + 6;
}

std::string TableField(Random& random, Bytes& data) {
  const auto table = Pick(random, Segments(data), IsTable);
  if (!table) return "";
  std::size_t at = table->offset + 4;  // class and id, or precision and id
  std::string field = "id";
  if (random.Percent(50)) {
    // Huffman code counts, quantization values, conditioning values.
    const std::size_t span =
        table->marker == 0xC4 ? std::min<std::size_t>(16, table->end - at - 1) : table->end - at - 1;
    at += 1 + random.Below(span);
    field = table->marker == 0xC4 ? "counts" : "values";
  }
  data[at] = random.Interesting(data[at]);
  const char* kind = table->marker == 0xC4 ? "dht-" : table->marker == 0xDB ? "dqt-" : "dac-";
  return kind + field;
}

std::string SegmentLength(Random& random, Bytes& data) {
  const auto segment = Pick(random, Segments(data), [](const Segment& s) { return s.HasLength(); });
  if (!segment) return "";
  const std::size_t old = segment->end - segment->offset - 2;
  std::size_t length;
  switch (random.Below(4)) {
    case 0:
      length = random.Below(3);
      break;
    case 1:
      length = 0xFFFF;
      break;
    case 2:
      length = random.Below(0x10000);
      break;
    default:
      length = random.Percent(50) ? old + random.Scale(16) : old - std::min(old, random.Scale(16));
  }
  data[segment->offset + 2] = static_cast<std::uint8_t>(length >> 8);
  data[segment->offset + 3] = static_cast<std::uint8_t>(length);
  char name[32];
  std::snprintf(name, sizeof name, "length-%02X-%zu", segment->marker, length);
  return name;
}

std::string Restarts(Random& random, Bytes& data) {
  std::vector<std::size_t> restarts;
  const auto segments = Segments(data, &restarts);
  const auto interval =
      Pick(random, segments, [](const Segment& s) { return s.marker == 0xDD && s.end == s.offset + 6; });
  const std::size_t choice = random.Below(4);
  if (choice == 0 && interval) {
    const std::uint16_t value = random.Percent(50) ? static_cast<std::uint16_t>(random.Below(4))
                                                   : static_cast<std::uint16_t>(random.Next());
    data[interval->offset + 4] = static_cast<std::uint8_t>(value >> 8);
    data[interval->offset + 5] = static_cast<std::uint8_t>(value);
    return "dri-" + std::to_string(value);
  }
  if (choice == 1 || restarts.empty()) {
    // An interval the data was not coded with.
    const auto scan = Pick(random, segments, IsScan);
    if (!scan) return "";
    const std::uint16_t value = static_cast<std::uint16_t>(random.Scale(0xFFFF));
    const Bytes dri = {
        0xFF, 0xDD, 0x00, 0x04, static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
    data.insert(data.begin() + static_cast<long>(scan->offset), dri.begin(), dri.end());
    return "dri-inserted-" + std::to_string(value);
  }
  const std::size_t at = restarts[random.Below(restarts.size())];
  if (choice == 2) {
    data[at + 1] = static_cast<std::uint8_t>(0xD0 + random.Below(8));
    return "rst-renumbered";
  }
  data.erase(data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(at) + 2);
  return "rst-removed";
}

// A marker segment where none is expected: a second image start or end, a
// copy of a table, frame or scan header, an unknown or huge one, a frame of
// another coding process.
std::string InsertMarker(Random& random, Bytes& data) {
  const auto segments = Segments(data);
  if (segments.empty()) return "";
  const Segment& place = segments[random.Below(segments.size())];
  Bytes insert;
  std::string name;
  switch (random.Below(5)) {
    case 0:
      insert = {0xFF, static_cast<std::uint8_t>(random.Percent(50) ? 0xD8 : 0xD9)};
      name = "marker-soi-eoi";
      break;
    case 1: {
      const Segment& copy = segments[random.Below(segments.size())];
      insert.assign(data.begin() + static_cast<long>(copy.offset),
                    data.begin() + static_cast<long>(copy.end));
      name = "marker-copy";
      break;
    }
    case 2: {
      const std::size_t length = random.Percent(30) ? 0xFFFF : random.Scale(512) + 2;
      insert = {0xFF, static_cast<std::uint8_t>(random.Percent(50) ? 0xFE : 0xE0 + random.Below(16)),
                static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
      for (std::size_t i = 2; i < length; ++i) insert.push_back(random.Byte());
      name = "marker-app";
      break;
    }
    case 3: {
      const auto frame = Pick(random, segments, IsFrame);
      if (!frame) return "";
      insert.assign(data.begin() + static_cast<long>(frame->offset),
                    data.begin() + static_cast<long>(frame->end));
      insert[1] = static_cast<std::uint8_t>(0xC0 + random.Below(16));
      name = "marker-frame";
      break;
    }
    default:
      // Height given later by a DNL marker, which the decoder does not take.
      insert = {0xFF, 0xDC, 0x00, 0x04, random.Byte(), random.Byte()};
      name = "marker-dnl";
  }
  const std::size_t at = random.Percent(50) ? place.offset : place.dataEnd;
  data.insert(data.begin() + static_cast<long>(std::min(at, BodyEnd(data))), insert.begin(), insert.end());
  return name;
}

// One scan, with the tables just before it, given many times over. Each scan
// of a progressive picture is one more pass over all its coefficients, so the
// smallest scan repeated costs the most time for the fewest bytes.
std::string RepeatScan(Random& random, Bytes& data) {
  const auto segments = Segments(data);
  std::vector<std::size_t> scans;
  for (std::size_t i = 0; i < segments.size(); ++i)
    if (IsScan(segments[i])) scans.push_back(i);
  if (scans.empty()) return "";
  const bool smallest = random.Percent(50);
  std::size_t chosen = scans[random.Below(scans.size())];
  if (smallest)
    for (std::size_t i : scans)
      if (segments[i].dataEnd - segments[i].offset < segments[chosen].dataEnd - segments[chosen].offset)
        chosen = i;
  std::size_t first = chosen;
  while (first > 0 && (segments[first - 1].marker == 0xC4 || segments[first - 1].marker == 0xCC ||
                       segments[first - 1].marker == 0xDD))
    --first;
  const Bytes unit(data.begin() + static_cast<long>(segments[first].offset),
                   data.begin() + static_cast<long>(segments[chosen].dataEnd));
  const std::size_t times = random.Scale(100000);
  // 4 MB at most, about a cache file of the largest screens: beyond that a
  // case's time would be the reading and copying of the file, not the decoder.
  const std::size_t copies = std::min(times, std::max<std::size_t>(1, (4u << 20) / unit.size()));
  Bytes repeated;
  repeated.reserve(unit.size() * copies);
  for (std::size_t i = 0; i < copies; ++i) repeated.insert(repeated.end(), unit.begin(), unit.end());
  data.insert(data.begin() + static_cast<long>(segments[chosen].dataEnd), repeated.begin(), repeated.end());
  return std::string(smallest ? "repeat-smallest-scan-x" : "repeat-scan-x") + std::to_string(copies);
}

// A table segment of another seed in place of one of this file's.
std::string SpliceTable(Random& random, Bytes& data, const std::vector<Bytes>& seeds) {
  const auto mine = Pick(random, Segments(data), IsTable);
  const Bytes& other = seeds[random.Below(seeds.size())];
  const auto theirs = Pick(random, Segments(other), IsTable);
  if (!mine || !theirs) return "";
  Bytes table(other.begin() + static_cast<long>(theirs->offset),
              other.begin() + static_cast<long>(theirs->end));
  const std::size_t at = mine->offset, end = mine->end;
  data.erase(data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(end));
  data.insert(data.begin() + static_cast<long>(at), table.begin(), table.end());
  return "splice-table";
}

// Every mutation with its weight among them.
template <std::string (*mutation)(Random&, Bytes&)>
std::string WithoutSeeds(Random& random, Bytes& data, const std::vector<Bytes>&) {
  return mutation(random, data);
}
constexpr struct {
  int weight;
  std::string (*mutate)(Random&, Bytes&, const std::vector<Bytes>&);
} kMutations[] = {
    {2, WithoutSeeds<FlipBits>},
    {1, WithoutSeeds<ByteRun>},
    {1, WithoutSeeds<Truncate>},
    {2, WithoutSeeds<FrameField>},
    {1, WithoutSeeds<ScanField>},
    {1, WithoutSeeds<TableField>},
    {1, WithoutSeeds<SegmentLength>},
    {1, WithoutSeeds<Restarts>},
    {1, WithoutSeeds<InsertMarker>},
    {1, WithoutSeeds<RepeatScan>},
    {1, SpliceTable},
};

std::string Mutate(Random& random, Bytes& data, const std::vector<Bytes>& seeds) {
  int total = 0;
  for (const auto& m : kMutations) total += m.weight;
  int pick = static_cast<int>(random.Below(static_cast<std::size_t>(total)));
  for (const auto& m : kMutations) {
    if (pick < m.weight) return m.mutate(random, data, seeds);
    pick -= m.weight;
  }
  return "";
}

// ---------------------------------------------------------------------------
// A case, as the stage meets its file.

std::string RunFile(const std::string& path, int width, int height) {
  if (backgrounds::CacheFileFits(path, width, height)) {
    try {
      forms::TPicture picture = backgrounds::DecodeCacheFile(path);
      return picture.Width() == width && picture.Height() == height ? "shown" : "wrong-size";
    } catch (const std::exception&) {
      return "fallback";
    }
  }
  // Of a file whose header gives another size the program reads nothing
  // more, at a run's start neither: decoding it would only show how long a
  // picture of up to kMaxJpegPixels takes.
  if (auto size = forms::ReadJpegFileSize(path); size && (size->cx != width || size->cy != height))
    return "refused-size";
  try {
    backgrounds::DecodeCacheFile(path);
    return "refused-decodes";
  } catch (const std::exception&) {
    return "refused-error";
  }
}

bool IsFinding(const std::string& outcome, bool intact) {
  return outcome == "wrong-size" || (intact && outcome != "shown");
}

// The processor time a thread has used, in ms.
double ProcessorMilliseconds(HANDLE thread) {
  FILETIME created, ended, kernel, user;
  if (!GetThreadTimes(thread, &created, &ended, &kernel, &user)) return 0;
  auto ticks = [](const FILETIME& time) { return ULONGLONG{time.dwHighDateTime} << 32 | time.dwLowDateTime; };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

// When a case started, by the clock and by the processor time of the thread
// that runs it.
struct CaseStart {
  LARGE_INTEGER wall{};  // 0 between cases
  double processor = 0;
};

// What the watchdog and the exception filter need to keep the running case.
// The watchdog reads it under the lock, so that it never sees one case's
// start with another's name.
struct Running {
  std::mutex lock;
  std::string directory;
  std::string cachePath;
  std::string name;  // seed-number
  FILE* log = nullptr;
  forms::UniqueKernelHandle thread;  // the one that runs the cases
  CaseStart started;
};
Running running;

double PeakMegabytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

[[noreturn]] void KeepAndExit(const char* kind, const std::string& detail, int status) {
  const std::string kept = running.directory + "\\findings\\" + kind + "-" + running.name + ".jpg";
  CopyFileA(running.cachePath.c_str(), kept.c_str(), FALSE);
  if (running.log) {
    std::fprintf(running.log, " %s %s\n", kind, detail.c_str());
    std::fflush(running.log);
  }
  std::printf("%s %s %s\npeak %.1f\n", kind, running.name.c_str(), detail.c_str(), PeakMegabytes());
  std::fflush(stdout);
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  std::abort();
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* exception) {
  char code[16];
  std::snprintf(code, sizeof code, "%08lX", exception->ExceptionRecord->ExceptionCode);
  // Between two cases the fault is the driver's own, and no case is to blame.
  if (running.started.wall.QuadPart == 0)
    Fail(std::string("the driver itself crashed between cases: ") + code);
  KeepAndExit("crash", code, kCrashExit);
}

// A case has hung once it has used 2 s of processor time. The machine is
// shared, and others' work can stretch a case of half a second past 2 s by
// the clock; by the clock only a case that waits rather than works is ended,
// after ten times as long.
void Watch(const std::atomic<bool>* stop) {
  while (!stop->load()) {
    Sleep(50);
    std::lock_guard hold(running.lock);
    if (running.started.wall.QuadPart == 0) continue;
    const double processor = ProcessorMilliseconds(running.thread.get()) - running.started.processor;
    const double wall = Milliseconds(running.started.wall, Now());
    if (processor > kHangMilliseconds || wall > 10 * kHangMilliseconds) {
      char detail[64];
      std::snprintf(detail, sizeof detail, "%.3f %.3f", wall, processor);
      KeepAndExit("hang", detail, kHangExit);
    }
  }
}

bool ParseSize(const char* text, int& width, int& height) {
  return std::sscanf(text, "%dx%d", &width, &height) == 2 && width > 0 && height > 0;
}

int MakeSeeds(const std::string& directory, int width, int height) {
  const char* resources[] = {"PIC_DOLPHIN", "PIC_ASTEROIDENFELD", "PIC_SONNE", "PIC_DEEPSPACE", "PIC_NEBEL"};
  for (int id = 0; id < backgrounds::kBackgroundCount; ++id) {
    const backgrounds::CacheJob job{forms::ResourceBytes(resources[id], MAKEINTRESOURCEW(10) /* RT_RCDATA */),
                                    directory + "\\" + std::to_string(id) + "-baseline.jpg", width, height};
    backgrounds::ScalePicture(job, [] {});
    if (!backgrounds::CacheFileFits(job.path, width, height))
      Fail("the cache work gave no picture at that size");
  }
  return 0;
}

struct Seed {
  std::string name;
  int id = 0;  // the picture, whose cache name the cases take
  Bytes bytes;
};

// Every place a seed can be cut between its parts: before each marker
// segment, and after each scan's header, before its data.
struct Boundary {
  std::size_t seed;
  std::size_t at;
};

// Every seventh case is a cut at the next boundary until each has had one:
// a campaign of 10000 cases has room for those of the 40 seed files (1415).
constexpr long long kBoundaryEvery = 7;

std::vector<Boundary> Boundaries(const std::vector<Seed>& seeds) {
  std::vector<Boundary> boundaries;
  for (std::size_t i = 0; i < seeds.size(); ++i)
    for (const auto& segment : Segments(seeds[i].bytes)) {
      boundaries.push_back({i, segment.offset});
      if (segment.marker == 0xDA) boundaries.push_back({i, segment.end});
    }
  return boundaries;
}

std::vector<Seed> LoadSeeds(const std::string& directory, int width, int height) {
  std::vector<Seed> seeds;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((directory + "\\seeds\\*.jpg").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) Fail("no seed files in " + directory + "\\seeds");
  do {
    Seed seed;
    seed.name = found.cFileName;
    seed.id = seed.name[0] - '0';
    if (seed.id < 0 || seed.id >= backgrounds::kBackgroundCount)
      Fail("a seed's name must start with its picture id: " + seed.name);
    const std::string path = directory + "\\seeds\\" + seed.name;
    if (!backgrounds::CacheFileFits(path, width, height))
      Fail(seed.name + " is not a whole cache file of that size");
    seed.bytes = ReadBytes(path);
    seeds.push_back(std::move(seed));
  } while (FindNextFileA(search, &found));
  FindClose(search);
  // The order FindNextFile gives is the file system's: the same seed must name the same cases everywhere.
  std::sort(seeds.begin(), seeds.end(), [](const Seed& a, const Seed& b) { return a.name < b.name; });
  return seeds;
}

int Run(const std::string& directory, int width, int height, std::uint64_t seed, long long count,
        long long first) {
  const std::vector<Seed> seeds = LoadSeeds(directory, width, height);
  std::vector<Bytes> seedBytes;
  for (const auto& s : seeds) seedBytes.push_back(s.bytes);
  const auto cachePaths = backgrounds::CachePathsFor(directory);
  if (!cachePaths) Fail("the directory's path is too long for the cache's names");
  CreateDirectoryA((directory + "\\findings").c_str(), nullptr);
  running.directory = directory;
  running.log = std::fopen((directory + "\\cases.log").c_str(), "a");
  if (!running.log) Fail("cannot write cases.log");

  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(OnCrash);
  std::set_terminate([] { KeepAndExit("crash", "terminate", kCrashExit); });
  HANDLE self = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  running.thread.reset(self);
  std::atomic<bool> stop{false};
  std::thread watchdog(Watch, &stop);

  const std::vector<Boundary> boundaries = Boundaries(seeds);
  int findings = 0;
  for (long long index = first; index < first + count; ++index) {
    Random random(seed, static_cast<std::uint64_t>(index));
    const auto boundary = static_cast<std::size_t>(index / kBoundaryEvery);
    const bool cut = index % kBoundaryEvery == 0 && boundary < boundaries.size();
    const Seed& from = seeds[cut ? boundaries[boundary].seed : random.Below(seeds.size())];
    Bytes data = from.bytes;
    std::string mutations;
    // One in a hundred stays whole: every seed must show.
    const bool intact = !cut && random.Percent(1);
    if (cut) {
      data.resize(boundaries[boundary].at);
      data.insert(data.end(), {0xFF, 0xD9});
      mutations = "boundary-cut@" + std::to_string(boundaries[boundary].at) + "+eoi";
    }
    const std::size_t rounds = intact || cut ? 0 : random.Percent(75) ? 1 : random.Between(2, 4);
    for (std::size_t i = 0; i < rounds || (!intact && mutations.empty()); ++i) {
      if (data.size() < 8) break;
      std::string done = Mutate(random, data, seedBytes);
      if (!done.empty()) mutations += (mutations.empty() ? "" : "+") + done;
    }
    if (intact) mutations = "intact";

    const std::string& path = (*cachePaths)[static_cast<std::size_t>(from.id)];
    const std::string name = std::to_string(seed) + "-" + std::to_string(index);
    // On the disk, and named in the log, before it runs: a case that takes the
    // process down is never lost.
    WriteBytes(path, data);
    std::fprintf(running.log, "%lld %s %s", index, from.name.c_str(), mutations.c_str());
    std::fflush(running.log);
    const CaseStart start{Now(), ProcessorMilliseconds(running.thread.get())};
    {
      std::lock_guard hold(running.lock);
      running.cachePath = path;
      running.name = name;
      running.started = start;
    }
    const std::string outcome = RunFile(path, width, height);
    const double wall = Milliseconds(start.wall, Now());
    const double processor = ProcessorMilliseconds(running.thread.get()) - start.processor;
    {
      std::lock_guard hold(running.lock);
      running.started = {};
    }
    std::fprintf(running.log, " %s %.3f %.3f\n", outcome.c_str(), wall, processor);
    std::fflush(running.log);
    if (IsFinding(outcome, intact)) {
      ++findings;
      CopyFileA(path.c_str(), (directory + "\\findings\\" + outcome + "-" + name + ".jpg").c_str(), FALSE);
      std::fprintf(stderr, "cache_fuzz: case %s (%s of %s): %s\n", name.c_str(), mutations.c_str(),
                   from.name.c_str(), outcome.c_str());
    }
  }
  stop = true;
  watchdog.join();
  std::fclose(running.log);
  std::printf("peak %.1f\n", PeakMegabytes());
  return findings ? 1 : 0;
}

int Check(const std::string& path, int width, int height) {
  const CaseStart start{Now(), ProcessorMilliseconds(GetCurrentThread())};
  const std::string outcome = RunFile(path, width, height);
  std::printf("%s %.3f %.3f\n", outcome.c_str(), Milliseconds(start.wall, Now()),
              ProcessorMilliseconds(GetCurrentThread()) - start.processor);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int width = 0, height = 0;
  try {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "seeds" && argc == 4 && ParseSize(argv[3], width, height))
      return MakeSeeds(argv[2], width, height);
    if (command == "run" && (argc == 6 || argc == 7) && ParseSize(argv[3], width, height))
      return Run(argv[2], width, height, std::strtoull(argv[4], nullptr, 10), std::atoll(argv[5]),
                 argc == 7 ? std::atoll(argv[6]) : 0);
    if (command == "check" && argc == 4 && ParseSize(argv[3], width, height))
      return Check(argv[2], width, height);
  } catch (const std::exception& error) {
    Fail(error.what());
  }
  Fail("usage: cache_fuzz seeds DIR WxH | run DIR WxH SEED COUNT [FIRST] | check FILE WxH");
}
