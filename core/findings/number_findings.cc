// What a reader says of a number word that is not written as it stands.
#include "core/findings/number_findings.h"

#include "core/findings/quoting.h"
#include "core/numbers/numbers.h"

namespace core {

std::string writtenText(double value, Written written) {
  char text[kMaxNumberText];
  return {text, written == Written::kRounded
                    ? writeInteger(text, roundToInt(value))
                    : writeDecimal(text, value)};
}

void noteNumberWord(const NumberWord& number, size_t row, NumberKinds kinds,
                    Findings& findings) {
  const bool textAfter = number.written == Written::kWhole
                             ? !isDecimalNumber(number.word)
                             : !number.whole;
  if (textAfter) {
    findings.note(row, kinds.textAfter, [&] {
      return std::string(number.name) + " " + quoted(number.word) +
             " reads as " + writtenText(number.value, Written::kDecimal);
    });
  }
  if (!fitsField(number)) {
    findings.note(row, kinds.outOfRange, [&] {
      return std::string(number.name) + " " + quoted(number.word) +
             " is out of range, written as " +
             writtenText(number.value, number.written);
    });
  }
}

}  // namespace core
