// Opening, filling and closing "APB", the file every run writes.
#ifndef APB_OUTPUT_FILE_H_
#define APB_OUTPUT_FILE_H_

#include <functional>
#include <span>
#include <string_view>
#include <system_error>

#include "apb/line_sink.h"
#include "core/records.h"

namespace apb {

// The file every run writes, in the current working directory.
constexpr std::string_view kOutputFile = "APB";

// How writing "APB" ended; the driver says what each outcome means.
enum class Outcome {
  kWritten,     // every line is in "APB"
  kNotOpened,   // "APB" cannot be written (a directory, read-only)
  kWriteFailed  // a write, the close or the rename failed: "APB" is as it was
};

// What the driver may say beside the outcome.
struct Report {
  std::error_code reason;  // the system's error, unless kWritten
  // Why "APB" was written in place rather than replaced; empty when it was
  // replaced (or is no regular file).
  std::error_code inPlaceBecause;
};

// Writes "APB" whole: write fills a replacement that takes the old file's
// place once complete (core/file_replacement.h), so that on any failure the
// old "APB" keeps its bytes.
Outcome writeOutputFile(const std::function<void(LineSink&)>& write,
                        Report& report);

// writeOutputFile for a program's airports: "APB" gets the lines that
// write(sink, airports) gives, written a slice of airports at a time on
// every core and joined in airport order.
Outcome writeAirportsFile(
    std::span<const core::Airport> airports,
    void (*write)(LineSink& sink, std::span<const core::Airport> airports),
    Report& report);

}  // namespace apb

#endif  // APB_OUTPUT_FILE_H_
