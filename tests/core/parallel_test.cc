#include "core/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/line_sink.h"

namespace core {
namespace {

TEST(ForEachPiece, CallsEveryPieceExactlyOnce) {
  for (const size_t count : {0, 1, 2, 7, 1000, 100000}) {
    std::vector<int> calls(count, 0);
    forEachPiece(count, [&](size_t k) { ++calls[k]; });
    size_t wrong = 0;
    for (int call : calls) wrong += call != 1 ? 1 : 0;
    EXPECT_EQ(wrong, 0u) << count << " pieces";
  }
}

TEST(ForEachPiece, StopsAndRethrowsTheFailureOfTheLowestPiece) {
  std::atomic<size_t> started{0};
  try {
    forEachPiece(100000, [&](size_t k) {
      ++started;
      throw std::runtime_error("piece " + std::to_string(k));
    });
    ADD_FAILURE() << "nothing thrown";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "piece 0");
  }
  EXPECT_LT(started.load(), 100000u);
}

TEST(ForEachPiece, RunsCallsFromPiecesAndFromSeveralThreads) {
  // Calls nested in a piece, and calls from two threads at once, all end
  // with every piece called once.
  const auto countAll = [](size_t count) {
    std::atomic<size_t> called{0};
    forEachPiece(count, [&](size_t) {
      forEachPiece(3, [&](size_t) { ++called; });
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

struct SplitCase {
  size_t count;
  size_t minimum;
};

constexpr SplitCase kSplits[] = {{0, 1},    {1, 1},        {2, 1},
                                 {7, 3},    {1000, 1},     {1000, 600},
                                 {1000, 0}, {100000, 4096}};

TEST(CollectInOrder, GivesTheResultsOfOneSequentialCollect) {
  // Every third index, found in pieces and appended to what is there.
  const auto everyThird = [](size_t begin, size_t end,
                             std::vector<size_t>& found) {
    for (size_t k = begin; k < end; ++k) {
      if (k % 3 == 0) found.push_back(k);
    }
  };
  for (const SplitCase& c : kSplits) {
    std::vector<size_t> want = {7};
    everyThird(0, c.count, want);
    std::vector<size_t> got = {7};
    collectInOrder<size_t>(c.count, c.minimum, everyThird, got);
    EXPECT_EQ(got, want) << c.count << " by at least " << c.minimum;
  }
}

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

}  // namespace
}  // namespace core
