// Google Benchmark micro-benchmarks of the hot pieces of both programs:
// loading and splitting, atof, roundToInt, the default float form, writer
// lines, and the readers and writers as a whole on a generated input.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "apb/line_sink.h"
#include "apb/runway_lines.h"
#include "bench/generator.h"
#include "converter/reader.h"
#include "converter/writer.h"
#include "core/lines.h"
#include "core/numbers/numbers.h"
#include "core/records.h"
#include "tests/support/records.h"
#include "trevik/reader.h"
#include "trevik/writer.h"

namespace {

constexpr uint64_t kInputSize = uint64_t{8} << 20;

const std::string& input(bench::Format format) {
  static const std::string airbus =
      bench::generateText(bench::Format::kAirbus, kInputSize, 1);
  static const std::string anf =
      bench::generateText(bench::Format::kAnf, kInputSize, 1);
  return format == bench::Format::kAirbus ? airbus : anf;
}

core::Separators variantOf(bench::Format format) {
  return format == bench::Format::kAirbus ? core::Separators::kBlanks
                                          : core::Separators::kInWords;
}

void setBytes(benchmark::State& state, size_t bytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// ------------------------------------------------------ loading, splitting

void BM_LinesFromBytes(benchmark::State& state, bench::Format format) {
  const std::string& bytes = input(format);
  for (auto _ : state) {
    core::LineList lines = core::linesFromBytes(bytes, variantOf(format));
    benchmark::DoNotOptimize(lines.size());
  }
  setBytes(state, bytes.size());
}
BENCHMARK_CAPTURE(BM_LinesFromBytes, airbus, bench::Format::kAirbus)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LinesFromBytes, anf, bench::Format::kAnf)
    ->Unit(benchmark::kMillisecond);

void BM_LoadLinesFromFile(benchmark::State& state, bench::Format format) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "micro_benchmarks.input";
  {
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    std::fwrite(input(format).data(), 1, input(format).size(), file);
    std::fclose(file);
  }
  for (auto _ : state) {
    core::LineList lines;
    benchmark::DoNotOptimize(core::loadLines(path, lines, variantOf(format)));
    benchmark::DoNotOptimize(lines.size());
  }
  setBytes(state, input(format).size());
  std::filesystem::remove(path);
}
BENCHMARK_CAPTURE(BM_LoadLinesFromFile, airbus, bench::Format::kAirbus)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadLinesFromFile, anf, bench::Format::kAnf)
    ->Unit(benchmark::kMillisecond);

void BM_SplitWords(benchmark::State& state, bench::Format format) {
  const core::LineList lines =
      core::linesFromBytes(input(format), variantOf(format));
  for (auto _ : state) {
    core::WordTable table = core::splitWords(lines);
    benchmark::DoNotOptimize(table.rows());
  }
  setBytes(state, input(format).size());
}
BENCHMARK_CAPTURE(BM_SplitWords, airbus, bench::Format::kAirbus)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SplitWords, anf, bench::Format::kAnf)
    ->Unit(benchmark::kMillisecond);

// Every word of every row, as the readers see them.
void BM_WordAt(benchmark::State& state) {
  const core::LineList lines = core::linesFromBytes(input(bench::Format::kAnf),
                                                    core::Separators::kInWords);
  const core::WordTable table = core::splitWords(lines);
  for (auto _ : state) {
    size_t total = 0;
    for (size_t row = 0; row < table.rows(); ++row) {
      for (size_t col = 0; col < table.wordCount(row); ++col) {
        total += core::wordAt(table, row, col).size();
      }
    }
    benchmark::DoNotOptimize(total);
  }
  setBytes(state, input(bench::Format::kAnf).size());
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

void BM_ReadAirbusAirports(benchmark::State& state) {
  const core::LineList lines = core::linesFromBytes(
      input(bench::Format::kAirbus), core::Separators::kBlanks);
  const core::WordTable table = core::splitWords(lines);
  for (auto _ : state) {
    std::vector<core::Airport> airports = converter::readAirbusAirports(table);
    benchmark::DoNotOptimize(airports.size());
  }
  setBytes(state, input(bench::Format::kAirbus).size());
}
BENCHMARK(BM_ReadAirbusAirports)->Unit(benchmark::kMillisecond);

void BM_ReadAnfAirports(benchmark::State& state) {
  std::vector<core::LineList> lines;
  lines.push_back(core::linesFromBytes(input(bench::Format::kAnf),
                                       core::Separators::kInWords));
  std::vector<core::WordTable> tables;
  tables.push_back(core::splitWords(lines[0]));
  for (auto _ : state) {
    std::vector<core::Airport> airports;
    trevik::readAnfAirports(tables, airports);
    benchmark::DoNotOptimize(airports.size());
  }
  setBytes(state, input(bench::Format::kAnf).size());
}
BENCHMARK(BM_ReadAnfAirports)->Unit(benchmark::kMillisecond);

void BM_WriteAirport2(benchmark::State& state) {
  const core::LineList lines = core::linesFromBytes(
      input(bench::Format::kAirbus), core::Separators::kBlanks);
  const core::WordTable table = core::splitWords(lines);
  const std::vector<core::Airport> airports =
      converter::readAirbusAirports(table);
  for (auto _ : state) {
    apb::LineSink sink;
    converter::writeAirport2(sink, airports);
    benchmark::DoNotOptimize(sink.size());
  }
  setBytes(state, input(bench::Format::kAirbus).size());
}
BENCHMARK(BM_WriteAirport2)->Unit(benchmark::kMillisecond);

void BM_WriteAirport1(benchmark::State& state) {
  std::vector<core::LineList> lines;
  lines.push_back(core::linesFromBytes(input(bench::Format::kAnf),
                                       core::Separators::kInWords));
  std::vector<core::WordTable> tables;
  tables.push_back(core::splitWords(lines[0]));
  std::vector<core::Airport> airports;
  trevik::readAnfAirports(tables, airports);
  for (auto _ : state) {
    apb::LineSink sink;
    trevik::writeAirport1(sink, airports);
    benchmark::DoNotOptimize(sink.size());
  }
  setBytes(state, input(bench::Format::kAnf).size());
}
BENCHMARK(BM_WriteAirport1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
