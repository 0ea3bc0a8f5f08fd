// "APB" filled while the inputs are still being read, and put in place only
// once every input has been read and checked.
#ifndef APB_OUTPUT_STREAM_H_
#define APB_OUTPUT_STREAM_H_

#include <filesystem>
#include <string_view>
#include <system_error>

#include "core/system/file_replacement.h"

namespace apb {

// The file every run writes, in the current working directory.
constexpr std::string_view kOutputFile = "APB";

// How writing "APB" ended; the driver says what each outcome means.
enum class Outcome {
  kWritten,     // every line is in "APB"
  kNotOpened,   // "APB" cannot be written (a directory, read-only)
  kWriteFailed  // a write, the close or the rename failed: "APB" is as it was
};

// What the driver may say beside the outcome.
struct Report {
  std::error_code reason;  // the system's error, unless kWritten
  // Why "APB" was written in place rather than replaced; empty when it was
  // replaced (or is no regular file).
  std::error_code inPlaceBecause;
};

// The bytes of "APB" as a run produces them, kept where they do no harm
// until finish() (core/file_replacement.h): in a temporary file beside
// "APB", or, for an "APB" written in place (a device, a FIFO, a file whose
// directory takes no new file), in a waiting file of the system's temporary
// directory, so that such an "APB" is not even opened before. Abandoned
// (destroyed without finish), it removes what it made and "APB" stays as it
// was; one never given bytes makes nothing at all.
class OutputStream {
 public:
  // Creates nothing yet; target is "APB" but for tests.
  explicit OutputStream(
      std::filesystem::path target = std::filesystem::path(kOutputFile));
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;
  ~OutputStream();

  // Adds bytes of "APB", written at once in as few system calls as the
  // system allows (pass large blocks). The first call with bytes makes the
  // file they go to. A failure to make it or to write is kept, with the
  // system's reason (the first one); the bytes of later calls are then
  // dropped. Throws nothing but std::bad_alloc. Called from any thread, one
  // call at a time.
  void append(std::string_view bytes);
  const std::filesystem::path& target() const { return target_; }

  // Once every input is read and checked, puts the content in place (an
  // empty "APB" when append was never given bytes) and says how that ended;
  // no temporary or waiting file remains. Called once, after the last
  // append.
  Outcome finish(Report& report);

 private:
  // Makes the file the bytes go to, at the first bytes or at finish().
  void start();

  std::filesystem::path target_;
  core::FileReplacement replacement_;
  bool opened_ = false;        // start() ran
  std::error_code notOpened_;  // why the target cannot be written
};

}  // namespace apb

#endif  // APB_OUTPUT_STREAM_H_
