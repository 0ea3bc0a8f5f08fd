// What a reader noticed in a file and left out or read as 0: findings by
// line, kept in line order, at most a fixed number per kind.
#ifndef CORE_FINDINGS_FINDINGS_H_
#define CORE_FINDINGS_FINDINGS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace core {

// What a finding says as data, beside its message, for programs that read
// the findings. Which of these a kind has is the program's to say; a kind
// that has one always fills it.
struct FindingFacts {
  // The ICAO code of the airport being read, as in the file; none for a
  // left-out airport without one, or lines before the first airport.
  std::optional<std::string> airport;
  std::string field;  // as the message names it, without "the": "TORA"
  // The word as it stands in the file, its first kLongestValue bytes (never
  // cut inside a UTF-8 letter); none for a number the program works out.
  std::optional<std::string> value;
  bool valueCut = false;  // the word is longer than value
  std::string readAs;     // what was read or written instead: "0", "inf"
  static constexpr size_t kLongestValue = 256;
  // Sets value to word, cut as above.
  void setValue(std::string_view word);
};

// One thing a reader noticed. kind is the reader's own numbering (an enum
// of its own); row is the row of the file's table (line row + 1), or
// kWholeFile for what concerns no single line.
struct Finding {
  static constexpr size_t kWholeFile = SIZE_MAX;
  size_t row = 0;
  unsigned kind = 0;
  std::string message;
  FindingFacts facts;
  // The same finding says the same of the same line: a line that nested
  // blocks read twice is one finding, whichever airport read it first.
  bool operator==(const Finding& other) const {
    return row == other.row && kind == other.kind && message == other.message;
  }
};

// The facts a kind of finding has, as bits of KindName::facts.
enum FactBits : unsigned {
  kAirportFact = 1,
  kFieldFact = 2,
  kValueFact = 4,
  kReadAsFact = 8,
  kNumberFacts = 15,  // all four, as findings on a number word have
};

// How a program names a kind of finding: for programs ("left-out"), and in
// the "N more KIND not shown" line ("airports left out"); and the facts
// that its findings have.
struct KindName {
  std::string_view id;
  std::string_view plural;
  unsigned facts = 0;
};

// A finding's message and its facts, as a reader makes them.
struct Noted {
  std::string message;
  FindingFacts facts;
};

// The findings of one file. Of each kind only the kShownPerKind of the
// lowest rows are kept, so that a file broken on every line costs no more
// memory than a clean one; the others are counted. Readers may add in any
// order (blocks may nest); the kept ones come out in row order, each
// finding once however often it was added, while a hidden one counts as
// often as it was added. So the counts never depend on how the findings
// were split into pieces and appended.
class Findings {
 public:
  static constexpr size_t kShownPerKind = 50;

  void add(Finding finding);
  void add(size_t row, unsigned kind, std::string message) {
    add({row, kind, std::move(message), {}});
  }
  // add, building the finding with make() (its message, or a Noted) only
  // when it is kept: past the cap it is only counted, and a file broken on
  // every line would otherwise build millions of messages for nothing. It
  // names the airport being read, if any.
  template <typename Make>
  void note(size_t row, unsigned kind, const Make& make) {
    if (!keeps(row, kind)) {
      // Counted as add would count it, here or once appended to wider.
      ++kindOf(kind).dropped;
      return;
    }
    Finding finding{row, kind, {}, {}};
    if constexpr (std::is_same_v<decltype(make()), Noted>) {
      Noted noted = make();
      finding.message = std::move(noted.message);
      finding.facts = std::move(noted.facts);
    } else {
      finding.message = make();
    }
    if (airport_ != nullptr) finding.facts.airport = std::string(*airport_);
    add(std::move(finding));
  }
  // While it lives, the findings noted are of the airport icao (which
  // must outlive it).
  class AirportBeingRead {
   public:
    AirportBeingRead(Findings& findings, std::optional<std::string_view> icao)
        : findings_(findings), icao_(icao.value_or(std::string_view())) {
      if (icao) findings_.airport_ = &icao_;
    }
    ~AirportBeingRead() { findings_.airport_ = nullptr; }
    AirportBeingRead(const AirportBeingRead&) = delete;
    AirportBeingRead& operator=(const AirportBeingRead&) = delete;

   private:
    Findings& findings_;
    std::string_view icao_;
  };
  // Takes over every finding of later (the findings of a later piece of
  // the same file).
  void append(Findings&& later);
  // Makes note() build only the messages that wider, into which these
  // findings will be appended, would keep (nullptr: all). wider must
  // outlive these findings or the next call.
  void boundBy(const Findings* wider) { wider_ = wider; }

  // The kept findings in row order (kind order within a row).
  std::vector<Finding> shown() const;
  // How many findings of kind were added, duplicates not counted; and how
  // many of them shown() leaves out.
  size_t total(unsigned kind) const;
  size_t hidden(unsigned kind) const;
  // The kinds with any finding, ascending.
  std::vector<unsigned> kinds() const;

  // What the reader kept: the runways and obstacles of the airports that
  // reached the records (counted as they are read, where they are still in
  // the cache), for the summary.
  void countRead(size_t runways, size_t obstacles) {
    runways_ += runways;
    obstacles_ += obstacles;
  }
  size_t runwaysRead() const { return runways_; }
  size_t obstaclesRead() const { return obstacles_; }

 private:
  // A kept finding, and how often it was added.
  struct Kept {
    Finding finding;
    size_t copies = 1;
  };
  struct Kind {
    std::vector<Kept> kept;
    size_t dropped = 0;   // added, but of rows after those kept
    bool trimmed = true;  // kept is in row order, without duplicates
  };
  // False when a finding of kind at row would only be counted.
  bool keeps(size_t row, unsigned kind) const;
  Kind& kindOf(unsigned kind);
  // Sorts kept by row, drops duplicates and keeps kShownPerKind.
  static void trim(Kind& kind);
  // A trimmed copy of the findings of kind.
  Kind trimmed(unsigned kind) const;

  std::vector<Kind> kinds_;  // by kind number
  const Findings* wider_ = nullptr;
  // The airport being read, if any; a pointer, as a command line of
  // thousands of files keeps a Findings for each.
  const std::string_view* airport_ = nullptr;
  size_t runways_ = 0;
  size_t obstacles_ = 0;
};

// The signs of damage that only the bytes show, once per file: text after
// the Ctrl-Z that ends the file at textAfterEndRow, and the first NUL byte
// that cuts a line, at firstNulRow (kNoRow: none).
constexpr size_t kNoRow = SIZE_MAX;
void addFileMarks(size_t textAfterEndRow, size_t firstNulRow, unsigned kind,
                  Findings& findings);

}  // namespace core

#endif  // CORE_FINDINGS_FINDINGS_H_
