// What a reader noticed in a file: findings by line, capped per kind.
#include "core/findings/findings.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <utility>

#include "core/findings/quoting.h"

namespace core {

Findings::Kind& Findings::kindOf(unsigned kind) {
  if (kind >= kinds_.size()) kinds_.resize(kind + 1);
  return kinds_[kind];
}

void Findings::trim(Kind& kind) {
  if (kind.trimmed) return;
  std::vector<Kept>& kept = kind.kept;
  std::ranges::stable_sort(kept, {},
                           [](const Kept& k) { return k.finding.row; });
  // Equal findings have equal rows, so each is looked for among its row's.
  size_t out = 0;
  size_t rowStart = 0;
  for (size_t i = 0; i < kept.size(); ++i) {
    if (out == 0 || kept[out - 1].finding.row != kept[i].finding.row) {
      rowStart = out;
    }
    const auto from = kept.begin() + static_cast<std::ptrdiff_t>(rowStart);
    const auto to = kept.begin() + static_cast<std::ptrdiff_t>(out);
    const auto same = std::find_if(
        from, to, [&](const Kept& k) { return k.finding == kept[i].finding; });
    if (same != to) {
      same->copies += kept[i].copies;
      continue;
    }
    if (out != i) kept[out] = std::move(kept[i]);
    ++out;
  }
  for (size_t k = kShownPerKind; k < out; ++k) kind.dropped += kept[k].copies;
  kept.resize(std::min(out, kShownPerKind));
  kind.trimmed = true;
}

bool Findings::keeps(size_t row, unsigned kind) const {
  if (wider_ != nullptr && !wider_->keeps(row, kind)) return false;
  if (kind >= kinds_.size()) return true;
  const Kind& of = kinds_[kind];
  return !(of.trimmed && of.kept.size() >= kShownPerKind &&
           of.kept.back().finding.row < row);
}

void FindingFacts::setValue(std::string_view word) {
  const size_t cut = letterCut(word, kLongestValue);
  value = std::string(word.substr(0, cut));
  valueCut = cut < word.size();
}

void Findings::add(Finding finding) {
  const size_t row = finding.row;
  Kind& into = kindOf(finding.kind);
  if (!into.kept.empty() && into.kept.back().finding.row >= row) {
    into.trimmed = false;
  }
  if (into.kept.size() >= kShownPerKind) {
    // Past the cap, a finding after every kept one is only counted.
    if (into.trimmed && into.kept.back().finding.row < row) {
      ++into.dropped;
      return;
    }
    into.trimmed = false;
  }
  into.kept.push_back({std::move(finding)});
  if (into.kept.size() >= 2 * kShownPerKind) trim(into);
}

void Findings::append(Findings&& later) {
  for (unsigned k = 0; k < later.kinds_.size(); ++k) {
    Kind& from = later.kinds_[k];
    if (from.kept.empty() && from.dropped == 0) continue;
    Kind& into = kindOf(k);
    into.dropped += from.dropped;
    if (!into.kept.empty() && !from.kept.empty() &&
        into.kept.back().finding.row >= from.kept.front().finding.row) {
      into.trimmed = false;
    }
    into.trimmed = into.trimmed && from.trimmed;
    std::ranges::move(from.kept, std::back_inserter(into.kept));
    if (into.kept.size() > kShownPerKind) into.trimmed = false;
    trim(into);
  }
  later.kinds_.clear();
  countRead(later.runways_, later.obstacles_);
  later.runways_ = 0;
  later.obstacles_ = 0;
}

std::vector<Finding> Findings::shown() const {
  std::vector<Finding> all;
  for (unsigned k = 0; k < kinds_.size(); ++k) {
    Kind copy = trimmed(k);
    for (Kept& kept : copy.kept) all.push_back(std::move(kept.finding));
  }
  std::ranges::stable_sort(all, {}, &Finding::row);
  return all;
}

Findings::Kind Findings::trimmed(unsigned kind) const {
  Kind copy = kind < kinds_.size() ? kinds_[kind] : Kind();
  trim(copy);
  return copy;
}

size_t Findings::hidden(unsigned kind) const { return trimmed(kind).dropped; }

size_t Findings::total(unsigned kind) const {
  const Kind copy = trimmed(kind);
  return copy.kept.size() + copy.dropped;
}

std::vector<unsigned> Findings::kinds() const {
  std::vector<unsigned> kinds;
  for (unsigned k = 0; k < kinds_.size(); ++k) {
    if (!kinds_[k].kept.empty() || kinds_[k].dropped > 0) kinds.push_back(k);
  }
  return kinds;
}

void addFileMarks(size_t textAfterEndRow, size_t firstNulRow, unsigned kind,
                  Findings& findings) {
  if (textAfterEndRow != kNoRow) {
    findings.add(textAfterEndRow, kind,
                 "text after the end-of-file mark ignored");
  }
  if (firstNulRow != kNoRow) {
    findings.add(firstNulRow, kind,
                 "a NUL byte cuts this line; the rest of it is ignored");
  }
}

}  // namespace core
