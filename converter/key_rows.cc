// The key rows of an Airbus airport file and how their values are read.
#include "converter/key_rows.h"

#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "converter/obstacle_offsets.h"
#include "converter/reader.h"
#include "core/findings/quoting.h"
#include "core/numbers/numbers.h"

namespace converter::detail {

template <typename Value>
std::optional<std::string_view> KeyRows::valueOf(size_t row, const KeyLine& key,
                                                 const Value& value) {
  std::string_view words[2];
  const size_t n = core::rowWords(table_, row, words, 2);
  if (n != 0 && words[0] == key.key) return words[1];
  if constexpr (std::is_same_v<Value, double>) {
    char text[core::kMaxNumberText];
    const std::string shows(text, core::writeDecimal(text, value));
    misplaced(row, key, shows, shows);
  } else {
    misplaced(row, key, core::quoted(value), std::string(value));
  }
  return std::nullopt;
}

void KeyRows::misplaced(size_t row, const KeyLine& key,
                        const std::string& shows, std::string readAs) {
  pending_.note(row, kKey, [&] {
    core::Noted noted{"key should be \"" + std::string(key.key) + "\" but is " +
                          core::describeRow(table_, row) + "; " +
                          std::string(key.what) + " reads as " + shows,
                      {}};
    noted.facts.field = core::fieldName(key.what);
    if (table_.wordCount(row) > 0) {
      noted.facts.setValue(core::wordAt(table_, row, 0));
    }
    noted.facts.readAs = std::move(readAs);
    return noted;
  });
}

void KeyRows::readText(size_t row, const KeyLine& key, TextField& field) {
  if (auto value = valueOf(row + key.line, key, field)) field.assign(*value);
}

void KeyRows::notANumber(size_t row, const KeyLine& key,
                         std::string_view value) {
  pending_.note(row, kNumber, [&] {
    core::Noted noted{
        std::string(key.what) +
            (value.empty() ? " has no value"
                           : " " + core::quoted(value) + " is not a number") +
            ", read as 0",
        {}};
    noted.facts.field = core::fieldName(key.what);
    if (!value.empty()) noted.facts.setValue(value);
    noted.facts.readAs = "0";
    return noted;
  });
}

void KeyRows::noteNumber(size_t row, const core::NumberWord& number) {
  core::noteNumberWord(number, row, {kTextAfter, kOutOfRange}, pending_);
}

void KeyRows::readDecimal(size_t row, const KeyLine& key, double& field,
                          core::Written written) {
  row += key.line;
  auto value = valueOf(row, key, field);
  if (!value) return;
  // Words come from a WordTable, so atofWord may read past them.
  bool whole = true;
  field = core::atofWord(*value, whole);
  const core::NumberWord number{key.what, *value, field, whole, written};
  if (whole && core::fitsField(number)) return;
  if (field == 0 && !core::beginsWithNumber(*value)) {
    notANumber(row, key, *value);
  } else {
    noteNumber(row, number);
  }
}

void KeyRows::readInteger(size_t row, const KeyLine& key, double& field) {
  row += key.line;
  auto value = valueOf(row, key, field);
  if (!value) return;
  const int32_t number = core::atoi(*value);
  field = number;
  if (number == 0 && !core::beginsWithInteger(*value)) {
    notANumber(row, key, *value);
  } else if (number == INT32_MAX || number == INT32_MIN ||
             !core::isDecimalNumber(*value)) {
    noteNumber(row, {key.what, *value, field, true, core::Written::kWhole});
  }
}

void KeyRows::checkOffsets(size_t row, const core::Runway& runway) {
  for (const core::Obstacle& obstacle : runway.obstacles) {
    const ObstacleOffsets offsets = offsetsOf(runway, obstacle);
    const std::pair<double, size_t> values[] = {
        {offsets.height, row + keyLine(kObstacle, "Elevation").line},
        {offsets.beyond, row + keyLine(kObstacle, "Distance").line}};
    constexpr std::string_view kNames[] = {
        "the obstacle's height above the end of the take-off run",
        "the obstacle's distance beyond the end of the take-off run"};
    for (size_t k = 0; k < 2; ++k) {
      const double value = values[k].first;
      if (core::fitsRounded(value)) continue;
      pending_.note(values[k].second, kOutOfRange, [&] {
        core::Noted noted;
        noted.facts.field = core::fieldName(kNames[k]);
        noted.facts.readAs =
            value != value ? "0"
                           : core::writtenText(value, core::Written::kRounded);
        noted.message = std::string(kNames[k]) +
                        (value != value ? " comes out as NaN, written as "
                                        : " is out of range, written as ") +
                        noted.facts.readAs;
        return noted;
      });
    }
    row += kObstacleLines;
  }
}

void KeyRows::readComment(size_t row, const KeyLine& key, TextField& field) {
  row += key.line;
  if (!valueOf(row, key, field)) return;
  // All words in one walk of the row: a comment may hold millions of them.
  std::vector<std::string_view> words(table_.wordCount(row));
  core::rowWords(table_, row, words.data(), words.size());
  std::string comment(1, ' ');
  for (size_t col = 1; col < words.size(); ++col) {
    comment += ' ';
    comment += words[col];
  }
  field.assign(comment);
}

void KeyRows::readIdent(size_t row, const KeyLine& key, TextField& field) {
  auto value = valueOf(row + key.line, key, field);
  if (!value) return;
  std::string ident(value->substr(0, kIdentLength));  // short: no heap block
  std::replace(ident.begin(), ident.end(), '/', '-');
  field.assign(ident);
}

void KeyRows::readLateral(size_t row, const KeyLine& key, double& field) {
  // Optional: neither its absence nor a value that is no number at all is
  // noted (an empty one is common), but a number not read as it stands is.
  row += key.line;
  std::string_view words[2];
  if (core::rowWords(table_, row, words, 2) == 0 || words[0] != key.key) {
    return;
  }
  bool whole = true;
  field = core::atofWord(words[1], whole);
  if ((!whole && core::beginsWithNumber(words[1])) ||
      !core::fitsRounded(field)) {
    noteNumber(row, {key.what, words[1], field, whole});
  }
}

}  // namespace converter::detail
