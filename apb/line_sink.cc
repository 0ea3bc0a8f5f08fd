// The one way output lines are written: buffered, each line ended by CR LF.
#include "apb/line_sink.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string_view>
#include <utility>

namespace apb {

LineSink::LineSink(size_t capacity) { grow(std::max<size_t>(capacity, 64)); }

LineSink::LineSink(std::FILE* file)
    : LineSink([this](std::string_view bytes) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
          fail();
        }
      }) {
  file_ = file;
}

LineSink::LineSink(std::function<void(std::string_view bytes)> drain)
    : drain_(std::move(drain)), drains_(true) {
  grow(kFileBuffer);
}

LineSink::~LineSink() = default;

void LineSink::makeRoom(size_t bytes) {
  if (drains_ && used() >= kBlockSize) writeBuffer();
  if (bytes <= room()) return;
  grow(std::max(buffer_.capacity * 2, used() + bytes));
}

void LineSink::grow(size_t capacity) {
  const size_t size = used();
  Buffer bigger{std::make_unique_for_overwrite<char[]>(capacity), capacity};
  if (size > 0) std::memcpy(bigger.bytes.get(), begin(), size);
  buffer_ = std::move(bigger);
  end_ = begin() + size;
  limit_ = begin() + capacity;
}

void LineSink::writeBuffer() {
  if (used() > 0) drain_(view());
  end_ = begin();
}

void LineSink::writeThrough(std::string_view bytes) {
  // What is held goes first.
  writeBuffer();
  drain_(bytes);
}

void LineSink::append(std::string_view bytes) {
  if (drains_ && bytes.size() >= kWriteThrough) {
    writeThrough(bytes);
    return;
  }
  while (!bytes.empty()) {
    if (drains_ && used() >= kBlockSize) writeBuffer();
    // A sink that passes bytes on fills its block; a memory sink grows once
    // to the size.
    const size_t fits = drains_ && room() > 0 ? room() : bytes.size();
    const std::string_view part = bytes.substr(0, fits);
    text(part);
    bytes.remove_prefix(part.size());
  }
}

bool LineSink::finish() {
  if (drains_) writeBuffer();
  if (file_ != nullptr && std::fflush(file_) != 0) fail();
  return !failed_;
}

void LineSink::fail() {
  if (!failed_) error_ = errno != 0 ? errno : EIO;
  failed_ = true;
}

const std::string& LineSink::collected() const {
  collected_.assign(begin(), used());
  return collected_;
}

}  // namespace apb
