// The one way output lines are written: buffered, each line ended by CR LF.
#include "core/line_sink.h"

#include "core/numbers.h"

namespace core {
namespace {

constexpr std::string_view kLineEnd = "\r\n";  // the same bytes everywhere
constexpr size_t kBlockSize = size_t{1} << 20;

}  // namespace

LineSink::LineSink(std::FILE* file) : file_(file) {
  buffer_.reserve(kBlockSize + 4096);
}

LineSink& LineSink::text(std::string_view value) {
  buffer_.append(value);
  return *this;
}

LineSink& LineSink::integer(int64_t value) {
  char digits[kMaxNumberText];
  buffer_.append(digits, writeInteger(digits, value));
  return *this;
}

LineSink& LineSink::count(uint64_t value) {
  // A count is never negative; values past int64 cannot be held in memory.
  return integer(static_cast<int64_t>(value));
}

LineSink& LineSink::decimal(double value) {
  char digits[kMaxNumberText];
  buffer_.append(digits, writeDecimal(digits, value));
  return *this;
}

void LineSink::endLine() {
  buffer_.append(kLineEnd);
  flushIfFull();
}

void LineSink::flushIfFull() {
  if (file_ != nullptr && buffer_.size() >= kBlockSize) writeBuffer();
}

void LineSink::writeBuffer() {
  if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
    failed_ = true;
  }
  buffer_.clear();
}

bool LineSink::finish() {
  if (file_ != nullptr) {
    if (!buffer_.empty()) writeBuffer();
    if (std::fflush(file_) != 0) failed_ = true;
  }
  return !failed_;
}

}  // namespace core
