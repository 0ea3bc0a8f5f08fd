// The outer steps both programs share: console text, "APB", key wait, exit.
#include "core/run.h"

#include <cstdio>

#include "core/parallel.h"

namespace core {

void say(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

void printBanner(std::string_view title) {
  constexpr std::string_view kRule =
      "-------------------------------------------------\n";
  say("\n");
  say(kRule);
  say(title);
  say(kRule);
  say("\n");
  std::fflush(stdout);
}

int endWithDone() {
  say("\n Done.\n");
  std::fflush(stdout);
  waitForKey();
  return 0;
}

int writeOutputFile(const std::function<void(LineSink&)>& write) {
  std::FILE* file = openFile(std::filesystem::path(kOutputFile), "wb");
  if (file == nullptr) {
    say("\nFile is not open.\n");
    return 1;
  }
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
  if (!written) {
    say("\nFile writing failed.\n");
    return 1;
  }
  return endWithDone();
}

int writeAirportsFile(std::span<const Airport> airports,
                      void (*write)(LineSink& sink,
                                    std::span<const Airport> airports)) {
  return writeOutputFile([&](LineSink& out) {
    // A few hundred kilobytes of lines per slice.
    constexpr size_t kAirportsPerSlice = 256;
    writeInOrder(out, airports.size(), kAirportsPerSlice,
                 [&](LineSink& sink, size_t begin, size_t end) {
                   write(sink, airports.subspan(begin, end - begin));
                 });
  });
}

}  // namespace core
