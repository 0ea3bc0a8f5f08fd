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

// Where readBlocks reads each record. Both give the same result; which is
// faster depends on the input's shape.
enum class Placing {
  // Each block right after its start row is found, into records of its
  // piece, the pieces joined at the end: one pass over the rows, so a long
  // block's rows are still in the cache when it is read (Airbus files).
  kJoinPieces,
  // Every piece's start rows are found first, then each block is read into
  // its final place: no record is moved, which pays when records are many
  // and small (ANF files).
  kInPlace,
};

namespace detail {

// Rows per piece at least: enough to cost nothing per piece; and pieces at
// most: enough for the cores to even out and for the rows read to be given
// back early, few enough that each piece's records are one large block the
// system takes back once they are moved on.
constexpr size_t kMinRowsPerPiece = size_t{1} << 13;
constexpr size_t kMaxPieces = 64;

// The pieces of rows of a table: piece k is rows [first(k), first(k + 1)).
struct Pieces {
  size_t rows;
  size_t count;
  size_t first(size_t k) const { return rows * k / count; }
};

inline Pieces piecesOf(const WordTable& table) {
  return {table.rows(),
          std::clamp<size_t>(table.rows() / kMinRowsPerPiece, 1, kMaxPieces)};
}

// Makes room for count more records after those of records, growing by
// doubling (many files may be read one after the other), and lets the
// system fill the new ones a huge page per fault.
template <typename Record>
void makeRoom(std::vector<Record>& records, size_t count) {
  const size_t total = records.size() + count;
  if (total > records.capacity()) {
    records.reserve(std::max(total, 2 * records.capacity()));
  }
  adviseLargeBuffer(records.data() + records.size(), count * sizeof(Record));
}

template <typename Finding>
void append(std::vector<Finding>& from, std::vector<Finding>& into) {
  std::move(from.begin(), from.end(), std::back_inserter(into));
  std::vector<Finding>().swap(from);
}

template <typename Record, typename Finding, typename IsStart, typename Read>
void joinPieces(const WordTable& table, const IsStart& isStart,
                const Read& read, Found<Record, Finding>& into) {
  const Pieces pieces = piecesOf(table);
  std::vector<Found<Record, Finding>> found(pieces.count);
  forEachPiece(pieces.count, [&](size_t k) {
    Found<Record, Finding>& piece = found[k];
    for (size_t row = pieces.first(k); row < pieces.first(k + 1); ++row) {
      if (!isStart(row)) continue;
      if (!read(row, piece.records.emplace_back(), piece.findings)) {
        piece.records.pop_back();
      }
    }
    releaseRows(table, pieces.first(k), pieces.first(k + 1));
  });
  size_t count = 0;
  for (const Found<Record, Finding>& piece : found) {
    count += piece.records.size();
  }
  makeRoom(into.records, count);
  for (Found<Record, Finding>& piece : found) {
    std::move(piece.records.begin(), piece.records.end(),
              std::back_inserter(into.records));
    std::vector<Record>().swap(piece.records);
    append(piece.findings, into.findings);
  }
}

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

template <typename Record, typename Finding, typename IsStart, typename Read>
void readInPlace(const WordTable& table, const IsStart& isStart,
                 const Read& read, Found<Record, Finding>& into) {
  const Pieces pieces = piecesOf(table);
  // The start rows of each piece, from its first row.
  std::vector<std::vector<uint32_t>> starts(pieces.count);
  forEachPiece(pieces.count, [&](size_t k) {
    for (size_t row = pieces.first(k); row < pieces.first(k + 1); ++row) {
      if (isStart(row)) {
        starts[k].push_back(static_cast<uint32_t>(row - pieces.first(k)));
      }
    }
  });
  // Piece k reads into the records from first[k] on.
  std::vector<size_t> first(pieces.count + 1, into.records.size());
  for (size_t k = 0; k < pieces.count; ++k) {
    first[k + 1] = first[k] + starts[k].size();
  }
  const size_t before = into.records.size();
  makeRoom(into.records, first[pieces.count] - before);
  into.records.resize(first[pieces.count]);
  // A byte per record, so that the pieces never write the same byte.
  std::vector<uint8_t> kept(first[pieces.count] - before);
  std::vector<std::vector<Finding>> findings(pieces.count);
  forEachPiece(pieces.count, [&](size_t k) {
    for (size_t i = 0; i < starts[k].size(); ++i) {
      const size_t at = first[k] + i;
      kept[at - before] =
          read(pieces.first(k) + starts[k][i], into.records[at], findings[k]);
    }
    releaseRows(table, pieces.first(k), pieces.first(k + 1));
  });
  if (std::find(kept.begin(), kept.end(), 0) != kept.end()) {
    keepRead(into.records, before, kept);
  }
  for (std::vector<Finding>& piece : findings) append(piece, into.findings);
}

}  // namespace detail

// Reads the blocks of table onto the end of into, in input order, on every
// core: read(row, record, findings) reads the block that starts at each row
// where isStart(row) holds into a record of its own (made by Record()) and
// returns false when the block is to be left out; what it notices goes to
// findings. into ends as one call per start row, from the first to the
// last, would leave it, whatever the placing. A block may run past the rows
// of its piece, so every block must start at a row that isStart picks
// whatever came before; isStart and read must only read the table. Once a
// piece is read its rows are given back (releaseRows): a block that reaches
// into them reads them again from the file.
template <typename Record, typename Finding, typename IsStart, typename Read>
void readBlocks(const WordTable& table, const IsStart& isStart,
                const Read& read, Found<Record, Finding>& into,
                Placing placing) {
  if (placing == Placing::kJoinPieces) {
    detail::joinPieces(table, isStart, read, into);
  } else {
    detail::readInPlace(table, isStart, read, into);
  }
}

}  // namespace core

#endif  // CORE_ROW_BLOCKS_H_
