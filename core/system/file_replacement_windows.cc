// Replacing a file whole on Windows: a temporary file beside it, moved over
// it once complete.
#include <windows.h>

#include <cerrno>
#include <memory>
#include <string>

#include "core/system/file_replacement.h"
#include "core/system/platform.h"

namespace core {
namespace {

// What the content is copied in: writes as large as the output's blocks.
constexpr DWORD kCopyBlock = DWORD{1} << 20;

std::error_code systemError(DWORD error) {
  return {static_cast<int>(error != 0 ? error : ERROR_WRITE_FAULT),
          std::system_category()};
}

std::error_code lastError() { return systemError(GetLastError()); }

HANDLE handleOf(intptr_t value) { return reinterpret_cast<HANDLE>(value); }
intptr_t valueOf(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? -1
                                        : reinterpret_cast<intptr_t>(handle);
}

// Writes all size bytes; false, with the last error set, when a write
// fails.
bool writeAll(HANDLE handle, const char* data, size_t size) {
  while (size > 0) {
    const DWORD part =
        static_cast<DWORD>(size < (size_t{1} << 30) ? size : size_t{1} << 30);
    DWORD put = 0;
    if (!WriteFile(handle, data, part, &put, nullptr)) return false;
    if (put == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    data += put;
    size -= put;
  }
  return true;
}

// Creates the file where the content of a target written in place waits:
// "NAME.XXXXXX.tmp" in the directory GetTempPathW names, deleted when its
// handle closes, so that it lasts exactly as long as the program, however
// it ends. Returns the handle, open for reading and writing, or
// INVALID_HANDLE_VALUE with the last error set.
HANDLE createWaiting(const std::filesystem::path& target) {
  wchar_t directory[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, directory);
  if (length == 0 || length > MAX_PATH) {
    if (length != 0) SetLastError(ERROR_BUFFER_OVERFLOW);
    return INVALID_HANDLE_VALUE;
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path name = detail::temporaryName(
        std::filesystem::path(directory) / target.filename());
    const HANDLE handle = CreateFileW(
        name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
      return handle;
    }
  }
  return INVALID_HANDLE_VALUE;
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

// The old file must take writing before it is replaced, as it would have to
// be written in place: a read-only or locked "APB" stays.
bool takesWriting(const std::filesystem::path& file, std::error_code& reason) {
  const HANDLE check =
      CreateFileW(file.c_str(), GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (check == INVALID_HANDLE_VALUE) {
    reason = lastError();
    return false;
  }
  CloseHandle(check);
  return true;
}

}  // namespace

FileReplacement::~FileReplacement() { abandon(); }

bool FileReplacement::closeFile(intptr_t& handle, std::error_code& reason) {
  const HANDLE closing = handleOf(handle);
  handle = -1;
  if (CloseHandle(closing)) return true;
  reason = lastError();
  return false;
}

std::error_code FileReplacement::notOpen() {
  return systemError(ERROR_INVALID_HANDLE);
}

void FileReplacement::abandon() {
  if (content_ >= 0) CloseHandle(handleOf(content_));
  if (target_ >= 0) CloseHandle(handleOf(target_));
  content_ = -1;
  target_ = -1;
  if (!temporary_.empty()) {
    const HeldSignals held;
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
  if (exists && !takesWriting(final_, reason)) return false;
  for (int attempt = 0;; ++attempt) {
    const std::filesystem::path name = detail::temporaryName(final_);
    HANDLE handle = INVALID_HANDLE_VALUE;
    {
      const HeldSignals held;
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
      content_ = valueOf(handle);
      return true;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS && attempt < 100) continue;
    if (!exists || error != ERROR_ACCESS_DENIED) {
      reason = systemError(error);
      return false;
    }
    // No file can be made beside it, but it takes writing: in place, once
    // the content is complete.
    inPlaceBecause_ = systemError(error);
    waiting_ = true;
    const HANDLE waiting = createWaiting(target);
    if (waiting == INVALID_HANDLE_VALUE) failWrite(lastError());
    content_ = valueOf(waiting);
    return true;
  }
}

bool FileReplacement::write(std::string_view bytes) {
  if (writeError_) return false;
  if (content_ < 0) {
    failWrite(systemError(ERROR_INVALID_HANDLE));
  } else if (!writeAll(handleOf(content_), bytes.data(), bytes.size())) {
    failWrite(lastError());
  }
  return !writeError_;
}

bool FileReplacement::openInPlace(std::error_code& reason) {
  const HANDLE handle = CreateFileW(
      final_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    reason = lastError();
    return false;
  }
  target_ = valueOf(handle);
  // Emptied, and from then on an interrupt says it is incomplete.
  const HeldSignals held;
  if (GetFileType(handle) == FILE_TYPE_DISK && !SetEndOfFile(handle)) {
    reason = lastError();
    return false;
  }
  detail::writingInPlace();
  return true;
}

bool FileReplacement::copyContent(std::error_code& reason) {
  const auto block = std::make_unique_for_overwrite<char[]>(kCopyBlock);
  const HANDLE from = handleOf(content_);
  if (!SetFilePointerEx(from, LARGE_INTEGER{}, nullptr, FILE_BEGIN)) {
    reason = lastError();
    return false;
  }
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(from, block.get(), kCopyBlock, &got, nullptr) ||
        (got > 0 && !writeAll(handleOf(target_), block.get(), got))) {
      reason = lastError();
      return false;
    }
    if (got == 0) return true;
  }
}

bool FileReplacement::putInPlace(std::error_code& reason) {
  const HeldSignals held;
  if (!moveOver(temporary_.native(), final_.native())) {
    reason = lastError();
    return false;
  }
  detail::forgetTemporaryFile(true);
  temporary_.clear();
  return true;
}

}  // namespace core
