// Checks the format fuzz targets share: a conversion through the window the
// input chose gives what the default window gives on one thread, the rows
// are those of the text file rules, and the findings and "APB" keep their
// shape.
#ifndef FUZZ_CHECKS_H_
#define FUZZ_CHECKS_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/records.h"
#include "engine/engine.h"
#include "fuzz/input.h"
#include "tests/support/words.h"

namespace fuzz {

// Stops the run with what went wrong, so that libFuzzer keeps the input.
[[noreturn]] void fail(std::string_view what);
inline void check(bool ok, std::string_view what) {
  if (!ok) fail(what);
}

// What a target checks of its format.
struct Target {
  // The program's. The checked conversion writes each airport through its
  // write after checkAirport, and checks that the airport's lines alone have
  // the shape of "APB": each ends in CR LF (no lone CR or LF, no NUL), the
  // first is tag and no other, and there are two plus eight and one per
  // obstacle for every runway.
  const engine::Format& format;
  std::string_view tag;  // of "APB": "AIRPORT1" or "AIRPORT2"
  // What the reader promises of every airport it keeps; calls check.
  void (*checkAirport)(const core::Airport& airport);
  // Whether a row (the model's words) may start an airport: no file gives
  // more airports than it has such rows.
  bool (*mayStartAirport)(const std::vector<std::string>& words);
};

// Converts the files of input through its window, with every airport and
// its lines checked as Target says, and checks:
//   - "APB", the findings as shown and as counted ("N more not shown", the
//     runways and obstacles read) and the airports per file equal those of
//     the same files through the default window on one thread;
//   - the rows and words a reader gets through the window are those of the
//     text file rules (tests/support/rows_format.h against the plain model
//     of tests/support/words.h);
//   - "APB" is lines ended in CR LF, a tag line per airport;
//   - every finding of a file lies within its rows (a file mark may stand
//     one past its last, where a Ctrl-Z can be) or concerns the whole file;
//     they come in row order, at most the cap of each kind, each a single
//     line, and the hidden ones are counted;
//   - no file gives more airports than it has rows that may start one.
void checkConversion(const Target& target, const Input& input);

}  // namespace fuzz

#endif  // FUZZ_CHECKS_H_
