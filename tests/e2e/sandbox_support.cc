// A fresh directory per test run of a program, and the files put into it.
#include "tests/e2e/sandbox_support.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "tests/e2e/process_support.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>
#endif

namespace e2e {

Sandbox::Sandbox() {
  std::random_device random;
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    dir_ = base / ("apb-e2e-" + std::to_string(random()));
    if (std::filesystem::create_directory(dir_)) return;
  }
  throw std::runtime_error("cannot create a temporary directory");
}

Sandbox::~Sandbox() {
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

std::filesystem::path Sandbox::path(std::string_view name) const {
  // Names are UTF-8, as the runner passes them on the command line; a plain
  // char string would mean the ANSI code page on Windows.
  return dir_ / std::filesystem::path(std::u8string(name.begin(), name.end()));
}

void Sandbox::write(std::string_view name, std::string_view bytes) const {
  std::ofstream out(path(name), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error("cannot write a test file");
}

std::string Sandbox::read(std::string_view name) const {
  return readFile(path(name));
}

bool Sandbox::isRegularFile(std::string_view name) const {
  std::error_code ignored;
  return std::filesystem::is_regular_file(path(name), ignored);
}

void Sandbox::copyExample(std::string_view name) const {
  write(name, exampleBytes(name));
}

bool Sandbox::makeTrap(std::string_view name) const {
#ifndef _WIN32
  if (mkfifo(path(name).c_str(), 0600) == 0) return true;
#endif
  write(name, "");
  return false;
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string exampleBytes(std::string_view name) {
  return readFile(std::filesystem::path(EXAMPLES_DIR) / name);
}

std::string dataBytes(std::string_view name) {
  return readFile(std::filesystem::path(TEST_DATA_DIR) / name);
}

#ifndef _WIN32

namespace {

std::filesystem::path errorsFile(const Sandbox& box) {
  return box.dir().parent_path() / (box.dir().filename().string() + ".err");
}

}  // namespace

pid_t startIn(const Sandbox& box, const std::string& exe,
              const std::vector<std::string>& args,
              const std::vector<std::string>& environment) {
  std::vector<std::string> words{exe};
  words.insert(words.end(), args.begin(), args.end());
  const std::vector<char*> argv = pointersTo(words);
  std::vector<std::string> entries = environmentWith(environment);
  const std::vector<char*> envp = pointersTo(entries);
  const std::string dir = box.dir().string();
  const std::string errorsPath = errorsFile(box).string();
  const pid_t pid = fork();
  if (pid == 0) {
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    const int null = open("/dev/null", O_RDWR);
    const int err =
        open(errorsPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (null < 0 || err < 0 || chdir(dir.c_str()) != 0) _exit(127);
    dup2(null, 0);
    dup2(null, 1);
    dup2(err, 2);
    execve(exe.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  return pid;
}

std::string errorsSoFar(const Sandbox& box) {
  return readFile(errorsFile(box));
}

std::string takeErrors(const Sandbox& box) {
  std::string errors = readFile(errorsFile(box));
  std::filesystem::remove(errorsFile(box));
  return errors;
}

#endif

}  // namespace e2e
