// Writes a generated Airbus or ANF airport file (see generator.h).
//
//   generate [--clean] airbus|anf SIZE OUTPUT [SEED]
//
// SIZE is a byte count, optionally with a suffix k, M or G (powers of 1024).
// --clean leaves out the broken airports, so that neither program reports
// anything on the file.
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

}  // namespace

int main(int argc, char** argv) {
  const bool clean = argc >= 2 && std::strcmp(argv[1], "--clean") == 0;
  if (clean) {
    --argc;
    ++argv;
  }
  uint64_t size = 0;
  const bool airbus = argc >= 2 && std::strcmp(argv[1], "airbus") == 0;
  const bool anf = argc >= 2 && std::strcmp(argv[1], "anf") == 0;
  if ((argc != 4 && argc != 5) || !(airbus || anf) ||
      !parseSize(argv[2], size)) {
    std::fputs("usage: generate [--clean] airbus|anf SIZE OUTPUT [SEED]\n",
               stderr);
    return 2;
  }
  const uint64_t seed = argc == 5 ? std::strtoull(argv[4], nullptr, 10) : 1;
  std::FILE* file = std::fopen(argv[3], "wb");
  if (file == nullptr) {
    std::perror(argv[3]);
    return 1;
  }
  const bool written = bench::generateFile(
      airbus ? bench::Format::kAirbus : bench::Format::kAnf, size, seed, file,
      clean ? bench::Faults::kNone : bench::Faults::kSome);
  if (std::fclose(file) != 0 || !written) {
    std::fprintf(stderr, "%s: write failed\n", argv[3]);
    return 1;
  }
  return 0;
}
