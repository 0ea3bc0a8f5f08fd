// Replacing a file whole on POSIX systems: a temporary file beside it,
// renamed over it once complete.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <random>
#include <string>

#include "core/file_replacement.h"
#include "core/platform.h"

namespace core {
namespace {

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
    std::string target(4096, '\0');
    const ssize_t size = readlink(path.c_str(), target.data(), target.size());
    if (size < 0 || static_cast<size_t>(size) >= target.size()) {
      reason = systemError(size < 0 ? errno : ENAMETOOLONG);
      return false;
    }
    target.resize(static_cast<size_t>(size));
    const std::filesystem::path next(target);
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  reason = systemError(ELOOP);
  return false;
}

// Six random letters and digits, the same pattern on every system.
std::string randomPart() {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::mt19937_64 random = [] {
    std::seed_seq seed{static_cast<unsigned>(getpid()),
                       static_cast<unsigned>(time(nullptr)),
                       static_cast<unsigned>(clock())};
    return std::mt19937_64(seed);
  }();
  std::string part(6, 'x');
  for (char& c : part) c = kLetters[random() % (sizeof kLetters - 1)];
  return part;
}

// Copies the whole of from to the start of to, which is emptied first.
bool copyInto(const std::filesystem::path& from,
              const std::filesystem::path& to, std::error_code& reason) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  const int out = ::open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  bool ok = in >= 0 && out >= 0;
  char block[1 << 16];
  while (ok) {
    const ssize_t got = read(in, block, sizeof block);
    if (got == 0) break;
    ok = got > 0;
    for (ssize_t done = 0; ok && done < got;) {
      const ssize_t put =
          write(out, block + done, static_cast<size_t>(got - done));
      ok = put > 0;
      done += put;
    }
  }
  if (!ok) reason = systemError(errno);
  if (in >= 0) close(in);
  if (out >= 0 && close(out) != 0 && ok) {
    reason = systemError(errno);
    ok = false;
  }
  return ok;
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

// Creates a new file "FINAL.XXXXXX.tmp" beside final, as the umask and the
// directory's default ACLs have it, and names it in name, guarded (see
// guardTemporaryFile) from the moment it exists. Returns its descriptor, or
// -1 with errno set; a name that exists already (another run's) is never
// touched, another is tried.
int createTemporary(const std::filesystem::path& final,
                    std::filesystem::path& name) {
  constexpr int kTries = 100;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    const std::filesystem::path candidate =
        final.string() + "." + randomPart() + ".tmp";
    const detail::HeldSignals held;
    const int fd = ::open(candidate.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      name = candidate;
      detail::guardTemporaryFile(name);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
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

void FileReplacement::abandon() {
  const detail::HeldSignals held;
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  if (!temporary_.empty()) {
    unlink(temporary_.c_str());
    detail::forgetTemporaryFile(false);
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
  if (exists && !S_ISREG(status.st_mode)) return openInPlace(reason);
  if (exists && !takesWriting(final_, reason)) return false;
  const int fd = createTemporary(final_, temporary_);
  if (fd < 0) {
    const int error = errno;
    if (exists && (error == EACCES || error == EPERM)) {
      // No file can be made beside it, but it takes writing: in place.
      inPlaceBecause_ = systemError(error);
      return openInPlace(reason);
    }
    reason = systemError(error);
    return false;
  }
  if (exists) keepOwnerAndMode(fd, status);
  file_ = fdopen(fd, "wb");
  if (file_ == nullptr) {
    reason = systemError(errno);
    close(fd);
    abandon();
    return false;
  }
  return true;
}

bool FileReplacement::openInPlace(std::error_code& reason) {
  // Emptied as it opens: from then on an interrupt leaves it incomplete.
  const detail::HeldSignals held;
  file_ = openFile(final_, "wb");
  if (file_ == nullptr) {
    reason = systemError(errno);
    return false;
  }
  detail::writingInPlace();
  return true;
}

bool FileReplacement::commit(std::error_code& reason) {
  reason.clear();
  if (file_ == nullptr) return false;
  errno = 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!closed) {
    reason = systemError(errno);
    abandon();
    return false;
  }
  if (temporary_.empty()) {
    detail::forgetTemporaryFile(true);  // written where it stands
    return true;
  }
  bool renamed = false;
  {
    const detail::HeldSignals held;
    renamed = rename(temporary_.c_str(), final_.c_str()) == 0;
    if (renamed) {
      detail::forgetTemporaryFile(true);
      temporary_.clear();
    }
  }
  if (renamed) return true;
  const int error = errno;
  if (error == EBUSY || error == EXDEV) {
    // A file that cannot be renamed over (one mounted into a container):
    // the new content is copied into it instead.
    inPlaceBecause_ = systemError(error);
    detail::writingInPlace();
    const bool copied = copyInto(temporary_, final_, reason);
    abandon();
    if (copied) detail::forgetTemporaryFile(true);
    return copied;
  }
  reason = systemError(error);
  abandon();
  return false;
}

}  // namespace core
