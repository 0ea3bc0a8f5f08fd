// WebAssembly (WASI) side of the platform interface: the browser page's
// engine, one thread, no signals and no console. Nothing interrupts a run
// there (the page ends a conversion by ending its worker, and the output
// never reached a file), and no person waits at a key.
#include <cstdio>
#include <string>

#include "core/system/platform.h"

namespace core {

std::string pathText(const std::filesystem::path& path) noexcept {
  return path.native();  // without exceptions a failed copy ends the run
}

void writeError(std::string_view text) noexcept {
  std::fwrite(text.data(), 1, text.size(), stderr);
}

void prepareProcess(std::string_view /*program*/, std::string_view /*output*/) {
}

void sayOnInterrupt(std::string_view /*before*/, std::string_view /*after*/,
                    std::string_view /*inPlace*/) {}

namespace detail {

void guardTemporaryFile(const std::filesystem::path& /*path*/) {}
void forgetTemporaryFile(bool /*replaced*/) {}
void writingInPlace() {}

}  // namespace detail

// Nothing to hold: no signal comes.
HeldSignals::HeldSignals() : saved_{} {}
HeldSignals::~HeldSignals() { static_cast<void>(saved_); }

bool stdinIsInteractive() { return false; }

void waitForKey() {}

}  // namespace core
