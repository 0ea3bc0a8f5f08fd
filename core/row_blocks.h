// Reading the blocks of a word table that start at the rows a test picks,
// on every core, in input order.
#ifndef CORE_ROW_BLOCKS_H_
#define CORE_ROW_BLOCKS_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

#include "core/lines.h"
#include "core/workers.h"

namespace core {

// What reading blocks gives: the records, and what the reader noticed on
// the way (each finding names its row), both in input order.
template <typename Record, typename Finding>
struct Found {
  std::vector<Record> records;
  std::vector<Finding> findings;
};

// The finding of a reader that notices nothing.
struct NoFinding {};

namespace detail {

// Rows per piece: enough to cost nothing per piece, few enough for the
// cores to even out and for the rows read to be given back early.
constexpr size_t kRowsPerPiece = size_t{1} << 13;

// One piece of rows: where its blocks start, and what reading them noticed.
template <typename Finding>
struct Piece {
  std::vector<uint32_t> starts;  // from the piece's first row
  std::vector<Finding> findings;
};

// Moves the records that were read (kept[k] != 0) to the front of
// records[from, end), in order, and drops the others.
template <typename Record>
void keepRead(std::vector<Record>& records, size_t from,
              const std::vector<uint8_t>& kept) {
  size_t to = from;
  for (size_t k = 0; k < kept.size(); ++k) {
    if (!kept[k]) continue;
    if (to != from + k) records[to] = std::move(records[from + k]);
    ++to;
  }
  records.erase(records.begin() + static_cast<std::ptrdiff_t>(to),
                records.end());
}

}  // namespace detail

// Reads the blocks of table into into, in input order, on every core:
// first the rows where isStart(row) holds are found, then
// read(row, record, findings) reads the block that starts at each into a
// record of its own (made by Record()) and returns false when the block is
// to be left out; what it notices goes to findings. into ends as one call
// per start row, from the first to the last, would leave it. A block may
// run past the rows of its piece, so every block must start at a row that
// isStart picks whatever came before; isStart and read must only read the
// table. Once a piece is read its rows are given back (releaseRows): a
// block that reaches into them reads them again from the file.
template <typename Record, typename Finding, typename IsStart, typename Read>
void readBlocks(const WordTable& table, const IsStart& isStart,
                const Read& read, Found<Record, Finding>& into) {
  const size_t rows = table.rows();
  const size_t pieces = rows / detail::kRowsPerPiece + 1;
  const auto firstRow = [&](size_t k) { return rows * k / pieces; };
  std::vector<detail::Piece<Finding>> piece(pieces);
  forEachPiece(pieces, [&](size_t k) {
    for (size_t row = firstRow(k); row < firstRow(k + 1); ++row) {
      if (isStart(row)) {
        piece[k].starts.push_back(static_cast<uint32_t>(row - firstRow(k)));
      }
    }
  });
  // Each piece reads into records of its own, from first[k] on.
  std::vector<size_t> first(pieces + 1, into.records.size());
  for (size_t k = 0; k < pieces; ++k) {
    first[k + 1] = first[k] + piece[k].starts.size();
  }
  const size_t before = into.records.size();
  into.records.resize(first[pieces]);
  // A byte per record, so that the pieces never write the same byte.
  std::vector<uint8_t> kept(first[pieces] - before);
  forEachPiece(pieces, [&](size_t k) {
    for (size_t i = 0; i < piece[k].starts.size(); ++i) {
      const size_t at = first[k] + i;
      kept[at - before] = read(firstRow(k) + piece[k].starts[i],
                               into.records[at], piece[k].findings);
    }
    releaseRows(table, firstRow(k), firstRow(k + 1));
  });
  if (std::find(kept.begin(), kept.end(), 0) != kept.end()) {
    detail::keepRead(into.records, before, kept);
  }
  for (detail::Piece<Finding>& p : piece) {
    std::move(p.findings.begin(), p.findings.end(),
              std::back_inserter(into.findings));
  }
}

}  // namespace core

#endif  // CORE_ROW_BLOCKS_H_
