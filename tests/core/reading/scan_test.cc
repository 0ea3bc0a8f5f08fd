#include "core/reading/scan.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/reading/word_table.h"

namespace core::detail {
namespace {

using namespace std::literals;

struct ScanCase {
  const char* name;
  std::string bytes;
  size_t lineFeeds;
};

TEST(CountLineFeeds, CountsThemInBlocksAndTheTail) {
  // The vector kernel adds 255 blocks of 16 bytes into byte counters at a
  // time and leaves a tail of fewer than 16 bytes to the scalar loop.
  const ScanCase cases[] = {
      {"empty", "", 0},
      {"tail only", std::string(15, '\n'), 15},
      {"counters full", std::string(size_t{255} * 16, '\n'), size_t{255} * 16},
      {"counters again", std::string(size_t{256} * 16 + 3, '\n'),
       size_t{256} * 16 + 3},
      {"among other bytes", std::string(15, 'a') + "\0\n"s + "\x1a\n", 2},
  };
  for (const ScanCase& c : cases) {
    EXPECT_EQ(countLineFeeds(c.bytes), c.lineFeeds) << c.name;
  }
}

// The first n words of buffer, which starts with a word and holds a row, its
// line feed and the padding that the kernels may read.
template <bool kSeparators>
std::vector<std::string_view> collect(const std::string& buffer, size_t n) {
  std::vector<std::string_view> words(n);
  words.resize(collectWords<kSeparators>(buffer.data(), n, words.data()));
  return words;
}

TEST(CollectWords, CutsWordsOnEitherSideOfTheWindowEnd) {
  // The vector kernel cuts the words within 32 bytes from the first word
  // at once, and walks word by word from where a word or gap crosses them.
  for (size_t first = 1; first <= 40; ++first) {
    for (size_t gap = 1; gap <= 18; ++gap) {
      const std::string x(first, 'x');
      const std::string row = x + std::string(gap, ' ') + "yy\tz";
      const std::string buffer = row + '\n' + std::string(kPadding, '\0');
      EXPECT_EQ(collect<false>(buffer, 3),
                (std::vector<std::string_view>{x, "yy", "z"}))
          << row;
      EXPECT_EQ(collect<false>(buffer, 2),
                (std::vector<std::string_view>{x, "yy"}))
          << row;
      const std::string separated =
          x + std::string(gap, '=') + "y;z\n" + std::string(kPadding, '\0');
      EXPECT_EQ(collect<true>(separated, 3),
                (std::vector<std::string_view>{x, "y", "z"}))
          << row;
    }
  }
}

}  // namespace
}  // namespace core::detail
