// Console text and the command line, the same on every system.
#include "core/system/console.h"

#include <cerrno>
#include <cstdio>

#include "core/system/platform.h"

namespace core {

void say(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

void flushConsole() { std::fflush(stdout); }

bool closeStandardOutput(std::error_code& reason) {
  errno = 0;
  bool written = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
  int error = errno;
  if (std::fclose(stdout) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written) reason = {error != 0 ? error : EIO, std::generic_category()};
  return written;
}

void sayError(std::string_view line) noexcept {
  flushConsole();
  writeError(line);
  writeError("\n");
  // Some C libraries buffer standard error when it is not a console.
  std::fflush(stderr);
}

void nameOutput(std::string_view program, std::string_view output) {
  const std::string start =
      std::string(program) + ": interrupted; \"" + std::string(output) + "\" ";
  sayOnInterrupt(start + "left as it was\n", start + "was written\n",
                 start + "left incomplete\n");
}

std::string failureLine(std::string_view program, std::string_view what,
                        std::string_view path, const std::error_code& reason) {
  return std::string(program) + ": " + std::string(what) + " \"" +
         std::string(path) + "\": " + reason.message();
}

}  // namespace core
