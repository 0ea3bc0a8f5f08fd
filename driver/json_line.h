// One JSON object on one line, written member by member: what the programs
// say on standard error when a program, not a person, reads it. Any bytes
// may go in; what comes out is always valid UTF-8 JSON.
#ifndef DRIVER_JSON_LINE_H_
#define DRIVER_JSON_LINE_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace driver {

// True when bytes are well-formed UTF-8: no overlong form, no surrogate,
// nothing above U+10FFFF.
bool isUtf8(std::string_view bytes);

// bytes as a JSON string, quotes included: well-formed UTF-8 as it is; a
// byte that is not part of it as U+FFFD; the control bytes (below 0x20, and
// DEL) escaped, as \n, \t, \r, \b, \f or \u00XX; quote and backslash
// escaped.
std::string jsonString(std::string_view bytes);

// Each byte as two lowercase hex digits.
std::string hexOf(std::string_view bytes);

// Builds one object. Members come in the order they are added; objects and
// arrays nest with open... and close.
class JsonLine {
 public:
  JsonLine() { text_ = "{"; }

  JsonLine& text(std::string_view name, std::string_view bytes);
  // text, and NAME_hex with the bytes in hex when they are not UTF-8, so
  // that a reader gets a file's own bytes back.
  JsonLine& bytes(std::string_view name, std::string_view bytes);
  JsonLine& number(std::string_view name, uint64_t value);
  JsonLine& flag(std::string_view name, bool value);
  JsonLine& null(std::string_view name);
  // An object or array as the value of name; an empty name opens one as an
  // element of the array open now.
  JsonLine& openObject(std::string_view name = {});
  JsonLine& openArray(std::string_view name);
  JsonLine& closeObject();
  JsonLine& closeArray();

  // The object closed, with its line feed; the builder is spent.
  std::string line();

 private:
  void name(std::string_view name);

  std::string text_;
};

}  // namespace driver

#endif  // DRIVER_JSON_LINE_H_
