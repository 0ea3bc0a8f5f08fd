// The one way output lines are written: buffered, each line ended by CR LF.
#ifndef CORE_LINE_SINK_H_
#define CORE_LINE_SINK_H_

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace core {

// Collects output lines in memory, or writes them through to an open file in
// large blocks. Every line ends with CR LF on every platform. A failed write
// is remembered, not reported, until finish().
class LineSink {
 public:
  // Collects everything in memory; see collected().
  LineSink() = default;
  // Writes to file (opened binary), which the caller closes after finish().
  explicit LineSink(std::FILE* file);
  LineSink(const LineSink&) = delete;
  LineSink& operator=(const LineSink&) = delete;

  LineSink& text(std::string_view value);
  // roundToInt results and other signed whole numbers.
  LineSink& integer(int64_t value);
  // Counts.
  LineSink& count(uint64_t value);
  // The default floating-point form of writeDecimal.
  LineSink& decimal(double value);
  void endLine();

  // Writes what is still buffered; true when every write succeeded.
  bool finish();
  // What a memory sink collected.
  const std::string& collected() const { return buffer_; }

 private:
  void flushIfFull();
  void writeBuffer();

  std::FILE* file_ = nullptr;
  std::string buffer_;
  bool failed_ = false;
};

}  // namespace core

#endif  // CORE_LINE_SINK_H_
