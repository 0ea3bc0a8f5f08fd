// Loading files as lines and cutting lines into words.
#include "core/lines.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <new>
#include <system_error>

#include "core/platform.h"
#include "core/workers.h"

#if defined(__SSE2__) || defined(_M_X64) || \
    (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define CORE_LINES_SSE2 1
#endif

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#define CORE_LINES_MMAP 1
#endif

namespace core {
namespace {

constexpr char kCtrlZ = 26;  // a Windows text file may end with Ctrl-Z
using detail::FileBytes;

// ------------------------------------------------------------ byte classes

// What the splitter does with each byte value. With the converter variant
// "=" and ";" are blanks too.
enum ByteClass : uint8_t { kWordByte, kBlank, kLineEnd, kNul };

constexpr std::array<uint8_t, 256> makeByteClasses(bool separators) {
  std::array<uint8_t, 256> classes{};
  for (auto& c : classes) c = kWordByte;
  for (unsigned char c : {' ', '\t', '\v', '\f', '\r'}) classes[c] = kBlank;
  if (separators) classes['='] = classes[';'] = kBlank;
  classes['\n'] = kLineEnd;
  classes['\0'] = kNul;
  return classes;
}
constexpr std::array<uint8_t, 256> kPlainClasses = makeByteClasses(false);
constexpr std::array<uint8_t, 256> kSeparatorClasses = makeByteClasses(true);

template <bool kSeparators>
inline uint8_t classOf(char c) {
  return (kSeparators ? kSeparatorClasses
                      : kPlainClasses)[static_cast<unsigned char>(c)];
}
template <bool kSeparators>
inline bool isWordByte(char c) {
  return classOf<kSeparators>(c) == kWordByte;
}
template <bool kSeparators>
inline bool isBlank(char c) {
  return classOf<kSeparators>(c) == kBlank;
}

inline unsigned lowestBit(uint64_t bits) {  // bits != 0
#if defined(__GNUC__) || defined(__clang__)
  return static_cast<unsigned>(__builtin_ctzll(bits));
#else
  unsigned n = 0;
  while ((bits & 1) == 0) {
    bits >>= 1;
    ++n;
  }
  return n;
#endif
}

#if (defined(__GNUC__) || defined(__clang__)) && \
    (defined(__x86_64__) || defined(__i386__))
#define CORE_LINES_POPCNT 1
#define CORE_LINES_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define CORE_LINES_ALWAYS_INLINE inline
#endif

// The number of set bits: with the processor's instruction when kPopcnt
// (only inside code compiled for it), else by arithmetic.
template <bool kPopcnt>
CORE_LINES_ALWAYS_INLINE unsigned countBits(uint64_t bits) {
#if defined(__POPCNT__) || defined(CORE_LINES_POPCNT)
  if constexpr (kPopcnt)
    return static_cast<unsigned>(__builtin_popcountll(bits));
#endif
  bits = bits - ((bits >> 1) & 0x5555555555555555u);
  bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
  bits = (bits + (bits >> 4)) & 0x0f0f0f0f0f0f0f0fu;
  return static_cast<unsigned>((bits * 0x0101010101010101u) >> 56);
}

#ifdef CORE_LINES_SSE2
// Bit i set for each of the 16 bytes at p that cannot be part of a word:
// blank, tab, line feed, vertical tab, form feed, carriage return, NUL
// (and "=", ";" with the converter variant).
template <bool kSeparators>
inline uint32_t nonWordBits16(const char* p) {
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i t = _mm_sub_epi8(x, _mm_set1_epi8(9));  // 9..13 -> 0..4
  __m128i stop = _mm_cmpeq_epi8(_mm_min_epu8(t, _mm_set1_epi8(4)), t);
  stop = _mm_or_si128(stop, _mm_cmpeq_epi8(x, _mm_set1_epi8(' ')));
  stop = _mm_or_si128(stop, _mm_cmpeq_epi8(x, _mm_setzero_si128()));
  if (kSeparators) {
    stop = _mm_or_si128(stop, _mm_cmpeq_epi8(x, _mm_set1_epi8('=')));
    stop = _mm_or_si128(stop, _mm_cmpeq_epi8(x, _mm_set1_epi8(';')));
  }
  return static_cast<uint32_t>(_mm_movemask_epi8(stop));
}

// The end of the word that starts at p.
template <bool kSeparators>
inline const char* wordEnd(const char* p) {
  for (;;) {
    const uint32_t stop = nonWordBits16<kSeparators>(p);
    if (stop != 0) return p + lowestBit(stop);
    p += 16;
  }
}

// From the end of a word to the start of the next word, which the caller
// knows to be in the same row.
template <bool kSeparators>
inline const char* nextWord(const char* p) {
  for (;;) {
    const uint32_t word = ~nonWordBits16<kSeparators>(p) & 0xffffu;
    if (word != 0) return p + lowestBit(word);
    p += 16;
  }
}
#else
template <bool kSeparators>
inline const char* wordEnd(const char* p) {
  while (isWordByte<kSeparators>(*p)) ++p;
  return p;
}
template <bool kSeparators>
inline const char* nextWord(const char* p) {
  while (!isWordByte<kSeparators>(*p)) ++p;
  return p;
}
#endif

// From the end of a word past the blanks after it, stopping at a line feed
// or NUL.
template <bool kSeparators>
inline const char* skipBlanks(const char* p) {
  while (isBlank<kSeparators>(*p)) ++p;
  return p;
}

// ------------------------------------------------------------- loading

// What one look at a run of bytes finds.
struct ByteScan {
  size_t lineFeeds = 0;
  bool hasNul = false;
  bool hasCtrlZ = false;
};

// Counts the line feeds of bytes and tells whether a NUL or a Ctrl-Z is
// among them.
ByteScan scanBytes(std::string_view bytes) {
  const char* const p = bytes.data();
  const size_t size = bytes.size();
  ByteScan scan;
  size_t i = 0;
#ifdef CORE_LINES_SSE2
  __m128i nul = _mm_setzero_si128();
  __m128i ctrlZ = _mm_setzero_si128();
  while (size - i >= 16) {
    // Up to 255 blocks of 16 bytes add into byte counters, then sum them.
    const size_t blocks = std::min<size_t>((size - i) / 16, 255);
    __m128i counters = _mm_setzero_si128();
    for (size_t b = 0; b < blocks; ++b, i += 16) {
      const __m128i x =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(x, _mm_set1_epi8('\n')));
      nul = _mm_or_si128(nul, _mm_cmpeq_epi8(x, _mm_setzero_si128()));
      ctrlZ = _mm_or_si128(ctrlZ, _mm_cmpeq_epi8(x, _mm_set1_epi8(kCtrlZ)));
    }
    const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
    scan.lineFeeds +=
        static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
        static_cast<size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
  }
  scan.hasNul = _mm_movemask_epi8(nul) != 0;
  scan.hasCtrlZ = _mm_movemask_epi8(ctrlZ) != 0;
#endif
  for (; i < size; ++i) {
    scan.lineFeeds += p[i] == '\n';
    scan.hasNul |= p[i] == '\0';
    scan.hasCtrlZ |= p[i] == kCtrlZ;
  }
  return scan;
}

// Reads the whole stream into a heap block; false on a read error.
bool readAll(std::FILE* file, size_t sizeHint, FileBytes& bytes, size_t& size) {
  size_t capacity = sizeHint + 1;  // one more, to see the end of the file
  FileBytes buffer = FileBytes::allocate(capacity);
  size_t used = 0;
  for (;;) {
    const size_t room = capacity - used;
    const size_t got = std::fread(buffer.data() + used, 1, room, file);
    used += got;
    if (got < room) {
      if (std::ferror(file) != 0) return false;
      // The splitter reads past the closing line feed: no stale bytes there.
      std::memset(buffer.data() + used, 0, 1 + FileBytes::kPadding);
      bytes = std::move(buffer);
      size = used;
      return true;
    }
    // Larger than its size said, or a stream of unknown size: grow.
    const size_t bigger = std::max<size_t>(capacity * 2, 1 << 16);
    FileBytes grown = FileBytes::allocate(bigger);
    std::memcpy(grown.data(), buffer.data(), used);
    buffer = std::move(grown);
    capacity = bigger;
  }
}

#ifdef CORE_LINES_MMAP
// Maps a regular, non-empty file privately and read-only, followed by
// writable zero bytes for the closing line feed and the padding. False when
// the file is not such a file or cannot be mapped; the caller then reads it.
bool mapFile(const std::filesystem::path& path, FileBytes& bytes, size_t& size);
#endif

}  // namespace

namespace detail {

// Creates FileBytes for a mapping.
struct FileBytesAccess {
  static void set(FileBytes& bytes, char* data, size_t mapped, size_t page,
                  size_t fileSize) {
    bytes.release();
    bytes.data_ = data;
    bytes.mapped_ = mapped;
    bytes.page_ = page;
    bytes.fromFile_ = fileSize;
  }
};

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
  if (this != &other) {
    release();
    data_ = other.data_;
    mapped_ = other.mapped_;
    page_ = other.page_;
    fromFile_ = other.fromFile_;
    other.data_ = nullptr;
    other.mapped_ = 0;
    other.fromFile_ = 0;
  }
  return *this;
}

FileBytes FileBytes::allocate(size_t size) {
  FileBytes bytes;
  bytes.data_ = new char[size + 1 + kPadding];
  adviseLargeBuffer(bytes.data_, size + 1 + kPadding);
  std::memset(bytes.data_ + size, 0, 1 + kPadding);
  return bytes;
}

void FileBytes::makeWritable(size_t offset) {
#ifdef CORE_LINES_MMAP
  if (mapped_ != 0) {
    const uintptr_t page =
        reinterpret_cast<uintptr_t>(data_ + offset) & ~(uintptr_t{page_} - 1);
    mprotect(reinterpret_cast<void*>(page), page_, PROT_READ | PROT_WRITE);
    // That page becomes the program's own copy once written.
    fromFile_ = std::min(
        fromFile_,
        static_cast<size_t>(page - reinterpret_cast<uintptr_t>(data_)));
  }
#else
  (void)offset;
#endif
}

void FileBytes::release() {
  fromFile_ = 0;
#ifdef CORE_LINES_MMAP
  if (mapped_ != 0) {
    munmap(data_, mapped_);
    data_ = nullptr;
    mapped_ = 0;
    return;
  }
#endif
  delete[] data_;
  data_ = nullptr;
}

}  // namespace detail

namespace {

#ifdef CORE_LINES_MMAP
bool mapFile(const std::filesystem::path& path, FileBytes& bytes,
             size_t& size) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status {};
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
      status.st_size <= 0 ||
      static_cast<uintmax_t>(status.st_size) > SIZE_MAX / 2) {
    close(fd);
    return false;
  }
  const size_t fileSize = static_cast<size_t>(status.st_size);
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t length =
      (fileSize + 1 + FileBytes::kPadding + page - 1) / page * page;
  // Reserve the whole range as zero bytes, then lay the file over its start.
  void* region = mmap(nullptr, length, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (region == MAP_FAILED) {
    close(fd);
    return false;
  }
  int flags = MAP_PRIVATE | MAP_FIXED;
#ifdef MAP_POPULATE
  flags |= MAP_POPULATE;  // map the cached pages now, in one go
#endif
  // Read-only: populating a writable private mapping would copy every page.
  void* file = mmap(region, fileSize, PROT_READ, flags, fd, 0);
  close(fd);
  if (file == MAP_FAILED) {
    munmap(region, length);
    return false;
  }
  detail::FileBytesAccess::set(bytes, static_cast<char*>(region), length, page,
                               fileSize);
  size = fileSize;
  return true;
}
#endif

}  // namespace

LineList LineList::fromBytes(FileBytes data, size_t size, LoadVariant variant) {
  char* bytes = data.data();
  // One look at every byte, a piece of kPieceBytes per thread. The file
  // ends at its first Ctrl-Z: the piece that holds it is counted again up
  // to there, and the pieces after it are dropped.
  const auto piece = [&](size_t k) {
    const size_t begin = k * kPieceBytes;
    return std::string_view(bytes + begin,
                            std::min(size, begin + kPieceBytes) - begin);
  };
  std::vector<ByteScan> scans(size / kPieceBytes + 1);
  forEachPiece(scans.size(), [&](size_t k) { scans[k] = scanBytes(piece(k)); });
  const auto cut = std::find_if(scans.begin(), scans.end(),
                                [](const ByteScan& s) { return s.hasCtrlZ; });
  if (cut != scans.end()) {
    std::string_view part = piece(static_cast<size_t>(cut - scans.begin()));
    part = part.substr(0, part.find(kCtrlZ));
    *cut = scanBytes(part);
    size = static_cast<size_t>(part.data() - bytes) + part.size();
    scans.erase(cut + 1, scans.end());
  }
  data.makeWritable(size);
  bytes[size] = '\n';

  LineList lines;
  lines.lineFeedsBefore_.assign(scans.size() + 1, 0);
  for (size_t k = 0; k < scans.size(); ++k) {
    lines.lineFeedsBefore_[k + 1] =
        lines.lineFeedsBefore_[k] + scans[k].lineFeeds;
    lines.hasNul_ |= scans[k].hasNul;
  }
  const size_t lineFeeds = lines.lineFeedsBefore_.back();
  lines.bytes_ = std::move(data);
  lines.size_ = size;
  lines.lineCount_ = lineFeeds + (size > 0 && bytes[size - 1] != '\n' ? 1 : 0);
  lines.variant_ = variant;
  return lines;
}

const char* LineList::text() const {
  if (variant_ != LoadVariant::kConverter) return bytes_.data();
  if (blanked_ == nullptr) {
    blanked_.reset(new char[size_ + 1]);
    const char* from = bytes_.data();
    for (size_t i = 0; i <= size_; ++i) {
      blanked_[i] = from[i] == '=' || from[i] == ';' ? ' ' : from[i];
    }
  }
  return blanked_.get();
}

std::vector<std::string_view> LineList::toViews() const {
  std::vector<std::string_view> views;
  views.reserve(lineCount_);
  forEach([&views](std::string_view line) { views.push_back(line); });
  return views;
}

bool loadLines(const std::filesystem::path& path, LineList& lines,
               LoadVariant variant) {
  FileBytes bytes;
  size_t size = 0;
#ifdef CORE_LINES_MMAP
  if (mapFile(path, bytes, size)) {
    lines = LineList::fromBytes(std::move(bytes), size, variant);
    return false;
  }
#endif
  const char* const message = variant == LoadVariant::kConverter
                                  ? "\nFile is not open\n"
                                  : "\nFile is not open.\n";
  std::error_code error;
  const bool regular = std::filesystem::is_regular_file(path, error);
  const uintmax_t fileSize =
      regular ? std::filesystem::file_size(path, error) : 0;
  const size_t sizeHint =
      regular && !error && fileSize < SIZE_MAX / 2 ? fileSize : 0;

  std::FILE* file = openFile(path, "rb");
  // A directory opens on some systems but cannot be read: that, and any
  // other read error, counts as a file that cannot be opened.
  const bool ok = file != nullptr && readAll(file, sizeHint, bytes, size);
  if (file != nullptr) std::fclose(file);
  if (!ok) {
    std::fputs(message, stdout);
    return true;
  }
  lines = LineList::fromBytes(std::move(bytes), size, variant);
  return false;
}

LineList linesFromBytes(std::string_view bytes, LoadVariant variant) {
  FileBytes buffer = FileBytes::allocate(bytes.size());
  if (!bytes.empty()) std::memcpy(buffer.data(), bytes.data(), bytes.size());
  return LineList::fromBytes(std::move(buffer), bytes.size(), variant);
}

// ------------------------------------------------------------ splitting

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
      if (offset <= std::numeric_limits<uint32_t>::max()) {
        if ((row & kBlockMask) == 0) {
          table.base_[row >> WordTable::kBlockShift] = base;
        }
        starts[row] = static_cast<uint32_t>(offset);
        return;
      }
    }
    addWide(row, firstWord);
  }

  // A block that spans 4 GiB or more: 64-bit offsets for every row.
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

#ifdef CORE_LINES_SSE2
// 64 bytes at a time: bit masks of the word bytes and line feeds, word
// starts where a word byte follows a non-word byte, then per line feed the
// count of the word starts before it. The file has no NUL byte. Reads up to
// 63 bytes past the closing line feed (the padding). kPopcnt: count bits
// with the processor's instruction (compiled for it, called only where the
// processor has it).
template <bool kSeparators, bool kPopcnt, typename Builder>
CORE_LINES_ALWAYS_INLINE void splitBlocksWith(const char* bytes, size_t rows,
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
      const char* p = block + 16 * k;
      nonWord |= uint64_t{nonWordBits16<kSeparators>(p)} << (16 * k);
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      lineFeeds |= uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(
                       _mm_cmpeq_epi8(x, _mm_set1_epi8('\n'))))}
                   << (16 * k);
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

#if defined(CORE_LINES_POPCNT)
template <bool kSeparators, typename Builder>
__attribute__((target("popcnt"))) void splitBlocksPopcnt(const char* bytes,
                                                         size_t rows,
                                                         Builder& builder) {
  splitBlocksWith<kSeparators, true>(bytes, rows, builder);
}
#endif

template <bool kSeparators, typename Builder>
void splitBlocks(const char* bytes, size_t rows, Builder& builder) {
#if defined(CORE_LINES_POPCNT)
  static const bool hasPopcnt = __builtin_cpu_supports("popcnt");
  if (hasPopcnt) {
    splitBlocksPopcnt<kSeparators>(bytes, rows, builder);
    return;
  }
#endif
  splitBlocksWith<kSeparators, false>(bytes, rows, builder);
}
#endif

#ifdef CORE_LINES_SSE2
// Fills the rows of one piece of lines of a file whose every offset fits 32
// bits: each block's base stays 0, so pieces fill in any order, on any
// thread.
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
#ifdef CORE_LINES_SSE2
  if (!hasNul) {
    splitBlocks<kSeparators>(bytes, rows, builder);
    return;
  }
#else
  (void)hasNul;
#endif
  splitBytes<kSeparators>(bytes, rows, builder);
}

template <bool kSeparators>
size_t countWordsFrom(const char* p) {
  size_t count = 0;
  while (isWordByte<kSeparators>(*p)) {
    ++count;
    while (isWordByte<kSeparators>(*p)) ++p;
    p = skipBlanks<kSeparators>(p);
  }
  return count;
}

// Words i, i+1, ... n-1 of a row, the first of them starting at p, word by
// word.
template <bool kSeparators>
size_t collectWordsFrom(const char* p, size_t i, size_t n,
                        std::string_view* words) {
  for (; i < n; ++i) {
    const char* const end = wordEnd<kSeparators>(p);
    words[i] = std::string_view(p, static_cast<size_t>(end - p));
    if (i + 1 < n) p = nextWord<kSeparators>(end);
  }
  return n;
}

// Words 0 to n-1 of a row whose first word starts at p (n >= 1).
template <bool kSeparators>
size_t collectWords(const char* p, size_t n, std::string_view* words) {
#ifdef CORE_LINES_SSE2
  // Most rows fit one window of 32 bytes from their first word: one mask of
  // the non-word bytes, and every word cut out of it with bit operations.
  const uint64_t nonWord = uint64_t{nonWordBits16<kSeparators>(p)} |
                           uint64_t{nonWordBits16<kSeparators>(p + 16)} << 16 |
                           uint64_t{1} << 32;  // the window's end
  unsigned at = 0;                             // a word starts at p + at
  for (size_t i = 0;;) {
    const unsigned length = lowestBit(nonWord >> at);
    const unsigned end = at + length;
    if (end == 32) return collectWordsFrom<kSeparators>(p + at, i, n, words);
    words[i] = std::string_view(p + at, length);
    if (++i == n) return n;
    const uint64_t wordBytes = ~nonWord >> end;  // bit 32 - end is 0
    if ((wordBytes & ((uint64_t{1} << (32 - end)) - 1)) == 0) {
      return collectWordsFrom<kSeparators>(nextWord<kSeparators>(p + end), i, n,
                                           words);
    }
    at = end + lowestBit(wordBytes);
  }
#else
  return collectWordsFrom<kSeparators>(p, 0, n, words);
#endif
}

template <bool kSeparators>
std::string_view nthWord(const char* p, size_t col) {
  for (size_t k = 0; k < col; ++k) {
    p = nextWord<kSeparators>(wordEnd<kSeparators>(p));
  }
  return std::string_view(p, static_cast<size_t>(wordEnd<kSeparators>(p) - p));
}

}  // namespace

size_t WordTable::countWords(size_t row) const {
  return separators_ ? countWordsFrom<true>(firstWord(row))
                     : countWordsFrom<false>(firstWord(row));
}

WordTable splitWords(const LineList& lines) {
  WordTable table;
  const size_t rows = lines.lineCount_;
  if (rows == 0) return table;
  const char* const bytes = lines.bytes_.data();
  table.bytes_ = bytes;
  table.fromFile_ = lines.bytes_.fromFile();
  table.separators_ = lines.variant_ == LoadVariant::kConverter;
  WordTableBuilder builder(table, rows);
  // bytes[lines.size_] is a line feed, so every line, the last included,
  // ends in one.
#ifdef CORE_LINES_SSE2
  if (!lines.hasNul_ && lines.size_ <= std::numeric_limits<uint32_t>::max() &&
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

std::string_view wordAt(const WordTable& table, size_t row, size_t col) {
  if (row >= table.rows_) return {};
  const uint8_t count = table.counts_[row];
  if (col >= count &&
      (count != WordTable::kManyWords || col >= table.countWords(row))) {
    return {};
  }
  const char* p = table.firstWord(row);
  return table.separators_ ? nthWord<true>(p, col) : nthWord<false>(p, col);
}

namespace detail {

bool wordIsAfterFirstByte(const WordTable& table, size_t row, size_t col,
                          std::string_view text) {
  if (col != 0 || row >= table.rows_ || table.counts_[row] == 0 ||
      text.empty() || text.size() > FileBytes::kPadding) {
    return wordAt(table, row, col) == text;
  }
  // Most rows differ in their first byte. The bytes compared lie within the
  // row or the padding after the last line.
  const char* const p = table.firstWord(row);
  if (p[0] != text[0] || std::memcmp(p, text.data(), text.size()) != 0) {
    return false;
  }
  const char* const end =
      table.separators_ ? wordEnd<true>(p) : wordEnd<false>(p);
  return static_cast<size_t>(end - p) == text.size();
}

}  // namespace detail

void releaseRows(const WordTable& table, size_t begin, size_t end) {
  end = std::min(end, table.rows_);
  if (begin >= end || table.fromFile_ == 0) return;
  // From the first word of begin to that of end: the blanks that start a
  // line are read only when the line is, and a row read again after all is
  // fetched again.
  const auto offset = [&](size_t row) {
    return static_cast<size_t>(table.firstWord(row) - table.bytes_);
  };
  const size_t from = offset(begin);
  const size_t to = std::min(end < table.rows_ ? offset(end) : table.fromFile_,
                             table.fromFile_);
#ifdef CORE_LINES_MMAP
  // Whole pages only; the mapping starts on a page.
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t first = (from + page - 1) / page * page;
  const size_t last = to / page * page;
  if (last > first) {
    madvise(const_cast<char*>(table.bytes_) + first, last - first,
            MADV_DONTNEED);
  }
#else
  (void)from;
  (void)to;
#endif
}

size_t rowWords(const WordTable& table, size_t row, std::string_view* words,
                size_t max) {
  if (row >= table.rows_) return 0;
  const size_t n = std::min(max, table.wordCount(row));
  if (n == 0) return 0;
  const char* p = table.firstWord(row);
  return table.separators_ ? collectWords<true>(p, n, words)
                           : collectWords<false>(p, n, words);
}

}  // namespace core
