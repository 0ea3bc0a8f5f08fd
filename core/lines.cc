// Loading files as lines: the file's bytes, Ctrl-Z, line ends, the counts
// of line feeds per piece that the splitter starts from.
#include "core/lines.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "core/file_bytes.h"
#include "core/platform.h"
#include "core/scan.h"
#include "core/workers.h"

namespace core {

using detail::ByteScan;
using detail::FileBytes;
using detail::kCtrlZ;
using detail::scanBytes;

LineList LineList::fromBytes(FileBytes data, size_t size, LoadVariant variant,
                             std::vector<ByteScan> scans) {
  char* const bytes = data.data();
  // One look at every byte, a piece of kPieceBytes per thread, unless the
  // reader looked already. The file ends at its first Ctrl-Z: the piece
  // that holds it is counted again up to there, and the pieces after it
  // are dropped.
  const auto piece = [&](size_t k) {
    const size_t begin = k * kPieceBytes;
    return std::string_view(bytes + begin,
                            std::min(size, begin + kPieceBytes) - begin);
  };
  if (scans.size() != size / kPieceBytes + 1) {
    scans.assign(size / kPieceBytes + 1, ByteScan{});
    forEachPiece(scans.size(),
                 [&](size_t k) { scans[k] = scanBytes(piece(k)); });
  }
  bool tailHasText = false;
  const auto cut = std::find_if(scans.begin(), scans.end(),
                                [](const ByteScan& s) { return s.hasCtrlZ; });
  if (cut != scans.end()) {
    std::string_view part = piece(static_cast<size_t>(cut - scans.begin()));
    part = part.substr(0, part.find(kCtrlZ));
    *cut = scanBytes(part);
    const size_t mark = static_cast<size_t>(part.data() - bytes) + part.size();
    // Padding after the mark (blanks, line ends, more Ctrl-Z or NUL, as
    // old tools fill a file's last block) is usual; anything else is text
    // that the file seems to hold but does not.
    constexpr std::string_view kPadding(" \t\r\n\x1a\0", 6);
    tailHasText = std::string_view(bytes + mark + 1, size - mark - 1)
                      .find_first_not_of(kPadding) != std::string_view::npos;
    size = mark;
    scans.erase(cut + 1, scans.end());
  }
  bytes[size] = '\n';
  data.keepFrom(size);

  LineList lines;
  lines.lineFeedsBefore_.assign(scans.size() + 1, 0);
  for (size_t k = 0; k < scans.size(); ++k) {
    lines.lineFeedsBefore_[k + 1] =
        lines.lineFeedsBefore_[k] + scans[k].lineFeeds;
    lines.hasNul_ |= scans[k].hasNul;
  }
  const size_t lineFeeds = lines.lineFeedsBefore_.back();
  lines.bytes_ = std::move(data);
  lines.size_ = size;
  lines.lineCount_ = lineFeeds + (size > 0 && bytes[size - 1] != '\n' ? 1 : 0);
  lines.variant_ = variant;
  if (tailHasText) lines.textAfterEndRow_ = lineFeeds;
  if (lines.hasNul_) {
    const char* nul = static_cast<const char*>(std::memchr(bytes, '\0', size));
    lines.firstNulRow_ = static_cast<size_t>(
        std::count(static_cast<const char*>(bytes), nul, '\n'));
  }
  return lines;
}

const char* LineList::text() const {
  if (variant_ != LoadVariant::kConverter) return bytes_.data();
  if (blanked_ == nullptr) {
    blanked_.reset(new char[size_ + 1]);
    const char* from = bytes_.data();
    for (size_t i = 0; i <= size_; ++i) {
      blanked_[i] = from[i] == '=' || from[i] == ';' ? ' ' : from[i];
    }
  }
  return blanked_.get();
}

std::vector<std::string_view> LineList::toViews() const {
  std::vector<std::string_view> views;
  views.reserve(lineCount_);
  forEach([&views](std::string_view line) { views.push_back(line); });
  return views;
}

bool loadLines(const std::filesystem::path& path, LineList& lines,
               LoadVariant variant) {
  std::error_code error;
  return loadLines(path, lines, variant, error);
}

bool loadLines(const std::filesystem::path& path, LineList& lines,
               LoadVariant variant, std::error_code& reason) {
  reason.clear();
  const char* const message = variant == LoadVariant::kConverter
                                  ? "\nFile is not open\n"
                                  : "\nFile is not open.\n";
  FileBytes bytes;
  size_t size = 0;
  std::vector<ByteScan> scans;
  if (!detail::readFile(path, bytes, size, scans, reason)) {
    std::fputs(message, stdout);
    return true;
  }
  lines =
      LineList::fromBytes(std::move(bytes), size, variant, std::move(scans));
  return false;
}

LineList linesFromBytes(std::string_view bytes, LoadVariant variant) {
  FileBytes buffer = FileBytes::allocate(bytes.size());
  if (!bytes.empty()) std::memcpy(buffer.data(), bytes.data(), bytes.size());
  return LineList::fromBytes(std::move(buffer), bytes.size(), variant);
}

}  // namespace core
