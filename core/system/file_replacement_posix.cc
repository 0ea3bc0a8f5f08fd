// Replacing a file whole on POSIX systems: a temporary file beside it,
// renamed over it once complete.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "core/system/file_replacement.h"
#include "core/system/platform.h"

namespace core {
namespace {

// What the content is copied in: writes as large as the output's blocks.
constexpr size_t kCopyBlock = size_t{1} << 20;

std::error_code systemError(int error) {
  return {error != 0 ? error : EIO, std::generic_category()};
}

// The file that path names once every symbolic link is followed, as open
// would follow them; a link that leads nowhere names the file it would
// create. False on a loop or a link that cannot be read.
bool resolveLinks(std::filesystem::path path, std::filesystem::path& final,
                  std::error_code& reason) {
  constexpr int kMostLinks = 40;  // as the system allows
  for (int hop = 0; hop < kMostLinks; ++hop) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
      final = path;
      return true;
    }
    // A target that is an absolute path replaces the link's directory.
    path = path.parent_path() / std::filesystem::read_symlink(path, reason);
    if (reason) return false;
  }
  reason = systemError(ELOOP);
  return false;
}

// Writes all size bytes; false, with errno set, when a write fails.
bool writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t put = ::write(fd, data, size);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      if (put == 0) errno = EIO;
      return false;
    }
    data += put;
    size -= static_cast<size_t>(put);
  }
  return true;
}

// The old file must take writing before it is replaced, as it would have
// to be written in place: a read-only "APB" stays read-only.
bool takesWriting(const std::filesystem::path& file, std::error_code& reason) {
  const int check = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
  if (check < 0) {
    reason = systemError(errno);
    return false;
  }
#ifdef POSIX_FADV_DONTNEED
  // Its bytes stay on disk until the rename, but its cached pages (hundreds
  // of MB) need not stay in memory beside the new file's: given back now,
  // they are the memory the new file's pages are made of.
  posix_fadvise(check, 0, 0, POSIX_FADV_DONTNEED);
#endif
  close(check);
  return true;
}

// Creates a new file "STEM.XXXXXX.tmp" with flags and mode, and names it in
// name; a name that exists already (another run's) is never touched,
// another is tried. An unlinked file is unlinked as it is made, so that it
// lasts exactly as long as its descriptor, however the program ends; any
// other is guarded (see guardTemporaryFile) from the moment it exists.
// Returns its descriptor, or -1 with errno set.
int createUnique(const std::filesystem::path& stem, int flags, mode_t mode,
                 bool unlinked, std::filesystem::path& name) {
  constexpr int kTries = 100;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    std::filesystem::path candidate = detail::temporaryName(stem);
    int fd = -1;
    int error = 0;
    {
      // One step, which no handler on another thread can come between.
      const HeldSignals held;
      fd =
          ::open(candidate.c_str(), flags | O_CREAT | O_EXCL | O_CLOEXEC, mode);
      error = errno;
      if (fd >= 0 && unlinked && unlink(candidate.c_str()) != 0) {
        error = errno;
        close(fd);
        fd = -1;
      }
      if (fd >= 0 && !unlinked) detail::guardTemporaryFile(candidate);
    }
    if (fd >= 0) {
      name = std::move(candidate);
      return fd;
    }
    if (error != EEXIST) {
      errno = error;
      return -1;
    }
  }
  errno = EEXIST;
  return -1;
}

// Creates the file where the content of a target written in place waits:
// "NAME.XXXXXX.tmp" in TMPDIR (else /tmp), for this user's eyes only, and
// unlinked. Returns the descriptor, open for reading and writing, or -1
// with errno set.
int createWaiting(const std::filesystem::path& target) {
  const char* const variable = std::getenv("TMPDIR");
  const std::filesystem::path directory =
      variable != nullptr && *variable != '\0' ? variable : "/tmp";
  std::filesystem::path name;
  return createUnique(directory / target.filename(), O_RDWR | O_NOFOLLOW, 0600,
                      true, name);
}

// Gives the new file the old one's permission bits, and its owner and
// group where the system allows (only root may give a file away; else the
// new file is the user's own, as any new file).
void keepOwnerAndMode(int fd, const struct stat& old) {
  fchmod(fd, old.st_mode & 07777);
  if (fchown(fd, old.st_uid, old.st_gid) != 0) {
    // Not an error: see above.
  }
}

}  // namespace

FileReplacement::~FileReplacement() { abandon(); }

bool FileReplacement::closeFile(intptr_t& fd, std::error_code& reason) {
  const int closing = static_cast<int>(fd);
  fd = -1;
  if (close(closing) == 0) return true;
  reason = systemError(errno);
  return false;
}

std::error_code FileReplacement::notOpen() { return systemError(EBADF); }

void FileReplacement::abandon() {
  if (content_ >= 0) close(static_cast<int>(content_));
  if (target_ >= 0) close(static_cast<int>(target_));
  content_ = -1;
  target_ = -1;
  if (!temporary_.empty()) {
    {
      const HeldSignals held;
      unlink(temporary_.c_str());
      detail::forgetTemporaryFile(false);
    }
    temporary_.clear();
  }
}

bool FileReplacement::open(const std::filesystem::path& target,
                           std::error_code& reason) {
  reason.clear();
  if (!resolveLinks(target, final_, reason)) return false;
  struct stat status {};
  const bool exists = stat(final_.c_str(), &status) == 0;
  if (!exists && errno != ENOENT) {
    reason = systemError(errno);
    return false;
  }
  if (exists && S_ISDIR(status.st_mode)) {
    reason = systemError(EISDIR);
    return false;
  }
  // A device or a FIFO is written where it stands, never renamed over.
  bool inPlace = exists && !S_ISREG(status.st_mode);
  if (!inPlace) {
    if (exists && !takesWriting(final_, reason)) return false;
    // Beside the final file, as the umask and the directory's default ACLs
    // have it.
    const int fd = createUnique(final_, O_WRONLY, 0666, false, temporary_);
    if (fd >= 0) {
      if (exists) keepOwnerAndMode(fd, status);
      content_ = fd;
      return true;
    }
    const int error = errno;
    if (!exists || (error != EACCES && error != EPERM)) {
      reason = systemError(error);
      return false;
    }
    // No file can be made beside it, but it takes writing: in place.
    inPlaceBecause_ = systemError(error);
  }
  waiting_ = true;
  const int fd = createWaiting(target);
  if (fd < 0) failWrite(systemError(errno));
  content_ = fd;
  return true;
}

bool FileReplacement::write(std::string_view bytes) {
  if (writeError_) return false;
  if (content_ < 0) {
    failWrite(systemError(EBADF));
  } else if (!writeAll(static_cast<int>(content_), bytes.data(),
                       bytes.size())) {
    failWrite(systemError(errno));
  } else {
    recyclePages(bytes.size());
  }
  return !writeError_;
}

void FileReplacement::recyclePages(size_t added) {
#if defined(SYNC_FILE_RANGE_WRITE) && defined(POSIX_FADV_DONTNEED)
  constexpr off_t kStep = off_t{32} << 20;
  // Below this, pages of the file cost less than the writes sent early.
  constexpr off_t kFirst = off_t{256} << 20;
  const int fd = static_cast<int>(content_);
  const off_t end = written_ + static_cast<off_t>(added);
  if (end >= kFirst && end / kStep != written_ / kStep) {
    const off_t step = end / kStep * kStep;
    sync_file_range(fd, step - kStep, kStep, SYNC_FILE_RANGE_WRITE);
    if (step >= 3 * kStep) {
      posix_fadvise(fd, 0, step - 2 * kStep, POSIX_FADV_DONTNEED);
    }
  }
  written_ = end;
#else
  (void)added;
#endif
}

bool FileReplacement::openInPlace(std::error_code& reason) {
  // Opened without emptying it: a FIFO may keep the program waiting here
  // for a reader, and an interrupt meanwhile leaves the target as it was.
  const int fd =
      ::open(final_.c_str(), O_WRONLY | O_CREAT | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) {
    reason = systemError(errno);
    return false;
  }
  target_ = fd;
  struct stat status {};
  const bool regular = fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  // Emptied, and from then on an interrupt says it is incomplete.
  const HeldSignals held;
  if (regular && ftruncate(fd, 0) != 0) {
    reason = systemError(errno);
    return false;
  }
  detail::writingInPlace();
  return true;
}

bool FileReplacement::copyContent(std::error_code& reason) {
  const auto block = std::make_unique_for_overwrite<char[]>(kCopyBlock);
  const int from = static_cast<int>(content_);
  if (lseek(from, 0, SEEK_SET) != 0) {
    reason = systemError(errno);
    return false;
  }
  for (;;) {
    const ssize_t got = read(from, block.get(), kCopyBlock);
    if (got < 0 && errno == EINTR) continue;
    if (got == 0) return true;
    if (got < 0 || !writeAll(static_cast<int>(target_), block.get(),
                             static_cast<size_t>(got))) {
      reason = systemError(errno);
      return false;
    }
  }
}

bool FileReplacement::putInPlace(std::error_code& reason) {
  int error = 0;
  {
    const HeldSignals held;
    if (rename(temporary_.c_str(), final_.c_str()) == 0) {
      detail::forgetTemporaryFile(true);
    } else {
      error = errno;
    }
  }
  if (error == 0) {
    temporary_.clear();
    return true;
  }
  if (error != EBUSY && error != EXDEV) {
    reason = systemError(error);
    return false;
  }
  // A file that cannot be renamed over (one mounted into a container): the
  // new content is copied into it instead.
  inPlaceBecause_ = systemError(error);
  content_ = ::open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
  if (content_ < 0) {
    reason = systemError(errno);
    return false;
  }
  return copyWaiting(reason) == CommitResult::kCommitted;
}

}  // namespace core
