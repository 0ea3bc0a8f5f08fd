// Runs a built program as a user would: in a chosen directory, with chosen
// standard input and output, and returns what it printed and its exit code.
#include "tests/e2e/process_support.h"

#include <fstream>
#include <iterator>
#include <random>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>
#endif

namespace e2e {

#ifndef _WIN32

namespace {

using Clock = std::chrono::steady_clock;

// A pipe whose ends are closed when the runner is done with them.
struct Pipe {
  int readEnd = -1;
  int writeEnd = -1;

  Pipe() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) == 0) {
      readEnd = ends[0];
      writeEnd = ends[1];
    }
  }
  ~Pipe() {
    closeRead();
    closeWrite();
  }
  void closeRead() {
    if (readEnd != -1) close(readEnd);
    readEnd = -1;
  }
  void closeWrite() {
    if (writeEnd != -1) close(writeEnd);
    writeEnd = -1;
  }
};

// Between fork and exec only async-signal-safe calls are allowed.
[[noreturn]] void failInChild(const char* step) {
  constexpr char kPrefix[] = "e2e runner: cannot ";
  if (write(STDERR_FILENO, kPrefix, sizeof kPrefix - 1) < 0 ||
      write(STDERR_FILENO, step, std::strlen(step)) < 0 ||
      write(STDERR_FILENO, "\n", 1) < 0) {
    // Nothing more can be done; the exit code tells.
  }
  _exit(127);
}

// Puts fd (or nothing, for -1) in the place of the standard handle target.
void placeHandle(int fd, int target, const char* step) {
  if (fd == -1) {
    close(target);
  } else if (fd == target) {
    // dup2 onto itself would keep close-on-exec set.
    if (fcntl(fd, F_SETFD, 0) == -1) failInChild(step);
  } else if (dup2(fd, target) == -1) {
    failInChild(step);
  }
}

// Everything the child needs, prepared before fork.
struct ChildSetup {
  const char* dir;
  const char* exe;
  char* const* argv;
  char* const* envp;
  Input input;
  const char* inputFile;
  int inputPipe;   // read end, for Input::kEmptyPipe
  int outputPipe;  // write end, or -1 for a closed standard output
  int errorsPipe;  // write end for standard error
  uint64_t memoryLimit;
  uint64_t fileSizeLimit;
  int user;
};

[[noreturn]] void runChild(const ChildSetup& setup) {
  // A test runner may ignore SIGPIPE; the program must start as from a shell.
  signal(SIGPIPE, SIG_DFL);
  if (chdir(setup.dir) != 0) failInChild("enter the run directory");
  if (setup.memoryLimit != 0) {
    const rlimit limit{setup.memoryLimit, setup.memoryLimit};
    if (setrlimit(RLIMIT_AS, &limit) != 0) failInChild("limit memory");
  }
  if (setup.user >= 0) {
    const auto id = static_cast<uid_t>(setup.user);
    if (setgroups(0, nullptr) != 0 || setgid(id) != 0 || setuid(id) != 0) {
      failInChild("switch the user");
    }
  }
  if (setup.fileSizeLimit != 0) {
    const rlimit limit{setup.fileSizeLimit, setup.fileSizeLimit};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) failInChild("limit file size");
  }
  int input = -1;
  switch (setup.input) {
    case Input::kNullDevice:
      input = open("/dev/null", O_RDONLY);
      if (input == -1) failInChild("open /dev/null");
      break;
    case Input::kFile:
      input = open(setup.inputFile, O_RDONLY);
      if (input == -1) failInChild("open the input file");
      break;
    case Input::kEmptyPipe:
    case Input::kPipe:
      input = setup.inputPipe;
      break;
    case Input::kClosed:
      break;
  }
  placeHandle(input, STDIN_FILENO, "set standard input");
  placeHandle(setup.outputPipe, STDOUT_FILENO, "set standard output");
  placeHandle(setup.errorsPipe, STDERR_FILENO, "set standard error");
  execve(setup.exe, setup.argv, setup.envp);
  failInChild("start the program");
}

int remainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

// Reads each stream's fd until end of file, into its text, all at once so
// that a full pipe never stalls the program; false when the deadline passed
// first.
bool readUntilEnd(std::vector<std::pair<int, std::string*>> streams,
                  Clock::time_point deadline) {
  char block[1 << 16];
  while (!streams.empty()) {
    std::vector<pollfd> ready;
    for (const auto& stream : streams)
      ready.push_back({stream.first, POLLIN, 0});
    const int polled = poll(ready.data(), ready.size(), remainingMs(deadline));
    if (polled < 0 && errno == EINTR) continue;
    if (polled == 0) return false;
    for (size_t k = ready.size(); k-- > 0;) {
      if (ready[k].revents == 0) continue;
      const ssize_t got = read(ready[k].fd, block, sizeof block);
      if (got > 0) {
        streams[k].second->append(block, static_cast<size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        streams.erase(streams.begin() + static_cast<std::ptrdiff_t>(k));
      }
    }
  }
  return true;
}

// Waits for the child to end, killing it once the deadline has passed.
int waitForExit(pid_t pid, Clock::time_point deadline, bool& timedOut) {
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) != pid) {
    if (timedOut || Clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

RunResult runIn(const std::filesystem::path& dir, const std::string& exe,
                const std::vector<std::string>& args,
                const RunOptions& options) {
  std::vector<std::string> words{exe};
  words.insert(words.end(), args.begin(), args.end());
  const std::vector<char*> argv = pointersTo(words);
  std::vector<std::string> environment = environmentWith(options.environment);
  const std::vector<char*> envp = pointersTo(environment);

  Pipe input;
  Pipe output;
  Pipe errors;
  // A pipe that nobody reads: the first write fails (or raises SIGPIPE).
  if (options.output == Output::kBrokenPipe) output.closeRead();
  if (options.errors == Output::kBrokenPipe) errors.closeRead();
  const std::string dirText = dir.string();
  const ChildSetup setup{
      dirText.c_str(),
      exe.c_str(),
      argv.data(),
      envp.data(),
      options.input,
      options.inputFile.c_str(),
      input.readEnd,
      options.output == Output::kClosed ? -1 : output.writeEnd,
      options.mergeErrors                 ? output.writeEnd
      : options.errors == Output::kClosed ? -1
                                          : errors.writeEnd,
      options.memoryLimit,
      options.fileSizeLimit,
      options.user};

  RunResult result;
  const pid_t pid = fork();
  if (pid == -1) return result;
  if (pid == 0) runChild(setup);

  // The parent keeps the writing end of an empty input pipe open until the
  // child has ended, so a read of standard input would block.
  input.closeRead();
  if (options.input == Input::kPipe) {
    // A program that ends before it read everything must not end the test.
    const auto previous = signal(SIGPIPE, SIG_IGN);
    for (size_t at = 0; at < options.inputBytes.size();) {
      const ssize_t n = write(input.writeEnd, options.inputBytes.data() + at,
                              options.inputBytes.size() - at);
      if (n <= 0) break;  // the program went away without reading it all
      at += static_cast<size_t>(n);
    }
    signal(SIGPIPE, previous);
    input.closeWrite();
  }
  output.closeWrite();
  errors.closeWrite();
  const Clock::time_point deadline = Clock::now() + options.timeout;
  std::vector<std::pair<int, std::string*>> streams;
  if (options.errors == Output::kCaptured) {
    streams.emplace_back(errors.readEnd, &result.errors);
  }
  if (options.output == Output::kCaptured || options.mergeErrors) {
    streams.emplace_back(output.readEnd, &result.console);
  }
  result.timedOut = !readUntilEnd(streams, deadline);
  result.exitCode = waitForExit(pid, deadline, result.timedOut);
  return result;
}

bool runningUnderWine() { return false; }

std::vector<std::string> environmentWith(
    const std::vector<std::string>& changes) {
  const auto nameOf = [](const std::string& entry) {
    return entry.substr(0, entry.find('='));
  };
  std::vector<std::string> entries = changes;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string kept(*entry);
    bool changed = false;
    for (const std::string& change : changes) {
      changed = changed || nameOf(change) == nameOf(kept);
    }
    if (!changed) entries.push_back(kept);
  }
  return entries;
}

std::vector<char*> pointersTo(std::vector<std::string>& entries) {
  std::vector<char*> pointers;
  for (std::string& entry : entries) pointers.push_back(entry.data());
  pointers.push_back(nullptr);
  return pointers;
}

#else  // _WIN32

namespace {

std::wstring widen(const std::string& text) {
  if (text.empty()) return {};
  const int size = MultiByteToWideChar(
      CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                      wide.data(), size);
  return wide;
}

// Quotes one argument so that the program's runtime splits it back whole.
std::wstring quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) {
    return arg;
  }
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  out += L'"';
  return out;
}

// Closes a handle when the runner is done with it.
struct Handle {
  HANDLE value = INVALID_HANDLE_VALUE;
  Handle() = default;
  explicit Handle(HANDLE h) : value(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { reset(); }
  void reset() {
    if (value != INVALID_HANDLE_VALUE && value != nullptr) CloseHandle(value);
    value = INVALID_HANDLE_VALUE;
  }
};

HANDLE openInherited(const std::wstring& path, DWORD access,
                     DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(path.c_str(), access,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     &inherit, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::filesystem::path consoleFileFor(const std::filesystem::path& dir) {
  std::random_device random;
  return dir.parent_path() / (dir.filename().wstring() + L"." +
                              std::to_wstring(random()) + L".console");
}

// The text a program wrote to file, which is then removed. Standard
// handles are text streams on Windows, where each line feed reaches the
// file as CR LF; tests expect the line feeds the program wrote.
std::string takeText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string written(std::istreambuf_iterator<char>(in), {});
  in.close();
  std::string text;
  for (size_t i = 0; i < written.size(); ++i) {
    if (written[i] == '\r' && i + 1 < written.size() &&
        written[i + 1] == '\n') {
      continue;
    }
    text += written[i];
  }
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  return text;
}

}  // namespace

RunResult runIn(const std::filesystem::path& dir, const std::string& exe,
                const std::vector<std::string>& args,
                const RunOptions& options) {
  RunResult result;
  const std::wstring program =
      std::filesystem::absolute(std::filesystem::path(exe)).wstring();
  std::wstring commandLine = quoted(program);
  for (const std::string& arg : args) commandLine += L" " + quoted(widen(arg));

  Handle input;
  Handle pipeWriter;
  if (options.input == Input::kEmptyPipe || options.input == Input::kPipe) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    if (!CreatePipe(&input.value, &pipeWriter.value, &inherit, 0))
      return result;
    SetHandleInformation(pipeWriter.value, HANDLE_FLAG_INHERIT, 0);
  } else if (options.input == Input::kFile) {
    input.value = openInherited((dir / widen(options.inputFile)).wstring(),
                                GENERIC_READ, OPEN_EXISTING);
  } else {
    input.value = openInherited(L"NUL", GENERIC_READ, OPEN_EXISTING);
  }
  const std::filesystem::path consoleFile = consoleFileFor(dir);
  const std::filesystem::path errorsFile = consoleFileFor(dir);
  Handle output(
      openInherited(consoleFile.wstring(), GENERIC_WRITE, CREATE_ALWAYS));
  Handle errors(
      openInherited(errorsFile.wstring(), GENERIC_WRITE, CREATE_ALWAYS));

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.value;
  startup.hStdOutput = output.value;
  startup.hStdError = options.mergeErrors ? output.value : errors.value;
  PROCESS_INFORMATION process{};
  Handle job;
  if (options.memoryLimit != 0) {
    job.value = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limit{};
    limit.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_PROCESS_MEMORY;
    limit.ProcessMemoryLimit = static_cast<SIZE_T>(options.memoryLimit);
    SetInformationJobObject(job.value, JobObjectExtendedLimitInformation,
                            &limit, sizeof limit);
  }
  const std::wstring workDir = dir.wstring();
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr,
                      TRUE, CREATE_SUSPENDED, nullptr, workDir.c_str(),
                      &startup, &process)) {
    return result;
  }
  Handle processHandle(process.hProcess);
  Handle threadHandle(process.hThread);
  if (options.memoryLimit != 0) {
    AssignProcessToJobObject(job.value, process.hProcess);
  }
  ResumeThread(process.hThread);
  if (options.input == Input::kPipe) {
    input.reset();  // the program holds its own copy of the reading end
    DWORD written = 0;
    for (size_t at = 0; at < options.inputBytes.size(); at += written) {
      if (!WriteFile(pipeWriter.value, options.inputBytes.data() + at,
                     static_cast<DWORD>(options.inputBytes.size() - at),
                     &written, nullptr) ||
          written == 0) {
        break;
      }
    }
    pipeWriter.reset();
  }
  const DWORD waitMs = static_cast<DWORD>(
      std::chrono::duration_cast<std::chrono::milliseconds>(options.timeout)
          .count());
  if (WaitForSingleObject(process.hProcess, waitMs) == WAIT_TIMEOUT) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
    result.timedOut = true;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  result.exitCode = static_cast<int>(code);
  output.reset();
  errors.reset();
  result.console = takeText(consoleFile);
  result.errors = takeText(errorsFile);
  return result;
}

bool runningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr &&
         GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

#endif  // _WIN32

}  // namespace e2e
