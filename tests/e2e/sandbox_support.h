// A fresh directory per test run of a program, and the files put into it.
#ifndef TESTS_E2E_SANDBOX_SUPPORT_H_
#define TESTS_E2E_SANDBOX_SUPPORT_H_

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#ifndef _WIN32
#include <sys/types.h>
#endif

namespace e2e {

// The file every run writes.
constexpr std::string_view kOutputFile = "APB";
// An "APB" from an earlier run, which a run that fails must leave as it is.
constexpr std::string_view kOldApb = "old output\r\n";

// A new empty temporary directory, removed with its contents at the end.
class Sandbox {
 public:
  Sandbox();
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const std::filesystem::path& dir() const { return dir_; }
  std::filesystem::path path(std::string_view name) const;
  void write(std::string_view name, std::string_view bytes) const;
  // The bytes of a file in the sandbox; empty when it cannot be read.
  std::string read(std::string_view name) const;
  bool isRegularFile(std::string_view name) const;
  // Copies examples/name into the sandbox under the same name.
  void copyExample(std::string_view name) const;
  // Makes a path that a program cannot open for reading without hanging (a
  // FIFO that nobody writes to), so a run that finishes never opened it.
  // Returns false where there is no such thing; the path is then an empty
  // file.
  bool makeTrap(std::string_view name) const;

 private:
  std::filesystem::path dir_;
};

// The bytes of a file; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);
// The bytes of examples/name and of tests/data/name.
std::string exampleBytes(std::string_view name);
std::string dataBytes(std::string_view name);

#ifndef _WIN32
// Starts exe in the sandbox with args, standard input and output on the null
// device and standard error into a file beside the sandbox (which so holds
// only what the program makes), and returns at once with its process id;
// the caller waits for it. environment as in RunOptions.
pid_t startIn(const Sandbox& box, const std::string& exe,
              const std::vector<std::string>& args,
              const std::vector<std::string>& environment = {});
// The standard error of the program startIn started in box, once it ended;
// its file is removed.
std::string takeErrors(const Sandbox& box);
// What that program has written to standard error so far.
std::string errorsSoFar(const Sandbox& box);
#endif

}  // namespace e2e

#endif  // TESTS_E2E_SANDBOX_SUPPORT_H_
