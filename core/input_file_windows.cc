// Reading an input file on Windows.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <thread>

#include "core/input_file.h"

namespace core::detail {
namespace {

class InputCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "input"; }
  std::string message(int /*condition*/) const override {
    return "the file changed while it was read";
  }
};

std::error_code systemError() {
  const DWORD error = GetLastError();
  return {static_cast<int>(error != 0 ? error : ERROR_READ_FAULT),
          std::system_category()};
}

int64_t ticksOf(const FILETIME& time) {
  return static_cast<int64_t>(
      (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

// File times move a tick at a time: 100 ns on NTFS, but 2 s on FAT. A write
// in the tick of the time seen at open would leave the time as it was, so
// waits until a time that any later write must change is past (never long
// for a time in the future).
void waitUntilPast(int64_t modified) {
  constexpr int64_t kTicksPerMs = 10'000;
  constexpr int64_t kLongestWaitMs = 100;
  // A time of whole even seconds may come from FAT's coarse clock.
  const bool coarse = modified % (2'000 * kTicksPerMs) == 0;
  const int64_t past = modified + (coarse ? 2'000 : 16) * kTicksPerMs;
  for (int64_t waited = 0; waited < kLongestWaitMs; ++waited) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    if (ticksOf(now) > past) return;
    Sleep(1);
  }
}

}  // namespace

std::error_code changedWhileRead() {
  static const InputCategory category;
  return {1, category};
}

bool InputFile::status(Status& into) const {
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

bool InputFile::open(const std::filesystem::path& path,
                     std::error_code& reason) {
  close();
  // Others may go on reading, writing or renaming the file: a change is
  // seen by the comparison after the last read.
  const HANDLE handle =
      CreateFileW(path.c_str(), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    reason = systemError();
    return false;
  }
  handle_ = handle;
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
  if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
}

}  // namespace core::detail
