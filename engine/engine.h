// The one engine that converts inputs to "APB": the programs, the tests,
// the fuzz targets and the benchmarks all go through convert(). What a
// program reads and writes comes in as a Format of plain functions; how
// the inputs are read (a window of chunks on every core) stays inside.
#ifndef ENGINE_ENGINE_H_
#define ENGINE_ENGINE_H_

#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "apb/line_sink.h"
#include "core/findings/findings.h"
#include "core/reading/source.h"
#include "core/reading/word_table.h"
#include "core/records.h"

namespace engine {

// Lines that no kept block reads, one after the other, as a program's rule
// hears of them: ended by a blank line, a kept block, a row that starts a
// block, or the end of the file.
struct UnreadLines {
  size_t first = 0;        // the row of the first
  size_t lines = 0;        // how many
  size_t firstWords = 0;   // the words of the first
  std::string_view after;  // the name of the kept block that ends right
                           // before the first, or empty
};

// What a program says of lines that no kept block reads, where data may
// have been lost. Lines that start at a row that starts a block are never
// noted: the block's reader said why it was left out.
struct UnreadRule {
  // True when row, which no kept block reads, may have held data; lines
  // without such a row are never noted.
  bool (*mayHoldData)(const core::WordTable& table, size_t row) = nullptr;
  // How a finding names the kept block that starts at row start.
  std::string_view (*blockName)(const core::WordTable& table,
                                size_t start) = nullptr;
  void (*note)(const UnreadLines& lines, core::Findings& findings) = nullptr;
};

// How a program reads its input and writes "APB": plain functions, called
// on any thread, each block on its own.
struct Format {
  core::Separators separators = core::Separators::kInWords;
  // True when row starts a block; reads row alone. Every row it picks
  // starts a block, whatever came before.
  bool (*isStart)(const core::WordTable& table, size_t row) = nullptr;
  // Reads the block that starts at row, forward from there only, into
  // airport (made empty): false when the block is left out, else end is
  // the row after its last. What it notices goes to findings.
  bool (*read)(const core::WordTable& table, size_t row, core::Airport& airport,
               core::Findings& findings, size_t& end) = nullptr;
  // Writes the lines of one airport.
  void (*write)(apb::LineSink& out, const core::Airport& airport) = nullptr;
  // The kind of the findings that only the bytes show (text after Ctrl-Z,
  // a NUL byte).
  unsigned fileMarkKind = 0;
  // Without functions, the rows no kept block reads go unnoted.
  UnreadRule unread;
};

// How much of the inputs is held at once, and how many threads read it.
// Neither changes anything but speed and memory.
struct Window {
#ifdef ENGINE_SMALL_WINDOW
  // A window of a few hundred bytes, so that tests meet its every edge.
  static constexpr size_t kChunkBytes = 64, kChunks = 3;
#else
  static constexpr size_t kChunkBytes = size_t{1} << 20, kChunks = 4;
#endif
  size_t chunkBytes = kChunkBytes;  // a chunk grows for a longer line
  size_t chunks = kChunks;          // grows for a block longer than all
  size_t threads = 0;               // 0: one per core, at most eight
};

// What a conversion read.
struct Result {
  // The input that could not be opened or read, or changed while it was
  // read: the conversion stopped there, and its reason.
  std::optional<size_t> failedInput;
  std::error_code reason;
  // Per input: what it noticed (with its file marks), and the airports it
  // gave.
  std::vector<core::Findings> findings;
  std::vector<size_t> airports;
};

// Reads the inputs in order, each opened only once the one before is read
// and checked, reads every block of each with format and hands the bytes of
// "APB" to output, in order, as they are made (one call at a time). The
// bytes and the findings are the same for every window and number of
// threads. Throws std::bad_alloc, once every thread has stopped, when
// memory runs out.
Result convert(const Format& format, core::Source& inputs,
               const std::function<void(std::string_view bytes)>& output,
               const Window& window = {});

}  // namespace engine

#endif  // ENGINE_ENGINE_H_
