#include "core/findings/quoting.h"

#include <gtest/gtest.h>

#include <string>

namespace core {
namespace {

TEST(Quoted, ShowsAWordOnOneReadableLine) {
  struct Case {
    std::string word;
    std::string want;
  };
  const Case cases[] = {
      {"LFXA", "\"LFXA\""},
      {"a\x1b[2Jb\x7f", "\"a?[2Jb?\""},
      {std::string(70, 'x'), '"' + std::string(64, 'x') + "...\""},
      // Never cut inside a UTF-8 letter: "é" is two bytes at 63 and 64.
      {std::string(63, 'x') + "\xC3\xA9" + "yy",
       '"' + std::string(63, 'x') + "...\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(core::quoted(c.word), c.want) << c.word;
  }
}

}  // namespace
}  // namespace core
