// Replacing a file whole on Windows: a temporary file beside it, moved over
// it once complete.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <ctime>
#include <random>
#include <string>

#include "core/file_replacement.h"
#include "core/platform.h"

namespace core {
namespace {

std::error_code lastError() {
  const DWORD error = GetLastError();
  return {static_cast<int>(error != 0 ? error : ERROR_WRITE_FAULT),
          std::system_category()};
}

// Six random letters and digits, the same pattern on every system.
std::wstring randomPart() {
  static constexpr wchar_t kLetters[] =
      L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::mt19937_64 random = [] {
    std::seed_seq seed{static_cast<unsigned>(GetCurrentProcessId()),
                       static_cast<unsigned>(GetTickCount()),
                       static_cast<unsigned>(time(nullptr))};
    return std::mt19937_64(seed);
  }();
  std::wstring part(6, L'x');
  for (wchar_t& c : part) c = kLetters[random() % (std::size(kLetters) - 1)];
  return part;
}

// A file another program holds open (a virus scanner, an indexer) cannot be
// moved over for a moment: try again briefly.
bool moveOver(const std::wstring& from, const std::wstring& to) {
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      return true;
    }
    const DWORD error = GetLastError();
    const bool busy = error == ERROR_SHARING_VIOLATION ||
                      error == ERROR_ACCESS_DENIED ||
                      error == ERROR_LOCK_VIOLATION;
    if (!busy || attempt == 20) return false;
    Sleep(50);
  }
}

}  // namespace

FileReplacement::~FileReplacement() { abandon(); }

void FileReplacement::abandon() {
  const detail::HeldSignals held;
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  if (!temporary_.empty()) {
    DeleteFileW(temporary_.c_str());
    detail::forgetTemporaryFile(false);
    temporary_.clear();
  }
}

bool FileReplacement::open(const std::filesystem::path& target,
                           std::error_code& reason) {
  reason.clear();
  final_ = target;
  const DWORD attributes = GetFileAttributesW(final_.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (!exists && GetLastError() != ERROR_FILE_NOT_FOUND) {
    reason = lastError();
    return false;
  }
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    reason = std::error_code(EISDIR, std::generic_category());
    return false;
  }
  if (exists) {
    // The old file must take writing before it is replaced, as it would
    // have to be written in place: a read-only or locked "APB" stays.
    const HANDLE check =
        CreateFileW(final_.c_str(), GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (check == INVALID_HANDLE_VALUE) {
      reason = lastError();
      return false;
    }
    CloseHandle(check);
  }
  for (int attempt = 0;; ++attempt) {
    const std::wstring name = final_.native() + L"." + randomPart() + L".tmp";
    HANDLE handle = INVALID_HANDLE_VALUE;
    {
      const detail::HeldSignals held;
      // Shared for deletion, so that Ctrl-C can remove it while it is open.
      handle = CreateFileW(name.c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle != INVALID_HANDLE_VALUE) {
        temporary_ = name;
        detail::guardTemporaryFile(temporary_);
      }
    }
    if (handle != INVALID_HANDLE_VALUE) {
      const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle),
                                     _O_BINARY | _O_WRONLY);
      file_ = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
      if (file_ == nullptr) {
        reason =
            std::error_code(errno != 0 ? errno : EIO, std::generic_category());
        if (fd >= 0) {
          _close(fd);
        } else {
          CloseHandle(handle);
        }
        abandon();
        return false;
      }
      return true;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS && attempt < 100) continue;
    if (exists && error == ERROR_ACCESS_DENIED) {
      // No file can be made beside it, but it takes writing: in place.
      inPlaceBecause_ =
          std::error_code(static_cast<int>(error), std::system_category());
      return openInPlace(reason);
    }
    reason = std::error_code(static_cast<int>(error), std::system_category());
    return false;
  }
}

bool FileReplacement::openInPlace(std::error_code& reason) {
  // Emptied as it opens: from then on an interrupt leaves it incomplete.
  const detail::HeldSignals held;
  file_ = openFile(final_, "wb");
  if (file_ == nullptr) {
    reason = std::error_code(errno != 0 ? errno : EIO, std::generic_category());
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
    reason = std::error_code(errno != 0 ? errno : EIO, std::generic_category());
    abandon();
    return false;
  }
  if (temporary_.empty()) {
    detail::forgetTemporaryFile(true);  // written where it stands
    return true;
  }
  bool moved = false;
  {
    const detail::HeldSignals held;
    moved = moveOver(temporary_.native(), final_.native());
    if (moved) {
      detail::forgetTemporaryFile(true);
      temporary_.clear();
    } else {
      reason = lastError();
    }
  }
  if (!moved) abandon();
  return moved;
}

}  // namespace core
