// Reading an input file on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>

#include "core/input_file.h"

namespace core::detail {
namespace {

int64_t nanoseconds(const timespec& t) {
  return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// File times come from a clock that moves a tick at a time, so a write in
// the tick of the time seen at open would leave the time as it was. Waits
// until that tick is past (a few milliseconds at most, and never long for
// a time in the future), so that any later write changes the time.
void waitUntilPast(int64_t modified) {
#ifdef CLOCK_REALTIME_COARSE
  timespec tick{};
  if (clock_getres(CLOCK_REALTIME_COARSE, &tick) != 0) return;
  constexpr int64_t kLongestWait = 100'000'000;  // a clock set back
  const int64_t past = modified + nanoseconds(tick);
  for (int64_t waited = 0; waited < kLongestWait;) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME_COARSE, &now);
    const int64_t left = past - nanoseconds(now);
    if (left < 0) return;
    const int64_t step = std::min(left + 1, kLongestWait - waited);
    const timespec pause{static_cast<time_t>(step / 1'000'000'000),
                         static_cast<long>(step % 1'000'000'000)};
    nanosleep(&pause, nullptr);
    waited += step;
  }
#else
  (void)modified;
#endif
}

class InputCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "input"; }
  std::string message(int /*condition*/) const override {
    return "the file changed while it was read";
  }
};

std::error_code systemError() {
  return {errno != 0 ? errno : EIO, std::generic_category()};
}

}  // namespace

std::error_code changedWhileRead() {
  static const InputCategory category;
  return {1, category};
}

bool InputFile::status(Status& into) const {
  struct stat s {};
  if (fstat(fd_, &s) != 0) return false;
  into.size = static_cast<uint64_t>(s.st_size);
  into.modified = nanoseconds(s.st_mtim);
  into.changed = nanoseconds(s.st_ctim);
  return S_ISREG(s.st_mode);
}

bool InputFile::open(const std::filesystem::path& path,
                     std::error_code& reason) {
  close();
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    reason = systemError();
    return false;
  }
  // A regular file that says it is empty may still have content (files
  // of /proc): read to its end, as a stream.
  regular_ = status(opened_) && opened_.size > 0;
  left_ = opened_.size;
  if (regular_) waitUntilPast(opened_.modified);
  return true;
}

bool InputFile::read(char* data, size_t size, size_t& got,
                     std::error_code& reason) {
  got = 0;
  if (regular_) size = static_cast<size_t>(std::min<uint64_t>(size, left_));
  if (size == 0) return true;  // never past the size seen at open
  for (;;) {
    const ssize_t n = ::read(fd_, data, size);
    if (n >= 0) {
      got = static_cast<size_t>(n);
      break;
    }
    if (errno != EINTR) {
      // A directory opens on some systems but cannot be read.
      reason = systemError();
      return false;
    }
  }
  // A file cut short while it is read ends early: left_ stays above 0,
  // which finish() takes for a change.
  if (regular_) left_ -= got;
  return true;
}

bool InputFile::finish(std::error_code& reason) {
  bool same = true;
  if (regular_) {
    Status now;
    same = status(now) && now == opened_ && left_ == 0;
  }
  close();
  if (!same) reason = changedWhileRead();
  return same;
}

void InputFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace core::detail
