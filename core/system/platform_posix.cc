// POSIX side of the platform interface: termios key wait, signals.
#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "core/system/platform.h"

namespace core {

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

namespace {

// What a signal handler may touch: plain bytes set up before any signal is
// caught, and flags.
constexpr size_t kLongestText = kLongestInterruptText + 1;  // and a NUL
char interruptedBefore[kLongestText];  // "PROGRAM: interrupted; ..." + LF
char interruptedAfter[kLongestText];
char interruptedInPlace[kLongestText];
constexpr size_t kLongestPath = 4096;
char temporaryFile[kLongestPath];  // empty when no temporary file exists
volatile sig_atomic_t outputReplaced = 0;
volatile sig_atomic_t outputInPlace = 0;  // being written where it stands
termios keyWaitSaved{};  // the terminal's settings during a key wait
volatile sig_atomic_t keyWaitActive = 0;
// Taken, with its signals held, by a thread that makes, renames or removes a
// guarded file, and for good by the signal handler. The handler may run on
// any thread whose signals are not held, also while a worker makes a file:
// it then waits until that step is done, so that it never meets a file that
// exists but is not yet guarded, nor a path half copied.
std::atomic_flag fileStep = ATOMIC_FLAG_INIT;
thread_local int heldDepth = 0;  // HeldSignals nest on one thread

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

template <size_t kSize>
void copyText(char (&to)[kSize], std::string_view text) {
  const size_t size = std::min(text.size(), kSize - 1);
  std::memcpy(to, text.data(), size);
  to[size] = '\0';
}

extern "C" void endBySignal(int signal) {
  const int savedErrno = errno;
  // Lock-free, so safe here; never given back: the program ends below.
  while (fileStep.test_and_set(std::memory_order_acquire)) {
  }
  if (temporaryFile[0] != '\0') unlink(temporaryFile);
  if (keyWaitActive != 0) tcsetattr(STDIN_FILENO, TCSANOW, &keyWaitSaved);
  const char* text = outputReplaced != 0  ? interruptedAfter
                     : outputInPlace != 0 ? interruptedInPlace
                                          : interruptedBefore;
  if (write(STDERR_FILENO, text, std::strlen(text)) < 0) {
    // Nothing more can be done; the signal still ends the program.
  }
  // End by the signal itself, so that a shell sees it (130 for Ctrl-C).
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  sigaction(signal, &standard, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
  raise(signal);
  errno = savedErrno;
}

sigset_t endingSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : kEndingSignals) sigaddset(&set, signal);
  return set;
}

}  // namespace

namespace detail {

void guardTemporaryFile(const std::filesystem::path& path) {
  copyText(temporaryFile, path.native());
}

void forgetTemporaryFile(bool replaced) {
  temporaryFile[0] = '\0';
  if (replaced) outputReplaced = 1;
}

void writingInPlace() { outputInPlace = 1; }

}  // namespace detail

HeldSignals::HeldSignals() {
  static_assert(sizeof(sigset_t) <= sizeof saved_);
  const sigset_t ending = endingSignals();
  sigset_t before;
  pthread_sigmask(SIG_BLOCK, &ending, &before);
  std::memcpy(saved_, &before, sizeof before);
  if (heldDepth++ == 0) {
    // Another thread's step takes a few system calls at most.
    while (fileStep.test_and_set(std::memory_order_acquire)) {
      std::this_thread::yield();
    }
  }
}

HeldSignals::~HeldSignals() {
  if (--heldDepth == 0) fileStep.clear(std::memory_order_release);
  sigset_t before;
  std::memcpy(&before, saved_, sizeof before);
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

void sayOnInterrupt(std::string_view before, std::string_view after,
                    std::string_view inPlace) {
  // A signal meanwhile waits, so that it never meets half a text.
  const HeldSignals held;
  copyText(interruptedBefore, before);
  copyText(interruptedAfter, after);
  copyText(interruptedInPlace, inPlace);
}

void prepareProcess(std::string_view program, std::string_view output) {
  nameOutput(program, output);
  for (const int signal : kEndingSignals) {
    struct sigaction current {};
    // A signal ignored at start (nohup, a script's "&") stays ignored.
    if (sigaction(signal, nullptr, &current) != 0 ||
        current.sa_handler == SIG_IGN) {
      continue;
    }
    struct sigaction handler {};
    handler.sa_handler = endBySignal;
    handler.sa_mask = endingSignals();  // one handler at a time
    sigaction(signal, &handler, nullptr);
  }
  // A file over the size limit (ulimit -f) is a failed write, reported as
  // one, rather than the end of the program with a partial file.
  signal(SIGXFSZ, SIG_IGN);
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
  // A terminal that is not the program's controlling one (tcgetpgrp
  // fails) is nobody's to answer: no wait.
  const pid_t foreground = tcgetpgrp(STDIN_FILENO);
  return foreground != -1 && foreground == getpgrp();
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
  keyWaitSaved = saved;
  keyWaitActive = 1;
  if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) {
    keyWaitActive = 0;
    return;
  }
  // An arrow key sends several bytes at once: read them all in one go and
  // drop anything still queued, so nothing is left for the shell prompt.
  char keys[64];
  if (read(STDIN_FILENO, keys, sizeof keys) < 0) {
    // Nothing to do: the wait is over either way.
  }
  tcflush(STDIN_FILENO, TCIFLUSH);
  tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  keyWaitActive = 0;
}

}  // namespace core
