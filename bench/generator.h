// Deterministic generator of Airbus and ANF airport files for benchmarks and
// for the output check: the same seed and size give the same bytes on every
// platform and standard library.
//
// Airports are written until the file holds at least `size` bytes; the last
// airport is written whole, so the file is slightly larger. Lines end in
// CR LF. Airbus airports have 1-4 runways of 0-12 obstacles, multi-word
// comments, the unexamined key rows between the examined ones and values with
// decimals, signs, exact halves and exponents; about 2 % of them have a
// runway block that does not close and about 2 % a misspelt key, so that
// timings and the output check cover broken airports too. ANF airports have
// the same shape, with obstacle lines of two, three or four words, and nothing
// broken. The small shape makes many small airports instead: 2 runways of
// 0-3 obstacles each, otherwise written and broken the same way. A file can
// also be made clean, or broken on every line that can be without leaving an
// airport out (Faults).
//
// Only the raw output of std::mt19937_64 is used (its sequence is fixed by the
// standard); every mapping to values is the generator's own code, since the
// standard distributions differ between libraries.
#ifndef BENCH_GENERATOR_H_
#define BENCH_GENERATOR_H_

#include <cstdint>
#include <cstdio>
#include <string>

namespace bench {

enum class Format { kAirbus, kAnf };

// Whether a file has the broken airports described above (kSome), nothing
// that either program reports (kNone), or a finding on every line that a
// reader takes a value from, an ANF header excepted, and no airport left
// out (kEveryLine): every number word has text after its number ("12m") or,
// about one in eight, is no number ("n/a"; never an ANF obstacle count or an
// Airbus lateral distance), and every examined Airbus text or comment row
// has its key in lower case ("name"); no runway block is broken, and the
// remarks between ANF airports are those of kSome. Every kind takes the same
// random choices, so the files hold the same airports and lines until the
// size is reached; a clean file has the same size and differs only in the
// spelling of the broken keys.
enum class Faults { kSome, kNone, kEveryLine };

// How big the airports are: kMixed, 1-4 runways of 0-12 obstacles each (about
// 300 Airbus or 2,200 ANF airports per MiB), or kSmall, 2 runways of 0-3
// obstacles each (about 600 Airbus or 5,200 ANF airports per MiB).
enum class Shape { kMixed, kSmall };

// Writes the file to an open binary stream; false when a write failed.
bool generateFile(Format format, uint64_t size, uint64_t seed, std::FILE* file,
                  Faults faults = Faults::kSome, Shape shape = Shape::kMixed);

// The same bytes, in memory.
std::string generateText(Format format, uint64_t size, uint64_t seed,
                         Faults faults = Faults::kSome,
                         Shape shape = Shape::kMixed);

}  // namespace bench

#endif  // BENCH_GENERATOR_H_
