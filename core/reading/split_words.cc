// Cutting lines into words: fills the rows of a chunk, 64 bytes at a time,
// or byte by byte where there are no 16-byte kernels.
#include <cstdint>
#include <cstring>

#include "core/reading/line_reader.h"
#include "core/reading/scan.h"
#include "core/reading/word_table.h"

namespace core {
namespace {

// The kernels of core/reading/scan.h.
using namespace detail;  // NOLINT(google-build-using-namespace)

// Fills the rows of a chunk: offsets from bytes become offsets from the
// chunk's start.
struct RowBuilder {
  uint32_t offset;
  uint8_t* counts;
  uint32_t* first;

  void add(size_t row, uint64_t /*lineStart*/, uint64_t firstWord,
           size_t count) {
    counts[row] = static_cast<uint8_t>(
        count < WordTable::kManyWords ? count : WordTable::kManyWords);
    first[row] = offset + static_cast<uint32_t>(firstWord);
  }
};

// Byte by byte: the scalar twin of splitBlocks.
template <bool kSeparators>
void splitBytes(const char* bytes, size_t rows, RowBuilder& builder) {
  const char* p = bytes;
  for (size_t row = 0; row < rows; ++row) {
    const char* const lineStart = p;
    p = skipBlanks<kSeparators>(p);
    const char* const first = p;
    size_t count = 0;
    while (isWordByte<kSeparators>(*p)) {
      ++count;
      while (isWordByte<kSeparators>(*p)) ++p;
      p = skipBlanks<kSeparators>(p);
      if (count == WordTable::kManyWords) break;  // counted again when asked
    }
    // p is at the line feed, or the count saturated: the line ends at the
    // next line feed.
    while (*p != '\n') ++p;
    ++p;
    builder.add(row, static_cast<uint64_t>(lineStart - bytes),
                static_cast<uint64_t>(first - bytes), count);
  }
}

#ifdef CORE_SCAN_VECTOR
// 64 bytes at a time: bit masks of the word bytes and line feeds, word
// starts where a word byte follows a non-word byte, then per line feed the
// count of the word starts before it. A NUL is a blank. Reads up to
// 63 bytes past the closing line feed. kPopcnt: count bits
// with the processor's instruction (compiled for it, called only where the
// processor has it).
static_assert(kPadding >= 63, "splitBlocksWith reads whole 64-byte blocks");
template <bool kSeparators, bool kPopcnt, typename Builder>
CORE_ALWAYS_INLINE void splitBlocksWith(const char* bytes, size_t rows,
                                        Builder& builder) {
  size_t row = 0;
  uint64_t lineStart = 0;
  uint64_t first = 0;
  bool haveFirst = false;
  size_t count = 0;
  uint64_t wordBefore = 0;  // 1 when the byte before the block is a word byte
  for (const char* block = bytes;; block += 64) {
    uint64_t nonWord = 0;
    uint64_t lineFeeds = 0;
    for (int k = 0; k < 4; ++k) {
      const char* p = block + size_t{16} * k;
      nonWord |= uint64_t{nonWordBits16<kSeparators>(p)} << (16 * k);
      lineFeeds |= uint64_t{lineFeedBits16(p)} << (16 * k);
    }
    const uint64_t word = ~nonWord;
    uint64_t starts = word & ~((word << 1) | wordBefore);
    wordBefore = word >> 63;
    const uint64_t base = static_cast<uint64_t>(block - bytes);
    while (lineFeeds != 0) {
      const unsigned at = lowestBit(lineFeeds);
      const uint64_t before = (uint64_t{1} << at) - 1;
      const uint64_t rowStarts = starts & before;
      if (rowStarts != 0) {
        if (!haveFirst) {
          first = base + lowestBit(rowStarts);
          haveFirst = true;
        }
        count += countBits<kPopcnt>(rowStarts);
      }
      builder.add(row, lineStart, haveFirst ? first : lineStart, count);
      if (++row == rows) return;
      lineStart = base + at + 1;
      haveFirst = false;
      count = 0;
      starts &= ~before;
      lineFeeds &= lineFeeds - 1;
    }
    if (starts != 0) {
      if (!haveFirst) {
        first = base + lowestBit(starts);
        haveFirst = true;
      }
      count += countBits<kPopcnt>(starts);
    }
  }
}

#if defined(CORE_SCAN_POPCNT)
template <bool kSeparators, typename Builder>
__attribute__((target("popcnt"))) void splitBlocksPopcnt(const char* bytes,
                                                         size_t rows,
                                                         Builder& builder) {
  splitBlocksWith<kSeparators, true>(bytes, rows, builder);
}
#endif

template <bool kSeparators, typename Builder>
void splitBlocks(const char* bytes, size_t rows, Builder& builder) {
#if defined(CORE_SCAN_POPCNT)
  static const bool hasPopcnt = __builtin_cpu_supports("popcnt");
  if (hasPopcnt) {
    splitBlocksPopcnt<kSeparators>(bytes, rows, builder);
    return;
  }
#endif
  splitBlocksWith<kSeparators, false>(bytes, rows, builder);
}
#endif

}  // namespace

void splitWords(const char* bytes, uint32_t offset, size_t rows,
                uint8_t* counts, uint32_t* first, bool separators) {
  if (rows == 0) return;
  RowBuilder builder{offset, counts, first};
#ifdef CORE_SCAN_VECTOR
  if (separators) {
    splitBlocks<true>(bytes, rows, builder);
  } else {
    splitBlocks<false>(bytes, rows, builder);
  }
#else
  if (separators) {
    splitBytes<true>(bytes, rows, builder);
  } else {
    splitBytes<false>(bytes, rows, builder);
  }
#endif
}

}  // namespace core
