// Work split over the processor's cores, for the long loops of a run.
#ifndef CORE_PARALLEL_H_
#define CORE_PARALLEL_H_

#include <algorithm>
#include <cstddef>
#include <functional>
#include <iterator>
#include <vector>

#include "core/line_sink.h"
#include "core/platform.h"

namespace core {

// Calls work(k) once for every k in [0, count), on every core, and returns
// when every call has returned. Each thread takes the next k not yet taken,
// so a thread that starts late or meets slow pieces simply takes fewer. The
// calls must touch disjoint data, so the result never depends on how many
// threads ran or which took what. If work throws, no further k is started,
// and the exception of the lowest k that threw is rethrown once every call
// has ended.
void forEachPiece(size_t count, const std::function<void(size_t k)>& work);

// Cuts [0, count) into contiguous pieces of at least minimum (fewer when
// count is small), calls collect(begin, end, found) for every piece on every
// core, each piece with a vector of its own, and appends the vectors to
// results in piece order: the results of collect(0, count, results), if
// collect's results for a range are those of its pieces one after another.
template <typename T>
void collectInOrder(size_t count, size_t minimum,
                    const std::function<void(size_t begin, size_t end,
                                             std::vector<T>& found)>& collect,
                    std::vector<T>& results) {
  // Enough pieces to even out the cores, few enough to cost nothing.
  constexpr size_t kMaxPieces = 64;
  const size_t pieces =
      std::clamp<size_t>(count / std::max<size_t>(minimum, 1), 1, kMaxPieces);
  if (pieces == 1) {
    collect(0, count, results);
    return;
  }
  std::vector<std::vector<T>> found(pieces);
  forEachPiece(pieces, [&](size_t k) {
    collect(count * k / pieces, count * (k + 1) / pieces, found[k]);
  });
  size_t total = results.size();
  for (const std::vector<T>& piece : found) total += piece.size();
  const size_t before = results.size();
  results.reserve(total);
  adviseLargeBuffer(results.data() + before, (total - before) * sizeof(T));
  for (std::vector<T>& piece : found) {
    std::move(piece.begin(), piece.end(), std::back_inserter(results));
    std::vector<T>().swap(piece);  // its room goes back as results grows
  }
}

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

}  // namespace core

#endif  // CORE_PARALLEL_H_
