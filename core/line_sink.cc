// The one way output lines are written: buffered, each line ended by CR LF.
#include "core/line_sink.h"

#include <algorithm>

namespace core {

LineSink::LineSink() {
  buffer_.resize(4096);
  end_ = begin();
  limit_ = end_ + buffer_.size();
}

LineSink::LineSink(std::FILE* file) : file_(file) {
  // One block and the longest line that can follow it before the next
  // check; longer texts grow the buffer.
  buffer_.resize(kBlockSize + 4096);
  end_ = begin();
  limit_ = end_ + buffer_.size();
}

void LineSink::makeRoom(size_t bytes) {
  if (file_ != nullptr && used() >= kBlockSize) writeBuffer();
  if (bytes <= room()) return;
  const size_t size = used();
  buffer_.resize(std::max(buffer_.size() * 2, size + bytes));
  end_ = begin() + size;
  limit_ = begin() + buffer_.size();
}

void LineSink::writeBuffer() {
  const size_t size = used();
  if (size > 0 && std::fwrite(begin(), 1, size, file_) != size) failed_ = true;
  end_ = begin();
}

bool LineSink::finish() {
  if (file_ != nullptr) {
    writeBuffer();
    if (std::fflush(file_) != 0) failed_ = true;
  }
  return !failed_;
}

const std::string& LineSink::collected() const {
  // The buffer is kept at its capacity; cut it to the bytes written, and let
  // the next write grow it again.
  const size_t size = used();
  buffer_.resize(size);
  end_ = begin() + size;
  limit_ = end_;
  return buffer_;
}

}  // namespace core
