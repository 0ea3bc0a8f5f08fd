#include "core/records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace core {
namespace {

// Texts on both sides of the 15 bytes held inline, with NUL and 0xff bytes
// (0xff is the tag of a text on the heap) inside.
std::vector<std::string> sampleTexts() {
  std::vector<std::string> texts;
  for (const size_t size : {0, 1, 14, 15, 16, 17, 40}) {
    std::string text;
    for (size_t i = 0; i < size; ++i) {
      text += i % 5 == 3 ? '\0' : i % 7 == 6 ? '\xff' : char('a' + i % 26);
    }
    texts.push_back(text);
  }
  return texts;
}

// A text holds its bytes, followed by a NUL.
void expectHolds(const Text& text, const std::string& want) {
  EXPECT_EQ(text.view(), want) << want.size() << " bytes";
  EXPECT_EQ(text.size(), want.size());
  EXPECT_EQ(text.c_str()[want.size()], '\0') << want.size() << " bytes";
}

TEST(Text, HoldsItsBytesThroughCopiesMovesAndAssignments) {
  const std::vector<std::string> texts = sampleTexts();
  for (const std::string& a : texts) {
    const Text original(a);
    expectHolds(original, a);
    Text copy(original);
    expectHolds(copy, a);
    Text moved(std::move(copy));
    expectHolds(moved, a);
    expectHolds(copy, "");  // NOLINT(bugprone-use-after-move): left empty
    for (const std::string& b : texts) {
      Text target(b);
      target = original;
      expectHolds(target, a);
      Text other(b);
      target = std::move(other);
      expectHolds(target, b);
      target = std::string_view(a);
      expectHolds(target, a);
      // Its own bytes, which assign may overwrite while reading them.
      target.assign(target.view().substr(a.size() / 2));
      expectHolds(target, a.substr(a.size() / 2));
      EXPECT_EQ(Text(a) == Text(b), a == b);
      EXPECT_EQ(Text(a) < Text(b), a < b);
      EXPECT_EQ(Text(a) + Text(b), a + b);
    }
  }
}

}  // namespace
}  // namespace core
