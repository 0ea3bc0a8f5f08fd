// Work split over the processor's cores, for the long loops of a run.
#include "core/parallel.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

namespace core {

void forEachRange(size_t count, size_t minimum,
                  const std::function<void(size_t begin, size_t end)>& work) {
  // More threads than this only add start-up cost for loops of this size.
  constexpr size_t kMaxThreads = 8;
  const size_t cores = std::max<size_t>(std::thread::hardware_concurrency(), 1);
  const size_t threads =
      std::min({cores, kMaxThreads, count / std::max<size_t>(minimum, 1)});
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

}  // namespace core
