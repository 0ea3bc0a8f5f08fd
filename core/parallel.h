// Work split over the processor's cores, for the long loops of a run.
#ifndef CORE_PARALLEL_H_
#define CORE_PARALLEL_H_

#include <cstddef>
#include <functional>

namespace core {

// Calls work(begin, end) on contiguous ranges that together cover [0, count)
// exactly once, one range per hardware thread (the calling thread takes the
// first), and returns when every range is done. Counts below twice minimum
// stay on the calling thread in one range. The ranges must touch disjoint
// data, so the result never depends on how many threads ran. If a thread
// cannot be started, its range runs on the calling thread; if work throws,
// the first exception (in range order) is rethrown after all have ended.
void forEachRange(size_t count, size_t minimum,
                  const std::function<void(size_t begin, size_t end)>& work);

}  // namespace core

#endif  // CORE_PARALLEL_H_
