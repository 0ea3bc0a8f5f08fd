// The engine's threads.
//
// A conversion starts its threads and joins them at its end: a program
// converts once, so a pool kept waiting between conversions has nothing to
// save. bench/run decided it against the pool it replaced: trevik on
// north.anf given 10,000 times, where starting the threads weighs most
// against the work, took 0.157 s against the pool's 0.160 s (medians of 11),
// and every 100 MB and 1000 MB case stayed within the runs' spread.
#include "engine/threads.h"

#ifdef ENGINE_ONE_THREAD
#include <cstdlib>
#else
#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

#include "core/system/platform.h"
#endif

namespace engine {

#ifdef ENGINE_ONE_THREAD

void Changed::wait(Lock& /*lock*/) { std::abort(); }

size_t threadsToUse() { return 1; }

void onThreads(size_t /*threads*/, void (*work)(void*), void* context) {
  work(context);
}

#else

size_t threadsToUse() {
  // More threads only add start-up cost for inputs of our size.
  constexpr size_t kMaxThreads = 8;
  static const size_t threads =
      std::clamp<size_t>(std::thread::hardware_concurrency(), 1, kMaxThreads);
  return threads;
}

void onThreads(size_t threads, void (*work)(void*), void* context) {
  std::vector<std::jthread> others;
  others.reserve(threads);
  {
    // The threads never take a signal that ends the program: it goes to
    // the main thread, whose handler removes "APB"'s temporary file, and a
    // thread must not run it in the middle of a file step.
    const core::HeldSignals held;
    for (size_t k = 1; k < threads; ++k) {
      try {
        others.emplace_back(work, context);
      } catch (const std::system_error&) {
        break;  // no more threads to be had; those started will do
      }
    }
  }
  work(context);
}  // the others are joined here

#endif

}  // namespace engine
