// Runs a built program as a user would: in a chosen directory, with chosen
// standard input and output, and returns what it printed and its exit code.
#ifndef TESTS_E2E_PROCESS_SUPPORT_H_
#define TESTS_E2E_PROCESS_SUPPORT_H_

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace e2e {

// Where the program's standard input comes from.
enum class Input {
  kNullDevice,  // /dev/null (NUL on Windows): no key can ever arrive
  kEmptyPipe,   // a pipe held open with nothing in it: any read would block
  kPipe,        // a pipe that gives RunOptions::inputBytes, then its end
  kFile,        // the file RunOptions::inputFile
  kClosed,      // no standard input at all (POSIX only)
};

// Where the program's standard output goes.
enum class Output {
  kCaptured,    // kept byte for byte in RunResult::console
  kClosed,      // no standard output at all (POSIX only)
  kBrokenPipe,  // a pipe whose reading end is already closed (POSIX only)
};

struct RunOptions {
  Input input = Input::kNullDevice;
  std::string inputFile;   // relative to the run directory, for Input::kFile
  std::string inputBytes;  // for Input::kPipe
  Output output = Output::kCaptured;
  Output errors = Output::kCaptured;  // standard error, the same choices
  // Standard error into RunResult::console as well, in the order written,
  // instead of into RunResult::errors.
  bool mergeErrors = false;
  uint64_t memoryLimit = 0;    // address space in bytes; 0 for no limit
  uint64_t fileSizeLimit = 0;  // largest file it may write (POSIX); 0: none
  int user = -1;  // run as this user and group id (POSIX, as root); -1: as is
  // "NAME=value" entries that replace or add to the environment (POSIX).
  std::vector<std::string> environment;
  std::chrono::seconds timeout{60};
};

struct RunResult {
  int exitCode = -1;      // exit code, or 128 + the signal that ended it
  std::string console;    // standard output, byte for byte (CR LF read as
                          // LF on Windows, where the console is text)
  std::string errors;     // standard error, byte for byte (as console)
  bool timedOut = false;  // killed because it outlived the timeout
};

// Starts exe with args in dir, waits for it to end (killing it after the
// timeout) and reports the result. Pass input paths relative to dir, so the
// program never sees a path of the host that runs the tests.
RunResult runIn(const std::filesystem::path& dir, const std::string& exe,
                const std::vector<std::string>& args,
                const RunOptions& options = {});

// True under Wine, where some POSIX behaviour cannot be tested.
bool runningUnderWine();

#ifndef _WIN32
// This process's environment, with the "NAME=value" entries of changes in
// place of those of the same name.
std::vector<std::string> environmentWith(
    const std::vector<std::string>& changes);
// The entries as execve takes them, valid while entries lives.
std::vector<char*> pointersTo(std::vector<std::string>& entries);
#endif

}  // namespace e2e

#endif  // TESTS_E2E_PROCESS_SUPPORT_H_
