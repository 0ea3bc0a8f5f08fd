// Windows side of the platform interface: console key wait, wide-path files.
#include <conio.h>
#include <windows.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "core/system/platform.h"

namespace core {

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

namespace {

// What the console control handler, which runs on a thread of its own,
// shares with the program: under guard (HeldSignals nest on one thread).
std::recursive_mutex guard;
std::wstring temporaryFile;  // empty when no temporary file exists
bool outputReplaced = false;
bool outputInPlace = false;  // being written where it stands
std::string interruptedBefore;
std::string interruptedAfter;
std::string interruptedInPlace;

BOOL WINAPI endByControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT &&
      event != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  // Held for good: the program ends here, nothing may start a new file.
  guard.lock();
  // The temporary file is opened so that it can be deleted while open.
  if (!temporaryFile.empty()) DeleteFileW(temporaryFile.c_str());
  writeError(outputReplaced  ? interruptedAfter
             : outputInPlace ? interruptedInPlace
                             : interruptedBefore);
  ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));
}

}  // namespace

namespace detail {

void guardTemporaryFile(const std::filesystem::path& path) {
  temporaryFile = path.native();
}

void forgetTemporaryFile(bool replaced) {
  temporaryFile.clear();
  if (replaced) outputReplaced = true;
}

void writingInPlace() { outputInPlace = true; }

}  // namespace detail

HeldSignals::HeldSignals() : saved_{} { guard.lock(); }
HeldSignals::~HeldSignals() { guard.unlock(); }

void sayOnInterrupt(std::string_view before, std::string_view after,
                    std::string_view inPlace) {
  const auto cut = [](std::string_view text) {
    return std::string(text.substr(0, kLongestInterruptText));
  };
  // The control handler runs on a thread of its own.
  const HeldSignals held;
  interruptedBefore = cut(before);
  interruptedAfter = cut(after);
  interruptedInPlace = cut(inPlace);
}

void prepareProcess(std::string_view program, std::string_view output) {
  nameOutput(program, output);
  SetConsoleCtrlHandler(endByControl, TRUE);
}

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

}  // namespace core
