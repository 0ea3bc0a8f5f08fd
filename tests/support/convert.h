// Conversions through the engine for tests, fuzzing and benchmarks: bytes
// in; out the "APB" bytes, the findings and, where asked, the airports as
// the engine hands them to the writer.
#ifndef TESTS_SUPPORT_CONVERT_H_
#define TESTS_SUPPORT_CONVERT_H_

#include <charconv>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "apb/line_sink.h"
#include "core/findings/findings.h"
#include "core/reading/source.h"
#include "core/records.h"
#include "engine/engine.h"
#include "tests/support/findings.h"

namespace tests {

// What a conversion of bytes gave, in a form to compare whole.
struct Converted {
  std::optional<size_t> failedInput;
  std::string apb;
  std::vector<std::vector<std::string>> findings;  // per input, findingLines
  std::vector<size_t> airports;                    // per input
  bool operator==(const Converted&) const = default;
};

// Converts files, each given as its bytes, with format through window.
inline Converted convertBytes(const engine::Format& format,
                              const std::vector<std::string_view>& files,
                              const engine::Window& window = {}) {
  core::ByteSource source(files);
  Converted converted;
  engine::Result result = engine::convert(
      format, source, [&](std::string_view bytes) { converted.apb += bytes; },
      window);
  converted.failedInput = result.failedInput;
  for (const core::Findings& findings : result.findings) {
    converted.findings.push_back(findingLines(findings));
  }
  converted.airports = result.airports;
  return converted;
}

namespace detail {

// The airports that keepAirport was handed, by number.
struct KeptAirports {
  std::mutex mutex;
  std::vector<core::Airport> airports;
};
inline KeptAirports& keptAirports() {
  static KeptAirports kept;
  return kept;
}
// A writer that keeps the airport and writes its number as its line: so
// the "APB" bytes name the airports the engine kept, in order, and an
// airport read again (and its lines dropped) is never named.
inline void keepAirport(apb::LineSink& out, const core::Airport& airport) {
  KeptAirports& kept = keptAirports();
  const std::lock_guard<std::mutex> lock(kept.mutex);
  out.count(kept.airports.size()).endLine();
  kept.airports.push_back(airport);
}

}  // namespace detail

// The airports format reads from files (each given as its lines, every one
// ended by CR LF), in order, and what each file noticed.
struct AirportsRead {
  std::vector<core::Airport> airports;
  std::vector<core::Findings> findings;  // per file
};
inline AirportsRead readAirports(
    engine::Format format, const std::vector<std::vector<std::string>>& files,
    const engine::Window& window = {}) {
  std::vector<std::string> bytes;
  for (const std::vector<std::string>& lines : files) {
    std::string& file = bytes.emplace_back();
    for (const std::string& line : lines) file += line + "\r\n";
  }
  format.write = detail::keepAirport;
  detail::keptAirports().airports.clear();
  core::ByteSource source(
      std::vector<std::string_view>(bytes.begin(), bytes.end()));
  std::string numbers;
  engine::Result result = engine::convert(
      format, source, [&](std::string_view out) { numbers += out; }, window);
  AirportsRead read;
  read.findings = std::move(result.findings);
  std::vector<core::Airport>& kept = detail::keptAirports().airports;
  for (const char* at = numbers.data(); at < numbers.data() + numbers.size();) {
    size_t number = 0;
    at = std::from_chars(at, numbers.data() + numbers.size(), number).ptr + 2;
    read.airports.push_back(std::move(kept[number]));
  }
  return read;
}

}  // namespace tests

#endif  // TESTS_SUPPORT_CONVERT_H_
