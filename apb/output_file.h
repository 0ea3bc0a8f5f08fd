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
  kNotOpened,   // "APB" could not be created or emptied
  kWriteFailed  // a write or the close failed: "APB" is incomplete
};

// Creates or empties "APB", lets write fill it and closes it. Unless the
// outcome is kWritten, reason holds the system's error.
Outcome writeOutputFile(const std::function<void(LineSink&)>& write,
                        std::error_code& reason);

// writeOutputFile for a program's airports: "APB" gets the lines that
// write(sink, airports) gives, written a slice of airports at a time on
// every core and joined in airport order.
Outcome writeAirportsFile(
    std::span<const core::Airport> airports,
    void (*write)(LineSink& sink, std::span<const core::Airport> airports),
    std::error_code& reason);

}  // namespace apb

#endif  // APB_OUTPUT_FILE_H_
