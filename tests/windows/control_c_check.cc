// Ctrl-C on a Windows console while a program writes "APB": the program
// must end with STATUS_CONTROL_C_EXIT, leave the old "APB" byte for byte and
// leave no temporary file behind.
//
// usage: control_c_check PROGRAM SAMPLE DIR
// Runs PROGRAM with "-" (standard input) in DIR, an empty folder, on its own
// console, and feeds it SAMPLE over and over through a pipe, enough for the
// first airports to be converted, so that the temporary file exists; then it
// keeps the pipe open (the program waits for more input), sends Ctrl-C to
// the console and checks what the program left. Exit code 0 when all holds.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace {

constexpr char kOldApb[] = "old output\r\n";
constexpr DWORD kControlCExit = 0xC000013A;  // STATUS_CONTROL_C_EXIT

int fail(const std::string& what) {
  std::fprintf(stderr, "control_c_check: %s\n", what.c_str());
  return 1;
}

// The helper takes the Ctrl-C it sends itself and goes on.
BOOL WINAPI shield(DWORD /*event*/) { return TRUE; }

std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The temporary files beside "APB" (named APB.*.tmp).
int temporaryFiles(const std::filesystem::path& dir) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("APB.") && name.ends_with(".tmp")) ++count;
  }
  return count;
}

HANDLE inheritable(const std::filesystem::path& path, DWORD access,
                   DWORD creation) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     &inherit, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return fail("usage: control_c_check PROGRAM SAMPLE DIR");
  const std::filesystem::path program = argv[1];
  const std::string sample = readAll(argv[2]);
  const std::filesystem::path dir = argv[3];
  if (sample.empty()) return fail("the sample is empty or missing");
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "APB", std::ios::binary) << kOldApb;

  // A console of its own, which the program shares; Ctrl-C goes to both.
  FreeConsole();
  if (!AllocConsole()) return fail("no console");
  SetConsoleCtrlHandler(shield, TRUE);

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return fail("no pipe");
  SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE output =
      inheritable(dir / "console.txt", GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE errors = inheritable(dir / "errors.txt", GENERIC_WRITE, CREATE_ALWAYS);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = readEnd;
  startup.hStdOutput = output;
  startup.hStdError = errors;
  std::wstring commandLine = L"\"" + program.wstring() + L"\" -";
  const std::wstring workDir = dir.wstring();
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr,
                      TRUE, 0, nullptr, workDir.c_str(), &startup, &process)) {
    return fail("cannot start the program");
  }
  CloseHandle(readEnd);
  CloseHandle(output);
  CloseHandle(errors);

  // Several megabytes: more than the program reads before it converts.
  constexpr size_t kFeed = size_t{8} << 20;
  for (size_t fed = 0; fed < kFeed; fed += sample.size()) {
    DWORD written = 0;
    if (!WriteFile(writeEnd, sample.data(), static_cast<DWORD>(sample.size()),
                   &written, nullptr)) {
      return fail("the program stopped reading");
    }
  }
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (temporaryFiles(dir) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      TerminateProcess(process.hProcess, 1);
      return fail("no temporary file appeared");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }

  if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) {
    TerminateProcess(process.hProcess, 1);
    return fail("cannot send Ctrl-C");
  }
  if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    return fail("the program outlived Ctrl-C");
  }
  CloseHandle(writeEnd);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  int failures = 0;
  if (code != kControlCExit) {
    failures += fail("exit code " + std::to_string(code) +
                     ", not STATUS_CONTROL_C_EXIT");
  }
  if (readAll(dir / "APB") != kOldApb) failures += fail("\"APB\" changed");
  if (temporaryFiles(dir) != 0) {
    failures += fail("a temporary file is left");
  }
  const std::string said = readAll(dir / "errors.txt");
  if (said.find("interrupted; \"APB\" left as it was") == std::string::npos) {
    failures += fail("standard error holds: " + said);
  }
  return failures == 0 ? 0 : 1;
}
