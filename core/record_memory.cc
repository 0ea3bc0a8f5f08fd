// Where the records of a run keep their runways and obstacles.
#include "core/record_memory.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <memory_resource>
#include <mutex>
#include <new>
#include <vector>

#include "core/platform.h"

namespace core {
namespace {

// Memory handed out from blocks that are never freed; safe on any thread.
class RecordArena final : public std::pmr::memory_resource {
 private:
  // Large enough that a new block is rare, small enough that a thread that
  // stops early leaves little unused.
  static constexpr size_t kBlockSize = size_t{4} << 20;
  // Blocks start on a huge page boundary, so that the system can back them
  // with huge pages: one fault per 2 MB instead of one per 4 KB, several
  // times faster to fill on a virtual machine.
  static constexpr size_t kBlockAlignment = size_t{2} << 20;

  // The free part of a thread's current block.
  struct Cursor {
    char* next = nullptr;
    char* end = nullptr;

    void* take(size_t bytes, size_t alignment) {
      if (next == nullptr) return nullptr;
      void* at = next;
      size_t space = static_cast<size_t>(end - next);
      if (std::align(alignment, bytes, at, space) == nullptr) return nullptr;
      next = static_cast<char*>(at) + bytes;
      return at;
    }
  };

  void* do_allocate(size_t bytes, size_t alignment) override {
    // One arena per process, so the cursor can be a plain thread-local.
    thread_local Cursor cursor;
    if (void* at = cursor.take(bytes, alignment)) return at;
    if (bytes > kBlockSize / 4) return newBlock(bytes, alignment);
    char* const block =
        static_cast<char*>(newBlock(kBlockSize, kBlockAlignment));
    adviseLargeBuffer(block, kBlockSize);
    cursor = Cursor{block, block + kBlockSize};
    return cursor.take(bytes, alignment);  // fits: at most a quarter block
  }

  // Nothing is given back before exit.
  void do_deallocate(void*, size_t, size_t) override {}

  bool do_is_equal(
      const std::pmr::memory_resource& other) const noexcept override {
    return this == &other;
  }

  // Blocks stay listed, so leak checkers see them reachable to the end.
  void* newBlock(size_t bytes, size_t alignment) {
    const std::lock_guard<std::mutex> lock(mutex_);
    blocks_.reserve(blocks_.size() + 1);
    void* const block = ::operator new (
        bytes,
        std::align_val_t{std::max(alignment, alignof(std::max_align_t))});
    blocks_.push_back(block);
    return block;
  }

  std::mutex mutex_;
  std::vector<void*> blocks_;
};

}  // namespace

void useRecordArena() {
  static auto* const arena = new RecordArena();
  std::pmr::set_default_resource(arena);
}

}  // namespace core
