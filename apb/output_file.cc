// Opening, filling and closing "APB", the file every run writes.
#include "apb/output_file.h"

#include <cstdio>
#include <filesystem>

#include "apb/ordered_writing.h"
#include "core/file_replacement.h"

namespace apb {

Outcome writeOutputFile(const std::function<void(LineSink&)>& write,
                        Report& report) {
  report = {};
  // "APB" keeps its old bytes until the new ones are complete; should this
  // run fail, be interrupted or run out of memory before, the replacement
  // goes away with them.
  core::FileReplacement output;
  if (!output.open(std::filesystem::path(kOutputFile), report.reason)) {
    return Outcome::kNotOpened;
  }
  report.inPlaceBecause = output.inPlaceBecause();
  std::FILE* file = output.file();
  // The sink writes whole blocks; a stream buffer would only split them.
  std::setvbuf(file, nullptr, _IONBF, 0);
  int error = 0;
  {
    LineSink sink(file);
    write(sink);
    if (!sink.finish()) error = sink.error();
  }
  if (error != 0) {
    report.reason = std::error_code(error, std::generic_category());
    return Outcome::kWriteFailed;
  }
  // A full disk may only show when the last block is written at close.
  const bool committed = output.commit(report.reason);
  report.inPlaceBecause = output.inPlaceBecause();
  return committed ? Outcome::kWritten : Outcome::kWriteFailed;
}

Outcome writeAirportsFile(
    std::span<const core::Airport> airports,
    void (*write)(LineSink& sink, std::span<const core::Airport> airports),
    Report& report) {
  return writeOutputFile(
      [&](LineSink& out) {
        // A few hundred kilobytes of lines per slice.
        constexpr size_t kAirportsPerSlice = 256;
        writeInOrder(out, airports.size(), kAirportsPerSlice,
                     [&](LineSink& sink, size_t begin, size_t end) {
                       write(sink, airports.subspan(begin, end - begin));
                     });
      },
      report);
}

}  // namespace apb
