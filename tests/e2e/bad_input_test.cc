// Any bytes in: either the "not valid" message with "APB" untouched, or
// "Done." with an "APB" that holds exactly the airports the reader finds in
// those bytes. Never a crash or a hang.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "converter/format.h"
#include "tests/e2e/process_support.h"
#include "tests/e2e/programs_support.h"
#include "tests/e2e/sandbox_support.h"
#include "tests/support/convert.h"
#include "trevik/format.h"

namespace e2e {
namespace {

// What a program writes to "APB" for the bytes of one input file, worked out
// in this process through the engine with the program's format.
std::string convertInProcess(const Program& program, std::string_view bytes) {
  return tests::convertBytes(
             program.name == "converter" ? converter::kFormat : trevik::kFormat,
             {bytes})
      .apb;
}

// The same bytes on every platform: mt19937's output is fixed by the
// standard, unlike the distributions.
std::string randomBytes(size_t count, uint32_t seed) {
  std::mt19937 engine(seed);
  std::string bytes(count, '\0');
  for (char& byte : bytes) byte = static_cast<char>(engine() & 0xFF);
  return bytes;
}

std::string repeated(std::string_view piece, size_t times) {
  std::string bytes;
  bytes.reserve(piece.size() * times);
  for (size_t i = 0; i < times; ++i) bytes += piece;
  return bytes;
}

std::string bytesAbove127() {
  std::string bytes;
  for (int i = 0; i < 65536; ++i) {
    bytes += static_cast<char>(128 + i % 128);
    if (i % 100 == 99) bytes += (i % 200 == 199) ? " " : "\r\n";
  }
  return bytes;
}

std::string replaceAll(std::string text, std::string_view from,
                       std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

enum class Outcome { kNotValid, kAirports };

struct BadInput {
  const char* name;
  std::string (*bytes)(const std::string& sample);
  Outcome outcome;
};

const BadInput kBadInputs[] = {
    {"empty", [](const std::string&) { return std::string(); },
     Outcome::kNotValid},
    {"random bytes",
     [](const std::string&) { return randomBytes(1 << 20, 20200115); },
     Outcome::kNotValid},
    {"NUL bytes", [](const std::string&) { return std::string(65536, '\0'); },
     Outcome::kNotValid},
    {"bytes above 127", [](const std::string&) { return bytesAbove127(); },
     Outcome::kNotValid},
    {"one line of 10 MB",
     [](const std::string&) { return repeated("ab ", (10 << 20) / 3); },
     Outcome::kNotValid},
    {"a million empty lines",
     [](const std::string&) { return repeated("\n", 1'000'000); },
     Outcome::kNotValid},
    {"the sample with CR-only line ends",
     [](const std::string& sample) { return replaceAll(sample, "\r\n", "\r"); },
     Outcome::kNotValid},
    {"the sample with a NUL and junk in every line",
     [](const std::string& sample) {
       return replaceAll(sample, "\r\n", std::string("\0 junk ANF\r\n", 12));
     },
     Outcome::kAirports},
    {"the sample with a lone CR before every line end",
     [](const std::string& sample) {
       return replaceAll(sample, "\r\n", "\r\r\n");
     },
     Outcome::kAirports},
    {"the sample with bytes above 127 in its texts",
     [](const std::string& sample) {
       return replaceAll(sample, "ALPHA", "\xC4LPH\xC5\xFF");
     },
     Outcome::kAirports},
    {"the sample after a line of 10 MB",
     [](const std::string& sample) {
       return repeated("x", 10 << 20) + "\r\n" + sample;
     },
     Outcome::kAirports},
    {"the sample after a million empty lines",
     [](const std::string& sample) {
       return repeated("\r\n", 1'000'000) + sample;
     },
     Outcome::kAirports},
    {"the sample ended by Ctrl-Z before random bytes",
     [](const std::string& sample) {
       return sample + "\x1a" + randomBytes(4096, 7);
     },
     Outcome::kAirports},
};

class BadInputRun : public testing::TestWithParam<Program> {};

TEST_P(BadInputRun, WritesWhatTheReaderFindsOrNothing) {
  const Program& program = GetParam();
  const std::string sample = exampleBytes(program.sample.front());
  for (const BadInput& input : kBadInputs) {
    SCOPED_TRACE(input.name);
    const std::string bytes = input.bytes(sample);
    const std::string expected = convertInProcess(program, bytes);
    ASSERT_EQ(expected.empty(), input.outcome == Outcome::kNotValid)
        << "the case does not test what it says";
    Sandbox box;
    box.write("input", bytes);
    box.write(kOutputFile, kOldApb);

    const RunResult run = runIn(box.dir(), program.exe, {"input"});

    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, expected.empty() ? 1 : 0);
    // Findings name the file, then the summary ends standard error.
    const std::vector<std::string> lines = linesOf(run.errors);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with(program.name + ": read "));
    for (size_t k = 0; k + 1 < lines.size(); ++k) {
      EXPECT_TRUE(lines[k].starts_with(program.name + ":input:")) << lines[k];
    }
    if (expected.empty()) {
      EXPECT_EQ(run.console,
                program.banner + program.notValid + std::string(kDone));
      EXPECT_EQ(box.read(kOutputFile), kOldApb);
    } else {
      EXPECT_EQ(run.console, program.banner + std::string(kDone));
      EXPECT_TRUE(box.read(kOutputFile) == expected)
          << "APB differs from the in-process conversion";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, BadInputRun,
                         testing::ValuesIn(bothPrograms()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace e2e
