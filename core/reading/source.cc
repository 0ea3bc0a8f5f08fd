// Where the bytes of a conversion's inputs come from.
#include "core/reading/source.h"

#include <algorithm>
#include <cstring>

namespace core {

bool FileSource::open(size_t k, std::error_code& reason) {
  const std::filesystem::path& path = paths_[k];
  return path == std::filesystem::path(kStandardInput)
             ? file_.openStandardInput(reason)
             : file_.open(path, reason);
}

bool ByteSource::read(char* data, size_t size, size_t& got,
                      std::error_code& /*reason*/) {
  got = std::min(size, left_.size());
  if (got != 0) std::memcpy(data, left_.data(), got);
  left_.remove_prefix(got);
  return true;
}

}  // namespace core
