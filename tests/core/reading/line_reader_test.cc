#include "core/reading/line_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/words.h"

namespace core {
namespace {

using namespace std::literals;
using tests::expectedWords;
using tests::Rows;

// What a file gave through the window: its rows, and the marks of its bytes.
struct FileRead {
  Rows rows;
  FileMarks marks;
};

// Reads files one after the other through chunks of capacity bytes, a new
// chunk whenever one is full, as the programs do; then gathers each file's
// rows from the parts of every chunk.
std::vector<FileRead> readThrough(const std::vector<std::string>& files,
                                  size_t capacity, Separators separators) {
  ByteSource source(std::vector<std::string_view>(files.begin(), files.end()));
  LineReader reader(separators, source);
  std::vector<std::unique_ptr<Chunk>> chunks;
  std::error_code reason;
  LineReader::Fill fill = LineReader::Fill::kFull;
  while (fill == LineReader::Fill::kFull) {
    chunks.push_back(std::make_unique<Chunk>(capacity));
    fill = reader.loadLines(*chunks.back(), reason);
  }
  EXPECT_EQ(fill, LineReader::Fill::kEnded);
  std::vector<FileRead> read(files.size());
  for (size_t k = 0; k < files.size(); ++k) read[k].marks = reader.marks(k);
  for (const auto& chunk : chunks) {
    for (size_t p = 0; p < chunk->parts().size(); ++p) {
      const Chunk::Part& part = chunk->parts()[p];
      const RowSpan span = chunk->rowsOf(p);
      const WordTable table({&span, 1}, true, separators);
      Rows& rows = read[part.file].rows;
      EXPECT_EQ(part.firstRow, rows.size()) << "parts follow each other";
      for (size_t row = part.firstRow; row < part.firstRow + part.rows; ++row) {
        std::vector<std::string>& words = rows.emplace_back();
        for (size_t col = 0; col < table.wordCount(row); ++col) {
          words.emplace_back(wordAt(table, row, col));
        }
      }
    }
  }
  return read;
}

constexpr size_t kNone = FileMarks::kNone;

struct WindowCase {
  std::string bytes;
  size_t textAfterEndRow;
  size_t firstNulRow;
};

const WindowCase kWindowCases[] = {
    {"", kNone, kNone},
    {"\n", kNone, kNone},
    {"a b\r\nc d\r\n", kNone, kNone},
    {"ab\r\n\r\n\r\ncd", kNone, kNone},  // no final line feed
    {"x\0yz\nq\n"s, kNone, 0},
    {"\0\0\0\n\n\0"s, kNone, 0},
    {"a\r\0b\r\nc\0"s, kNone, 0},
    {"a\nb c\0 d e f g h\ni\0j\n"s, kNone, 1},
    {"ab\x1a  \r\n\x1a", kNone, kNone},  // padding after the end
    {"ab\x1atext", 0, kNone},
    {"a\nb\n\x1a\0x"s, 2, kNone},
    {"a\0b\x1a c\n"s, 0, 0},  // a Ctrl-Z in the cut part still ends it
    {"short\n" + std::string(300, 'w') + " tail\nend", kNone, kNone},
    {std::string(200, ' ') + "x\n" + std::string(150, '\t'), kNone, kNone},
};

TEST(LineReader, CutsTheSameRowsAtEveryWindowSize) {
  // CR LF, NUL, Ctrl-Z and lines longer than the chunk meet the chunk's
  // end at every place; each file alone, and all in the same chunks.
  std::vector<std::string> all;
  for (const WindowCase& c : kWindowCases) all.push_back(c.bytes);
  for (size_t capacity : {1, 2, 3, 4, 5, 7, 8, 13, 16, 64, 1000}) {
    const std::vector<FileRead> together =
        readThrough(all, capacity, Separators::kInWords);
    for (size_t k = 0; k < all.size(); ++k) {
      const WindowCase& c = kWindowCases[k];
      const std::string where = testing::PrintToString(c.bytes) + " in " +
                                std::to_string(capacity) + "-byte chunks";
      const FileRead alone =
          readThrough({c.bytes}, capacity, Separators::kInWords)[0];
      const Rows want = expectedWords(c.bytes, Separators::kInWords);
      EXPECT_EQ(alone.rows, want) << where;
      EXPECT_EQ(together[k].rows, want) << where << ", with other files";
      EXPECT_EQ(alone.marks.textAfterEndRow, c.textAfterEndRow) << where;
      EXPECT_EQ(alone.marks.firstNulRow, c.firstNulRow) << where;
    }
  }
}

TEST(LineReader, ReadsSeparatorsAsBlanksWhenAsked) {
  const std::string bytes = "Key=Value;\r\n;;;\r\na=b=c";
  for (size_t capacity : {1, 3, 64}) {
    EXPECT_EQ(readThrough({bytes}, capacity, Separators::kBlanks)[0].rows,
              expectedWords(bytes, Separators::kBlanks))
        << capacity;
  }
}

TEST(WordTable, TellsARowPastTheWindowFromOnePastTheEnd) {
  // Rows 0-9 in chunks of about three rows; a table of the first two
  // chunks' rows.
  std::string bytes;
  for (int k = 0; k < 10; ++k) bytes += "r" + std::to_string(k) + " x\n";
  ByteSource source({bytes});
  LineReader reader(Separators::kInWords, source);
  std::vector<std::unique_ptr<Chunk>> chunks;
  std::error_code reason;
  LineReader::Fill fill = LineReader::Fill::kFull;
  while (fill == LineReader::Fill::kFull) {
    chunks.push_back(std::make_unique<Chunk>(12));
    fill = reader.loadLines(*chunks.back(), reason);
  }
  ASSERT_EQ(fill, LineReader::Fill::kEnded);
  ASSERT_GE(chunks.size(), 3u);
  const RowSpan spans[] = {chunks[0]->rowsOf(0), chunks[1]->rowsOf(0)};
  const size_t held = spans[1].firstRow + spans[1].rows;

  const WordTable window(spans, false, Separators::kInWords);
  EXPECT_EQ(wordAt(window, held - 1, 0), "r" + std::to_string(held - 1));
  EXPECT_TRUE(wordIs(window, 0, 1, "x"));
  EXPECT_FALSE(window.wantsMore());
  EXPECT_FALSE(window.exists(held));
  EXPECT_TRUE(window.wantsMore()) << "a row past the window";

  const WordTable whole(spans, true, Separators::kInWords);
  EXPECT_FALSE(whole.exists(held));
  EXPECT_EQ(whole.rows(), held);
  EXPECT_EQ(wordAt(whole, held, 0), "");
  EXPECT_FALSE(whole.wantsMore()) << "a row past the end";
  EXPECT_EQ(wordAt(whole, SIZE_MAX, SIZE_MAX), "");
}

}  // namespace
}  // namespace core
