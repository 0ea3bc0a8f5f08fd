// What a run says on standard error, in the form its command line chose:
// lines of text for people (the default), or one JSON object a line for
// programs, the same things in the same order. Every line names the
// program.
#ifndef DRIVER_DIAGNOSTICS_H_
#define DRIVER_DIAGNOSTICS_H_

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

#include "core/findings/findings.h"
#include "driver/json_line.h"

namespace driver {

// How a run ended, as its last object says (the text form says only the
// --strict verdict of these, as message).
struct Outcome {
  std::string_view
      outcome;  // "written", "checked", "nothing-to-write", "failed"
  std::string_view reason;  // for "failed": "usage", "input", "output", ...
  int exitCode = 0;
  std::optional<std::string> output;  // the output path, once chosen
  std::string message;                // a line of the text form, if any
};

// The reading of one path, for the summary: a path given twice is read
// twice, but its findings are said once.
struct PathRead {
  std::string_view path;
  const core::Findings* findings = nullptr;  // its first reading's
};

// The totals of every reading, for the summary.
struct ReadTotals {
  size_t airports = 0;
  size_t runways = 0;
  size_t obstacles = 0;
  size_t leftOut = 0;
};

class Diagnostics {
 public:
  Diagnostics(std::string_view program, std::span<const core::KindName> kinds,
              bool json)
      : program_(program), kinds_(kinds), json_(json) {}

  bool json() const { return json_; }

  // The findings of the input at path, in line order; as text, then a
  // "N more KIND not shown" line for each kind with more than it shows.
  void findings(std::string_view path, const core::Findings& findings) const;
  // "read A airports, R runways, O obstacles; left out K airports"; as
  // JSON with the findings of each path by kind, those not shown included.
  void summary(const ReadTotals& totals, std::span<const PathRead> paths) const;
  // A failure to use a file, "WHAT "PATH": REASON": error is its id
  // ("cannot-open"), what its words ("cannot open").
  void fileError(std::string_view error, std::string_view what,
                 std::string_view path, const std::error_code& reason) const;
  // An error that names no file: error its id, message its text.
  void error(std::string_view error, std::string_view message) const;
  // Something a run did that the user may not expect: notice its id
  // ("written-in-place"), message its text; path, if any, the file.
  void notice(std::string_view notice, const std::string& message,
              std::optional<std::string_view> path = std::nullopt) const;
  // A command line that cannot be run: what is wrong, or the usage line,
  // then the hint to ask for help.
  void usage(const std::string& message) const;
  // Text: outcome.message, if any. JSON: the outcome object.
  void outcome(const Outcome& outcome) const;
  // The key wait's "Press any key to close.".
  void prompt() const;
  // The three texts an interrupt says, once the output is named: before
  // the output is touched, once written, while written where it stands.
  struct InterruptTexts {
    std::string before, after, inPlace;
  };
  InterruptTexts interruptTexts(std::string_view output, size_t longest) const;
  // For a run that has closed standard output: lines go straight to
  // standard error.
  void standardOutputClosed() { stdoutClosed_ = true; }

 private:
  void say(std::string line) const;
  // A JSON object that starts with its type and the program.
  JsonLine object(std::string_view type) const;

  std::string_view program_;
  std::span<const core::KindName> kinds_;
  bool json_;
  bool stdoutClosed_ = false;
};

// The line that sums up a read: "read A airports, R runways, O obstacles;
// left out K airports", singular nouns for 1.
std::string readSummary(const ReadTotals& totals);

}  // namespace driver

#endif  // DRIVER_DIAGNOSTICS_H_
