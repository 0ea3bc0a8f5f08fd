// How a fuzz input becomes the files of one conversion and the window they
// go through: the one decoding of the fuzz targets, for anything that
// replays their corpora.
//
// The last two bytes choose the window, so that the text of a file, which
// comes first, keeps its place whatever window it goes through:
//   last byte         bits 0-1: threads - 1; bits 2-3: chunks - 1;
//                     bits 4-7: the class of the chunk size
//   the byte before   n, which picks the size within its class
//   classes 0-7       1 + n % 32 bytes: a chunk of a line or two, so that
//                     nearly every line meets a chunk edge
//           8-11      33 + n bytes
//           12-13     289 + 16 n bytes (up to about 4 KB)
//           14        2^(10 + n % 11) bytes (1 KiB to 1 MiB)
//           15        the default size (1 MiB)
// A byte the input is too short for reads as 0.
//
// One file (converter) is the rest of the input. Several (trevik): the first
// byte of the rest says how many (its value modulo 4, plus 1), and two bytes
// per further file (little-endian, modulo the size of what follows them,
// plus 1) say where what follows them is cut; the cuts are taken in order.
#ifndef FUZZ_INPUT_H_
#define FUZZ_INPUT_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/engine.h"

namespace fuzz {

// How many files an input may hold.
enum class Files { kOne, kSeveral };

// An input decoded: views of the input's bytes, and the window.
struct Input {
  std::vector<std::string_view> files;
  engine::Window window;
};

inline constexpr size_t kMostFiles = 4;

// Decodes input as the header comment says; never fails.
inline Input decode(std::string_view input, Files files) {
  const auto takeLast = [&input]() -> size_t {
    if (input.empty()) return 0;
    const auto byte = static_cast<uint8_t>(input.back());
    input.remove_suffix(1);
    return byte;
  };
  Input decoded;
  const size_t shape = takeLast();
  const size_t n = takeLast();
  engine::Window& window = decoded.window;
  window.threads = (shape & 3) + 1;
  window.chunks = ((shape >> 2) & 3) + 1;
  const size_t sizeClass = shape >> 4;
  window.chunkBytes = sizeClass < 8    ? 1 + n % 32
                      : sizeClass < 12 ? 33 + n
                      : sizeClass < 14 ? 289 + 16 * n
                      : sizeClass < 15 ? size_t{1} << (10 + n % 11)
                                       : engine::Window::kChunkBytes;

  if (files == Files::kOne) {
    decoded.files.push_back(input);
    return decoded;
  }
  const auto takeFirst = [&input]() -> size_t {
    if (input.empty()) return 0;
    const auto byte = static_cast<uint8_t>(input.front());
    input.remove_prefix(1);
    return byte;
  };
  const size_t count = takeFirst() % kMostFiles + 1;
  std::vector<size_t> cuts;
  for (size_t k = 1; k < count; ++k) {
    const size_t low = takeFirst();
    cuts.push_back(low | takeFirst() << 8);
  }
  for (size_t& cut : cuts) cut %= input.size() + 1;
  std::sort(cuts.begin(), cuts.end());
  cuts.push_back(input.size());
  size_t start = 0;
  for (const size_t cut : cuts) {
    decoded.files.push_back(input.substr(start, cut - start));
    start = cut;
  }
  return decoded;
}

}  // namespace fuzz

#endif  // FUZZ_INPUT_H_
