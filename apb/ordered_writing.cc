// Output written a slice at a time on every core, joined in order.
#include "apb/ordered_writing.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

#include "core/workers.h"

namespace apb {
namespace {

// Pieces of output numbered 0, 1, ...: threads claim the next piece and
// write it into a slot of a ring, the caller passes the pieces on in order
// and frees their slots. A piece is claimed only when its slot is free.
class PieceRing {
 public:
  PieceRing(size_t pieces, size_t slots) : pieces_(pieces), ready_(slots) {
    // Room for a large piece from the start: growing a sink piece by piece
    // would copy and touch its pages twice over.
    constexpr size_t kPieceRoom = size_t{1} << 20;
    for (size_t k = 0; k < slots; ++k) {
      slots_.push_back(std::make_unique<LineSink>(kPieceRoom));
    }
  }

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
  LineSink& slot(size_t piece) { return *slots_[piece % slots_.size()]; }
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
  std::vector<std::unique_ptr<LineSink>> slots_;
  std::vector<bool> ready_;  // per slot: holds a written piece
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t next_ = 0;    // the next piece to claim
  size_t copied_ = 0;  // pieces copied out so far
  bool stopped_ = false;
};

}  // namespace

void writeInOrder(LineSink& out, size_t count, size_t piece,
                  const std::function<void(LineSink& sink, size_t begin,
                                           size_t end)>& write) {
  piece = std::max<size_t>(piece, 1);
  const size_t pieces = count / piece + (count % piece != 0 ? 1 : 0);
  core::Workers& workers = core::Workers::shared();
  const size_t writers = std::min(workers.available(), pieces);
  if (writers <= 1) {
    write(out, 0, count);
    return;
  }
  PieceRing ring(pieces, 2 * writers);
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
  const auto copyPieces = [&] {
    try {
      for (size_t k = 0; k < pieces && ring.waitFor(k); ++k) {
        out.append(ring.slot(k).view());
        ring.copied(k);
      }
    } catch (...) {
      ring.stop();
      throw;
    }
  };
  // Task 0, here, passes the pieces on to out; the workers write them.
  workers.run(1 + writers, [&](size_t k) {
    if (k == 0) {
      copyPieces();
    } else {
      writePieces();
    }
  });
  if (error) std::rethrow_exception(error);
}

}  // namespace apb
