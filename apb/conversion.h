// Converting input files to "APB" while they are read: each file through a
// window of bounded size, the blocks of the window read and written on every
// core, the bytes passed on in input order.
#ifndef APB_CONVERSION_H_
#define APB_CONVERSION_H_

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <vector>

#include "apb/line_sink.h"
#include "apb/output_stream.h"
#include "apb/unread_rows.h"
#include "core/findings.h"
#include "core/line_reader.h"
#include "core/records.h"
#include "core/word_table.h"

namespace apb {

// What a program converts: which rows start a block of its input, and how
// a block becomes lines of "APB". A run makes one per thread.
class BlockConverter {
 public:
  virtual ~BlockConverter() = default;
  // True when row starts a block; reads row alone. Every row it picks
  // starts a block, whatever came before.
  virtual bool isStart(const core::WordTable& table, size_t row) = 0;
  // Reads the block that starts at row, forward from there only; when the
  // block is kept, writes its lines to out, sets end to the row after its
  // last and returns true. What it notices goes to findings.
  virtual bool convert(const core::WordTable& table, size_t row,
                       core::Findings& findings, LineSink& out,
                       size_t& end) = 0;
};

// How a program reads one block into an airport: false when the block is
// left out, else end is the row after its last.
using ReadAirport = bool (*)(const core::WordTable&, size_t, core::Airport&,
                             core::Findings&, size_t& end);
using WriteAirports = void (*)(LineSink&, std::span<const core::Airport>);

// A BlockConverter made of a program's functions: isStart, read (a block
// into an airport, false when it is left out) and write (airports as lines).
template <bool (*kIsStart)(const core::WordTable&, size_t), ReadAirport kRead,
          WriteAirports kWrite>
class AirportConverter final : public BlockConverter {
 public:
  bool isStart(const core::WordTable& table, size_t row) override {
    return kIsStart(table, row);
  }
  bool convert(const core::WordTable& table, size_t row,
               core::Findings& findings, LineSink& out, size_t& end) override {
    core::Airport airport;
    if (!kRead(table, row, airport, findings, end)) return false;
    kWrite(out, {&airport, 1});
    return true;
  }
};

struct Conversion {
  core::Separators separators = core::Separators::kInWords;
  unsigned fileMarkKind = 0;  // the findings kind of addFileMarks
  std::function<std::unique_ptr<BlockConverter>()> makeConverter;
  // Takes the rows no kept block reads, for a program that says when they
  // may have held data; none when it is empty.
  std::function<std::unique_ptr<UnreadRows>()> makeUnreadRows;
  // Takes the bytes of "APB", in order, as they come; called by one thread
  // at a time.
  std::function<void(std::string_view bytes)> output;
};

// How the inputs were read.
struct InputsRead {
  // The input that could not be opened or read or that changed while it
  // was read (the run stopped there), or the number of inputs.
  size_t failed = 0;
  std::error_code reason;
  // Per input: what its blocks noticed (with its file marks), and the
  // blocks kept.
  std::vector<core::Findings> findings;
  std::vector<size_t> kept;
};

// Reads the inputs in the order given, each opened only once the one
// before is read and checked, and converts every block of each: standard
// error and "APB" are the same for any window size and number of threads.
// Throws std::bad_alloc, once every thread has stopped, when memory runs
// out.
InputsRead convertInputs(std::span<const std::filesystem::path> inputs,
                         const Conversion& conversion);

// convertInputs for a program's airports (see AirportConverter): the
// bytes of "APB" go to output as they come (nowhere when it is null), the
// rows no airport reads to Unread (none: void).
template <bool (*kIsStart)(const core::WordTable&, size_t), ReadAirport kRead,
          WriteAirports kWrite, typename Unread = void>
InputsRead convertAirports(std::span<const std::filesystem::path> inputs,
                           core::Separators separators, unsigned fileMarkKind,
                           OutputStream* output) {
  Conversion conversion;
  conversion.separators = separators;
  conversion.fileMarkKind = fileMarkKind;
  conversion.makeConverter = [] {
    return std::make_unique<AirportConverter<kIsStart, kRead, kWrite>>();
  };
  if constexpr (!std::is_void_v<Unread>) {
    conversion.makeUnreadRows = [] { return std::make_unique<Unread>(); };
  }
  conversion.output = [output](std::string_view bytes) {
    if (output != nullptr) output->append(bytes);
  };
  return convertInputs(inputs, conversion);
}

}  // namespace apb

#endif  // APB_CONVERSION_H_
