#include "apb/line_sink.h"

#include <gtest/gtest.h>

#include <string>

namespace apb {
namespace {

TEST(LineSink, EndsEveryLineWithCrLf) {
  LineSink sink;
  sink.text("A ").integer(-3).text(" ").count(7).text(" ").decimal(0.00001);
  sink.endLine();
  sink.endLine();
  EXPECT_EQ(sink.view(), "A -3 7 1e-005\r\n\r\n");
}

TEST(LineSink, KeepsTheOrderOfLinesAndAppendedTextsAsItGrows) {
  // From a small start, past many doublings, with texts longer than all
  // that was held before.
  const std::string shortText(100, 's');
  const std::string hugeText(5 << 20, 'H');
  LineSink sink(64);
  std::string want;
  for (int i = 0; i < 60000; ++i) {
    sink.text("line ").integer(i).endLine();
    want += "line " + std::to_string(i) + "\r\n";
    if (i % 100 == 0) {
      const std::string& text = i % 20000 == 0 ? hugeText : shortText;
      sink.text(text);
      want += text;
    }
  }
  EXPECT_EQ(sink.size(), want.size());
  EXPECT_TRUE(sink.view() == want) << "the sink differs from what was written";
}

}  // namespace
}  // namespace apb
