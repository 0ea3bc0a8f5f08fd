// What the two programs print and which sample each converts, so that one
// test can run against either program.
#ifndef TESTS_E2E_PROGRAMS_SUPPORT_H_
#define TESTS_E2E_PROGRAMS_SUPPORT_H_

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

// Console texts both programs share.
constexpr std::string_view kDone = "\n Done.\n";
constexpr std::string_view kOutputNotOpen = "\nFile is not open.\n";
constexpr std::string_view kWriteFailed = "\nFile writing failed.\n";
constexpr std::string_view kOutOfMemory = "\nOut of memory.\n";

struct Program {
  std::string name;  // "converter" or "trevik"
  std::string exe;
  std::string banner;
  std::string noArguments;
  std::string cannotRead;           // the loader's message, then the driver's
  std::string notValid;             // the message for input without an airport
  std::vector<std::string> sample;  // example files it converts
  // Test data files that, joined, are the "APB" made from the sample.
  std::vector<std::string> sampleOutput;
  std::string usage;          // standard error without arguments
  std::string sampleSummary;  // standard error for the sample
};

// The summary line a program writes to standard error after reading.
std::string summary(const Program& program, int airports, int runways,
                    int obstacles, int leftOut);

class Sandbox;

// Copies the program's sample files into box; returns them as arguments.
std::vector<std::string> copySample(const Sandbox& box, const Program& program);

// The program's first sample file written over and over, to at least size
// bytes: an input that takes a while to read and to convert.
std::string repeatedSample(const Program& program, size_t size);

// The "APB" a program writes for its sample.
std::string sampleApb(const Program& program);

const Program& converterProgram();
const Program& trevikProgram();
// Both programs, for tests that run each of them.
const std::vector<Program>& bothPrograms();

// Lets GoogleTest name a parameter by the program.
inline std::ostream& operator<<(std::ostream& out, const Program& program) {
  return out << program.name;
}

}  // namespace e2e

#endif  // TESTS_E2E_PROGRAMS_SUPPORT_H_
