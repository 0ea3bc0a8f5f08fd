// corpus_replay FORMAT FILE...: converts each fuzz corpus entry as the
// format's fuzz target decodes it (fuzz/input.h) and prints what the
// conversion gave, as text that is the same on every platform, so that two
// builds of the engine (natively and as WebAssembly) can be compared line for
// line. FORMAT is airbus (one file, converter's format) or anf (one to four
// files, trevik's format). Per entry:
//   entry NAME                      the entry's base name
//   file K: A airports, R runways, O obstacles
//     ROW KIND: MESSAGE             each finding shown (ROW "-": whole file)
//     KIND: TOTAL                   per kind with findings
//   APB: SIZE bytes, fnv1a HASH     "APB"'s size and 64-bit FNV-1a hash
// The header line is written out before the conversion starts, so that an
// entry that ends the process is the last one named. Exits 0, or 1 when a
// file cannot be read, 2 on a wrong command line.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "converter/format.h"
#include "core/findings/findings.h"
#include "core/reading/source.h"
#include "engine/engine.h"
#include "fuzz/input.h"
#include "trevik/format.h"

namespace {

// What a format's fuzz target passes to fuzz::decode and the engine.
struct Replayed {
  std::string_view name;
  const engine::Format& format;
  fuzz::Files files;
  std::span<const core::KindName> kinds;
};

const Replayed kReplayed[] = {
    {"airbus", converter::kFormat, fuzz::Files::kOne, converter::kKindNames},
    {"anf", trevik::kFormat, fuzz::Files::kSeveral, trevik::kKindNames},
};

// 64-bit FNV-1a of bytes, continuing from hash.
uint64_t fnv1a(std::string_view bytes, uint64_t hash) {
  for (const char byte : bytes) {
    hash ^= static_cast<uint8_t>(byte);
    hash *= 0x100000001b3;
  }
  return hash;
}
constexpr uint64_t kFnvOffset = 0xcbf29ce484222325;

// Appends text with every byte outside printable ASCII as \xNN, so that a
// message keeps to one line whatever bytes it quotes.
void appendEscaped(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (const char c : text) {
    const auto byte = static_cast<uint8_t>(c);
    if (byte >= 0x20 && byte < 0x7f && byte != '\\') {
      out += c;
    } else {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
}

// The kind's id, or its number for a kind the program does not name.
std::string kindText(const Replayed& replayed, unsigned kind) {
  return kind < replayed.kinds.size() ? std::string(replayed.kinds[kind].id)
                                      : "kind" + std::to_string(kind);
}

// The whole of the file at path into bytes; false when it cannot be read.
// (C stdio: the WebAssembly C++ library has no file streams.)
bool readFile(const char* path, std::string& bytes) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  bytes.clear();
  char block[65536];
  size_t got = 0;
  while ((got = std::fread(block, 1, sizeof block, file)) != 0) {
    bytes.append(block, got);
  }
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

// The base name of path, by either separator.
std::string_view baseName(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Converts one entry and returns the text of everything after its header.
std::string replay(const Replayed& replayed, std::string_view entry) {
  const fuzz::Input decoded = fuzz::decode(entry, replayed.files);
  core::ByteSource source(decoded.files);
  size_t size = 0;
  uint64_t hash = kFnvOffset;
  const engine::Result result = engine::convert(
      replayed.format, source,
      [&](std::string_view bytes) {
        size += bytes.size();
        hash = fnv1a(bytes, hash);
      },
      decoded.window);

  std::string out;
  if (result.failedInput) {
    out += "failed input " + std::to_string(*result.failedInput) + "\n";
  }
  for (size_t k = 0; k < result.findings.size(); ++k) {
    const core::Findings& findings = result.findings[k];
    const size_t airports = k < result.airports.size() ? result.airports[k] : 0;
    out += "file " + std::to_string(k + 1) + ": " + std::to_string(airports) +
           " airports, " + std::to_string(findings.runwaysRead()) +
           " runways, " + std::to_string(findings.obstaclesRead()) +
           " obstacles\n";
    for (const core::Finding& finding : findings.shown()) {
      out += "  ";
      out += finding.row == core::Finding::kWholeFile
                 ? "-"
                 : std::to_string(finding.row);
      out += " " + kindText(replayed, finding.kind) + ": ";
      appendEscaped(out, finding.message);
      out += '\n';
    }
    for (const unsigned kind : findings.kinds()) {
      out += "  " + kindText(replayed, kind) + ": " +
             std::to_string(findings.total(kind)) + "\n";
    }
  }
  char line[64];
  std::snprintf(line, sizeof line, "APB: %zu bytes, fnv1a %016llx\n", size,
                static_cast<unsigned long long>(hash));
  out += line;
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const Replayed* replayed = nullptr;
  if (argc >= 2) {
    for (const Replayed& candidate : kReplayed) {
      if (candidate.name == argv[1]) replayed = &candidate;
    }
  }
  if (replayed == nullptr) {
    std::fputs("usage: corpus_replay airbus|anf FILE...\n", stderr);
    return 2;
  }
  int status = 0;
  std::string entry;
  for (int k = 2; k < argc; ++k) {
    const std::string name(baseName(argv[k]));
    std::printf("entry %s\n", name.c_str());
    std::fflush(stdout);
    if (!readFile(argv[k], entry)) {
      std::fprintf(stderr, "corpus_replay: cannot read %s\n", argv[k]);
      std::printf("cannot read\n");
      status = 1;
      continue;
    }
    const std::string text = replay(*replayed, entry);
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  std::fflush(stdout);
  return status;
}
