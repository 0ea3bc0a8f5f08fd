// Reading input files on Windows.
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "core/reading/source.h"

namespace core {
namespace {

std::error_code systemError() {
  const DWORD error = GetLastError();
  return {static_cast<int>(error != 0 ? error : ERROR_READ_FAULT),
          std::system_category()};
}

int64_t ticksOf(const FILETIME& time) {
  return static_cast<int64_t>(
      (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

}  // namespace

// The tick is 100 ns on NTFS but 2 s on FAT: a time of whole even seconds
// may come from FAT's clock.
void FileSource::waitUntilPast(int64_t modified) {
  constexpr int64_t kTicksPerMs = 10'000;
  constexpr ULONGLONG kLongestWaitMs = 2'100;  // a clock set back
  const bool coarse = modified % (2'000 * kTicksPerMs) == 0;
  const int64_t past = modified + (coarse ? 2'000 : 16) * kTicksPerMs;
  const ULONGLONG until = GetTickCount64() + kLongestWaitMs;
  for (;;) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    if (ticksOf(now) > past || GetTickCount64() >= until) return;
    Sleep(1);
  }
}

bool FileSource::status(Status& into) const {
  FILE_BASIC_INFO basic{};
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileInformationByHandle(handle_, &info) == 0) return false;
  into.size =
      (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  into.modified = ticksOf(info.ftLastWriteTime);
  into.changed = GetFileInformationByHandleEx(handle_, FileBasicInfo, &basic,
                                              sizeof basic) != 0
                     ? basic.ChangeTime.QuadPart
                     : 0;
  return GetFileType(handle_) == FILE_TYPE_DISK &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FileSource::openPath(const std::filesystem::path& path,
                          std::error_code& reason) {
  // Opened by the C runtime, whose error numbers give the same reasons as
  // on POSIX systems ("No such file or directory"); read by its handle.
  errno = 0;
  std::FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) {
    reason = {errno != 0 ? errno : EIO, std::generic_category()};
    return false;
  }
  file_ = file;
  handle_ = reinterpret_cast<void*>(_get_osfhandle(_fileno(file)));
  opened();
  return true;
}

bool FileSource::openStandardInput(std::error_code& reason) {
  // Read by its handle, which knows no text mode: bytes as they are.
  HANDLE handle = GetStdHandle(STD_INPUT_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
    reason = {static_cast<int>(ERROR_INVALID_HANDLE), std::system_category()};
    return false;
  }
  handle_ = handle;
  regular_ = false;
  left_ = 0;
  return true;
}

bool FileSource::readSome(char* data, size_t size, size_t& got,
                          std::error_code& reason) {
  constexpr size_t kLargestRead = size_t{1} << 30;
  DWORD n = 0;
  if (ReadFile(static_cast<HANDLE>(handle_), data,
               static_cast<DWORD>(std::min(size, kLargestRead)), &n,
               nullptr) == 0) {
    const DWORD error = GetLastError();
    // The writer of a pipe closed its end: that is the end of the input.
    if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return true;
    reason = systemError();
    return false;
  }
  got = n;
  return true;
}

void FileSource::closeFile() {
  if (file_ != nullptr) std::fclose(static_cast<std::FILE*>(file_));
  file_ = nullptr;
  handle_ = nullptr;
}

}  // namespace core
