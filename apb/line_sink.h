// The one way output lines are written: in memory, each ended by CR LF.
#ifndef APB_LINE_SINK_H_
#define APB_LINE_SINK_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "core/numbers/numbers.h"

namespace apb {

// Collects output lines in memory, each ended by CR LF on every platform:
// the lines of the airports of one chunk of input, passed on to "APB" in
// order once the chunk is read.
class LineSink {
 public:
  // Room for capacity bytes is set aside at once (untouched until written),
  // more on demand.
  explicit LineSink(size_t capacity = 4096);
  LineSink(const LineSink&) = delete;
  LineSink& operator=(const LineSink&) = delete;
  ~LineSink();

  LineSink& text(std::string_view value) {
    if (value.size() > room()) makeRoom(value.size());
    if (!value.empty()) std::memcpy(end_, value.data(), value.size());
    end_ += value.size();
    return *this;
  }
  // A literal: its length is known where the call is compiled, so the copy
  // is a few moves. (Up to its first NUL, as for any C string.)
  template <size_t N>
  LineSink& text(const char (&literal)[N]) {
    const size_t size = std::char_traits<char>::length(literal);
    if (size > room()) makeRoom(size);
    std::memcpy(end_, literal, size);
    end_ += size;
    return *this;
  }
  // roundToInt results and other signed whole numbers.
  LineSink& integer(int64_t value) {
    if (room() < core::kMaxNumberText) makeRoom(core::kMaxNumberText);
    end_ = core::writeInteger(end_, value);
    return *this;
  }
  // Counts.
  LineSink& count(uint64_t value) {
    // A count is never negative; values past int64 cannot be held in memory.
    return integer(static_cast<int64_t>(value));
  }
  // The default floating-point form of writeDecimal.
  LineSink& decimal(double value) {
    if (room() < core::kMaxNumberText) makeRoom(core::kMaxNumberText);
    end_ = core::writeDecimal(end_, value);
    return *this;
  }
  // Direct writing: returns where at least bytes free bytes begin; write
  // there and pass the end of what was written to commit().
  char* reserve(size_t bytes) {
    if (room() < bytes) makeRoom(bytes);
    return end_;
  }
  void commit(char* end) { end_ = end; }
  void endLine() {
    if (room() < 2) makeRoom(2);
    end_[0] = '\r';
    end_[1] = '\n';
    end_ += 2;
  }

  // What the sink holds, valid until the next write or clear().
  std::string_view view() const { return {begin(), size()}; }
  // Empties the sink and keeps its room for the next lines.
  void clear() { end_ = begin(); }
  // The bytes the sink holds.
  size_t size() const { return static_cast<size_t>(end_ - begin()); }

 private:
  size_t room() const { return static_cast<size_t>(limit_ - end_); }
  char* begin() const { return buffer_.get(); }
  // Makes room for at least bytes more bytes: moves what was written into
  // a buffer of twice the size, or more when bytes need it.
  void makeRoom(size_t bytes);

  // The bytes written so far are buffer_[0, end_); limit_ is its end. Left
  // uninitialized: pages the sink never writes are never touched.
  std::unique_ptr<char[]> buffer_;
  char* end_ = nullptr;
  char* limit_ = nullptr;
};

}  // namespace apb

#endif  // APB_LINE_SINK_H_
