// The airport records both programs read into and write from.
#ifndef CORE_RECORDS_H_
#define CORE_RECORDS_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace core {

// A text of a record: an immutable byte string that owns its bytes, in 16
// bytes (half a std::string). Up to 15 bytes are held inline, followed by a
// NUL (for a 15-byte text the tag byte, then 0, is that NUL); a longer text
// lives in one heap block of exactly its size, after an 8-byte length and
// before a NUL. Copies are deep, so records that hold texts are plain values.
// Reads as a std::string_view or a std::string, compares and concatenates
// like a std::string.
class Text {
 public:
  Text() noexcept { setInline(0); }
  Text(std::string_view text) {
    init(text);
  }  // NOLINT: implicit, as std::string
  Text(const char* text) { init(std::string_view(text)); }  // NOLINT
  Text(const std::string& text) { init(text); }             // NOLINT
  Text(const Text& other) { init(other.view()); }
  Text(Text&& other) noexcept {
    std::memcpy(raw_, other.raw_, sizeof raw_);
    other.setInline(0);
  }
  Text& operator=(const Text& other) {
    if (this != &other) assign(other.view());
    return *this;
  }
  Text& operator=(Text&& other) noexcept {
    if (this != &other) {
      release();
      std::memcpy(raw_, other.raw_, sizeof raw_);
      other.setInline(0);
    }
    return *this;
  }
  Text& operator=(std::string_view text) { return assign(text); }
  Text& operator=(const char* text) { return assign(std::string_view(text)); }
  Text& operator=(const std::string& text) { return assign(text); }
  ~Text() { release(); }

  Text& assign(std::string_view text) {
    if (text.size() <= kInline && isInline()) {
      // memmove: text may be this text's own bytes.
      if (!text.empty()) std::memmove(raw_, text.data(), text.size());
      setInline(text.size());
      return *this;
    }
    Text copy(text);
    return *this = std::move(copy);
  }

  const char* data() const {
    return isInline() ? reinterpret_cast<const char*>(raw_) : block() + kLength;
  }
  const char* c_str() const { return data(); }
  size_t size() const {
    if (isInline()) return kInline - raw_[kTag];
    uint64_t length = 0;
    std::memcpy(&length, block(), kLength);
    return static_cast<size_t>(length);
  }
  size_t length() const { return size(); }
  bool empty() const { return size() == 0; }
  const char* begin() const { return data(); }
  const char* end() const { return data() + size(); }
  char operator[](size_t i) const { return data()[i]; }
  char front() const { return data()[0]; }
  char back() const { return data()[size() - 1]; }
  size_t find(char c, size_t from = 0) const { return view().find(c, from); }
  size_t find(std::string_view text, size_t from = 0) const {
    return view().find(text, from);
  }
  std::string substr(size_t from = 0, size_t count = std::string::npos) const {
    return std::string(view().substr(from, count));
  }
  std::string_view view() const { return std::string_view(data(), size()); }
  operator std::string_view() const { return view(); }  // NOLINT: implicit
  operator std::string() const { return str(); }        // NOLINT: implicit
  std::string str() const { return std::string(view()); }

  friend bool operator==(const Text& a, const Text& b) {
    return a.view() == b.view();
  }
  friend bool operator==(const Text& a, std::string_view b) {
    return a.view() == b;
  }
  friend bool operator==(const Text& a, const char* b) { return a.view() == b; }
  friend bool operator==(const Text& a, const std::string& b) {
    return a.view() == b;
  }
  friend auto operator<=>(const Text& a, const Text& b) {
    return a.view() <=> b.view();
  }

  friend std::string operator+(const Text& a, const Text& b) {
    return join(a, b);
  }
  friend std::string operator+(const Text& a, std::string_view b) {
    return join(a, b);
  }
  friend std::string operator+(const Text& a, const char* b) {
    return join(a, b);
  }
  friend std::string operator+(const Text& a, const std::string& b) {
    return join(a, b);
  }
  friend std::string operator+(const Text& a, char b) {
    return join(a, {&b, 1});
  }
  friend std::string operator+(std::string_view a, const Text& b) {
    return join(a, b);
  }
  friend std::string operator+(const char* a, const Text& b) {
    return join(a, b);
  }
  friend std::string operator+(const std::string& a, const Text& b) {
    return join(a, b);
  }
  friend std::string operator+(char a, const Text& b) {
    return join({&a, 1}, b);
  }

  // Any output stream that takes a std::string_view (std::ostream included)
  // takes a Text.
  template <typename Stream>
  friend auto operator<<(Stream& out, const Text& text)
      -> decltype(out << std::string_view()) {
    return out << text.view();
  }

 private:
  static constexpr size_t kInline = 15;  // bytes held inline
  static constexpr size_t kTag = 15;     // kInline - size, or kHeap
  static constexpr unsigned char kHeap = 0xff;
  static constexpr size_t kLength = sizeof(uint64_t);

  static std::string join(std::string_view a, std::string_view b) {
    std::string joined;
    joined.reserve(a.size() + b.size());
    joined.append(a).append(b);
    return joined;
  }

  bool isInline() const { return raw_[kTag] != kHeap; }
  // For an inline text of size bytes: the NUL after them and the tag.
  void setInline(size_t size) {
    raw_[size] = 0;
    raw_[kTag] = static_cast<unsigned char>(kInline - size);
  }
  char* block() const {
    char* pointer = nullptr;
    std::memcpy(&pointer, raw_, sizeof pointer);
    return pointer;
  }
  void init(std::string_view text) {
    if (text.size() <= kInline) {
      if (!text.empty()) std::memcpy(raw_, text.data(), text.size());
      setInline(text.size());
      return;
    }
    char* pointer = new char[kLength + text.size() + 1];
    const uint64_t length = text.size();
    std::memcpy(pointer, &length, kLength);
    std::memcpy(pointer + kLength, text.data(), text.size());
    pointer[kLength + text.size()] = 0;
    std::memcpy(raw_, &pointer, sizeof pointer);
    raw_[kTag] = kHeap;
  }
  void release() {
    if (!isInline()) delete[] block();
    setInline(0);
  }

  static_assert(sizeof(char*) < kTag, "a pointer must fit before the tag");
  alignas(8) unsigned char raw_[16];
};

// One obstacle in the take-off area of a runway direction.
struct Obstacle {
  double distance = 0;         // along the runway direction
  double elevation = 0;        // of the obstacle top
  double lateralDistance = 0;  // from the extended runway axis
  bool operator==(const Obstacle&) const = default;
};

// One take-off and landing direction of a physical runway.
struct Runway {
  Text ident;       // runway designator
  Text toComments;  // take-off remarks
  Text ldComments;  // landing remarks
  Text strength;    // bearing strength (PCN) as text
  Text lastUpdate;  // date of the runway data, as written in the input
  double width = 0;
  double magneticHeading = 0;  // degrees
  double thresholdElevation = 0;
  double tora = 0;   // take-off run available
  double toda = 0;   // take-off distance available
  double asda = 0;   // accelerate-stop distance available
  double lda = 0;    // landing distance available
  double slope = 0;  // percent
  std::vector<Obstacle> obstacles;
  bool operator==(const Runway&) const = default;
};

// One airport with its runway directions, in input order.
struct Airport {
  Text icao;
  Text iata;
  Text name;
  Text city;
  Text state;
  Text lastUpdate;  // as written in the input
  double elevation = 0;
  std::vector<Runway> runways;
  bool operator==(const Airport&) const = default;
};

}  // namespace core

#endif  // CORE_RECORDS_H_
