// Opening, filling and closing "APB", the file every run writes.
#include "apb/output_file.h"

#include <cstdio>
#include <filesystem>

#include "apb/ordered_writing.h"
#include "core/platform.h"

namespace apb {

Outcome writeOutputFile(const std::function<void(LineSink&)>& write) {
  std::FILE* file = core::openFile(std::filesystem::path(kOutputFile), "wb");
  if (file == nullptr) return Outcome::kNotOpened;
  // The sink writes whole blocks; a stream buffer would only split them.
  std::setvbuf(file, nullptr, _IONBF, 0);
  bool written = false;
  {
    LineSink sink(file);
    write(sink);
    written = sink.finish();
  }
  // A full disk may only show when the last block is written at close.
  written = std::fclose(file) == 0 && written;
  return written ? Outcome::kWritten : Outcome::kWriteFailed;
}

Outcome writeAirportsFile(
    std::span<const core::Airport> airports,
    void (*write)(LineSink& sink, std::span<const core::Airport> airports)) {
  return writeOutputFile([&](LineSink& out) {
    // A few hundred kilobytes of lines per slice.
    constexpr size_t kAirportsPerSlice = 256;
    writeInOrder(out, airports.size(), kAirportsPerSlice,
                 [&](LineSink& sink, size_t begin, size_t end) {
                   write(sink, airports.subspan(begin, end - begin));
                 });
  });
}

}  // namespace apb
