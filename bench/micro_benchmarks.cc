// Google Benchmark micro-benchmarks of the hot pieces of both programs: the
// engine's reading (loading, splitting, finding words), atof, roundToInt,
// the default float form, writer lines, and the readers and writers as a
// whole on a generated input, all through the engine.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "apb/line_sink.h"
#include "apb/runway_lines.h"
#include "bench/generator.h"
#include "converter/format.h"
#include "core/numbers/numbers.h"
#include "core/reading/source.h"
#include "core/records.h"
#include "engine/engine.h"
#include "tests/support/convert.h"
#include "tests/support/records.h"
#include "trevik/format.h"

namespace {

constexpr uint64_t kInputSize = uint64_t{8} << 20;

const std::string& input(bench::Format format) {
  static const std::string airbus =
      bench::generateText(bench::Format::kAirbus, kInputSize, 1);
  static const std::string anf =
      bench::generateText(bench::Format::kAnf, kInputSize, 1);
  return format == bench::Format::kAirbus ? airbus : anf;
}

const engine::Format& formatOf(bench::Format format) {
  return format == bench::Format::kAirbus ? converter::kFormat
                                          : trevik::kFormat;
}

void setBytes(benchmark::State& state, size_t bytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// Converts the generated input of format with it through the engine on
// threads threads (0: as the programs do), dropping "APB"'s bytes.
void convertInput(benchmark::State& state, bench::Format format,
                  const engine::Format& with, size_t threads) {
  const std::string& bytes = input(format);
  for (auto _ : state) {
    core::ByteSource source({bytes});
    size_t out = 0;
    const engine::Result result = engine::convert(
        with, source, [&out](std::string_view piece) { out += piece.size(); },
        {.threads = threads});
    benchmark::DoNotOptimize(out);
    benchmark::DoNotOptimize(result.airports.data());
  }
  setBytes(state, bytes.size());
}

// ------------------------------------------------------ reading the input

bool noBlock(const core::WordTable& /*table*/, size_t /*row*/) { return false; }

// Loading and splitting: every row is looked at, none starts a block.
void BM_Load(benchmark::State& state, bench::Format format) {
  engine::Format rows = formatOf(format);
  rows.isStart = noBlock;
  rows.unread = {};
  convertInput(state, format, rows, 1);
}
BENCHMARK_CAPTURE(BM_Load, airbus, bench::Format::kAirbus)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, anf, bench::Format::kAnf)
    ->Unit(benchmark::kMillisecond);

bool everyRow(const core::WordTable& /*table*/, size_t /*row*/) { return true; }

// Every word of a row, as the readers see them; no block is kept.
bool touchWords(const core::WordTable& table, size_t row,
                core::Airport& /*airport*/, core::Findings& /*findings*/,
                size_t& /*end*/) {
  size_t total = 0;
  for (size_t col = 0; col < table.wordCount(row); ++col) {
    total += core::wordAt(table, row, col).size();
  }
  benchmark::DoNotOptimize(total);
  return false;
}

void BM_WordAt(benchmark::State& state) {
  engine::Format words = trevik::kFormat;
  words.isStart = everyRow;
  words.read = touchWords;
  words.unread = {};
  convertInput(state, bench::Format::kAnf, words, 1);
}
BENCHMARK(BM_WordAt)->Unit(benchmark::kMillisecond);

// --------------------------------------------------------------- numbers

const std::vector<std::string_view>& numberWords() {
  static const std::vector<std::string_view> words = {
      "4200",    "-150.5", "2851.00", "0.12345678", "25.9e1",   "1300.6",
      "3100",    "+0.25",  "-0.63",   "1092.991",   "1494.832", "419.429",
      "0.00001", "2826.0", "45",      "7448.50",    "-13",      "1.09",
      "N/A",     "12.5m",  "2400.5",  "60",         "-2.5",     "930"};
  return words;
}

void BM_Atof(benchmark::State& state) {
  const auto& words = numberWords();
  for (auto _ : state) {
    for (std::string_view word : words) {
      benchmark::DoNotOptimize(core::atof(word));
    }
  }
  state.SetItemsProcessed(
      static_cast<int64_t>(state.iterations() * words.size()));
}
BENCHMARK(BM_Atof);

// The same words inside a larger buffer, as the readers see them.
void BM_AtofWord(benchmark::State& state) {
  const auto& words = numberWords();
  std::string buffer;
  std::vector<std::pair<size_t, size_t>> spans;
  for (std::string_view word : words) {
    spans.emplace_back(buffer.size(), word.size());
    buffer.append(word).append(" ");
  }
  buffer.append(64, ' ');
  for (auto _ : state) {
    for (const auto& [at, size] : spans) {
      benchmark::DoNotOptimize(
          core::atofWord(std::string_view(buffer.data() + at, size)));
    }
  }
  state.SetItemsProcessed(
      static_cast<int64_t>(state.iterations() * words.size()));
}
BENCHMARK(BM_AtofWord);

void BM_Atoi(benchmark::State& state) {
  static const std::string_view words[] = {"09L", "27", "36R", "12",
                                           "5",   "0",  "-5",  "L09"};
  for (auto _ : state) {
    for (std::string_view word : words) {
      benchmark::DoNotOptimize(core::atoi(word));
    }
  }
  state.SetItemsProcessed(
      static_cast<int64_t>(state.iterations() * std::size(words)));
}
BENCHMARK(BM_Atoi);

const std::vector<double>& values() {
  static const std::vector<double> numbers = [] {
    std::vector<double> v;
    for (std::string_view word : numberWords()) v.push_back(core::atof(word));
    return v;
  }();
  return numbers;
}

void BM_RoundToInt(benchmark::State& state) {
  const auto& numbers = values();
  for (auto _ : state) {
    for (double x : numbers) benchmark::DoNotOptimize(core::roundToInt(x));
  }
  state.SetItemsProcessed(
      static_cast<int64_t>(state.iterations() * numbers.size()));
}
BENCHMARK(BM_RoundToInt);

void BM_WriteDecimal(benchmark::State& state) {
  const auto& numbers = values();
  char text[core::kMaxNumberText];
  for (auto _ : state) {
    for (double x : numbers) {
      benchmark::DoNotOptimize(core::writeDecimal(text, x));
      benchmark::ClobberMemory();
    }
  }
  state.SetItemsProcessed(
      static_cast<int64_t>(state.iterations() * numbers.size()));
}
BENCHMARK(BM_WriteDecimal);

void BM_WriteInteger(benchmark::State& state) {
  static const int64_t numbers[] = {0,    7,     -13,  45,    930,
                                    2851, -1377, 4200, 10000, -99999};
  char text[core::kMaxNumberText];
  for (auto _ : state) {
    for (int64_t x : numbers) {
      benchmark::DoNotOptimize(core::writeInteger(text, x));
      benchmark::ClobberMemory();
    }
  }
  state.SetItemsProcessed(
      static_cast<int64_t>(state.iterations() * std::size(numbers)));
}
BENCHMARK(BM_WriteInteger);

// ---------------------------------------------------------- writer lines

// The lines written per iteration are dropped once this many bytes are
// held, as the programs pass on a chunk's lines.
constexpr size_t kSinkBytes = size_t{1} << 20;

// One AIRPORT1 obstacle line: three rounded integers, written item by item
// through the sink.
void BM_WriterObstacleLine(benchmark::State& state) {
  apb::LineSink sink;
  const core::Obstacle obstacle{3100, 1300.6, -150.5};
  for (auto _ : state) {
    sink.integer(core::roundToInt(obstacle.elevation)).text(" ");
    sink.integer(core::roundToInt(obstacle.distance)).text(" ");
    sink.integer(core::roundToInt(obstacle.lateralDistance)).endLine();
    if (sink.size() > kSinkBytes) sink.clear();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_WriterObstacleLine);

// The same line as the writers write it: into reserved room, with values
// that vary in sign and length.
void BM_WriterObstacleLineDirect(benchmark::State& state) {
  apb::LineSink sink;
  const std::vector<double>& numbers = values();
  size_t i = 0;
  for (auto _ : state) {
    const double a = numbers[i % numbers.size()];
    const double b = numbers[(i + 7) % numbers.size()];
    const double c = numbers[(i + 13) % numbers.size()];
    ++i;
    char* p = sink.reserve(3 * core::kMaxNumberText);
    p = core::writeInteger(p, core::roundToInt(a));
    *p++ = ' ';
    p = core::writeInteger(p, core::roundToInt(b));
    *p++ = ' ';
    p = core::writeInteger(p, core::roundToInt(c));
    sink.commit(p);
    sink.endLine();
    if (sink.size() > kSinkBytes) sink.clear();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_WriterObstacleLineDirect);

// One runway line: quoted ident, four rounded distances, the slope three
// times and the obstacle count.
void BM_WriterRunwayLine(benchmark::State& state) {
  apb::LineSink sink;
  const core::Runway runway = tests::anfExampleRunway();
  for (auto _ : state) {
    apb::writeRunwayItems(sink, runway);
    sink.endLine();
    if (sink.size() > kSinkBytes) sink.clear();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_WriterRunwayLine);

// ------------------------------------------------- readers and writers

void dropAirport(apb::LineSink& /*out*/, const core::Airport& /*airport*/) {}

// Reading alone: the airports are read and dropped, on one thread.
void BM_Read(benchmark::State& state, bench::Format format) {
  engine::Format reading = formatOf(format);
  reading.write = dropAirport;
  convertInput(state, format, reading, 1);
}
BENCHMARK_CAPTURE(BM_Read, airbus, bench::Format::kAirbus)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Read, anf, bench::Format::kAnf)
    ->Unit(benchmark::kMillisecond);

// Writing alone: the airports of the input, read once, written into a
// LineSink (memory, as the engine's chunks are).
void BM_Write(benchmark::State& state, bench::Format format) {
  std::vector<std::string> lines;
  const std::string& bytes = input(format);
  for (size_t at = 0; at < bytes.size();) {
    const size_t end = bytes.find('\n', at);
    lines.push_back(bytes.substr(at, end - at));
    at = end == std::string::npos ? bytes.size() : end + 1;
  }
  const std::vector<core::Airport> airports =
      tests::readAirports(formatOf(format), {lines}).airports;
  for (auto _ : state) {
    apb::LineSink sink;
    for (const core::Airport& airport : airports) {
      formatOf(format).write(sink, airport);
    }
    benchmark::DoNotOptimize(sink.size());
  }
  setBytes(state, bytes.size());
}
BENCHMARK_CAPTURE(BM_Write, airport2, bench::Format::kAirbus)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Write, airport1, bench::Format::kAnf)
    ->Unit(benchmark::kMillisecond);

// The whole conversion, on one thread and as the programs run it.
void BM_Convert(benchmark::State& state, bench::Format format) {
  convertInput(state, format, formatOf(format),
               static_cast<size_t>(state.range(0)));
}
BENCHMARK_CAPTURE(BM_Convert, airbus, bench::Format::kAirbus)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Convert, anf, bench::Format::kAnf)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
