// The one way output lines are written: in memory, each ended by CR LF.
#include "apb/line_sink.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace apb {

LineSink::LineSink(size_t capacity) { grow(std::max<size_t>(capacity, 64)); }

LineSink::~LineSink() = default;

void LineSink::makeRoom(size_t bytes) {
  if (bytes <= room()) return;
  grow(std::max(buffer_.capacity * 2, used() + bytes));
}

void LineSink::grow(size_t capacity) {
  const size_t size = used();
  Buffer bigger{std::make_unique_for_overwrite<char[]>(capacity), capacity};
  if (size > 0) std::memcpy(bigger.bytes.get(), begin(), size);
  buffer_ = std::move(bigger);
  end_ = begin() + size;
  limit_ = begin() + capacity;
}

}  // namespace apb
