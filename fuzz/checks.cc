// Checks the pipeline fuzz targets share.
#include "fuzz/checks.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/workers.h"

namespace fuzz {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

// wordIs agrees with comparing wordAt: for the word itself, for texts one
// byte shorter or longer, and for the keys the readers look for.
void checkWordIs(const core::WordTable& table, size_t row, size_t col,
                 std::string_view word) {
  check(core::wordIs(table, row, col, word), "wordIs of the word itself");
  std::string longer(word);
  longer += 'x';
  check(!core::wordIs(table, row, col, longer), "wordIs of a longer text");
  if (!word.empty()) {
    check(!core::wordIs(table, row, col, word.substr(0, word.size() - 1)),
          "wordIs of a shorter text");
  }
  for (std::string_view key : {"Airport", "End", "ANF", "Obstacle", ""}) {
    check(core::wordIs(table, row, col, key) == (word == key),
          "wordIs of a key");
  }
}

}  // namespace

void fail(std::string_view what) {
  std::fprintf(stderr, "\nFUZZ CHECK FAILED: %.*s\n",
               static_cast<int>(what.size()), what.data());
  std::abort();
}

std::vector<std::string> modelLines(std::string_view bytes,
                                    core::Separators variant) {
  std::string content(bytes.substr(0, bytes.find('\x1a')));
  if (variant == core::Separators::kBlanks) {
    for (char& c : content) {
      if (c == '=' || c == ';') c = ' ';
    }
  }
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < content.size()) {
    const size_t lf = content.find('\n', start);
    std::string line = content.substr(start, lf - start);
    if (lf != std::string::npos && !line.empty() && line.back() == '\r') {
      line.pop_back();  // CR LF is one line end; a CR at the very end stays
    }
    line.resize(std::min(line.find('\0'), line.size()));
    lines.push_back(std::move(line));
    if (lf == std::string::npos) break;
    start = lf + 1;
  }
  return lines;
}

std::vector<std::string_view> modelWords(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isBlank(line[i])) ++i;
    const size_t start = i;
    while (i < line.size() && !isBlank(line[i])) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

void checkLinesAndWords(std::string_view bytes, core::Separators variant,
                        const core::LineList& lines,
                        const core::WordTable& table) {
  const std::vector<std::string> want = modelLines(bytes, variant);
  const std::vector<std::string_view> got = lines.toViews();
  check(lines.size() == want.size(), "line count");
  check(got.size() == want.size(), "toViews() size");
  for (size_t k = 0; k < want.size(); ++k) {
    check(got[k] == want[k], "line text");
  }
  check(table.rows() == want.size(), "one row per line");
  std::vector<std::string_view> collected;
  for (size_t row = 0; row < want.size(); ++row) {
    const std::vector<std::string_view> words = modelWords(want[row]);
    check(table.wordCount(row) == words.size(), "word count of a row");
    for (size_t col = 0; col < words.size(); ++col) {
      check(core::wordAt(table, row, col) == words[col], "word text");
      checkWordIs(table, row, col, words[col]);
    }
    check(core::wordAt(table, row, words.size()).empty(),
          "word past the end of a row");
    checkWordIs(table, row, words.size(), {});
    collected.assign(words.size() + 1, std::string_view("unset"));
    check(core::rowWords(table, row, collected.data(), collected.size()) ==
              words.size(),
          "rowWords count");
    for (size_t col = 0; col < words.size(); ++col) {
      check(collected[col] == words[col], "rowWords text");
    }
  }
  check(table.wordCount(want.size()) == 0, "row past the end");
  check(core::wordAt(table, want.size(), 0).empty(), "word of a missing row");
  checkWordIs(table, want.size(), 0, {});
}

std::string writeBoth(
    const std::function<void(apb::LineSink&, std::span<const core::Airport>)>&
        write,
    const std::vector<core::Airport>& airports) {
  apb::LineSink memory;
  write(memory, airports);
  // The programs write each airport on its own, into the sink of the part
  // of the input that holds it: the same lines, however they are cut.
  apb::LineSink each;
  for (const core::Airport& airport : airports) write(each, {&airport, 1});
  check(each.collected() == memory.collected(),
        "airports written one at a time and all at once differ");
  return memory.collected();
}

void checkOutputShape(std::string_view out, std::string_view tag,
                      const std::vector<core::Airport>& airports) {
  if (airports.empty()) {
    check(out.empty(), "output without airports");
    return;
  }
  check(out.size() >= 2 && out.substr(out.size() - 2) == "\r\n",
        "output does not end with CR LF");
  size_t lines = 0;
  size_t tags = 0;
  size_t start = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    check(out[i] != '\0', "NUL byte in the output");
    if (out[i] == '\r') {
      check(i + 1 < out.size() && out[i + 1] == '\n', "lone CR");
    } else if (out[i] == '\n') {
      check(i > 0 && out[i - 1] == '\r', "lone LF");
      if (out.substr(start, i - 1 - start) == tag) {
        check(tags > 0 || start == 0, "output does not start with its tag");
        ++tags;
      }
      ++lines;
      start = i + 1;
    }
  }
  size_t wantLines = 0;
  for (const core::Airport& airport : airports) {
    wantLines += 2;
    for (const core::Runway& runway : airport.runways) {
      wantLines += 8 + runway.obstacles.size();
    }
  }
  check(tags == airports.size(), "tag lines differ from airports");
  check(lines == wantLines, "line count differs from the records");
}

void checkFindings(const core::Findings& findings, const core::WordTable& table,
                   unsigned fileMarkKind) {
  const std::vector<core::Finding> shown = findings.shown();
  std::vector<size_t> perKind;
  size_t last = 0;
  for (const core::Finding& finding : shown) {
    if (finding.row != core::Finding::kWholeFile) {
      const size_t end = table.rows() + (finding.kind == fileMarkKind ? 1 : 0);
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
  for (unsigned kind = 0; kind < perKind.size(); ++kind) {
    check(perKind[kind] <= core::Findings::kShownPerKind,
          "more findings of a kind than the cap");
    check(findings.total(kind) == perKind[kind] + findings.hidden(kind),
          "hidden findings not counted");
    check(findings.hidden(kind) == 0 ||
              perKind[kind] == core::Findings::kShownPerKind,
          "findings hidden below the cap");
  }
}

}  // namespace fuzz
