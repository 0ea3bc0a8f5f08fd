// Reading input files on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "core/reading/source.h"

namespace core {
namespace {

int64_t nanoseconds(const timespec& t) {
  return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

std::error_code systemError() {
  return {errno != 0 ? errno : EIO, std::generic_category()};
}

}  // namespace

void FileSource::waitUntilPast(int64_t modified) {
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

bool FileSource::status(Status& into) const {
  struct stat s {};
  if (fstat(fd_, &s) != 0) return false;
  into.size = static_cast<uint64_t>(s.st_size);
  into.modified = nanoseconds(s.st_mtim);
  into.changed = nanoseconds(s.st_ctim);
  return S_ISREG(s.st_mode);
}

bool FileSource::openPath(const std::filesystem::path& path,
                          std::error_code& reason) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    reason = systemError();
    return false;
  }
  opened();
  return true;
}

bool FileSource::openStandardInput(std::error_code& reason) {
  fd_ = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
  if (fd_ < 0) {
    reason = systemError();
    return false;
  }
  regular_ = false;
  left_ = 0;
  return true;
}

bool FileSource::readSome(char* data, size_t size, size_t& got,
                          std::error_code& reason) {
  for (;;) {
    const ssize_t n = ::read(fd_, data, size);
    if (n >= 0) {
      got = static_cast<size_t>(n);
      return true;
    }
    if (errno != EINTR) {
      // A directory opens on some systems but cannot be read.
      reason = systemError();
      return false;
    }
  }
}

void FileSource::closeFile() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace core
