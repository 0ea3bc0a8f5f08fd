// Output written a slice at a time on every core, joined in order.
#ifndef APB_ORDERED_WRITING_H_
#define APB_ORDERED_WRITING_H_

#include <cstddef>
#include <functional>

#include "apb/line_sink.h"

namespace apb {

// Writes the lines of count items to out, in item order, as
// write(sink, begin, end) writes those of items [begin, end). Pieces of
// `piece` items are written into memory sinks by one thread per core and
// appended to out in order as they become ready (a file sink writes a long
// piece straight to its file), with at most two pieces per thread held at a
// time. out receives the bytes that write(out, 0, count)
// would give, whatever the number of threads. If write throws, the first
// exception is rethrown once every thread has ended.
void writeInOrder(
    LineSink& out, size_t count, size_t piece,
    const std::function<void(LineSink& sink, size_t begin, size_t end)>& write);

}  // namespace apb

#endif  // APB_ORDERED_WRITING_H_
