#include "driver/json_line.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace driver {
namespace {

using std::string_literals::operator""s;

struct StringCase {
  const char* what;
  std::string bytes;
  std::string json;  // jsonString(bytes)
  bool utf8;         // isUtf8(bytes)
};

const StringCase kStrings[] = {
    {"plain", "EXMP", "\"EXMP\"", true},
    {"empty", "", "\"\"", true},
    {"quote and backslash", "a\"b\\c", "\"a\\\"b\\\\c\"", true},
    {"short escapes", "\n\r\t\b\f", "\"\\n\\r\\t\\b\\f\"", true},
    {"other control bytes", "\x01\x1f\x7f", "\"\\u0001\\u001f\\u007f\"", true},
    {"NUL", "a\0b"s, "\"a\\u0000b\"", true},
    {"UTF-8 of two, three and four bytes",
     "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x9B\xAB",
     "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x9B\xAB\"", true},
    {"Latin-1", "caf\xE9", "\"caf\xEF\xBF\xBD\"", false},
    {"a lead byte at the end", "a\xC3", "\"a\xEF\xBF\xBD\"", false},
    {"a continuation byte alone", "\x80z", "\"\xEF\xBF\xBDz\"", false},
    {"overlong", "\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\"", false},
    {"overlong of three", "\xE0\x80\xAF",
     "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"", false},
    {"a surrogate", "\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"",
     false},
    {"above U+10FFFF", "\xF4\x90\x80\x80",
     "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"", false},
    {"U+10FFFF", "\xF4\x8F\xBF\xBF", "\"\xF4\x8F\xBF\xBF\"", true},
    {"bytes above 0xF4", "\xF5\xFF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\"", false},
};

TEST(JsonString, KeepsUtf8EscapesControlsAndReplacesTheRest) {
  for (const StringCase& c : kStrings) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(jsonString(c.bytes), c.json);
    EXPECT_EQ(isUtf8(c.bytes), c.utf8);
    EXPECT_TRUE(isUtf8(jsonString(c.bytes)));
  }
}

// Any bytes come out as a string a strict parser takes: UTF-8 with no raw
// control byte, its quotes and backslashes paired.
TEST(JsonString, MakesValidJsonOfAnyBytes) {
  std::mt19937 engine(20261209);
  for (int k = 0; k < 20000; ++k) {
    std::string bytes(engine() % 12, '\0');
    for (char& byte : bytes) byte = static_cast<char>(engine() & 0xFF);
    const std::string json = jsonString(bytes);
    ASSERT_TRUE(isUtf8(json)) << hexOf(bytes);
    ASSERT_TRUE(json.size() >= 2 && json.front() == '"' && json.back() == '"');
    for (size_t at = 1; at + 1 < json.size(); ++at) {
      const auto byte = static_cast<unsigned char>(json[at]);
      ASSERT_FALSE(byte < 0x20 || byte == 0x7F) << hexOf(bytes);
      if (byte == '\\') {
        ++at;  // the escaped byte
      } else {
        ASSERT_NE(byte, '"') << hexOf(bytes);
      }
    }
  }
}

TEST(JsonLine, NestsMembersAndGivesBytesBackInHex) {
  JsonLine json;
  json.text("type", "summary")
      .number("airports", 18446744073709551615U)
      .flag("cut", true)
      .null("line")
      .openArray("files")
      .openObject()
      .bytes("file", "caf\xE9")
      .openObject("findings")
      .number("count", 0)
      .closeObject()
      .closeObject()
      .openObject()
      .bytes("file", "a")
      .closeObject()
      .closeArray()
      .openArray("none")
      .closeArray();

  EXPECT_EQ(
      json.line(),
      "{\"type\":\"summary\",\"airports\":18446744073709551615,"
      "\"cut\":true,\"line\":null,\"files\":[{\"file\":\"caf\xEF\xBF\xBD\","
      "\"file_hex\":\"636166e9\",\"findings\":{\"count\":0}},"
      "{\"file\":\"a\"}],\"none\":[]}\n");
  EXPECT_EQ(hexOf("\x00\xFF"s), "00ff");
}

}  // namespace
}  // namespace driver
