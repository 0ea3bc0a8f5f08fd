// Inputs cut into lines and rows, a chunk at a time: how the engine reads
// its inputs. Readers never see this header; they see the rows through
// core/reading/word_table.h.
#ifndef CORE_READING_LINE_READER_H_
#define CORE_READING_LINE_READER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/reading/source.h"
#include "core/reading/word_table.h"

namespace core {

// What only the bytes of a whole input show, once it has been read.
struct FileMarks {
  static constexpr size_t kNone = SIZE_MAX;
  // The row of the Ctrl-Z that ends the input when more than padding
  // (blanks, tabs, line ends, Ctrl-Z, NUL) follows it: text the file seems
  // to hold but does not. The row may be one past the last line.
  size_t textAfterEndRow = kNone;
  size_t firstNulRow = kNone;  // of the first line cut at a NUL byte
};

// A buffer of whole lines of one or more inputs, and their rows. Lines are
// stored as the text file rules leave them: an input ends at its first
// Ctrl-Z, a line ends at a line feed, its bytes after a NUL are dropped (the
// NUL stays and reads as a blank), and the last line gets a line feed if it
// has none. Filled by a LineReader; read (rowsOf) once filled, by any
// number of threads.
class Chunk {
 public:
  // The lines of one input in the chunk.
  struct Part {
    size_t file = 0;      // the input's number in its Source
    size_t firstRow = 0;  // in the input
    size_t rows = 0;
    size_t rowIndex = 0;  // of its first row in the chunk's row arrays
    bool endsFile = false;
    size_t begin = 0, end = 0;  // its lines' bytes in the chunk
  };

  explicit Chunk(size_t capacity);
  // Empties the chunk, and gives back what a long line made it grow by.
  void clear();

  const std::vector<Part>& parts() const { return parts_; }
  // The rows of part k.
  RowSpan rowsOf(size_t k) const;
  // The lines of part k as the text file rules leave them, each ending in
  // a line feed.
  std::string_view textOf(size_t k) const {
    return {bytes_.data() + parts_[k].begin, parts_[k].end - parts_[k].begin};
  }

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

// Reads the inputs of a source one after the other into chunks. Between
// fills the line that a full chunk cuts is kept and starts the next chunk.
class LineReader {
 public:
  LineReader(Separators separators, Source& source)
      : separators_(separators), source_(source), marks_(source.count()) {}

  enum class Fill {
    kFull,   // the chunk holds what it can; the inputs go on
    kEnded,  // every input is read, checked and closed
    kFailed  // input() cannot be opened or read, or changed: reason
  };
  // Adds the next lines of the inputs to chunk until it is full or every
  // input is read, opening each input once the one before is read and
  // closed. A line longer than the chunk makes it grow.
  Fill loadLines(Chunk& chunk, std::error_code& reason);
  // The input being read (the one that failed, after kFailed).
  size_t input() const { return file_; }
  // What the bytes of input k showed, once it is read.
  const FileMarks& marks(size_t k) const { return marks_[k]; }

 private:
  // Fills chunk from the open input; kEnded once it is read and closed.
  Fill fillFromInput(Chunk& chunk, std::error_code& reason);
  void start();
  // Begins the input's part in chunk with the line the last chunk cut;
  // false when the chunk has no room left for it.
  bool startIn(Chunk& chunk);
  // Applies the text file rules to the new bytes [from, to) of chunk and
  // returns the end of what stays.
  size_t takeBytes(Chunk& chunk, size_t from, size_t to);
  // The rows of the input that begin before offset of the chunk.
  size_t rowAt(const Chunk& chunk, size_t offset) const;
  // Reads the rest of an input after its Ctrl-Z, without keeping it.
  bool readPastEnd(std::error_code& reason);
  Fill endFile(Chunk& chunk, std::error_code& reason);
  // The chunk is full: closes the part at its last line feed.
  Fill closeFull(Chunk& chunk, bool& grown);

  Separators separators_;
  Source& source_;
  std::vector<FileMarks> marks_;  // per input
  size_t file_ = 0;               // the input open, or to be opened next
  bool open_ = false;             // it is open
  bool inChunk_ = false;          // its part in the current chunk has begun
  size_t partBegin_ = 0;          // where it begins
  size_t rowsBefore_ = 0;         // rows of the input in earlier chunks
  std::string openLine_;          // the line a full chunk cut, for the next
  bool cutAtNul_ = false;    // the open line is cut: drop up to a line feed
  bool ended_ = false;       // past the Ctrl-Z that ends the input
  size_t endRow_ = 0;        // the row of that Ctrl-Z
  char lastByte_ = '\n';     // of the input, up to any Ctrl-Z
  std::vector<char> drain_;  // what follows a Ctrl-Z passes through here
};

// Cuts bytes, which hold rows whole lines (each ending in a line feed; a NUL
// only right before one), into their words: the word count of row k
// (WordTable::kManyWords from that many on) into counts[k], and where its
// first word starts, as an offset from bytes - offset, into first[k]. With
// separators, "=" and ";" are blanks.
void splitWords(const char* bytes, uint32_t offset, size_t rows,
                uint8_t* counts, uint32_t* first, bool separators);

}  // namespace core

#endif  // CORE_READING_LINE_READER_H_
