// POSIX side of the platform interface: termios key wait, SIGPIPE, madvise.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

#include "core/platform.h"

namespace core {

std::FILE* openFile(const std::filesystem::path& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

std::string pathText(const std::filesystem::path& path) noexcept {
  try {
    return path.native();
  } catch (...) {  // out of memory for a copy of the path
    return {};
  }
}

void writeError(std::string_view text) noexcept {
  std::fwrite(text.data(), 1, text.size(), stderr);
}

void prepareProcess() {
  // The console only reports status: a reader that went away must not kill
  // the conversion, so writes to a broken pipe just fail.
  signal(SIGPIPE, SIG_IGN);
  // If a standard handle is closed, the next open() would reuse its number
  // and console text would land in the output file. Park /dev/null there
  // instead.
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) == -1) {
      const int nul = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
      if (nul != -1 && nul != fd) {
        dup2(nul, fd);
        close(nul);
      }
    }
  }
}

bool stdinIsInteractive() {
  if (isatty(STDIN_FILENO) != 1) return false;
  // A background job cannot take a key from its terminal: setting the
  // terminal or reading it would stop the job until someone brings it back.
  const pid_t foreground = tcgetpgrp(STDIN_FILENO);
  return foreground == -1 || foreground == getpgrp();
}

void waitForKey() {
  if (!stdinIsInteractive()) return;
  termios saved{};
  if (tcgetattr(STDIN_FILENO, &saved) != 0) return;
  termios raw = saved;
  // One key, no echo, no Enter; Ctrl-C counts as a key so the terminal is
  // always restored.
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) return;
  // An arrow key sends several bytes at once: read them all in one go and
  // drop anything still queued, so nothing is left for the shell prompt.
  char keys[64];
  if (read(STDIN_FILENO, keys, sizeof keys) < 0) {
    // Nothing to do: the wait is over either way.
  }
  tcflush(STDIN_FILENO, TCIFLUSH);
  tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

void adviseLargeBuffer(void* data, size_t bytes) {
#if defined(MADV_HUGEPAGE)
  // Fresh pages cost a fault each on first touch; huge pages cut the faults
  // of a buffer of hundreds of MB by a factor of 512. But they are cheap
  // only while the system has recently freed ones to hand: past a few
  // hundred MB it must put each together from scratch, and on virtual
  // machines that costs several times the small pages it replaces (1,000 MB
  // ANF input: 6.2 s with every buffer advised, 5.3 s with the first 256 MB;
  // at 100 MB the same). Hence the budget per run.
  constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
  if (bytes < kHugePage) return;
  static std::atomic<size_t> advised{0};
  if (advised.fetch_add(bytes) + bytes > kLargeBufferBudget) return;
  // The whole huge pages inside the buffer, as offsets from its start.
  const uintptr_t address = reinterpret_cast<uintptr_t>(data);
  const size_t begin = (kHugePage - address % kHugePage) % kHugePage;
  const size_t end = bytes - (address + bytes) % kHugePage;
  if (end > begin) {
    madvise(static_cast<char*>(data) + begin, end - begin, MADV_HUGEPAGE);
  }
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace core
