// A run from its command line, read, to its outcome: what both programs
// share wherever their inputs come from and their output goes (files, or a
// browser page's).
#ifndef DRIVER_CONVERSION_H_
#define DRIVER_CONVERSION_H_

#include <filesystem>
#include <span>
#include <string_view>

#include "apb/output_stream.h"
#include "core/command_line/command_line.h"
#include "core/reading/source.h"
#include "driver/diagnostics.h"
#include "driver/driver.h"

namespace driver {

// Where a run reads its inputs and puts its output.
class Io {
 public:
  virtual ~Io() = default;
  // The inputs of the run, to be read in order, and the output it makes
  // (target): called once, before any bytes are appended.
  virtual core::Source& open(const std::filesystem::path& target,
                             std::span<const std::filesystem::path> inputs) = 0;
  // The bytes of the output, in order, as they are made.
  virtual void append(std::string_view bytes) = 0;
  // Once every input is read and checked, puts the output in place.
  virtual apb::Outcome finish(apb::Report& report) = 0;
};

// Runs program on line, read from its command line: answers --help,
// --version and a wrong line, converts, says what was found in the form
// diagnostics is, and returns the exit code (see run). Throws
// std::bad_alloc when memory runs out.
int convert(const Program& program, const core::CommandLine& line,
            Diagnostics& diagnostics, Io& io);

}  // namespace driver

#endif  // DRIVER_CONVERSION_H_
