// What a reader says of a number word that is not written as it stands in
// the file: text after its number, or a value its field cannot hold.
#ifndef CORE_FINDINGS_NUMBER_FINDINGS_H_
#define CORE_FINDINGS_NUMBER_FINDINGS_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "core/findings/findings.h"
#include "core/numbers/numbers.h"

namespace core {

// How a field writes the number its word reads as.
enum class Written {
  kRounded,     // rounded to a whole number; beyond the int32 range saturates
  kDecimal,     // as a decimal; a value beyond the double range is "inf"
  kWhole,       // read as a whole number (atoi), written as a decimal
  kIndirectly,  // only through what the program derives from it
};

// A number word of a field, as read.
struct NumberWord {
  std::string_view name;  // how a finding names the field: "the TORA"
  std::string_view word;  // as found in the file
  double value = 0;       // what it reads as
  bool whole = true;      // the word is one whole decimal number
  Written written = Written::kRounded;
};

// The kinds a reader files these findings under.
struct NumberKinds {
  unsigned textAfter = 0;   // text after the number
  unsigned outOfRange = 0;  // a value beyond what its field can be written as
};

// True when value is written as it reads in a rounded field: neither NaN
// nor beyond the int32 range, where roundToInt gives 0 or saturates.
inline bool fitsRounded(double value) {
  return value < 2147483647.5 && value > -2147483648.5;
}

// True when number's field writes it as it reads (kIndirectly: always).
// Inline: readers ask it of every number they read.
inline bool fitsField(const NumberWord& number) {
  switch (number.written) {
    case Written::kRounded:
      return fitsRounded(number.value);
    case Written::kDecimal:
      return number.value - number.value == 0;  // neither infinite nor NaN
    case Written::kWhole:
      return !atoiSaturates(number.word);
    case Written::kIndirectly:
      break;
  }
  return true;
}

// How the facts of a finding name the field that a message names so: "the
// TORA" is "TORA".
std::string_view fieldName(std::string_view name);

// The facts of a finding on number: its field, its word and readAs.
FindingFacts numberFacts(const NumberWord& number, std::string readAs);

// The text a value's field writes: the rounded whole number, or the decimal.
std::string writtenText(double value, Written written);

// Notes at row: "NAME "WORD" reads as VALUE" for a word with text after
// its number (in a kWhole field a fraction is the field's own rounding and
// is not noted), and "NAME "WORD" is out of range, written as TEXT" for a
// value its field cannot be written as.
void noteNumberWord(const NumberWord& number, size_t row, NumberKinds kinds,
                    Findings& findings);

}  // namespace core

#endif  // CORE_FINDINGS_NUMBER_FINDINGS_H_
