// Input files read from their start to their end: what is the same on
// every system.
#include <algorithm>
#include <string>

#include "core/reading/source.h"

namespace core {
namespace {

class InputCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "input"; }
  std::string message(int /*condition*/) const override {
    return "the file changed while it was read";
  }
};

}  // namespace

std::error_code changedWhileRead() {
  static const InputCategory category;
  return {1, category};
}

void FileSource::opened() {
  // A regular file that says it is empty may still have content (files
  // of /proc): read to its end, as a stream.
  regular_ = status(opened_) && opened_.size > 0;
  left_ = opened_.size;
  if (regular_) waitUntilPast(opened_.modified);
}

bool FileSource::read(char* data, size_t size, size_t& got,
                      std::error_code& reason) {
  got = 0;
  if (regular_) size = static_cast<size_t>(std::min<uint64_t>(size, left_));
  if (size == 0) return true;  // never past the size seen at open
  if (!readSome(data, size, got, reason)) return false;
  // A file cut short while it is read ends early: left_ stays above 0,
  // which finish() takes for a change.
  if (regular_) left_ -= got;
  return true;
}

bool FileSource::close(std::error_code& reason) {
  bool same = true;
  if (regular_) {
    Status now;
    same = status(now) && now == opened_ && left_ == 0;
  }
  closeFile();
  if (!same) reason = changedWhileRead();
  return same;
}

bool FileSource::open(size_t k, std::error_code& reason) {
  closeFile();
  const std::filesystem::path& path = paths_[k];
  return path == std::filesystem::path(kStandardInput)
             ? openStandardInput(reason)
             : openPath(path, reason);
}

}  // namespace core
