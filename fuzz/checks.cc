// Checks the format fuzz targets share.
#include "fuzz/checks.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "apb/line_sink.h"
#include "core/findings/findings.h"
#include "core/reading/source.h"
#include "tests/support/convert.h"
#include "tests/support/findings.h"
#include "tests/support/rows_format.h"

namespace fuzz {
namespace {

// What the findings of a file say beyond the lines shown: the "N more KIND
// not shown" lines and the summary's runways and obstacles.
struct Counts {
  std::vector<size_t> total;   // per kind
  std::vector<size_t> hidden;  // per kind
  size_t runways = 0;
  size_t obstacles = 0;
  bool operator==(const Counts&) const = default;
};

// What a conversion gave, to compare whole.
struct Outcome {
  tests::Converted converted;
  std::vector<Counts> counts;  // per file
  bool operator==(const Outcome&) const = default;
};

Counts countsOf(const core::Findings& findings) {
  Counts counts;
  for (const unsigned kind : findings.kinds()) {
    counts.total.resize(kind + 1);
    counts.hidden.resize(kind + 1);
    counts.total[kind] = findings.total(kind);
    counts.hidden[kind] = findings.hidden(kind);
  }
  counts.runways = findings.runwaysRead();
  counts.obstacles = findings.obstaclesRead();
  return counts;
}

// The shape of the findings of a file of rows lines, after the file marks
// (of kind fileMarkKind) were added.
void checkFindings(const core::Findings& findings, size_t rows,
                   unsigned fileMarkKind) {
  const std::vector<core::Finding> shown = findings.shown();
  std::vector<size_t> perKind;
  size_t last = 0;
  for (const core::Finding& finding : shown) {
    if (finding.row != core::Finding::kWholeFile) {
      const size_t end = rows + (finding.kind == fileMarkKind ? 1 : 0);
      check(finding.row < end, "finding past the end of the file");
    }
    check(finding.row >= last, "findings out of row order");
    last = finding.row;
    check(!finding.message.empty() &&
              finding.message.find('\n') == std::string::npos,
          "finding is not one line");
    if (finding.kind >= perKind.size()) perKind.resize(finding.kind + 1);
    ++perKind[finding.kind];
  }
  for (const unsigned kind : findings.kinds()) {
    const size_t kept = kind < perKind.size() ? perKind[kind] : 0;
    check(kept <= core::Findings::kShownPerKind,
          "more findings of a kind than the cap");
    check(findings.total(kind) == kept + findings.hidden(kind),
          "hidden findings not counted");
    check(findings.hidden(kind) == 0 || kept == core::Findings::kShownPerKind,
          "findings hidden below the cap");
  }
}

// Converts files with format through window; checks each file's findings
// (rows: the model's rows per file).
Outcome convert(const engine::Format& format,
                const std::vector<std::string_view>& files,
                const engine::Window& window,
                const std::vector<tests::Rows>& rows) {
  core::ByteSource source(files);
  Outcome outcome;
  tests::Converted& converted = outcome.converted;
  const engine::Result result = engine::convert(
      format, source, [&](std::string_view bytes) { converted.apb += bytes; },
      window);
  check(!result.failedInput, "input in memory failed");
  check(result.findings.size() == files.size() &&
            result.airports.size() == files.size(),
        "findings or airports not one per file");
  converted.failedInput = result.failedInput;
  converted.airports = result.airports;
  for (size_t k = 0; k < files.size(); ++k) {
    checkFindings(result.findings[k], rows[k].size(), format.fileMarkKind);
    converted.findings.push_back(tests::findingLines(result.findings[k]));
    outcome.counts.push_back(countsOf(result.findings[k]));
  }
  return outcome;
}

// Calls use with each line of bytes, its CR LF taken off, after checking
// that it ends in CR LF and holds no other CR, LF or NUL.
template <typename Use>
void forEachLine(std::string_view bytes, Use use) {
  size_t start = 0;
  while (start < bytes.size()) {
    const size_t end = bytes.find("\r\n", start);
    check(end != std::string_view::npos, "output does not end with CR LF");
    const std::string_view line = bytes.substr(start, end - start);
    check(line.find_first_of(std::string_view("\r\n\0", 3)) ==
              std::string_view::npos,
          "lone CR, lone LF or NUL in the output");
    use(line);
    start = end + 2;
  }
}

// "APB" as a whole: empty for no airports; else CR LF lines, the first a
// tag line, one tag line per airport.
void checkOutput(std::string_view out, std::string_view tag, size_t airports) {
  check(out.empty() == (airports == 0), "output and airports disagree");
  check(out.empty() || out.starts_with(tag),
        "output does not start with its tag");
  size_t tags = 0;
  forEachLine(out, [&](std::string_view line) { tags += line == tag; });
  check(tags == airports, "tag lines differ from airports");
}

// The target whose conversion runs, for checkedWrite, which the engine calls
// as a plain function. The fuzz targets run one input at a time.
const Target* current = nullptr;

// Writes airport as the current target does, after checking the airport
// and the shape of its lines.
void checkedWrite(apb::LineSink& out, const core::Airport& airport) {
  current->checkAirport(airport);
  apb::LineSink lines;
  current->format.write(lines, airport);
  size_t want = 2;
  for (const core::Runway& runway : airport.runways) {
    want += 8 + runway.obstacles.size();
  }
  size_t count = 0;
  forEachLine(lines.view(), [&](std::string_view line) {
    check((line == current->tag) == (count == 0),
          "an airport's lines do not start with its one tag line");
    ++count;
  });
  check(count == want, "line count differs from the records");
  out.text(lines.view());
}

// The default window on one thread. It reads inputs shorter than its
// chunk, as every fuzz input is, as one chunk that holds every file: so
// does a chunk just large enough, which costs a fraction of a 1 MiB one
// (whose pages a sanitizer build maps and faults in afresh on every run).
engine::Window defaultWindow(const std::vector<std::string_view>& files) {
  // Each file may get a line feed after its last line.
  size_t bytes = 1;
  for (const std::string_view file : files) bytes += file.size() + 1;
  if (bytes >= engine::Window::kChunkBytes) return {.threads = 1};
  return {.chunkBytes = bytes, .threads = 1};
}

}  // namespace

void fail(std::string_view what) {
  std::fprintf(stderr, "\nFUZZ CHECK FAILED: %.*s\n",
               static_cast<int>(what.size()), what.data());
  std::abort();
}

void checkConversion(const Target& target, const Input& input) {
  const core::Separators separators = target.format.separators;
  std::vector<tests::Rows> rows;
  std::string wantRows;
  for (const std::string_view file : input.files) {
    rows.push_back(tests::expectedWords(file, separators));
    wantRows += tests::expectedRowLines(file, separators);
  }

  current = &target;
  engine::Format checked = target.format;
  checked.write = checkedWrite;
  const Outcome got = convert(checked, input.files, input.window, rows);
  const Outcome want =
      convert(target.format, input.files, defaultWindow(input.files), rows);
  check(got.converted.apb == want.converted.apb,
        "\"APB\" differs from the default window's");
  check(got.converted.findings == want.converted.findings,
        "findings differ from the default window's");
  check(got.counts == want.counts,
        "counts of findings, runways or obstacles differ from the default "
        "window's");
  check(got == want, "airports per file differ from the default window's");

  size_t airports = 0;
  for (size_t k = 0; k < input.files.size(); ++k) {
    const auto starts =
        std::count_if(rows[k].begin(), rows[k].end(), target.mayStartAirport);
    check(got.converted.airports[k] <= static_cast<size_t>(starts),
          "more airports than the file can hold");
    airports += got.converted.airports[k];
  }
  checkOutput(got.converted.apb, target.tag, airports);

  const tests::Converted rowLines = tests::convertBytes(
      tests::rowsFormat(separators), input.files, input.window);
  check(rowLines.apb == wantRows,
        "rows and words through the window differ from the text file rules");
}

}  // namespace fuzz
