// Deterministic generator of Airbus and ANF airport files (see generator.h).
#include "bench/generator.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace bench {
namespace {

class Random {
 public:
  explicit Random(uint64_t seed) : engine_(seed) {}
  // A value in [0, n); the small modulo bias does not matter here.
  uint64_t below(uint64_t n) { return engine_() % n; }
  // A value in [lo, hi].
  int64_t between(int64_t lo, int64_t hi) {
    return lo + static_cast<int64_t>(below(static_cast<uint64_t>(hi - lo) + 1));
  }
  // True in `percent` cases out of 100.
  bool percent(uint64_t percent) { return below(100) < percent; }
  template <size_t N>
  const char* pick(const char* const (&choices)[N]) {
    return choices[below(N)];
  }

 private:
  std::mt19937_64 engine_;
};

// Collects the file in a buffer and writes it in large blocks.
class Output {
 public:
  // Writes to file in large blocks, or collects everything when file is null.
  explicit Output(std::FILE* file) : file_(file) {
    buffer_.reserve(kBlock + 4096);
  }
  Output& put(std::string_view text) {
    buffer_.append(text);
    return *this;
  }
  Output& put(char c) {
    buffer_.push_back(c);
    return *this;
  }
  Output& integer(int64_t value) {
    char digits[24];
    int n = 0;
    const bool negative = value < 0;
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value)
                                  : static_cast<uint64_t>(value);
    do {
      digits[n++] = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
    if (negative) buffer_.push_back('-');
    while (n > 0) buffer_.push_back(digits[--n]);
    return *this;
  }
  // value / 10^decimals, written with exactly `decimals` fraction digits.
  Output& fixed(int64_t value, int decimals) {
    if (decimals == 0) return integer(value);
    int64_t scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    const bool negative = value < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value)
                                        : static_cast<uint64_t>(value);
    if (negative) buffer_.push_back('-');
    integer(static_cast<int64_t>(magnitude / static_cast<uint64_t>(scale)));
    buffer_.push_back('.');
    uint64_t fraction = magnitude % static_cast<uint64_t>(scale);
    char digits[24];
    for (int i = decimals - 1; i >= 0; --i) {
      digits[i] = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    buffer_.append(digits, static_cast<size_t>(decimals));
    return *this;
  }
  Output& end() {
    buffer_.append("\r\n");
    if (file_ != nullptr && buffer_.size() >= kBlock) flush();
    return *this;
  }
  uint64_t written() const { return flushed_ + buffer_.size(); }
  // Where the next text goes in collected(); valid until end().
  size_t mark() const { return buffer_.size(); }
  bool failed() const { return failed_; }
  std::string& collected() { return buffer_; }
  void flush() {
    if (file_ == nullptr || buffer_.empty()) return;
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) !=
        buffer_.size()) {
      failed_ = true;
    }
    flushed_ += buffer_.size();
    buffer_.clear();
  }

 private:
  static constexpr size_t kBlock = size_t{1} << 20;
  std::FILE* file_;
  std::string buffer_;
  uint64_t flushed_ = 0;
  bool failed_ = false;
};

const char* const kSyllables[] = {
    "AL",  "BRA", "VO",  "CHAR", "LIE", "DEL", "TA", "EC", "HO",  "FOX", "TROT",
    "GOL", "F",   "HO",  "TEL",  "IN",  "DIA", "JU", "LI", "ETT", "KI",  "LO",
    "MA",  "NO",  "VEM", "BER",  "OS",  "CAR", "PA", "PA", "QUE", "BEC", "RO",
    "ME",  "O",   "SI",  "ER",   "RA",  "TAN", "GO", "U",  "NI"};
const char* const kCommentWords[] = {
    "WET",        "RWY",   "USE",  "CAUTION",  "NOISE",     "ABATEMENT",
    "DISPLACED",  "THR",   "300M", "SNOW",     "CLEARANCE", "ON",
    "REQUEST",    "BIRDS", "IN",   "VICINITY", "TWY",       "B",
    "CLOSED",     "PPR",   "H24",  "NIGHT",    "OPS",       "LTD",
    "RWY09L/27R", "500FT", "AGL",  "CRANES",   "-12.5",     "+3",
    "OBST",       "LGT",   "U/S"};
const char* const kObstacleTypes[] = {"Antenna", "Tree",  "Building", "Crane",
                                      "Mast",    "Tower", "Terrain"};
const char* const kStrengths[] = {"80/R/B/W/T",  "60/F/A/X/U", "45/F/C/Y/T",
                                  "120/R/A/W/T", "30",         "50",
                                  "PCN35"};
const char* const kSurfaces[] = {"Asphalt", "Concrete", "Grass", "Gravel"};
const char* const kSides[] = {"", "", "L", "R", "C"};

// Spoils what the readers examine in a file broken on every line, and
// nothing in the other kinds. It draws nothing from the random sequence, so
// that every kind of file holds the same airports and lines.
class Spoiler {
 public:
  explicit Spoiler(Faults faults) : on_(faults == Faults::kEveryLine) {}
  bool on() const { return on_; }

  // Spoils the number word written from `at` (a mark() of the current line)
  // on: text after its number ("12m") or, one word in kNoNumberEvery, a word
  // that is no number ("n/a"). Not where mayBeNoNumber is false: an ANF
  // obstacle count that is no number reads as 0 and leaves the obstacle
  // lines after it unread, and an Airbus lateral distance is optional, so
  // no number there goes unreported.
  void number(Output& out, size_t at, bool mayBeNoNumber = true) {
    if (!on_) return;
    const uint64_t n = numbers_++;
    std::string& text = out.collected();
    if (mayBeNoNumber && n % kNoNumberEvery == kNoNumberEvery - 1) {
      text.replace(at, std::string::npos, "n/a");
    } else {
      text.append(kUnits[n % std::size(kUnits)]);
    }
  }
  // Writes the key of a text row ("LastUpdate="), in lower case
  // ("lastupdate=") when on.
  void textKey(Output& out, std::string_view name) const {
    for (const char c : name) {
      out.put(on_ && c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a')
                                          : c);
    }
    out.put('=');
  }

 private:
  static constexpr uint64_t kNoNumberEvery = 8;
  static constexpr const char* kUnits[] = {"m", "ft", "x"};
  bool on_;
  uint64_t numbers_ = 0;  // number words spoilt so far
};

void word(Random& random, Output& out) {
  const int64_t syllables = random.between(1, 4);
  for (int64_t i = 0; i < syllables; ++i) out.put(random.pick(kSyllables));
}

void letters(Random& random, Output& out, int count) {
  for (int i = 0; i < count; ++i) {
    out.put(static_cast<char>('A' + random.below(26)));
  }
}

void date(Random& random, Output& out) {
  out.integer(random.between(1995, 2024) * 10000 + random.between(1, 12) * 100 +
              random.between(1, 28));
}

// Words of a remark, separated by one blank or, now and then, by several
// blanks or a tab.
void comment(Random& random, Output& out, int64_t words) {
  for (int64_t i = 0; i < words; ++i) {
    if (i > 0) {
      if (random.percent(10)) {
        out.put(random.percent(50) ? "  " : "\t");
      } else {
        out.put(' ');
      }
    }
    out.put(random.pick(kCommentWords));
  }
}

// A number written with a sign now and then, a fraction of 0 to 3 digits, and
// now and then an exact half (to test rounding) or an exponent.
void number(Random& random, Output& out, int64_t lo, int64_t hi) {
  const uint64_t form = random.below(100);
  if (form < 5) {
    out.integer(random.between(lo, hi)).put(".5");
  } else if (form < 7) {
    out.fixed(random.between(lo, hi) / 10, 1)
        .put(random.percent(50) ? "e1" : "E+1");
  } else if (form < 10 && lo >= 0) {
    out.put('+').integer(random.between(lo, hi));
  } else {
    const int decimals = static_cast<int>(random.below(4));
    int64_t scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    out.fixed(random.between(lo * scale, hi * scale), decimals);
  }
}

void slope(Random& random, Output& out) {
  static const char* const kSpecial[] = {"0", "0.00001", "-0.8",   "0.12345678",
                                         "2", "-0.3",    "0.0001", "+0.25"};
  if (random.percent(20)) {
    out.put(random.pick(kSpecial));
  } else {
    out.fixed(random.between(-200, 200), 2);
  }
}

void ident(Output& out, int64_t number, const char* side) {
  if (number < 10) out.put('0');
  out.integer(number).put(side);
}

// The small shape draws no runway count, so that the mixed shape keeps its
// random sequence, and hence its bytes, unchanged.
int64_t runwayCount(Random& random, Shape shape) {
  return shape == Shape::kSmall ? 2 : random.between(1, 4);
}

int64_t obstacleCount(Random& random, Shape shape) {
  return random.between(0, shape == Shape::kSmall ? 3 : 12);
}

// ---------------------------------------------------------------- Airbus ---

Output& key(Output& out, std::string_view name) {
  return out.put(name).put('=');
}

// A number row's value, from lo to hi, spoilt as spoil says.
void numberValue(Random& random, Output& out, Spoiler& spoil, int64_t lo,
                 int64_t hi) {
  const size_t at = out.mark();
  number(random, out, lo, hi);
  spoil.number(out, at);
}

void airbusObstacle(Random& random, Output& out, Spoiler& spoil, int64_t index,
                    int64_t tora) {
  key(out, "Obstacle").integer(index).put(';').end();
  key(out, "Distance");
  numberValue(random, out, spoil, tora - 500, tora + 6000);
  out.put(';').end();
  key(out, "Elevation");
  numberValue(random, out, spoil, -50, 3000);
  out.put(';').end();
  key(out, "LateralDistance");
  const size_t at = out.mark();
  if (!random.percent(8)) {
    number(random, out, -900, 900);
  } else if (spoil.on()) {
    out.put('0');  // reads as the empty value does
  }
  spoil.number(out, at, false);
  out.put(';').end();
  key(out, "Type").put(random.pick(kObstacleTypes)).put(';').end();
  key(out, "Lit").put(random.percent(50) ? "Yes" : "No").put(';').end();
  out.put("Reference=AIP AD 2;").end();
  out.put("End;").end();
}

// The "Latitude" and "Longitude" rows, which no reader examines.
void coordinates(Random& random, Output& out) {
  key(out, "Latitude").fixed(random.between(-900000, 900000), 4).put(';').end();
  key(out, "Longitude")
      .fixed(random.between(-1800000, 1800000), 4)
      .put(';')
      .end();
}

// A runway block; `broken` misspells its "QFU" marker so that the block, and
// with it the airport, cannot complete; `misspelt` its "TORA" key.
void airbusRunway(Random& random, Output& out, Spoiler& spoil, Shape shape,
                  bool broken, bool misspelt) {
  const int64_t heading = random.between(1, 36);
  const char* side = random.pick(kSides);
  const int64_t tora = random.between(800, 4500);
  key(out, "Runway");
  ident(out, heading, side);
  out.put(';').end();
  key(out, "MagneticHeading");
  size_t at = out.mark();
  out.integer(heading * 10 + random.between(-4, 4));
  if (random.percent(10)) out.put(".4");
  spoil.number(out, at);
  out.put(';').end();
  key(out, "Length").integer(tora).put(';').end();
  spoil.textKey(out, "Strength");
  out.put(random.pick(kStrengths)).put(';').end();
  key(out, "Surface").put(random.pick(kSurfaces)).put(';').end();
  key(out, "Width");
  at = out.mark();
  out.put(random.percent(15) ? "45.7" : random.percent(50) ? "45" : "60");
  spoil.number(out, at);
  out.put(';').end();
  out.put("Lighting=HIRL;").end();
  out.put("Approach=ILS CAT III;").end();
  spoil.textKey(out, "LastUpdate");
  date(random, out);
  out.put(';').end();
  out.put(broken ? "Qfu=" : "QFU=").integer(heading * 10).put(';').end();
  spoil.textKey(out, "Ident");
  const uint64_t identForm = random.below(100);
  ident(out, heading, side);
  if (identForm < 10) {
    out.put("/A");
  } else if (identForm < 14) {
    out.put("/BRAVO12");  // longer than nine bytes: cut
  }
  out.put(';').end();
  // TORA may be missing a key now and then: the field is then not assigned.
  key(out, "ASDA");
  numberValue(random, out, spoil, tora, tora + 300);
  out.put(';').end();
  key(out, "TODA");
  numberValue(random, out, spoil, tora, tora + 600);
  out.put(';').end();
  out.put(misspelt ? "Tora=" : "TORA=");
  at = out.mark();
  out.integer(tora);
  spoil.number(out, at);
  out.put(';').end();
  key(out, "LDA");
  numberValue(random, out, spoil, tora - 600, tora);
  out.put(';').end();
  key(out, "Slope");
  at = out.mark();
  slope(random, out);
  spoil.number(out, at);
  out.put(';').end();
  coordinates(random, out);
  key(out, "ThresholdElevation");
  numberValue(random, out, spoil, -30, 2500);
  out.put(';').end();
  for (int i = 0; i < 9; ++i) {
    out.put("Remark").integer(i).put('=');
    if (random.percent(70)) {
      out.put("none");
    } else {
      comment(random, out, random.between(1, 6));
    }
    out.put(';').end();
  }
  spoil.textKey(out, "TOComments");
  comment(random, out, random.between(0, 6));
  out.put(';').end();
  spoil.textKey(out, "LDComments");
  comment(random, out, random.between(0, 6));
  out.put(';').end();
  out.put("Source=AIP;").end();
  const int64_t obstacles = obstacleCount(random, shape);
  for (int64_t k = 0; k < obstacles; ++k) {
    airbusObstacle(random, out, spoil, k + 1, tora);
  }
  out.put("End;").end();
  out.put("End;").end();
}

// The faults are drawn in every kind of file, so that all take the same
// random sequence.
void airbusAirport(Random& random, Output& out, Spoiler& spoil, Faults faults,
                   Shape shape) {
  const bool misspelt = random.percent(2) && faults == Faults::kSome;
  key(out, "Airport");
  letters(random, out, 4);
  out.put(';').end();
  out.put(misspelt || spoil.on() ? "name=" : "Name=");
  word(random, out);
  if (random.percent(20)) {
    out.put(' ');
    word(random, out);
  }
  out.put(';').end();
  spoil.textKey(out, "State");
  word(random, out);
  out.put(';').end();
  spoil.textKey(out, "City");
  word(random, out);
  out.put(';').end();
  spoil.textKey(out, "ICAO");
  letters(random, out, 4);
  out.put(';').end();
  spoil.textKey(out, "IATA");
  letters(random, out, 3);
  out.put(';').end();
  coordinates(random, out);
  key(out, "Elevation");
  numberValue(random, out, spoil, -30, 2500);
  out.put(';').end();
  key(out, "MagneticVariation")
      .fixed(random.between(-300, 300), 1)
      .put(';')
      .end();
  key(out, "TimeZone")
      .put(random.percent(50) ? "+" : "-")
      .integer(random.between(0, 12));
  out.put(';').end();
  spoil.textKey(out, "LastUpdate");
  date(random, out);
  out.put(';').end();
  const int64_t runways = runwayCount(random, shape);
  // About one airport in 50 has a runway block that does not close.
  const int64_t broken =
      random.percent(2) ? random.between(0, runways - 1) : -1;
  for (int64_t r = 0; r < runways; ++r) {
    airbusRunway(random, out, spoil, shape,
                 faults == Faults::kSome && r == broken, misspelt && r == 0);
  }
  out.put("End;").end();
  if (random.percent(50)) out.end();
}

// ------------------------------------------------------------------- ANF ---

void anfAirport(Random& random, Output& out, Spoiler& spoil, Faults faults,
                Shape shape) {
  out.put("ANF ");
  letters(random, out, 4);
  out.put(' ');
  word(random, out);
  // The header has 3 to 6 words, never the 7 of a runway line.
  for (int64_t extra = random.between(0, 3); extra > 0; --extra) {
    out.put(' ');
    word(random, out);
  }
  out.end();
  numberValue(random, out, spoil, -30, 2500);
  out.end();
  const int64_t runways = runwayCount(random, shape);
  for (int64_t r = 0; r < runways; ++r) {
    const int64_t heading = random.between(1, 36);
    const int64_t tora = random.between(800, 4500);
    ident(out, heading, random.pick(kSides));
    out.put(' ');
    numberValue(random, out, spoil, tora, tora);
    out.put(' ');
    numberValue(random, out, spoil, tora, tora + 600);
    out.put(' ');
    numberValue(random, out, spoil, tora, tora + 300);
    out.put(' ');
    numberValue(random, out, spoil, tora - 600, tora);
    out.put(' ');
    const size_t at = out.mark();
    slope(random, out);
    spoil.number(out, at);
    out.put(' ').put(random.pick(kStrengths));
    if (random.percent(10)) out.put(" ASPH");
    out.end();
    const int64_t obstacles = obstacleCount(random, shape);
    const size_t count = out.mark();
    out.integer(obstacles);
    spoil.number(out, count, false);
    if (random.percent(5)) out.put(" OBST");
    out.end();
    for (int64_t k = 0; k < obstacles; ++k) {
      numberValue(random, out, spoil, -50, 3000);
      out.put(' ');
      numberValue(random, out, spoil, 0, 9000);
      const uint64_t words = random.below(100);
      if (words >= 25) {  // a quarter of the lines have no lateral distance
        out.put(' ');
        numberValue(random, out, spoil, -900, 900);
        if (words >= 95) out.put(' ').put(random.pick(kObstacleTypes));
      }
      out.end();
    }
  }
  // Between airports: nothing, a blank line or a short remark line, all of
  // which end the airport. A remark whose first word is a number looks like
  // a runway's lost line, which trevik reports: a clean file spells that
  // word as no number, of the same length.
  const uint64_t gap = random.below(10);
  if (gap < 3) {
    out.end();
  } else if (gap < 4) {
    std::string& text = out.collected();
    const size_t at = text.size();
    comment(random, out, random.between(1, 5));
    if (faults == Faults::kNone && (text[at] == '-' || text[at] == '+')) {
      // "-12.5" as "12.5M", "+3" as "3M"
      text.erase(at, 1);
      text.insert(std::min(text.find_first_of(" \t", at), text.size()), "M");
    }
    out.end();
  }
}

}  // namespace

namespace {

void generateInto(Format format, uint64_t size, uint64_t seed, Faults faults,
                  Shape shape, Output& out) {
  Random random(seed);
  Spoiler spoil(faults);
  if (format == Format::kAirbus) {
    out.put("FileType=AirportData;").end();
    out.put("Version=3;").end();
    out.end();
  }
  while (out.written() < size) {
    if (format == Format::kAirbus) {
      airbusAirport(random, out, spoil, faults, shape);
    } else {
      anfAirport(random, out, spoil, faults, shape);
    }
  }
}

}  // namespace

bool generateFile(Format format, uint64_t size, uint64_t seed, std::FILE* file,
                  Faults faults, Shape shape) {
  Output out(file);
  generateInto(format, size, seed, faults, shape, out);
  out.flush();
  return !out.failed();
}

std::string generateText(Format format, uint64_t size, uint64_t seed,
                         Faults faults, Shape shape) {
  Output out(nullptr);
  generateInto(format, size, seed, faults, shape, out);
  return std::move(out.collected());
}

}  // namespace bench
