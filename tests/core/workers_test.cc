#include "core/workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

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

}  // namespace
}  // namespace core
