// The one driver of both programs: the command line's files in, "APB" out.
#include "driver/driver.h"

#include <filesystem>
#include <new>
#include <optional>
#include <span>
#include <string_view>

#include "apb/output_stream.h"
#include "core/command_line/command_line.h"
#include "core/reading/source.h"
#include "core/system/console.h"
#include "core/system/platform.h"
#include "driver/conversion.h"
#include "driver/diagnostics.h"

namespace driver {
namespace {

using core::CommandLine;

// The files of the command line, and "APB" replaced whole or not at all.
class Files final : public Io {
 public:
  core::Source& open(const std::filesystem::path& target,
                     std::span<const std::filesystem::path> inputs) override {
    output_.emplace(target);
    return inputs_.emplace(inputs);
  }
  void append(std::string_view bytes) override { output_->append(bytes); }
  apb::Outcome finish(apb::Report& report) override {
    return output_->finish(report);
  }

 private:
  std::optional<apb::OutputStream> output_;
  std::optional<core::FileSource> inputs_;
};

template <typename Char>
int runWith(const Program& program, int argc, Char** argv) {
  core::prepareProcess(program.name, apb::kOutputFile);
  CommandLine line;
  Diagnostics diagnostics(program.name, program.kinds, false);
  try {
    line = core::readCommandLine(core::commandLinePaths(argc, argv));
    diagnostics =
        Diagnostics(program.name, program.kinds,
                    line.diagnostics == CommandLine::Diagnostics::kJson);
    Files files;
    return convert(program, line, diagnostics, files);
  } catch (const std::bad_alloc&) {
    // The text form says it on standard output but for --check.
    if (!line.check) core::say("\nOut of memory.\n");
    if (line.check || diagnostics.json()) {
      try {
        diagnostics.error("out-of-memory", "out of memory");
        diagnostics.outcome({"failed", "memory", 1, {}, {}});
      } catch (const std::bad_alloc&) {
        // Not even a line's worth is left: the exit code says it.
      }
    }
    return 1;
  }
}

}  // namespace

#ifdef _WIN32
int run(const Program& program, int argc, wchar_t** argv) {
  return runWith(program, argc, argv);
}
#else
int run(const Program& program, int argc, char** argv) {
  return runWith(program, argc, argv);
}
#endif

}  // namespace driver
