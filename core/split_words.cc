// Cutting lines into words: fills a WordTable's rows, byte by byte or 64
// bytes at a time, in pieces on every thread for large files.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/lines.h"
#include "core/scan.h"
#include "core/workers.h"

namespace core {

using detail::countBits;
using detail::isBlank;
using detail::isWordByte;
using detail::lowestBit;
using detail::skipBlanks;
#ifdef CORE_SCAN_SSE2
using detail::lineFeedBits16;
using detail::nonWordBits16;
#endif

// Fills a WordTable row by row.
struct WordTableBuilder {
  static constexpr size_t kBlockMask =
      (size_t{1} << WordTable::kBlockShift) - 1;

  WordTable& table;
  uint8_t* counts;
  uint32_t* starts;   // nullptr once the table keeps 64-bit offsets
  uint64_t base = 0;  // of the current block

  // Every row is filled once, so counts and starts are left uninitialized
  // until then; the bases start at 0.
  WordTableBuilder(WordTable& t, size_t rows) : table(t) {
    table.rows_ = rows;
    table.counts_.resize(rows);
    table.start_.resize(rows);
    table.base_.assign((rows >> WordTable::kBlockShift) + 1, 0);
    counts = table.counts_.data();
    starts = table.start_.data();
  }

  // Row `row` begins at lineStart and has its first word at firstWord.
  void add(size_t row, uint64_t lineStart, uint64_t firstWord, size_t count) {
    counts[row] = static_cast<uint8_t>(
        count < WordTable::kManyWords ? count : WordTable::kManyWords);
    if (starts != nullptr) {
      if ((row & kBlockMask) == 0) base = lineStart;
      const uint64_t offset = firstWord - base;
      if (offset <= WordTable::kMaxStart) {
        if ((row & kBlockMask) == 0) {
          table.base_[row >> WordTable::kBlockShift] = base;
        }
        starts[row] = static_cast<uint32_t>(offset);
        return;
      }
    }
    addWide(row, firstWord);
  }

  // A block whose offsets pass kMaxStart (4 GiB): 64-bit offsets for every
  // row.
  void addWide(size_t row, uint64_t firstWord) {
    if (table.wide_.empty()) {
      table.wide_.reserve(table.rows_);
      for (size_t r = 0; r < row; ++r) {
        table.wide_.push_back(table.base_[r >> WordTable::kBlockShift] +
                              starts[r]);
      }
      WordTable::Array<uint32_t>().swap(table.start_);
      starts = nullptr;
    }
    table.wide_.push_back(firstWord);
    if (table.wide_.size() == table.rows_) {
      WordTable::Array<uint64_t>().swap(table.base_);
    }
  }
};

namespace {

// Byte by byte; needed for lines cut at a NUL, and where there is no SSE2.
template <bool kSeparators>
void splitBytes(const char* bytes, size_t rows, WordTableBuilder& builder) {
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
    // p is at the line feed, or at a NUL that cuts the line, or the count
    // saturated: the line ends at the next line feed.
    while (*p != '\n') ++p;
    ++p;
    builder.add(row, static_cast<uint64_t>(lineStart - bytes),
                static_cast<uint64_t>(first - bytes), count);
  }
}

#ifdef CORE_SCAN_SSE2
// 64 bytes at a time: bit masks of the word bytes and line feeds, word
// starts where a word byte follows a non-word byte, then per line feed the
// count of the word starts before it. The file has no NUL byte. Reads up to
// 63 bytes past the closing line feed (the padding). kPopcnt: count bits
// with the processor's instruction (compiled for it, called only where the
// processor has it).
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

#ifdef CORE_SCAN_SSE2
// Fills the rows of one piece of lines of a file whose every offset is at
// most WordTable::kMaxStart: each block's base stays 0, so pieces fill in
// any order, on any thread.
struct PieceBuilder {
  uint8_t* counts;  // from the piece's first row on
  uint32_t* starts;
  uint64_t offset;  // of the piece's first byte in the file

  void add(size_t row, uint64_t /*lineStart*/, uint64_t firstWord,
           size_t count) {
    counts[row] = static_cast<uint8_t>(
        count < WordTable::kManyWords ? count : WordTable::kManyWords);
    starts[row] = static_cast<uint32_t>(offset + firstWord);
  }
};

// Splits the rows in pieces, one per thread at a time. Piece k holds the
// lines from the one after the first line feed at or past byte k * pieceBytes
// (the first line, for piece 0) to the first line of piece k + 1. There are
// lineFeedsBefore[k] line feeds before byte k * pieceBytes, so the piece's
// first row is lineFeedsBefore[k] + 1.
template <bool kSeparators>
void splitInPieces(const char* bytes, size_t size, size_t rows,
                   const std::vector<size_t>& lineFeedsBefore,
                   size_t pieceBytes, WordTableBuilder& builder) {
  const size_t pieces = lineFeedsBefore.size() - 1;
  const auto firstRow = [&](size_t k) {
    return k == 0 ? 0 : std::min(rows, lineFeedsBefore[k] + 1);
  };
  forEachPiece(pieces, [&](size_t k) {
    const size_t row = firstRow(k);
    const size_t end = k + 1 == pieces ? rows : firstRow(k + 1);
    if (row == end) return;
    size_t start = 0;
    if (k > 0) {
      // bytes[size] is a line feed, so one is found.
      const char* const from = bytes + k * pieceBytes;
      start = static_cast<size_t>(static_cast<const char*>(std::memchr(
                                      from, '\n', size + 1 - k * pieceBytes)) +
                                  1 - bytes);
    }
    PieceBuilder piece{builder.counts + row, builder.starts + row, start};
    splitBlocks<kSeparators>(bytes + start, end - row, piece);
  });
}
#endif

template <bool kSeparators>
void split(const char* bytes, size_t rows, bool hasNul,
           WordTableBuilder& builder) {
#ifdef CORE_SCAN_SSE2
  if (!hasNul) {
    splitBlocks<kSeparators>(bytes, rows, builder);
    return;
  }
#else
  (void)hasNul;
#endif
  splitBytes<kSeparators>(bytes, rows, builder);
}

}  // namespace

WordTable splitWords(const LineList& lines) {
  WordTable table;
  const size_t rows = lines.lineCount_;
  if (rows == 0) return table;
  const char* const bytes = lines.bytes_.data();
  table.bytes_ = bytes;
  table.releasable_ = lines.bytes_.releasable();
  table.separators_ = lines.variant_ == LoadVariant::kConverter;
  WordTableBuilder builder(table, rows);
  // bytes[lines.size_] is a line feed, so every line, the last included,
  // ends in one.
#ifdef CORE_SCAN_SSE2
  if (!lines.hasNul_ && lines.size_ <= WordTable::kMaxStart &&
      lines.lineFeedsBefore_.size() > 2) {
    if (table.separators_) {
      splitInPieces<true>(bytes, lines.size_, rows, lines.lineFeedsBefore_,
                          LineList::kPieceBytes, builder);
    } else {
      splitInPieces<false>(bytes, lines.size_, rows, lines.lineFeedsBefore_,
                           LineList::kPieceBytes, builder);
    }
    return table;
  }
#endif
  if (table.separators_) {
    split<true>(bytes, rows, lines.hasNul_, builder);
  } else {
    split<false>(bytes, rows, lines.hasNul_, builder);
  }
  return table;
}

}  // namespace core
