// Console text and the command line, the same on every system.
#include "core/console.h"

#include <cstdio>

namespace core {

void say(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

void flushConsole() { std::fflush(stdout); }

}  // namespace core
