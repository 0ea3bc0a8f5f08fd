// Windows side of the platform interface: console key wait, wide-path files.
#include <conio.h>
#include <windows.h>

#include <cwchar>
#include <string>

#include "core/platform.h"

namespace core {

std::FILE* openFile(const std::filesystem::path& path, const char* mode) {
  wchar_t wideMode[8] = {};
  for (size_t i = 0; mode[i] != '\0' && i + 1 < 8; ++i) {
    wideMode[i] = static_cast<wchar_t>(mode[i]);
  }
  return _wfopen(path.c_str(), wideMode);
}

std::string pathText(const std::filesystem::path& path) noexcept {
  try {
    const std::wstring& wide = path.native();
    if (wide.empty()) return {};
    const int length = static_cast<int>(wide.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length,
                                          nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) {
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, text.data(), bytes,
                          nullptr, nullptr);
    }
    return text;
  } catch (...) {  // out of memory for the text
    return {};
  }
}

void writeError(std::string_view text) noexcept {
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (text.empty() || GetConsoleMode(handle, &mode) == 0) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    return;
  }
  // A console shows UTF-16 whatever its code page: paths keep every letter.
  const int length = static_cast<int>(text.size());
  const int count =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  if (count <= 0) return;
  try {
    std::wstring wide(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), count);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()),
                  &written, nullptr);
  } catch (...) {  // out of memory: the line is lost, the run goes on
  }
}

void prepareProcess() {}

bool stdinIsInteractive() {
  // _isatty is also true for NUL; only a real console has a console mode.
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

void waitForKey() {
  if (!stdinIsInteractive()) return;
  const int key = _getch();
  // Function and arrow keys arrive as a prefix byte and a second code.
  if (key == 0 || key == 0xE0) _getch();
}

void adviseLargeBuffer(void* data, size_t bytes) {
  (void)data;
  (void)bytes;
}

}  // namespace core
