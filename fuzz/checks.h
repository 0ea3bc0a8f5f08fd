// Checks the pipeline fuzz targets share: a plain model of the loader and the
// splitter, and the shape every output file must have.
#ifndef FUZZ_CHECKS_H_
#define FUZZ_CHECKS_H_

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "apb/line_sink.h"
#include "core/findings/findings.h"
#include "core/lines.h"
#include "core/records.h"

namespace fuzz {

// Stops the run with what went wrong, so that libFuzzer keeps the input.
[[noreturn]] void fail(std::string_view what);
inline void check(bool ok, std::string_view what) {
  if (!ok) fail(what);
}

// The lines of bytes by the file rules, done the slow and obvious way:
// Ctrl-Z ends the file, the converter blanks "=" and ";", a line feed ends a
// line and takes a carriage return before it along, a NUL cuts the line.
std::vector<std::string> modelLines(std::string_view bytes,
                                    core::Separators variant);

// The whitespace-separated words of one line.
std::vector<std::string_view> modelWords(std::string_view line);

// Checks that lines and table, made from bytes, hold what the model says,
// that words past the end of a row or table read as empty, and that the
// quick lookups wordIs and rowWords agree with wordAt.
void checkLinesAndWords(std::string_view bytes, core::Separators variant,
                        const core::LineList& lines,
                        const core::WordTable& table);

// Writes airports with write all at once, and one airport at a time as the
// programs do; checks that both give the same bytes, and returns them.
std::string writeBoth(
    const std::function<void(apb::LineSink&, std::span<const core::Airport>)>&
        write,
    const std::vector<core::Airport>& airports);

// Checks the shape of an output file: nothing at all for no airports;
// otherwise lines that all end in CR LF (no lone CR or LF, no NUL), one tag
// line ("AIRPORT1" or "AIRPORT2") per airport, first of all, and two lines
// per airport plus eight and one per obstacle for every runway.
void checkOutputShape(std::string_view out, std::string_view tag,
                      const std::vector<core::Airport>& airports);

// Checks what a reader noted of one file (after the loader's marks were
// added as fileMarkKind): every finding lies within the file's rows (a
// file mark may stand one past its last line, where a Ctrl-Z can be), or
// concerns the whole file; they come in row order, at most the cap of each
// kind, each a single line; hidden ones are counted in the totals.
void checkFindings(const core::Findings& findings, const core::WordTable& table,
                   unsigned fileMarkKind);

}  // namespace fuzz

#endif  // FUZZ_CHECKS_H_
