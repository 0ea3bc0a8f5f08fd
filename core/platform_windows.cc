// Windows side of the platform interface: console key wait, wide-path files.
#include <conio.h>
#include <windows.h>

#include <cwchar>

#include "core/platform.h"

namespace core {

std::FILE* openFile(const std::filesystem::path& path, const char* mode) {
  wchar_t wideMode[8] = {};
  for (size_t i = 0; mode[i] != '\0' && i + 1 < 8; ++i) {
    wideMode[i] = static_cast<wchar_t>(mode[i]);
  }
  return _wfopen(path.c_str(), wideMode);
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
