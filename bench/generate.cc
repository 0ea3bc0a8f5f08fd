// Writes a generated Airbus or ANF airport file (see generator.h).
//
//   generate [--clean | --broken] [--shape mixed|small] airbus|anf SIZE
//            OUTPUT [SEED]
//
// SIZE is a byte count, optionally with a suffix k, M or G (powers of 1024).
// --clean leaves out the broken airports, so that neither program reports
// anything on the file; --broken spoils every line that a program takes a
// value from, where that leaves no airport out, so that the programs report
// as much as they can. --shape small makes many small airports (2 runways of
// 0-3 obstacles each) instead of the mixed ones of 1-4 runways of 0-12.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/generator.h"

namespace {

bool parseSize(const char* text, uint64_t& size) {
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text, &end, 10);
  if (end == text) return false;
  uint64_t scale = 1;
  if (*end == 'k' || *end == 'K') {
    scale = uint64_t{1} << 10;
    ++end;
  } else if (*end == 'm' || *end == 'M') {
    scale = uint64_t{1} << 20;
    ++end;
  } else if (*end == 'g' || *end == 'G') {
    scale = uint64_t{1} << 30;
    ++end;
  }
  if (*end != '\0') return false;
  size = value * scale;
  return true;
}

constexpr const char* kUsage =
    "usage: generate [--clean | --broken] [--shape mixed|small] airbus|anf "
    "SIZE OUTPUT [SEED]\n";

// The options before the format, in any order; false on an unknown option
// or shape, or on both --clean and --broken. Leaves `next` at the first
// argument that is not an option.
bool parseOptions(int argc, char** argv, int& next, bench::Faults& faults,
                  bench::Shape& shape) {
  for (next = 1; next < argc && std::strncmp(argv[next], "--", 2) == 0;
       ++next) {
    const bool clean = std::strcmp(argv[next], "--clean") == 0;
    if (clean || std::strcmp(argv[next], "--broken") == 0) {
      const bench::Faults chosen =
          clean ? bench::Faults::kNone : bench::Faults::kEveryLine;
      if (faults != bench::Faults::kSome && faults != chosen) return false;
      faults = chosen;
    } else if (std::strcmp(argv[next], "--shape") == 0 && next + 1 < argc) {
      ++next;
      if (std::strcmp(argv[next], "small") == 0) {
        shape = bench::Shape::kSmall;
      } else if (std::strcmp(argv[next], "mixed") == 0) {
        shape = bench::Shape::kMixed;
      } else {
        return false;
      }
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int next = 1;
  bench::Faults faults = bench::Faults::kSome;
  bench::Shape shape = bench::Shape::kMixed;
  const bool optionsRead = parseOptions(argc, argv, next, faults, shape);
  const int positional = argc - next;
  char** const args = argv + next;
  uint64_t size = 0;
  const bool airbus = positional >= 1 && std::strcmp(args[0], "airbus") == 0;
  const bool anf = positional >= 1 && std::strcmp(args[0], "anf") == 0;
  if (!optionsRead || (positional != 3 && positional != 4) ||
      !(airbus || anf) || !parseSize(args[1], size)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const uint64_t seed =
      positional == 4 ? std::strtoull(args[3], nullptr, 10) : 1;
  std::FILE* file = std::fopen(args[2], "wb");
  if (file == nullptr) {
    std::perror(args[2]);
    return 1;
  }
  const bool written =
      bench::generateFile(airbus ? bench::Format::kAirbus : bench::Format::kAnf,
                          size, seed, file, faults, shape);
  if (std::fclose(file) != 0 || !written) {
    std::fprintf(stderr, "%s: write failed\n", args[2]);
    return 1;
  }
  return 0;
}
