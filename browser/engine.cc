// The engine the browser page runs: both programs as WebAssembly, called
// by the page's worker through the functions below. The page passes text
// in a buffer of the engine's memory (page_buffer), then calls:
//   page_run(size): runs a program; the buffer holds its command line,
//     NUL-terminated arguments, the first "converter" or "trevik". The
//     inputs are the page's (input_open, by number and path; input_read,
//     input_close), "APB"
//     goes to output_write as it is made, standard error holds what the
//     program says there. Returns the exit code.
//   page_file_kind(size): which program applies to the file whose first
//     bytes the buffer holds: 0 neither, 1 converter (Airbus), 2 trevik (ANF).
//   page_lines(first, count): the lines first to first + count - 1 of the
//     page's input 0 (named ""), each handed to output_write with its line
//     feed. Returns 0, or 1 when the input cannot be read.
// An allocation that fails ends the engine (a trap); the page then starts
// a fresh one.
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "browser/lines.h"
#include "browser/page_files.h"
#include "converter/program.h"
#include "core/command_line/command_line.h"
#include "driver/conversion.h"
#include "driver/diagnostics.h"
#include "trevik/program.h"

namespace {

std::vector<char> buffer;

std::string_view bufferText(uint32_t size) {
  return {buffer.data(), size < buffer.size() ? size : buffer.size()};
}

}  // namespace

extern "C" {

__attribute__((export_name("page_buffer"))) char* pageBuffer(uint32_t size) {
  buffer.assign(size, '\0');
  return buffer.data();
}

__attribute__((export_name("page_run"))) int32_t pageRun(uint32_t size) {
  std::string_view text = bufferText(size);
  std::vector<std::filesystem::path> arguments;
  while (!text.empty()) {
    const size_t end = text.find('\0');
    arguments.emplace_back(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  if (arguments.empty()) return 2;
  const driver::Program& program =
      arguments.front() == "converter" ? converter::kProgram : trevik::kProgram;
  arguments.erase(arguments.begin());
  const core::CommandLine line = core::readCommandLine(std::move(arguments));
  driver::Diagnostics diagnostics(
      program.name, program.kinds,
      line.diagnostics == core::CommandLine::Diagnostics::kJson);
  browser::PageFiles files;
  return driver::convert(program, line, diagnostics, files);
}

__attribute__((export_name("page_file_kind"))) int32_t pageFileKind(
    uint32_t size) {
  return static_cast<int32_t>(browser::fileKind(bufferText(size)));
}

__attribute__((export_name("page_lines"))) int32_t pageLines(uint32_t first,
                                                             uint32_t count) {
  const std::filesystem::path path;
  browser::PageInputs input({&path, 1});
  std::error_code reason;
  std::string text;
  const bool read = browser::linesOf(
      input, first, count,
      [&](size_t /*line*/, std::string_view line) {
        text.assign(line);
        text += '\n';
        browser::handBack(text);
      },
      reason);
  return read ? 0 : 1;
}

}  // extern "C"
