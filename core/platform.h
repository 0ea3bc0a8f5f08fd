// What differs between Windows and POSIX systems, behind one small interface.
#ifndef CORE_PLATFORM_H_
#define CORE_PLATFORM_H_

#include <cstddef>
#include <cstdio>
#include <filesystem>

namespace core {

// Opens a file by its path exactly as given (wide characters on Windows), in
// binary mode: mode is "rb" or "wb". Returns nullptr when it cannot be opened.
std::FILE* openFile(const std::filesystem::path& path, const char* mode);

// Makes the process safe to run with any standard handles: a closed standard
// output or a broken pipe must not stop a conversion, and a file opened later
// must never take the place of a closed standard handle.
void prepareProcess();

// True when standard input is an interactive console or terminal, where a
// person can press a key; false for files, pipes and the null device, and for
// a job in the background of its terminal.
bool stdinIsInteractive();

// Waits for one key press without echo and without Enter, and discards it
// (all bytes of a multi-byte key). Returns at once when standard input is not
// interactive, so scripts and CI never hang.
void waitForKey();

// Hints that a large buffer will be touched in full; a no-op where the system
// has no such hint.
void adviseLargeBuffer(void* data, size_t bytes);

}  // namespace core

#endif  // CORE_PLATFORM_H_
