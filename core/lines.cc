// Loading files as lines and cutting lines into words.
#include "core/lines.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <new>
#include <system_error>

#include "core/platform.h"

namespace core {
namespace {

constexpr char kCtrlZ = 26;  // a Windows text file may end with Ctrl-Z

// What the splitter does with each byte value.
enum ByteClass : uint8_t { kWordByte, kBlank, kLineEnd, kNul };

constexpr std::array<uint8_t, 256> makeByteClasses() {
  std::array<uint8_t, 256> classes{};
  for (auto& c : classes) c = kWordByte;
  for (unsigned char c : {' ', '\t', '\v', '\f', '\r'}) classes[c] = kBlank;
  classes['\n'] = kLineEnd;
  classes['\0'] = kNul;
  return classes;
}
constexpr std::array<uint8_t, 256> kByteClass = makeByteClasses();

uint8_t classOf(char c) { return kByteClass[static_cast<unsigned char>(c)]; }

// Walks the bytes [0, limit), every line of which ends in a line feed:
// onWord(offset) for the first byte of every word, onRowEnd() at every line
// feed. A NUL byte ends the words of its line.
template <typename OnWord, typename OnRowEnd>
void scanWords(const char* bytes, size_t limit, OnWord onWord,
               OnRowEnd onRowEnd) {
  size_t p = 0;
  while (p < limit) {
    switch (classOf(bytes[p])) {
      case kWordByte:
        onWord(p);
        do {
          ++p;
        } while (classOf(bytes[p]) == kWordByte);
        break;
      case kBlank:
        ++p;
        break;
      case kLineEnd:
        onRowEnd();
        ++p;
        break;
      default:  // a line is cut at its first NUL byte
        p = static_cast<size_t>(
            static_cast<const char*>(std::memchr(bytes + p, '\n', limit - p)) -
            bytes);
        break;
    }
  }
}

// Owns a buffer that may grow while a file of unknown size is read.
struct GrowingBuffer {
  std::unique_ptr<char[]> data;
  size_t capacity = 0;
  size_t size = 0;

  void reserve(size_t wanted) {
    if (wanted <= capacity) return;
    std::unique_ptr<char[]> bigger(new char[wanted]);
    adviseLargeBuffer(bigger.get(), wanted);
    if (size > 0) std::memcpy(bigger.get(), data.get(), size);
    data = std::move(bigger);
    capacity = wanted;
  }
};

// Reads the whole stream; false on a read error. Leaves at least one spare
// byte after the content.
bool readAll(std::FILE* file, size_t sizeHint, GrowingBuffer& buffer) {
  buffer.reserve(sizeHint + 1);
  for (;;) {
    if (buffer.capacity - buffer.size < 2) {
      buffer.reserve(std::max<size_t>(buffer.capacity * 2, 1 << 16));
    }
    const size_t room = buffer.capacity - buffer.size - 1;
    const size_t got =
        std::fread(buffer.data.get() + buffer.size, 1, room, file);
    buffer.size += got;
    if (got < room) return std::ferror(file) == 0;
  }
}

}  // namespace

LineList LineList::fromBuffer(std::unique_ptr<char[]> data, size_t size,
                              LoadVariant variant) {
  char* bytes = data.get();
  if (const void* z = std::memchr(bytes, kCtrlZ, size)) {
    size = static_cast<size_t>(static_cast<const char*>(z) - bytes);
  }
  if (variant == LoadVariant::kConverter) {
    // Airbus files separate key and value by "=" and end them with ";".
    std::replace_if(
        bytes, bytes + size, [](char c) { return c == '=' || c == ';'; }, ' ');
  }
  bytes[size] = '\n';
  size_t count = static_cast<size_t>(std::count(bytes, bytes + size, '\n'));
  if (size > 0 && bytes[size - 1] != '\n') ++count;
  LineList lines;
  lines.bytes_ = std::move(data);
  lines.size_ = size;
  lines.lineCount_ = count;
  return lines;
}

std::vector<std::string_view> LineList::toViews() const {
  std::vector<std::string_view> views;
  views.reserve(lineCount_);
  forEach([&views](std::string_view line) { views.push_back(line); });
  return views;
}

bool loadLines(const std::filesystem::path& path, LineList& lines,
               LoadVariant variant) {
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
  GrowingBuffer buffer;
  // A directory opens on some systems but cannot be read: that, and any
  // other read error, counts as a file that cannot be opened.
  const bool ok = file != nullptr && readAll(file, sizeHint, buffer);
  if (file != nullptr) std::fclose(file);
  if (!ok) {
    std::fputs(message, stdout);
    return true;
  }
  lines = LineList::fromBuffer(std::move(buffer.data), buffer.size, variant);
  return false;
}

LineList linesFromBytes(std::string_view bytes, LoadVariant variant) {
  GrowingBuffer buffer;
  buffer.reserve(bytes.size() + 1);
  if (!bytes.empty()) std::memcpy(buffer.data.get(), bytes.data(), bytes.size());
  buffer.size = bytes.size();
  return LineList::fromBuffer(std::move(buffer.data), buffer.size, variant);
}

WordTable splitWords(const LineList& lines) {
  WordTable table;
  const char* bytes = lines.bytes_.get();
  if (lines.lineCount_ == 0) {
    table.rowStart_.push_back(0);
    return table;
  }
  // The last line may lack its own line feed; the one after the content
  // then ends it.
  const size_t limit =
      lines.size_ + (lines.bytes_[lines.size_ - 1] == '\n' ? 0 : 1);

  // Count first, so that each array is allocated once at its final size.
  size_t wordCount = 0;
  scanWords(
      bytes, limit, [&wordCount](size_t) { ++wordCount; }, [] {});

  table.bytes_ = bytes;
  table.rowStart_.reserve(lines.lineCount_ + 1);
  table.wordStart_.reserve(wordCount);
  adviseLargeBuffer(table.rowStart_.data(),
                    table.rowStart_.capacity() * sizeof(uint64_t));
  adviseLargeBuffer(table.wordStart_.data(),
                    table.wordStart_.capacity() * sizeof(uint64_t));
  table.rowStart_.push_back(0);
  scanWords(
      bytes, limit, [&table](size_t p) { table.wordStart_.push_back(p); },
      [&table] { table.rowStart_.push_back(table.wordStart_.size()); });
  return table;
}

std::string_view wordAt(const WordTable& table, size_t row, size_t col) {
  if (col >= table.wordCount(row)) return {};
  const char* start = table.bytes_ + table.wordStart_[table.rowStart_[row] + col];
  const char* end = start;
  while (classOf(*end) == kWordByte) ++end;
  return std::string_view(start, static_cast<size_t>(end - start));
}

}  // namespace core
