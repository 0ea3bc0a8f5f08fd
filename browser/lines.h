// What the page asks of a file's lines, cut as the engine cuts them (a
// file ends at its first Ctrl-Z, the bytes after a NUL are dropped, CR LF
// and LF both end a line): which program applies to a file, and the lines
// around a finding.
#ifndef BROWSER_LINES_H_
#define BROWSER_LINES_H_

#include <cstddef>
#include <functional>
#include <string_view>

#include "core/reading/source.h"

namespace browser {

// The program a file is for.
enum class FileKind { kNeither, kAirbus, kAnf };

// Which program applies to a file whose first bytes are head (a last line
// cut short counts as it stands): an Airbus file when its first line that
// holds a word reads as "Key=Value;" (a key without ";", an "=", and a
// last word ending in ";"), else an ANF file when a line begins with the
// word "ANF", else neither.
FileKind fileKind(std::string_view head);

// Calls see with the number (from 1, as findings count lines) and the text
// (without its line feed) of lines first to first + count - 1 of input 0
// of source, or as many as it has; false, with the reason, when the input
// cannot be read.
bool linesOf(core::Source& source, size_t first, size_t count,
             const std::function<void(size_t line, std::string_view text)>& see,
             std::error_code& reason);

}  // namespace browser

#endif  // BROWSER_LINES_H_
