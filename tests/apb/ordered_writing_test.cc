#include "apb/ordered_writing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

#include "apb/line_sink.h"
#include "core/workers.h"

namespace apb {
namespace {

// Item k is a line of k + 1 times the letter of k, so a piece out of place
// or written twice shows.
void writeItems(LineSink& sink, size_t begin, size_t end) {
  for (size_t k = begin; k < end; ++k) {
    sink.text(std::string(k + 1, static_cast<char>('a' + k % 26))).endLine();
  }
}

struct PieceCase {
  size_t count;
  size_t piece;
};

constexpr PieceCase kPieces[] = {{0, 4},    {1, 1},    {5, 0},
                                 {5, 2},    {64, 64},  {65, 64},
                                 {3000, 1}, {3000, 7}, {3000, 5000}};

TEST(WriteInOrder, GivesTheBytesOfOneSequentialWrite) {
  for (const PieceCase& c : kPieces) {
    LineSink want;
    writeItems(want, 0, c.count);
    LineSink got;
    writeInOrder(got, c.count, c.piece, writeItems);
    EXPECT_TRUE(got.view() == want.view())
        << c.count << " items in pieces of " << c.piece;
  }
}

TEST(WriteInOrder, RethrowsAFailedPieceAndWritesNoLaterOne) {
  LineSink out;
  try {
    writeInOrder(out, 5000, 10, [](LineSink& sink, size_t begin, size_t end) {
      if (begin == 2000) throw std::runtime_error("piece at 2000");
      writeItems(sink, begin, end);
    });
    ADD_FAILURE() << "nothing thrown";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "piece at 2000");
  }
  LineSink before;
  writeItems(before, 0, 2000);
  // Pieces before the failed one may or may not have been copied out.
  EXPECT_LE(out.view().size(), before.view().size());
  EXPECT_TRUE(before.view().substr(0, out.view().size()) == out.view());
}

TEST(WriteInOrder, RunsInsidePiecesAndFromSeveralThreads) {
  // Calls nested in a piece, and calls from two threads at once, all end
  // with every piece called once.
  const auto countAll = [](size_t count) {
    std::atomic<size_t> called{0};
    core::forEachPiece(count, [&](size_t) {
      core::forEachPiece(3, [&](size_t) { ++called; });
      LineSink nested;
      writeInOrder(nested, 10, 1, [](LineSink& sink, size_t b, size_t e) {
        for (size_t k = b; k < e; ++k) sink.text("x");
      });
      EXPECT_EQ(nested.view(), "xxxxxxxxxx");
    });
    return called.load();
  };
  size_t other = 0;
  std::thread second([&] {
    for (int i = 0; i < 50; ++i) other += countAll(100);
  });
  size_t here = 0;
  for (int i = 0; i < 50; ++i) here += countAll(100);
  second.join();
  EXPECT_EQ(here, 15000u);
  EXPECT_EQ(other, 15000u);
}

}  // namespace
}  // namespace apb
