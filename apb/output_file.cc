// Opening, filling and closing "APB", the file every run writes.
#include "apb/output_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "apb/ordered_writing.h"
#include "core/platform.h"

namespace apb {

Outcome writeOutputFile(const std::function<void(LineSink&)>& write,
                        std::error_code& reason) {
  reason.clear();
  errno = 0;
  std::FILE* file = core::openFile(std::filesystem::path(kOutputFile), "wb");
  if (file == nullptr) {
    reason = std::error_code(errno != 0 ? errno : EIO, std::generic_category());
    return Outcome::kNotOpened;
  }
  // The sink writes whole blocks; a stream buffer would only split them.
  std::setvbuf(file, nullptr, _IONBF, 0);
  int error = 0;
  {
    LineSink sink(file);
    write(sink);
    if (!sink.finish()) error = sink.error();
  }
  // A full disk may only show when the last block is written at close.
  errno = 0;
  if (std::fclose(file) != 0 && error == 0) error = errno != 0 ? errno : EIO;
  if (error == 0) return Outcome::kWritten;
  reason = std::error_code(error, std::generic_category());
  return Outcome::kWriteFailed;
}

Outcome writeAirportsFile(
    std::span<const core::Airport> airports,
    void (*write)(LineSink& sink, std::span<const core::Airport> airports),
    std::error_code& reason) {
  return writeOutputFile(
      [&](LineSink& out) {
        // A few hundred kilobytes of lines per slice.
        constexpr size_t kAirportsPerSlice = 256;
        writeInOrder(out, airports.size(), kAirportsPerSlice,
                     [&](LineSink& sink, size_t begin, size_t end) {
                       write(sink, airports.subspan(begin, end - begin));
                     });
      },
      reason);
}

}  // namespace apb
