// Work split over the processor's cores, for the long loops of a run.
#include "core/parallel.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace core {
namespace {

// More threads than this only add start-up cost for runs of our size.
constexpr size_t kMaxThreads = 8;

size_t threadsToUse() {
  return std::clamp<size_t>(std::thread::hardware_concurrency(), 1,
                            kMaxThreads);
}

// Pieces of output numbered 0, 1, ...: threads claim the next piece and
// write it into a slot of a ring, the caller copies the pieces out in order
// and frees their slots. A piece is claimed only when its slot is free.
class PieceRing {
 public:
  PieceRing(size_t pieces, size_t slots)
      : pieces_(pieces), slots_(slots), ready_(slots, false) {}

  // The next piece to write, or false when none is left or the run stopped.
  bool claim(size_t& piece) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] {
      return stopped_ || next_ >= pieces_ || next_ < copied_ + slots_.size();
    });
    if (stopped_ || next_ >= pieces_) return false;
    piece = next_++;
    return true;
  }
  LineSink& slot(size_t piece) { return slots_[piece % slots_.size()]; }
  void written(size_t piece) { mark(piece, true); }

  // Waits until piece is written; false when the run stopped first.
  bool waitFor(size_t piece) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock,
                  [&] { return stopped_ || ready_[piece % slots_.size()]; });
    return ready_[piece % slots_.size()];
  }
  void copied(size_t piece) { mark(piece, false); }

  void stop() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stopped_ = true;
    }
    changed_.notify_all();
  }

 private:
  void mark(size_t piece, bool ready) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      ready_[piece % slots_.size()] = ready;
      if (!ready) ++copied_;
    }
    changed_.notify_all();
  }

  const size_t pieces_;
  std::vector<LineSink> slots_;
  std::vector<bool> ready_;  // per slot: holds a written piece
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t next_ = 0;    // the next piece to claim
  size_t copied_ = 0;  // pieces copied out so far
  bool stopped_ = false;
};

}  // namespace

void forEachRange(size_t count, size_t minimum,
                  const std::function<void(size_t begin, size_t end)>& work) {
  const size_t threads =
      std::min(threadsToUse(), count / std::max<size_t>(minimum, 1));
  if (threads <= 1) {
    work(0, count);
    return;
  }
  std::vector<std::exception_ptr> errors(threads);
  const auto runRange = [&](size_t k) {
    try {
      work(count * k / threads, count * (k + 1) / threads);
    } catch (...) {
      errors[k] = std::current_exception();
    }
  };
  std::vector<std::thread> helpers;
  helpers.reserve(threads - 1);
  for (size_t k = 1; k < threads; ++k) {
    try {
      helpers.emplace_back(runRange, k);
    } catch (...) {
      // No thread to be had (a process or memory limit): the work is done
      // all the same, here.
      runRange(k);
    }
  }
  runRange(0);
  for (std::thread& helper : helpers) helper.join();
  for (const std::exception_ptr& error : errors) {
    if (error) std::rethrow_exception(error);
  }
}

void writeInOrder(LineSink& out, size_t count, size_t piece,
                  const std::function<void(LineSink& sink, size_t begin,
                                           size_t end)>& write) {
  piece = std::max<size_t>(piece, 1);
  const size_t pieces = count / piece + (count % piece != 0 ? 1 : 0);
  const size_t threads = std::min(threadsToUse(), pieces);
  if (threads <= 1) {
    write(out, 0, count);
    return;
  }
  PieceRing ring(pieces, 2 * threads);
  std::exception_ptr error;
  std::mutex errorMutex;
  const auto writePieces = [&] {
    try {
      size_t k = 0;
      while (ring.claim(k)) {
        LineSink& sink = ring.slot(k);
        sink.clear();
        const size_t begin = k * piece;
        write(sink, begin, std::min(count, begin + piece));
        ring.written(k);
      }
    } catch (...) {
      {
        const std::lock_guard<std::mutex> lock(errorMutex);
        if (!error) error = std::current_exception();
      }
      ring.stop();
    }
  };
  std::vector<std::thread> writers;
  writers.reserve(threads);
  for (size_t k = 0; k < threads; ++k) {
    try {
      writers.emplace_back(writePieces);
    } catch (...) {
      break;  // no more threads to be had; those started do every piece
    }
  }
  if (writers.empty()) {
    write(out, 0, count);
    return;
  }
  try {
    for (size_t k = 0; k < pieces && ring.waitFor(k); ++k) {
      out.append(ring.slot(k).view());
      ring.copied(k);
    }
  } catch (...) {
    ring.stop();
    for (std::thread& writer : writers) writer.join();
    throw;
  }
  for (std::thread& writer : writers) writer.join();
  if (error) std::rethrow_exception(error);
}

}  // namespace core
