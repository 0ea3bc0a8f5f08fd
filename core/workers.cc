// The worker threads of a run and the work split over them.
#include "core/workers.h"

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

#include "core/platform.h"

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

// True on the threads of the workers, and on the calling thread while it
// runs its task 0.
thread_local bool insideTask = false;

}  // namespace

size_t threadsToUse() {
  // Asked once: the answer comes from a system file on some systems.
  static const size_t threads =
      std::clamp<size_t>(std::thread::hardware_concurrency(), 1, kMaxThreads);
  return threads;
}

Workers& Workers::shared() {
  static Workers* const workers = new Workers(threadsToUse());
  return *workers;
}

size_t Workers::available() const { return insideTask ? 0 : started_; }

void Workers::waitForPending() {
  watchBriefly([this] { return pending_.load() == 0; });
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [this] { return pending_ == 0; });
}

void Workers::run(size_t n, const std::function<void(size_t)>& task) {
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
    ~WaitForWorkers() { workers.waitForPending(); }
  } waitForWorkers{*this};
  // Task 0 is a task too: a call from inside it must not wait for this
  // call's turn.
  insideTask = true;
  struct LeaveTask {
    ~LeaveTask() { insideTask = false; }
  } leaveTask;
  task(0);
}

Workers::Workers(size_t count) {
  // The workers never take a signal that ends the program: it goes to the
  // main thread, which holds such signals back while it makes or renames a
  // file (detail::HeldSignals), and a worker must not run the handler in
  // the middle of that. Threads start with the mask of their maker.
  const detail::HeldSignals held;
  for (size_t k = 0; k < count; ++k) {
    try {
      std::thread([this] { work(); }).detach();
      ++started_;
    } catch (...) {
      break;  // no more threads to be had; those started will do
    }
  }
}

void Workers::work() {
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

}  // namespace core
