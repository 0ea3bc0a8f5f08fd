// The one way output lines are written: in memory, each ended by CR LF.
#include "apb/line_sink.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace apb {

LineSink::LineSink(size_t capacity) {
  makeRoom(std::max<size_t>(capacity, 64));
}

LineSink::~LineSink() = default;

void LineSink::makeRoom(size_t bytes) {
  if (bytes <= room()) return;
  const size_t used = size();
  const size_t capacity =
      std::max(2 * static_cast<size_t>(limit_ - begin()), used + bytes);
  auto bigger = std::make_unique_for_overwrite<char[]>(capacity);
  if (used > 0) std::memcpy(bigger.get(), begin(), used);
  buffer_ = std::move(bigger);
  end_ = begin() + used;
  limit_ = begin() + capacity;
}

}  // namespace apb
