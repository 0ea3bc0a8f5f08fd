// The engine's threads and its one lock; in a build without threads
// (ENGINE_ONE_THREAD, for platforms such as WebAssembly) neither, and the
// engine runs on the calling thread alone.
#ifndef ENGINE_THREADS_H_
#define ENGINE_THREADS_H_

#include <cstddef>

#ifndef ENGINE_ONE_THREAD
#include <condition_variable>
#include <mutex>
#endif

namespace engine {

#ifdef ENGINE_ONE_THREAD
// One thread: nothing to lock, and no other thread to wait for.
struct Mutex {};
class Lock {
 public:
  explicit Lock(Mutex& /*mutex*/) {}
  void lock() { held_ = true; }
  void unlock() { held_ = false; }
  bool owns_lock() const { return held_; }

 private:
  bool held_ = true;
};
struct Changed {
  void notify_all() {}
  // The window never waits on one thread: something is always ready.
  [[noreturn]] void wait(Lock& lock);
};
#else
using Mutex = std::mutex;
using Lock = std::unique_lock<std::mutex>;
using Changed = std::condition_variable;
#endif

// The threads a conversion uses at most: one per core, no more than eight.
size_t threadsToUse();

// Calls work(context) on up to threads threads, this one among them, and
// returns once every call has returned; fewer when the system gives no more
// threads. work must not throw.
void onThreads(size_t threads, void (*work)(void* context), void* context);

}  // namespace engine

#endif  // ENGINE_THREADS_H_
