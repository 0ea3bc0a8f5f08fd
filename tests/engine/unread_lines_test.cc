#include "engine/unread_lines.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

namespace engine {
namespace {

// One call on KeptBlocks: a block of part kept [start, end), or a row of
// part that starts no kept block, with its words; kClear empties it for a
// chunk used again.
struct Step {
  enum Kind { kAdd, kNotKept, kClear } kind;
  size_t part = 0;
  size_t firstRow = 0;
  size_t start = 0;  // or the row not kept
  size_t end = 0;    // or its words
};
Step add(size_t part, size_t firstRow, size_t start, size_t end) {
  return {Step::kAdd, part, firstRow, start, end};
}
Step notKept(size_t part, size_t firstRow, size_t row, size_t words) {
  return {Step::kNotKept, part, firstRow, row, words};
}
Step clear() { return {Step::kClear}; }

using Group = std::tuple<size_t, size_t, size_t>;  // start, last, end

struct Case {
  const char* what;
  std::vector<Step> steps;
  std::vector<size_t> firstRows;         // of the parts taken after the steps
  std::vector<std::vector<Group>> want;  // per part
};

constexpr size_t kFar = size_t{1} << 32;

TEST(KeptBlocks, GroupsBlocksBetweenWhichEveryRowIsReadOrBlank) {
  const Case cases[] = {
      {"blocks that follow each other",
       {add(0, 0, 2, 5), add(0, 0, 5, 9)},
       {0},
       {{{2, 5, 9}}}},
      {"a blank row between",
       {add(0, 0, 2, 5), notKept(0, 0, 5, 0), add(0, 0, 6, 9)},
       {0},
       {{{2, 6, 9}}}},
      {"a row no block reads between",
       {add(0, 0, 2, 5), notKept(0, 0, 5, 3), add(0, 0, 6, 9)},
       {0},
       {{{2, 2, 5}, {6, 6, 9}}}},
      {"a nested block",
       {add(0, 0, 2, 9), add(0, 0, 4, 6), add(0, 0, 9, 10)},
       {0},
       {{{2, 9, 10}}}},
      {"a row that starts no block inside a kept one",
       {add(0, 0, 2, 9), notKept(0, 0, 4, 3), add(0, 0, 9, 12)},
       {0},
       {{{2, 9, 12}}}},
      {"a block that ends before the furthest",
       {add(0, 0, 1, 20), add(0, 0, 3, 8)},
       {0},
       {{{1, 1, 20}}}},
      {"parts apart",
       {add(0, 0, 1, 3), add(1, 50, 50, 52)},
       {0, 50},
       {{{1, 1, 3}}, {{50, 50, 52}}}},
      {"a part without blocks",
       {add(0, 0, 1, 3), notKept(1, 7, 7, 2), add(2, 70, 71, 72)},
       {0, 7, 70},
       {{{1, 1, 3}}, {}, {{71, 71, 72}}}},
      {"an end billions of rows on",
       {add(0, 10, 12, 12 + kFar), add(0, 10, 13, 14)},
       {10},
       {{{12, 12, 12 + kFar}}}},
      {"far ends one after another",
       {add(0, 0, 1, kFar), add(0, 0, 2, 2 + kFar),
        add(1, 100, 100, 100 + kFar)},
       {0, 100},
       {{{1, 2, 2 + kFar}}, {{100, 100, 100 + kFar}}}},
      // A chunk used again starts afresh: a block of its last use that
      // read far must not hide a row no block reads now.
      {"a chunk used again",
       {add(0, 0, 0, 1000), clear(), add(0, 100, 100, 102),
        notKept(0, 100, 102, 3), add(0, 100, 103, 105)},
       {100},
       {{{100, 100, 102}, {103, 103, 105}}}},
  };
  for (const Case& c : cases) {
    KeptBlocks blocks;
    for (const Step& step : c.steps) {
      switch (step.kind) {
        case Step::kAdd:
          blocks.add(step.part, step.firstRow, step.start, step.end);
          break;
        case Step::kNotKept:
          blocks.rowNotKept(step.part, step.firstRow, step.start, step.end);
          break;
        case Step::kClear:
          blocks.clear();
          break;
      }
    }
    for (size_t part = 0; part < c.firstRows.size(); ++part) {
      std::vector<Group> got;
      blocks.takePart(part, c.firstRows[part],
                      [&](size_t start, size_t last, size_t end) {
                        got.emplace_back(start, last, end);
                      });
      EXPECT_EQ(got, c.want[part]) << c.what << ", part " << part;
    }
  }
}

}  // namespace
}  // namespace engine
