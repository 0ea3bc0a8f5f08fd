// Memory that runs out, in builds with exceptions and without.
#ifndef CORE_SYSTEM_OUT_OF_MEMORY_H_
#define CORE_SYSTEM_OUT_OF_MEMORY_H_

#include <cstdlib>
#include <new>

namespace core {

// Throws std::bad_alloc, which the programs report; a build without
// exceptions (the browser page's engine) ends instead, as a failed
// allocation ends it there, and its caller reports that.
[[noreturn]] inline void outOfMemory() {
#if defined(__cpp_exceptions)
  throw std::bad_alloc();
#else
  std::abort();
#endif
}

}  // namespace core

#endif  // CORE_SYSTEM_OUT_OF_MEMORY_H_
