// The bytes of one loaded file: reading it into memory of the program's own,
// checking that it did not change meanwhile, and giving back pages already
// read.
#include "core/file_bytes.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "core/platform.h"
#include "core/scan.h"
#include "core/workers.h"

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#define CORE_FILE_BYTES_MMAP 1
#endif

namespace core::detail {

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
  if (this != &other) {
    release();
    data_ = other.data_;
    mapped_ = other.mapped_;
    releasable_ = other.releasable_;
    other.data_ = nullptr;
    other.mapped_ = 0;
    other.releasable_ = 0;
  }
  return *this;
}

FileBytes FileBytes::allocate(size_t size) {
  FileBytes bytes;
  bytes.data_ = new char[size + 1 + kPadding];
  adviseLargeBuffer(bytes.data_, size + 1 + kPadding);
  std::memset(bytes.data_ + size, 0, 1 + kPadding);
  return bytes;
}

namespace {

// Reads the stream file to its end with readAll and closes it. A directory
// opens on some systems but cannot be read: that, and any other read
// error, is a failure with the system's reason.
bool readStream(std::FILE* file, size_t sizeHint, FileBytes& bytes,
                size_t& size, std::error_code& reason) {
  errno = 0;
  const bool ok = readAll(file, sizeHint, bytes, size);
  const int cause = errno != 0 ? errno : EIO;
  std::fclose(file);
  if (!ok) reason = std::error_code(cause, std::generic_category());
  return ok;
}

}  // namespace

#ifdef CORE_FILE_BYTES_MMAP

namespace {

// Memory is given back in whole blocks of this size, so that a huge page
// is never split.
constexpr size_t kReleaseBlock = size_t{2} << 20;

// File times come from a clock that moves a tick at a time, so a write in
// the tick of the time seen at open would leave the time as it was. Waits
// until that tick is past (a few milliseconds at most, and never long for
// a time in the future), so that any later write changes the time.
void waitUntilPast(const timespec& modified) {
#ifdef CLOCK_REALTIME_COARSE
  timespec tick{};
  if (clock_getres(CLOCK_REALTIME_COARSE, &tick) != 0) return;
  const auto nanoseconds = [](const timespec& t) {
    return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
  };
  constexpr int64_t kLongestWait = 100'000'000;  // a clock set back
  const int64_t past = nanoseconds(modified) + nanoseconds(tick);
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

// Huge pages for the bytes of a file, read in full at once: a fault per
// 2 MB instead of per 4 KB. On virtual machines fresh memory costs far more
// in small pages here (pread into 1,000 MB of them: 4 to 6 s of system
// time, against 1.3 to 2.4 s in huge pages and 0.3 s when recently freed
// ones are at hand), so outside the run's budget of adviseLargeBuffer; the
// pages go back as the rows are read.
void adviseInputBuffer(char* data, size_t length) {
#ifdef MADV_HUGEPAGE
  madvise(data, length, MADV_HUGEPAGE);
#else
  (void)data;
  (void)length;
#endif
}

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
         a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
         a.st_ctim.tv_sec == b.st_ctim.tv_sec &&
         a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// Reads size bytes of fd from its start into data, a piece per task, each
// scanned while it is still in the cache. False on a read error (errno
// tells which) or a file cut short (errno 0).
bool readPieces(int fd, char* data, size_t size, std::vector<ByteScan>& scans) {
  const size_t pieces = size / kScanPieceBytes + 1;
  scans.assign(pieces, ByteScan{});
  std::vector<uint8_t> ok(pieces, 0);
  std::vector<int> errors(pieces, 0);
  forEachPiece(pieces, [&](size_t k) {
    const size_t begin = k * kScanPieceBytes;
    const size_t end = std::min(size, begin + kScanPieceBytes);
    for (size_t at = begin; at < end;) {
      const ssize_t got =
          pread(fd, data + at, end - at, static_cast<off_t>(at));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) errors[k] = errno;
      if (got <= 0) return;
      at += static_cast<size_t>(got);
    }
    scans[k] = scanBytes(std::string_view(data + begin, end - begin));
    ok[k] = 1;
  });
  const auto failed = std::find(ok.begin(), ok.end(), 0);
  if (failed == ok.end()) return true;
  errno = errors[static_cast<size_t>(failed - ok.begin())];
  return false;
}

class InputCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "input"; }
  std::string message(int /*condition*/) const override {
    return "the file changed while it was read";
  }
};

}  // namespace

std::error_code changedWhileRead() {
  static const InputCategory category;
  return {1, category};
}

void FileBytes::release() {
  releasable_ = 0;
  if (mapped_ != 0) {
    munmap(data_, mapped_);
    data_ = nullptr;
    mapped_ = 0;
    return;
  }
  delete[] data_;
  data_ = nullptr;
}

FileBytes FileBytes::reserve(size_t size) {
  const size_t length =
      (size + 1 + kPadding + kReleaseBlock - 1) / kReleaseBlock * kReleaseBlock;
  // Whole blocks from a block boundary: huge pages fit, and releasePages
  // can give back whole ones.
  void* reserved = mmap(nullptr, length + kReleaseBlock, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (reserved == MAP_FAILED) throw std::bad_alloc();
  char* const start = static_cast<char*>(reserved);
  const size_t lead =
      (kReleaseBlock - reinterpret_cast<uintptr_t>(start) % kReleaseBlock) %
      kReleaseBlock;
  if (lead != 0) munmap(start, lead);
  munmap(start + lead + length, kReleaseBlock - lead);
  FileBytes bytes;
  bytes.data_ = start + lead;
  bytes.mapped_ = length;
  bytes.releasable_ = size;
  adviseInputBuffer(bytes.data_, length);
  return bytes;
}

namespace {

// Reads the regular file open as fd, whose status at open was before, and
// closes it.
bool readRegularFile(int fd, const struct stat& before, FileBytes& bytes,
                     std::vector<ByteScan>& scans, std::error_code& reason) {
  struct ClosedAtEnd {
    int fd;
    ~ClosedAtEnd() { close(fd); }
  } const closed{fd};  // also when memory runs out
  waitUntilPast(before.st_mtim);
  const auto fileSize = static_cast<size_t>(before.st_size);
  FileBytes read = FileBytes::reserve(fileSize);
  const bool whole = readPieces(fd, read.data(), fileSize, scans);
  const int error = errno;
  struct stat after {};
  const bool same = fstat(fd, &after) == 0 && sameFile(before, after);
  if (!whole || !same) {
    // A write, a truncation or a short read: not the file as it was.
    reason = whole || error == 0
                 ? changedWhileRead()
                 : std::error_code(error, std::generic_category());
    return false;
  }
  bytes = std::move(read);
  return true;
}

}  // namespace

bool readFile(const std::filesystem::path& path, FileBytes& bytes, size_t& size,
              std::vector<ByteScan>& scans, std::error_code& reason) {
  scans.clear();
  // Opened once: a FIFO opened a second time would wait for a second
  // writer that never comes.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    reason = std::error_code(errno, std::generic_category());
    return false;
  }
  struct stat status {};
  const bool known = fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
                     status.st_size >= 0 &&
                     static_cast<uintmax_t>(status.st_size) < SIZE_MAX / 2;
  if (known && status.st_size > 0) {
    if (!readRegularFile(fd, status, bytes, scans, reason)) return false;
    size = static_cast<size_t>(status.st_size);
    return true;
  }
  std::FILE* file = fdopen(fd, "rb");
  if (file == nullptr) {
    reason = std::error_code(errno, std::generic_category());
    close(fd);
    return false;
  }
  return readStream(file, known ? static_cast<size_t>(status.st_size) : 0,
                    bytes, size, reason);
}

void releasePages(const char* data, size_t from, size_t to) {
  // Whole blocks only; the memory starts on one.
  const size_t first =
      (from + kReleaseBlock - 1) / kReleaseBlock * kReleaseBlock;
  const size_t last = to / kReleaseBlock * kReleaseBlock;
  if (last > first) {
    madvise(const_cast<char*>(data) + first, last - first, MADV_DONTNEED);
  }
}

#else  // no memory of its own: every FileBytes is a heap block

FileBytes FileBytes::reserve(size_t size) { return allocate(size); }

void FileBytes::release() {
  releasable_ = 0;
  delete[] data_;
  data_ = nullptr;
}

bool readFile(const std::filesystem::path& path, FileBytes& bytes, size_t& size,
              std::vector<ByteScan>& scans, std::error_code& reason) {
  scans.clear();
  std::error_code error;
  const bool regular = std::filesystem::is_regular_file(path, error);
  const uintmax_t fileSize =
      regular ? std::filesystem::file_size(path, error) : 0;
  const size_t sizeHint =
      regular && !error && fileSize < SIZE_MAX / 2 ? fileSize : 0;
  errno = 0;
  std::FILE* file = openFile(path, "rb");
  if (file == nullptr) {
    reason = std::error_code(errno != 0 ? errno : EIO, std::generic_category());
    return false;
  }
  return readStream(file, sizeHint, bytes, size, reason);
}

std::error_code changedWhileRead() {
  return std::make_error_code(std::errc::io_error);
}

void releasePages(const char* /*data*/, size_t /*from*/, size_t /*to*/) {}

#endif

bool readAll(std::FILE* file, size_t sizeHint, FileBytes& bytes, size_t& size) {
  size_t capacity = sizeHint + 1;  // one more, to see the end of the file
  FileBytes buffer = FileBytes::allocate(capacity);
  size_t used = 0;
  for (;;) {
    const size_t room = capacity - used;
    const size_t got = std::fread(buffer.data() + used, 1, room, file);
    used += got;
    if (got < room) {
      if (std::ferror(file) != 0) return false;
      // The splitter reads past the closing line feed: no stale bytes there.
      std::memset(buffer.data() + used, 0, 1 + FileBytes::kPadding);
      bytes = std::move(buffer);
      size = used;
      return true;
    }
    // Larger than its size said, or a stream of unknown size: grow.
    const size_t bigger = std::max<size_t>(capacity * 2, 1 << 16);
    FileBytes grown = FileBytes::allocate(bigger);
    std::memcpy(grown.data(), buffer.data(), used);
    buffer = std::move(grown);
    capacity = bigger;
  }
}

}  // namespace core::detail
