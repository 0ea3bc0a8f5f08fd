// Inputs cut into lines and rows, a chunk at a time.
#include "core/reading/line_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/reading/scan.h"
#include "core/system/out_of_memory.h"

namespace core {
namespace {

using detail::countLineFeeds;

constexpr char kCtrlZ = 26;  // a Windows text file may end with Ctrl-Z

constexpr size_t kLargestChunk = UINT32_MAX - 1 - kPadding;

// What old tools put after the Ctrl-Z that ends a file, to fill its last
// block; anything else is text the file seems to hold but does not.
constexpr std::string_view kPaddingAfterEnd(" \t\r\n\x1a\0", 6);

bool holdsText(const char* bytes, size_t size) {
  return std::string_view(bytes, size).find_first_not_of(kPaddingAfterEnd) !=
         std::string_view::npos;
}

}  // namespace

Chunk::Chunk(size_t capacity)
    : defaultCapacity_(capacity),
      capacity_(capacity),
      bytes_(capacity + 1 + kPadding, '\0') {}

void Chunk::clear() {
  used_ = 0;
  parts_.clear();
  counts_.clear();
  first_.clear();
  if (capacity_ > defaultCapacity_) {
    std::vector<char>(defaultCapacity_ + 1 + kPadding, '\0').swap(bytes_);
    capacity_ = defaultCapacity_;
  }
}

// Only a chunk without rows grows: the rows point into its bytes. Rows keep
// 32-bit offsets, so a chunk, and with it a line, stays below 4 GiB: a
// longer line is more than the program can hold.
void Chunk::grow(size_t capacity) {
  if (capacity > kLargestChunk) {
    if (capacity_ >= kLargestChunk) core::outOfMemory();
    capacity = kLargestChunk;
  }
  bytes_.resize(capacity + 1 + kPadding, '\0');
  capacity_ = capacity;
}

RowSpan Chunk::rowsOf(size_t k) const {
  const Part& part = parts_[k];
  return {part.firstRow, part.rows, counts_.data() + part.rowIndex,
          bytes_.data(), first_.data() + part.rowIndex};
}

void Chunk::addPart(size_t file, size_t firstRow, size_t begin, size_t end,
                    bool endsFile, Separators separators) {
  const char* const bytes = bytes_.data() + begin;
  const size_t rows = countLineFeeds(std::string_view(bytes, end - begin));
  const size_t rowIndex = counts_.size();
  counts_.resize(rowIndex + rows);
  first_.resize(rowIndex + rows);
  splitWords(bytes, static_cast<uint32_t>(begin), rows,
             counts_.data() + rowIndex, first_.data() + rowIndex,
             separators == Separators::kBlanks);
  parts_.push_back({file, firstRow, rows, rowIndex, endsFile, begin, end});
}

void LineReader::start() {
  inChunk_ = false;
  rowsBefore_ = 0;
  openLine_.clear();
  cutAtNul_ = false;
  ended_ = false;
  lastByte_ = '\n';
}

size_t LineReader::rowAt(const Chunk& chunk, size_t offset) const {
  const char* const bytes = chunk.bytes_.data();
  return rowsBefore_ + static_cast<size_t>(std::count(bytes + partBegin_,
                                                      bytes + offset, '\n'));
}

size_t LineReader::takeBytes(Chunk& chunk, size_t from, size_t to) {
  char* const d = chunk.data();
  // The file ends at its first Ctrl-Z, whatever the line rules make of the
  // bytes before it; a Windows text file may end so.
  if (const void* mark = std::memchr(d + from, kCtrlZ, to - from)) {
    const size_t at = static_cast<size_t>(static_cast<const char*>(mark) - d);
    endRow_ = rowAt(chunk, at);
    if (holdsText(d + at + 1, to - at - 1))
      marks_[file_].textAfterEndRow = endRow_;
    ended_ = true;
    to = at;
  }
  if (to > from) lastByte_ = d[to - 1];
  size_t read = from;
  size_t write = from;
  if (!cutAtNul_) {
    const void* nul = std::memchr(d + from, '\0', to - from);
    if (nul == nullptr) return to;  // the usual case
    const size_t at = static_cast<size_t>(static_cast<const char*>(nul) - d);
    if (marks_[file_].firstNulRow == FileMarks::kNone) {
      marks_[file_].firstNulRow = rowAt(chunk, at);
    }
    read = write = at + 1;
    cutAtNul_ = true;
  }
  // A NUL cuts its line: it stays, as a blank, and the bytes after it up to
  // the line feed are dropped, in one pass however many lines are cut.
  while (read < to) {
    const void* lineFeed = std::memchr(d + read, '\n', to - read);
    if (lineFeed == nullptr) break;  // the line goes on in the next read
    const size_t keep =
        static_cast<size_t>(static_cast<const char*>(lineFeed) - d);
    const void* nul = std::memchr(d + keep, '\0', to - keep);
    const size_t next =
        nul != nullptr
            ? static_cast<size_t>(static_cast<const char*>(nul) - d) + 1
            : to;
    std::memmove(d + write, d + keep, next - keep);
    write += next - keep;
    read = next;
    cutAtNul_ = nul != nullptr;
  }
  return write;
}

bool LineReader::readPastEnd(std::error_code& reason) {
  drain_.resize(size_t{1} << 16);
  for (;;) {
    size_t got = 0;
    if (!source_.read(drain_.data(), drain_.size(), got, reason)) return false;
    if (got == 0) return true;
    if (marks_[file_].textAfterEndRow == FileMarks::kNone &&
        holdsText(drain_.data(), got)) {
      marks_[file_].textAfterEndRow = endRow_;
    }
  }
}

LineReader::Fill LineReader::endFile(Chunk& chunk, std::error_code& reason) {
  open_ = false;
  if (!source_.close(reason)) return Fill::kFailed;
  // The last line ends at the end of the file, without a line feed of its
  // own: one is put after it. (The buffer has a byte for it.)
  if (lastByte_ != '\n') chunk.data()[chunk.used_++] = '\n';
  chunk.addPart(file_, rowsBefore_, partBegin_, chunk.used_, true, separators_);
  inChunk_ = false;
  ++file_;
  return Fill::kEnded;
}

LineReader::Fill LineReader::closeFull(Chunk& chunk, bool& grown) {
  grown = false;
  const char* const bytes = chunk.data();
  const size_t lineFeed =
      std::string_view(bytes + partBegin_, chunk.used_ - partBegin_)
          .rfind('\n');
  size_t end = partBegin_;
  if (lineFeed != std::string_view::npos) {
    end = partBegin_ + lineFeed + 1;
    chunk.addPart(file_, rowsBefore_, partBegin_, end, false, separators_);
    rowsBefore_ += chunk.parts_.back().rows;
  } else if (partBegin_ == 0) {
    // One line fills the whole chunk: it grows until the line fits.
    chunk.grow(2 * chunk.capacity_);
    grown = true;
    return Fill::kFull;
  }
  // The open line starts the next chunk.
  openLine_.assign(bytes + end, chunk.used_ - end);
  chunk.used_ = end;
  inChunk_ = false;
  return Fill::kFull;
}

bool LineReader::startIn(Chunk& chunk) {
  const size_t room =
      chunk.used_ < chunk.capacity_ ? chunk.capacity_ - chunk.used_ : 0;
  if (room == 0 || room < openLine_.size()) {
    // The lines of earlier files fill the chunk: the next one takes on.
    if (chunk.used_ > 0) return false;
    chunk.grow(std::max(2 * chunk.capacity_, openLine_.size()));
  }
  partBegin_ = chunk.used_;
  std::memcpy(chunk.data() + chunk.used_, openLine_.data(), openLine_.size());
  chunk.used_ += openLine_.size();
  openLine_.clear();
  inChunk_ = true;
  return true;
}

LineReader::Fill LineReader::fillFromInput(Chunk& chunk,
                                           std::error_code& reason) {
  if (!inChunk_ && !startIn(chunk)) return Fill::kFull;
  for (;;) {
    if (ended_) {
      return readPastEnd(reason) ? endFile(chunk, reason) : Fill::kFailed;
    }
    if (chunk.used_ >= chunk.capacity_) {
      bool grown = false;
      const Fill full = closeFull(chunk, grown);
      if (!grown) return full;
    }
    size_t got = 0;
    if (!source_.read(chunk.data() + chunk.used_, chunk.capacity_ - chunk.used_,
                      got, reason)) {
      return Fill::kFailed;
    }
    if (got == 0) return endFile(chunk, reason);
    chunk.used_ = takeBytes(chunk, chunk.used_, chunk.used_ + got);
  }
}

LineReader::Fill LineReader::loadLines(Chunk& chunk, std::error_code& reason) {
  while (file_ < marks_.size()) {
    if (!open_) {
      if (!source_.open(file_, reason)) return Fill::kFailed;
      open_ = true;
      start();
    }
    const Fill filled = fillFromInput(chunk, reason);
    if (filled != Fill::kEnded) return filled;
  }
  return Fill::kEnded;
}

}  // namespace core
