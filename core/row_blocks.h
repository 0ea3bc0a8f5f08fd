// Reading the blocks of a word table that start at the rows a test picks,
// on every core, in input order.
#ifndef CORE_ROW_BLOCKS_H_
#define CORE_ROW_BLOCKS_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <mutex>
#include <utility>
#include <vector>

#include "core/findings.h"
#include "core/lines.h"
#include "core/platform.h"
#include "core/workers.h"

namespace core {

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

// Gives back the rows of each piece once no block can read them again: a
// block reads only forward from its start row, so the rows of piece k are
// done with once pieces 0 to k are all read, whichever thread read them.
// (Rows given back read as zeros: a piece's rows must wait until every
// block that may reach into them is read.)
class PieceRelease {
 public:
  PieceRelease(const WordTable& table, const Pieces& pieces)
      : table_(table), pieces_(pieces), read_(pieces.count, 0) {}

  void pieceRead(size_t k) {
    const std::lock_guard<std::mutex> lock(mutex_);
    read_[k] = 1;
    const size_t before = next_;
    while (next_ < read_.size() && read_[next_] != 0) ++next_;
    // Everything before the first piece still read, in one go: memory goes
    // back in whole blocks, so a block that straddles two pieces goes back
    // with the later one.
    if (next_ != before) releaseRows(table_, 0, pieces_.first(next_));
  }

 private:
  const WordTable& table_;
  const Pieces pieces_;
  std::mutex mutex_;
  std::vector<uint8_t> read_;  // per piece: all its blocks are read
  size_t next_ = 0;            // the first piece whose rows are kept
};

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

template <typename Record, typename IsStart, typename Read>
void joinPieces(const WordTable& table, const IsStart& isStart,
                const Read& read, std::vector<Record>& into,
                Findings& findings) {
  const Pieces pieces = piecesOf(table);
  std::vector<std::vector<Record>> records(pieces.count);
  std::vector<Findings> found(pieces.count);
  PieceRelease release(table, pieces);
  forEachPiece(pieces.count, [&](size_t k) {
    for (size_t row = pieces.first(k); row < pieces.first(k + 1); ++row) {
      if (!isStart(row)) continue;
      if (!read(row, records[k].emplace_back(), found[k])) {
        records[k].pop_back();
      }
    }
    release.pieceRead(k);
  });
  size_t count = 0;
  for (const std::vector<Record>& piece : records) count += piece.size();
  makeRoom(into, count);
  for (size_t k = 0; k < pieces.count; ++k) {
    std::move(records[k].begin(), records[k].end(), std::back_inserter(into));
    std::vector<Record>().swap(records[k]);
    findings.append(std::move(found[k]));
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

template <typename Record, typename IsStart, typename Read>
void readInPlace(const WordTable& table, const IsStart& isStart,
                 const Read& read, std::vector<Record>& records,
                 Findings& findings) {
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
  std::vector<size_t> first(pieces.count + 1, records.size());
  for (size_t k = 0; k < pieces.count; ++k) {
    first[k + 1] = first[k] + starts[k].size();
  }
  const size_t before = records.size();
  makeRoom(records, first[pieces.count] - before);
  records.resize(first[pieces.count]);
  // A byte per record, so that the pieces never write the same byte.
  std::vector<uint8_t> kept(first[pieces.count] - before);
  std::vector<Findings> found(pieces.count);
  PieceRelease release(table, pieces);
  forEachPiece(pieces.count, [&](size_t k) {
    for (size_t i = 0; i < starts[k].size(); ++i) {
      const size_t at = first[k] + i;
      kept[at - before] =
          read(pieces.first(k) + starts[k][i], records[at], found[k]);
    }
    release.pieceRead(k);
  });
  if (std::find(kept.begin(), kept.end(), 0) != kept.end()) {
    keepRead(records, before, kept);
  }
  for (Findings& piece : found) findings.append(std::move(piece));
}

}  // namespace detail

// Reads the blocks of table onto the end of records, in input order, on
// every core: read(row, record, findings) reads the block that starts at
// each row where isStart(row) holds into a record of its own (made by
// Record()) and returns false when the block is to be left out; what it
// notices goes to findings. records and findings end as one call per start
// row, from the first to the last, would leave them, whatever the placing.
// A block may run past the rows of its piece, so every block must start at
// a row that isStart picks whatever came before; isStart and read must only
// read the table. The rows are given back (releaseRows) once no block can
// read them again, so nothing may read them after this call.
template <typename Record, typename IsStart, typename Read>
void readBlocks(const WordTable& table, const IsStart& isStart,
                const Read& read, std::vector<Record>& records,
                Findings& findings, Placing placing) {
  if (placing == Placing::kJoinPieces) {
    detail::joinPieces(table, isStart, read, records, findings);
  } else {
    detail::readInPlace(table, isStart, read, records, findings);
  }
}

}  // namespace core

#endif  // CORE_ROW_BLOCKS_H_
