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
#include "core/platform.h"
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

// Rows per piece at least: enough to cost nothing per piece; and pieces at
// most: enough for the cores to even out and for the rows read to be given
// back early, few enough that each piece's records are one large block the
// system takes back once they are moved on.
constexpr size_t kMinRowsPerPiece = size_t{1} << 13;
constexpr size_t kMaxPieces = 64;

// Moves the records and findings of from onto the end of into, and frees
// from's room.
template <typename Record, typename Finding>
void moveOnto(Found<Record, Finding>& from, Found<Record, Finding>& into) {
  std::move(from.records.begin(), from.records.end(),
            std::back_inserter(into.records));
  std::move(from.findings.begin(), from.findings.end(),
            std::back_inserter(into.findings));
  from = Found<Record, Finding>();
}

}  // namespace detail

// Reads the blocks of table onto the end of into, in input order, on every
// core: read(row, record, findings) reads the block that starts at each row
// where isStart(row) holds into a record of its own (made by Record()) and
// returns false when the block is to be left out; what it notices goes to
// findings. into ends as one call per start row, from the first to the
// last, would leave it. A block may run past the rows of its piece, so
// every block must start at a row that isStart picks whatever came before;
// isStart and read must only read the table. Once a piece is read its rows
// are given back (releaseRows): a block that reaches into them reads them
// again from the file.
template <typename Record, typename Finding, typename IsStart, typename Read>
void readBlocks(const WordTable& table, const IsStart& isStart,
                const Read& read, Found<Record, Finding>& into) {
  const size_t rows = table.rows();
  const size_t pieces = std::clamp<size_t>(rows / detail::kMinRowsPerPiece, 1,
                                           detail::kMaxPieces);
  const auto firstRow = [&](size_t k) { return rows * k / pieces; };
  // Each block is read where it stays until the pieces are joined, right
  // after its start row is found, while its rows are in the cache.
  std::vector<Found<Record, Finding>> found(pieces);
  forEachPiece(pieces, [&](size_t k) {
    Found<Record, Finding>& piece = found[k];
    for (size_t row = firstRow(k); row < firstRow(k + 1); ++row) {
      if (!isStart(row)) continue;
      if (!read(row, piece.records.emplace_back(), piece.findings)) {
        piece.records.pop_back();
      }
    }
    releaseRows(table, firstRow(k), firstRow(k + 1));
  });
  size_t total = into.records.size();
  for (const Found<Record, Finding>& piece : found) {
    total += piece.records.size();
  }
  // Many files may be read one after the other: grow by doubling.
  if (total > into.records.capacity()) {
    into.records.reserve(std::max(total, 2 * into.records.capacity()));
  }
  // Hundreds of thousands of records: let the system fill them a huge page
  // per fault.
  const size_t before = into.records.size();
  adviseLargeBuffer(into.records.data() + before,
                    (total - before) * sizeof(Record));
  for (Found<Record, Finding>& piece : found) detail::moveOnto(piece, into);
}

}  // namespace core

#endif  // CORE_ROW_BLOCKS_H_
