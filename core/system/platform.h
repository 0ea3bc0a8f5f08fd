// What differs between Windows and POSIX systems, behind one small interface.
#ifndef CORE_SYSTEM_PLATFORM_H_
#define CORE_SYSTEM_PLATFORM_H_

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace core {

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
// Names the output of a run in what an interrupt says, once the command
// line has chosen it.
void nameOutput(std::string_view program, std::string_view output);
// The room for each text an interrupt says, its line feed included: the
// texts are made before any signal comes, into buffers of this size.
constexpr size_t kLongestInterruptText = 65536 - 1;
// Sets what an interrupt says, each text a whole line (cut to the room
// above): before the output is touched, once it is written, and while it
// is written where it stands.
void sayOnInterrupt(std::string_view before, std::string_view after,
                    std::string_view inPlace);

namespace detail {

// While a temporary file exists, a signal that ends the program removes it
// first; path must stay valid until forgotten. replaced tells that the
// output now holds the new content.
void guardTemporaryFile(const std::filesystem::path& path);
void forgetTemporaryFile(bool replaced);
// The output is written where it stands, no longer as it was.
void writingInPlace();

}  // namespace detail

// Holds back the signals that end the program for its lifetime, so that a
// file is created and guarded, or renamed and forgotten, as one step: on any
// thread, since a signal taken by another thread meanwhile waits for the
// step to end before it removes the guarded file. So the step must not wait
// for what a thread that may take a signal could hold (a lock of the heap,
// say). They nest. A thread started while they are held keeps them held
// for its whole life, so that the interrupt handler runs on the main
// thread.
class HeldSignals {
 public:
  HeldSignals();
  ~HeldSignals();
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;

 private:
  unsigned char saved_[256];  // the signal mask before
};

// True when standard input is an interactive console or terminal, where a
// person can press a key; false for files, pipes and the null device, and for
// a job in the background of its terminal.
bool stdinIsInteractive();

// Waits for one key press without echo and without Enter, and discards it
// (all bytes of a multi-byte key). Returns at once when standard input is not
// interactive, so scripts and CI never hang.
void waitForKey();

}  // namespace core

#endif  // CORE_SYSTEM_PLATFORM_H_
