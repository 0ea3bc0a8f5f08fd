// One JSON object on one line.
#include "driver/json_line.h"

#include <utility>

namespace driver {
namespace {

// The length of the well-formed UTF-8 letter at the start of bytes, or 0
// when it starts with none.
size_t letterLength(std::string_view bytes) {
  const auto at = [&](size_t k) {
    return static_cast<unsigned char>(bytes[k]);
  };
  const unsigned char lead = at(0);
  if (lead < 0x80) return 1;
  size_t length = 0;
  // The allowed range of the second byte keeps out overlong forms,
  // surrogates and code points above U+10FFFF.
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (bytes.size() < length || at(1) < low || at(1) > high) return 0;
  for (size_t k = 2; k < length; ++k) {
    if ((at(k) & 0xC0) != 0x80) return 0;
  }
  return length;
}

constexpr char kHexDigits[] = "0123456789abcdef";

}  // namespace

bool isUtf8(std::string_view bytes) {
  while (!bytes.empty()) {
    const size_t length = letterLength(bytes);
    if (length == 0) return false;
    bytes.remove_prefix(length);
  }
  return true;
}

std::string jsonString(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + 2);
  out += '"';
  while (!bytes.empty()) {
    const auto byte = static_cast<unsigned char>(bytes[0]);
    const size_t length = letterLength(bytes);
    if (length == 0) {
      out += "\xEF\xBF\xBD";  // U+FFFD REPLACEMENT CHARACTER
      bytes.remove_prefix(1);
      continue;
    }
    if (byte < 0x20 || byte == 0x7F) {
      switch (byte) {
        case '\n':
          out += "\\n";
          break;
        case '\r':
          out += "\\r";
          break;
        case '\t':
          out += "\\t";
          break;
        case '\b':
          out += "\\b";
          break;
        case '\f':
          out += "\\f";
          break;
        default:
          out += "\\u00";
          out += kHexDigits[byte >> 4];
          out += kHexDigits[byte & 0xF];
      }
    } else if (byte == '"' || byte == '\\') {
      out += '\\';
      out += static_cast<char>(byte);
    } else {
      out.append(bytes.substr(0, length));
    }
    bytes.remove_prefix(length);
  }
  out += '"';
  return out;
}

std::string hexOf(std::string_view bytes) {
  std::string hex;
  hex.reserve(2 * bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    hex += kHexDigits[byte >> 4];
    hex += kHexDigits[byte & 0xF];
  }
  return hex;
}

void JsonLine::name(std::string_view name) {
  const char last = text_.back();
  if (last != '{' && last != '[') text_ += ',';
  if (name.empty()) return;
  text_ += jsonString(name);
  text_ += ':';
}

JsonLine& JsonLine::text(std::string_view name, std::string_view bytes) {
  this->name(name);
  text_ += jsonString(bytes);
  return *this;
}

JsonLine& JsonLine::bytes(std::string_view name, std::string_view bytes) {
  text(name, bytes);
  if (!isUtf8(bytes)) text(std::string(name) + "_hex", hexOf(bytes));
  return *this;
}

JsonLine& JsonLine::number(std::string_view name, uint64_t value) {
  this->name(name);
  text_ += std::to_string(value);
  return *this;
}

JsonLine& JsonLine::flag(std::string_view name, bool value) {
  this->name(name);
  text_ += value ? "true" : "false";
  return *this;
}

JsonLine& JsonLine::null(std::string_view name) {
  this->name(name);
  text_ += "null";
  return *this;
}

JsonLine& JsonLine::openObject(std::string_view name) {
  this->name(name);
  text_ += '{';
  return *this;
}

JsonLine& JsonLine::openArray(std::string_view name) {
  this->name(name);
  text_ += '[';
  return *this;
}

JsonLine& JsonLine::closeObject() {
  text_ += '}';
  return *this;
}

JsonLine& JsonLine::closeArray() {
  text_ += ']';
  return *this;
}

std::string JsonLine::line() {
  text_ += "}\n";
  return std::move(text_);
}

}  // namespace driver
