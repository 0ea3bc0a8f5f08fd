// Opening, filling and closing "APB", the file every run writes.
#ifndef APB_OUTPUT_FILE_H_
#define APB_OUTPUT_FILE_H_

#include <functional>
#include <span>

#include "apb/line_sink.h"
#include "apb/output_stream.h"
#include "core/records.h"

namespace apb {

// Writes "APB" whole through an OutputStream: the lines write gives reach
// it a block at a time, and take the old file's place once complete, so
// that on any failure the old "APB" keeps its bytes.
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
