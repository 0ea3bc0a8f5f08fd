// What differs between Windows and POSIX systems, behind one small interface.
#ifndef CORE_PLATFORM_H_
#define CORE_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>
#include <utility>

namespace core {

// Opens a file by its path exactly as given (wide characters on Windows), in
// binary mode: mode is "rb" or "wb". Returns nullptr when it cannot be opened.
std::FILE* openFile(const std::filesystem::path& path, const char* mode);

// The path as a diagnostic shows it: its bytes as given on POSIX systems,
// UTF-8 on Windows (a lone surrogate becomes U+FFFD). Never throws.
std::string pathText(const std::filesystem::path& path) noexcept;

// Writes text to standard error as it is (UTF-8): to a Windows console
// through its wide-character interface, else as bytes. A failed write is
// ignored: what standard error shows never changes a run's outcome.
void writeError(std::string_view text) noexcept;

// Makes the process safe to run with any standard handles: a closed standard
// output or a broken pipe must not stop a conversion, and a file opened later
// must never take the place of a closed standard handle. A file over the
// size limit is a failed write, not the end of the program. An interrupt or
// termination (Ctrl-C, SIGTERM, SIGHUP, SIGQUIT; a console's close) removes
// the temporary file of a replacement under way, restores the terminal,
// says on standard error "PROGRAM: interrupted; "OUTPUT" left as it was"
// (or "... was written" once written, "... left incomplete" while it is
// written where it stands) and ends the program by that signal; one that
// was ignored at start stays ignored.
void prepareProcess(std::string_view program, std::string_view output);

namespace detail {

// While a temporary file exists, a signal that ends the program removes it
// first; path must stay valid until forgotten. replaced tells that the
// output now holds the new content.
void guardTemporaryFile(const std::filesystem::path& path);
void forgetTemporaryFile(bool replaced);
// The output is written where it stands, no longer as it was.
void writingInPlace();

// Holds back the signals that end the program for its lifetime, so that a
// file is created and guarded, or renamed and forgotten, as one step: on any
// thread, since a signal taken by another thread meanwhile waits for the
// step to end before it removes the guarded file. So the step must not wait
// for what a thread that may take a signal could hold (a lock of the heap,
// say). They nest.
class HeldSignals {
 public:
  HeldSignals();
  ~HeldSignals();
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;

 private:
  unsigned char saved_[256];  // the signal mask before
};

}  // namespace detail

// True when standard input is an interactive console or terminal, where a
// person can press a key; false for files, pipes and the null device, and for
// a job in the background of its terminal.
bool stdinIsInteractive();

// Waits for one key press without echo and without Enter, and discards it
// (all bytes of a multi-byte key). Returns at once when standard input is not
// interactive, so scripts and CI never hang.
void waitForKey();

// Hints that a large buffer will be touched in full; a no-op where the system
// has no such hint. Only the first kLargeBufferBudget bytes advised in a run
// get the hint (see adviseLargeBuffer).
inline constexpr size_t kLargeBufferBudget = size_t{256} << 20;
void adviseLargeBuffer(void* data, size_t bytes);

// An allocator for arrays that may run to hundreds of MB. From 1 MB up, a
// block starts on a 2 MB boundary, is rounded up to whole 2 MB and advised
// as a large buffer, so that the system can fill it a huge page per fault;
// smaller blocks come from the heap as usual. Elements made without a value
// (resize(n)) are left uninitialized, as by new T: the code that fills the
// array is the first to touch its pages, on whatever thread fills them.
template <typename T>
struct LargeBufferAllocator {
  using value_type = T;

  LargeBufferAllocator() = default;
  template <typename U>
  LargeBufferAllocator(const LargeBufferAllocator<U>&) {}  // NOLINT: rebind

  T* allocate(size_t n) {
    const size_t bytes = n * sizeof(T);
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
    if (bytes < kLarge) return static_cast<T*>(::operator new(bytes));
    void* const block =
        ::operator new (roundUp(bytes), std::align_val_t{kStep});
    adviseLargeBuffer(block, roundUp(bytes));
    return static_cast<T*>(block);
  }
  template <typename U>
  void construct(U* at) {
    ::new (static_cast<void*>(at)) U;
  }
  template <typename U, typename... Args>
  void construct(U* at, Args&&... args) {
    ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
  }
  void deallocate(T* block, size_t n) {
    const size_t bytes = n * sizeof(T);
    if (bytes < kLarge) {
      ::operator delete(block);
    } else {
      ::operator delete (block, std::align_val_t{kStep});
    }
  }
  friend bool operator==(const LargeBufferAllocator&,
                         const LargeBufferAllocator&) {
    return true;
  }

 private:
  static constexpr size_t kLarge = size_t{1} << 20;
  static constexpr size_t kStep = size_t{2} << 20;  // a huge page
  static size_t roundUp(size_t bytes) {
    return bytes > SIZE_MAX - kStep ? bytes
                                    : (bytes + kStep - 1) / kStep * kStep;
  }
};

}  // namespace core

#endif  // CORE_PLATFORM_H_
