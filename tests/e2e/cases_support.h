// The end-to-end cases of tests/cases: one run of a program on fixed files,
// with the exit code, console texts and "APB" it must give. tests/cases/
// README.md gives the format; tests/cases/cases.py reads it by the same rules.
#ifndef TESTS_E2E_CASES_SUPPORT_H_
#define TESTS_E2E_CASES_SUPPORT_H_

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

struct Case {
  std::string name;  // the folder's name
  std::string about;
  std::string program;  // "converter" or "trevik"
  std::vector<std::string> args;
  std::vector<std::pair<std::string, std::string>> files;  // name, bytes
  std::vector<std::string> dirs;
  std::optional<std::string> input;  // standard input; none: the null device
  int exitCode = -1;
  std::string console;             // the expected standard output
  std::string errors;              // the expected standard error
  std::optional<std::string> apb;  // none: the output must hold what it held
  std::string output = "APB";      // the file the run writes
  bool posixOnly = false;
};

// The names of the case folders under root, sorted.
std::vector<std::string> caseNames(const std::filesystem::path& root);

// The case of root/name, its "examples/NAME" parts taken from examples.
// Throws std::runtime_error, naming the file and line, on a broken case.
Case readCase(const std::filesystem::path& root, const std::string& name,
              const std::filesystem::path& examples);

}  // namespace e2e

#endif  // TESTS_E2E_CASES_SUPPORT_H_
