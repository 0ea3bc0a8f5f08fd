// The bytes of one loaded file: mapping, reading, page protection and the
// release of pages already read.
#include "core/file_bytes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/platform.h"

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#define CORE_FILE_BYTES_MMAP 1
#endif

namespace core::detail {

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
  if (this != &other) {
    release();
    data_ = other.data_;
    mapped_ = other.mapped_;
    page_ = other.page_;
    fromFile_ = other.fromFile_;
    other.data_ = nullptr;
    other.mapped_ = 0;
    other.fromFile_ = 0;
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

#ifdef CORE_FILE_BYTES_MMAP

bool FileBytes::makeWritable(size_t offset) {
  if (mapped_ == 0) return true;
  // A mapping starts on a page, so offsets round to pages from data_.
  const size_t page = offset & ~(page_ - 1);
  if (mprotect(data_ + page, page_, PROT_READ | PROT_WRITE) != 0) {
    return false;
  }
  // That page becomes the program's own copy once written.
  fromFile_ = std::min(fromFile_, page);
  return true;
}

void FileBytes::release() {
  fromFile_ = 0;
  if (mapped_ != 0) {
    munmap(data_, mapped_);
    data_ = nullptr;
    mapped_ = 0;
    return;
  }
  delete[] data_;
  data_ = nullptr;
}

bool mapFile(const std::filesystem::path& path, FileBytes& bytes,
             size_t& size) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status {};
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
      status.st_size <= 0 ||
      static_cast<uintmax_t>(status.st_size) > SIZE_MAX / 2) {
    close(fd);
    return false;
  }
  const size_t fileSize = static_cast<size_t>(status.st_size);
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t length =
      (fileSize + 1 + FileBytes::kPadding + page - 1) / page * page;
  // Reserve the whole range as zero bytes, then lay the file over its start.
  void* region = mmap(nullptr, length, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (region == MAP_FAILED) {
    close(fd);
    return false;
  }
  int flags = MAP_PRIVATE | MAP_FIXED;
#ifdef MAP_POPULATE
  flags |= MAP_POPULATE;  // map the cached pages now, in one go
#endif
  // Read-only: populating a writable private mapping would copy every page.
  void* file = mmap(region, fileSize, PROT_READ, flags, fd, 0);
  close(fd);
  if (file == MAP_FAILED) {
    munmap(region, length);
    return false;
  }
  bytes.release();
  bytes.data_ = static_cast<char*>(region);
  bytes.mapped_ = length;
  bytes.page_ = page;
  bytes.fromFile_ = fileSize;
  size = fileSize;
  return true;
}

void releaseFilePages(const char* data, size_t from, size_t to) {
  // Whole pages only; the mapping starts on a page.
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t first = (from + page - 1) / page * page;
  const size_t last = to / page * page;
  if (last > first) {
    madvise(const_cast<char*>(data) + first, last - first, MADV_DONTNEED);
  }
}

#else  // no file mapping: every FileBytes is a heap block

bool FileBytes::makeWritable(size_t /*offset*/) { return true; }

void FileBytes::release() {
  fromFile_ = 0;
  delete[] data_;
  data_ = nullptr;
}

bool mapFile(const std::filesystem::path& /*path*/, FileBytes& /*bytes*/,
             size_t& /*size*/) {
  return false;
}

void releaseFilePages(const char* /*data*/, size_t /*from*/, size_t /*to*/) {}

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
