// Opening, filling and closing "APB", the file every run writes.
#include "apb/output_file.h"

#include "apb/ordered_writing.h"

namespace apb {

Outcome writeOutputFile(const std::function<void(LineSink&)>& write,
                        Report& report) {
  // "APB" keeps its old bytes until the new ones are complete; should this
  // run fail, be interrupted or run out of memory before, what the stream
  // made goes away with it.
  OutputStream output;
  {
    LineSink sink([&output](std::string_view bytes) { output.append(bytes); });
    write(sink);
    sink.finish();  // the stream keeps any failure
  }
  return output.finish(report);
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
