// What a reader says of a number word that is not written as it stands.
#include "core/findings/number_findings.h"

#include <utility>

#include "core/findings/quoting.h"
#include "core/numbers/numbers.h"

namespace core {

std::string writtenText(double value, Written written) {
  char text[kMaxNumberText];
  return {text, written == Written::kRounded
                    ? writeInteger(text, roundToInt(value))
                    : writeDecimal(text, value)};
}

std::string_view fieldName(std::string_view name) {
  constexpr std::string_view kThe = "the ";
  return name.starts_with(kThe) ? name.substr(kThe.size()) : name;
}

FindingFacts numberFacts(const NumberWord& number, std::string readAs) {
  FindingFacts facts;
  facts.field = fieldName(number.name);
  facts.setValue(number.word);
  facts.readAs = std::move(readAs);
  return facts;
}

void noteNumberWord(const NumberWord& number, size_t row, NumberKinds kinds,
                    Findings& findings) {
  const bool textAfter = number.written == Written::kWhole
                             ? !isDecimalNumber(number.word)
                             : !number.whole;
  if (textAfter) {
    findings.note(row, kinds.textAfter, [&] {
      std::string readAs = writtenText(number.value, Written::kDecimal);
      return Noted{std::string(number.name) + " " + quoted(number.word) +
                       " reads as " + readAs,
                   numberFacts(number, readAs)};
    });
  }
  if (!fitsField(number)) {
    findings.note(row, kinds.outOfRange, [&] {
      std::string readAs = writtenText(number.value, number.written);
      return Noted{std::string(number.name) + " " + quoted(number.word) +
                       " is out of range, written as " + readAs,
                   numberFacts(number, readAs)};
    });
  }
}

}  // namespace core
