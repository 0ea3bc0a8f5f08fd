// Input files cut into lines and rows, a buffer at a time: the window that
// both programs read their input through. Readers never see this header;
// they see the rows through core/word_table.h.
#ifndef CORE_LINE_READER_H_
#define CORE_LINE_READER_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/input_file.h"
#include "core/word_table.h"

namespace core {

// How a file's "=" and ";" read: as blanks between words (files of
// "Key=Value;" lines), or as bytes of words.
enum class Separators { kInWords, kBlanks };

// The input path that stands for standard input; a file of that name is
// given as "./-".
constexpr std::string_view kStandardInput = "-";

namespace detail {

// The over-read contract of the word kernels. They look at 16, 32 or 64
// bytes at a time and so read past the byte they stop at: every line they
// scan ends in a line feed, and at least kPadding readable bytes follow the
// last one in every buffer that holds rows (Chunk). From a word's start,
// 64 bytes are readable at least, whatever the word.
inline constexpr size_t kPadding = 64;

// What only the bytes of a whole file show, once it has been read.
struct FileMarks {
  static constexpr size_t kNone = SIZE_MAX;
  size_t rows = 0;  // the lines of the file
  // The row of the Ctrl-Z that ends the file when more than padding
  // (blanks, tabs, line ends, Ctrl-Z, NUL) follows it: text the file seems
  // to hold but does not. The row may be one past the last line.
  size_t textAfterEndRow = kNone;
  size_t firstNulRow = kNone;  // of the first line cut at a NUL byte
  bool lineFeedAdded = false;  // the last line had none in the file
};

// A buffer of whole lines of one or more files, and their rows. Lines are
// stored as the text file rules leave them: the file ends at its first
// Ctrl-Z, a line ends at a line feed, its bytes after a NUL are dropped (the
// NUL stays and reads as a blank), and the last line gets a line feed if it
// has none. Filled by LineReader;
// read (runOf) once filled, by any number of threads.
class Chunk {
 public:
  // The lines of one file in the chunk.
  struct Part {
    size_t file = 0;      // the caller's number of the file
    size_t firstRow = 0;  // in the file
    size_t rows = 0;
    size_t rowIndex = 0;  // of its first row in the chunk's row arrays
    bool endsFile = false;
  };

  explicit Chunk(size_t capacity);
  // Empties the chunk, and gives back what a long line made it grow by.
  void clear();

  const std::vector<Part>& parts() const { return parts_; }
  // The rows of part k.
  RowRun runOf(size_t k) const;
  size_t capacity() const { return capacity_; }
  // The lines held, each ending in a line feed.
  std::string_view text() const { return {bytes_.data(), used_}; }

 private:
  friend class LineReader;
  char* data() { return bytes_.data(); }
  void grow(size_t capacity);
  // Cuts bytes [begin, end) (whole lines) into rows of a new part.
  void addPart(size_t file, size_t firstRow, size_t begin, size_t end,
               bool endsFile, Separators separators);

  size_t defaultCapacity_;
  size_t capacity_;
  std::vector<char> bytes_;  // capacity_ bytes, a line feed, kPadding
  size_t used_ = 0;          // lines of parts, then the open line
  std::vector<Part> parts_;
  std::vector<uint8_t> counts_;  // words per row, of every part
  std::vector<uint32_t> first_;  // where each row's first word starts
};

// Reads files one after the other into chunks. Between fills the line that
// a full chunk cuts is kept and starts the next chunk.
class LineReader {
 public:
  explicit LineReader(Separators separators) : separators_(separators) {}

  // Opens the file at path as file number `file`; the path "-"
  // (kStandardInput) stands for standard input. False, with the system's
  // reason, when it cannot be opened.
  bool open(const std::filesystem::path& path, size_t file,
            std::error_code& reason);
  // Takes bytes as the content of file number `file` instead.
  void openBytes(std::string_view bytes, size_t file);

  enum class Fill {
    kFull,   // the chunk holds what it can; the file goes on
    kEnded,  // the file is read, checked and closed (marks())
    kFailed  // a read failed or the file changed: reason
  };
  // Adds the open file's next lines to chunk until chunk is full or the
  // file ends. With grow, the chunk grows instead of filling up, so that
  // it ends up holding the whole file. A line longer than the chunk grows
  // it in any case.
  Fill fill(Chunk& chunk, bool grow, std::error_code& reason);
  // What the bytes of the file that ended showed.
  const FileMarks& marks() const { return marks_; }

 private:
  void start(size_t file);
  // Begins the file's part in chunk with the line the last chunk cut;
  // false when the chunk has no room left for it.
  bool startIn(Chunk& chunk);
  // Reads from the file, or from the bytes given to openBytes.
  bool readMore(char* data, size_t size, size_t& got, std::error_code& reason);
  // Applies the text file rules to the new bytes [from, to) of chunk and
  // returns the end of what stays.
  size_t takeBytes(Chunk& chunk, size_t from, size_t to);
  // Drops [from, to) up to its first line feed (the rest of a line cut at
  // a NUL) and returns the end of what stays.
  size_t skipCutLine(Chunk& chunk, size_t from, size_t to);
  // The rows of the file that begin before offset of the chunk.
  size_t rowAt(const Chunk& chunk, size_t offset) const;
  // Reads the rest of a file after its Ctrl-Z, without keeping it.
  bool readPastEnd(std::error_code& reason);
  Fill endFile(Chunk& chunk, std::error_code& reason);
  // The chunk is full: closes the part at its last line feed.
  Fill closeFull(Chunk& chunk, bool& grown);

  Separators separators_;
  InputFile in_;
  bool fromBytes_ = false;
  std::string_view bytes_;  // what openBytes gave, not yet read
  size_t file_ = 0;
  bool inChunk_ = false;   // the file's part in the current chunk has begun
  size_t partBegin_ = 0;   // where it begins
  size_t rowsBefore_ = 0;  // rows of the file in earlier chunks
  std::string openLine_;   // the line a full chunk cut, for the next
  bool cutAtNul_ = false;  // the open line is cut: drop up to a line feed
  bool ended_ = false;     // past the Ctrl-Z that ends the file
  size_t endRow_ = 0;      // the row of that Ctrl-Z
  char lastByte_ = '\n';   // of the file, up to any Ctrl-Z
  FileMarks marks_;
  std::vector<char> drain_;  // what follows a Ctrl-Z passes through here
};

// Cuts bytes, which hold rows whole lines (each ending in a line feed; a NUL
// only right before one), into rows: the word count of row k (kManyWords from
// that many on) into counts[k], and where its first word starts, as an offset
// from bytes - offset, into first[k]. With separators, "=" and ";" are blanks.
void splitRows(const char* bytes, uint32_t offset, size_t rows, uint8_t* counts,
               uint32_t* first, bool separators);

}  // namespace detail
}  // namespace core

#endif  // CORE_LINE_READER_H_
