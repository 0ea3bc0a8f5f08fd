// Work split over the processor's cores, for the long loops of a run.
#include "core/parallel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace core {
namespace {

// More threads than this only add start-up cost for runs of our size.
constexpr size_t kMaxThreads = 8;

// Returns once done() is true, or false after about a millisecond. A thread
// that sleeps may take milliseconds to be woken on a busy or virtual
// machine, while the next call or the last task is often microseconds away.
template <typename Done>
bool watchBriefly(Done done) {
  const auto until =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(1);
  for (unsigned i = 1;; ++i) {
    if (done()) return true;
    if (i % 64 == 0 && std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::yield();  // lets any other thread of this core run
  }
}

size_t threadsToUse() {
  // Asked once: the answer comes from a system file on some systems.
  static const size_t threads =
      std::clamp<size_t>(std::thread::hardware_concurrency(), 1, kMaxThreads);
  return threads;
}

// Threads started once, on first use, that wait for work between calls.
// Waking a waiting thread takes microseconds; a new thread may first wait
// for the time slice of the core that started it to end (milliseconds, on
// every call).
class Workers {
 public:
  // The process's workers, one per core. Never destroyed: at exit the
  // system ends them where they wait.
  static Workers& shared() {
    static Workers* const workers = new Workers(threadsToUse());
    return *workers;
  }

  // Workers a call from this thread gets: none inside a task, or when the
  // system gave no thread.
  size_t available() const { return insideTask ? 0 : started_; }

  // Calls task(0) here and task(1) to task(n - 1) on the workers, at once
  // for n - 1 <= available(), and returns when all have returned. Calls from
  // several threads take turns; a call from inside a task runs every task
  // here, in turn. task(k) for k >= 1 must not throw; if task(0) throws,
  // the others still end before the exception leaves.
  void run(size_t n, const std::function<void(size_t)>& task) {
    if (available() == 0) {
      for (size_t k = 0; k < n; ++k) task(k);
      return;
    }
    const std::lock_guard<std::mutex> turn(turn_);
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      task_ = &task;
      next_ = 1;
      end_ = n;
      pending_ = n - 1;
      ++generation_;
    }
    wake_.notify_all();
    struct WaitForWorkers {
      Workers& workers;
      ~WaitForWorkers() {
        watchBriefly([this] { return workers.pending_.load() == 0; });
        std::unique_lock<std::mutex> lock(workers.mutex_);
        workers.done_.wait(lock, [this] { return workers.pending_ == 0; });
      }
    } waitForWorkers{*this};
    // Task 0 is a task too: a call from inside it must not wait for this
    // call's turn.
    insideTask = true;
    struct LeaveTask {
      ~LeaveTask() { insideTask = false; }
    } leaveTask;
    task(0);
  }

 private:
  explicit Workers(size_t count) {
    for (size_t k = 0; k < count; ++k) {
      try {
        std::thread([this] { work(); }).detach();
        ++started_;
      } catch (...) {
        break;  // no more threads to be had; those started will do
      }
    }
  }

  void work() {
    insideTask = true;
    uint64_t seen = 0;
    bool worked = false;  // in the last call
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      if (worked) {
        // The phases of a run follow each other closely.
        lock.unlock();
        watchBriefly([&] { return generation_.load() != seen; });
        lock.lock();
      }
      wake_.wait(lock, [&] { return generation_ != seen; });
      seen = generation_;
      worked = next_ < end_;
      while (next_ < end_) {
        const size_t k = next_++;
        const std::function<void(size_t)>& task = *task_;
        lock.unlock();
        task(k);
        lock.lock();
        if (--pending_ == 0) done_.notify_all();
      }
    }
  }

  static thread_local bool insideTask;

  size_t started_ = 0;  // workers running
  std::mutex turn_;     // held by the call being run
  std::mutex mutex_;
  std::condition_variable wake_;  // a new call
  std::condition_variable done_;  // its last worker task returned
  const std::function<void(size_t)>* task_ = nullptr;
  size_t next_ = 0;  // the next task to start
  size_t end_ = 0;
  // Changed under mutex_; also watched without it.
  std::atomic<size_t> pending_ = 0;  // worker tasks not yet returned
  std::atomic<uint64_t> generation_ = 0;
};

thread_local bool Workers::insideTask = false;

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

void forEachPiece(size_t count, const std::function<void(size_t k)>& work) {
  const size_t threads = std::min(threadsToUse(), count);
  if (threads <= 1) {
    for (size_t k = 0; k < count; ++k) work(k);
    return;
  }
  std::atomic<size_t> next{0};
  std::atomic<bool> failed{false};
  std::mutex errorMutex;
  std::exception_ptr error;
  size_t errorAt = count;
  Workers::shared().run(threads, [&](size_t) {
    for (size_t k = next++; k < count && !failed; k = next++) {
      try {
        work(k);
      } catch (...) {
        const std::lock_guard<std::mutex> lock(errorMutex);
        if (k < errorAt) {
          error = std::current_exception();
          errorAt = k;
        }
        failed = true;
      }
    }
  });
  if (error) std::rethrow_exception(error);
}

void writeInOrder(LineSink& out, size_t count, size_t piece,
                  const std::function<void(LineSink& sink, size_t begin,
                                           size_t end)>& write) {
  piece = std::max<size_t>(piece, 1);
  const size_t pieces = count / piece + (count % piece != 0 ? 1 : 0);
  Workers& workers = Workers::shared();
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

}  // namespace core
