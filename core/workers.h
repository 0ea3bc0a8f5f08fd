// The worker threads of a run and the work split over them.
#ifndef CORE_WORKERS_H_
#define CORE_WORKERS_H_

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>

namespace core {

// Threads started once, on first use, that wait for work between calls.
// Waking a waiting thread takes microseconds; a new thread may first wait
// for the time slice of the core that started it to end (milliseconds, on
// every call).
class Workers {
 public:
  // The process's workers, one per core. Never destroyed: at exit the
  // system ends them where they wait.
  static Workers& shared();

  // Workers a call from this thread gets: none inside a task, or when the
  // system gave no thread.
  size_t available() const;

  // Calls task(0) here and task(1) to task(n - 1) on the workers, at once
  // for n - 1 <= available(), and returns when all have returned. Calls from
  // several threads take turns; a call from inside a task runs every task
  // here, in turn. task(k) for k >= 1 must not throw; if task(0) throws,
  // the others still end before the exception leaves.
  void run(size_t n, const std::function<void(size_t)>& task);

  Workers(const Workers&) = delete;
  Workers& operator=(const Workers&) = delete;

 private:
  explicit Workers(size_t count);
  void work();
  void waitForPending();

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

// The threads a run uses at most: one per core, no more than eight.
size_t threadsToUse();

// Calls work(k) once for every k in [0, count), on every core, and returns
// when every call has returned. Each thread takes the next k not yet taken,
// so a thread that starts late or meets slow pieces simply takes fewer. The
// calls must touch disjoint data, so the result never depends on how many
// threads ran or which took what. If work throws, no further k is started,
// and the exception of the lowest k that threw is rethrown once every call
// has ended.
void forEachPiece(size_t count, const std::function<void(size_t k)>& work);

}  // namespace core

#endif  // CORE_WORKERS_H_
