// Replacing a file whole: what is the same on every system.
#include "core/system/file_replacement.h"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <random>
#include <string>

#include "core/system/platform.h"

namespace core {

std::filesystem::path detail::temporaryName(const std::filesystem::path& stem) {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::mt19937_64 random = [] {
    // Runs started within the same second still draw other names.
    const auto wall = static_cast<uint64_t>(
        std::chrono::system_clock::now().time_since_epoch().count());
    const auto steady = static_cast<uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    std::seed_seq seed{
        static_cast<unsigned>(wall), static_cast<unsigned>(wall >> 32),
        static_cast<unsigned>(steady), static_cast<unsigned>(clock())};
    return std::mt19937_64(seed);
  }();
  std::string part(6, 'x');
  for (char& c : part) c = kLetters[random() % (sizeof kLetters - 1)];
  std::filesystem::path name = stem;
  name += "." + part + ".tmp";
  return name;
}

void FileReplacement::failWrite(std::error_code reason) {
  if (!writeError_) writeError_ = reason;
}

CommitResult FileReplacement::copyWaiting(std::error_code& reason) {
  if (!openInPlace(reason)) return CommitResult::kTargetRefused;
  bool copied = copyContent(reason);
  std::error_code closing;
  if (!closeFile(target_, closing) && copied) {
    reason = closing;
    copied = false;
  }
  return copied ? CommitResult::kCommitted : CommitResult::kFailed;
}

CommitResult FileReplacement::commit(std::error_code& reason) {
  reason.clear();
  if (content_ < 0) failWrite(notOpen());
  CommitResult result = CommitResult::kFailed;
  if (writeError_) {
    reason = writeError_;
  } else if (waiting_) {
    result = copyWaiting(reason);
  } else if (closeFile(content_, reason) && putInPlace(reason)) {
    result = CommitResult::kCommitted;
  }
  abandon();
  if (result == CommitResult::kCommitted) detail::forgetTemporaryFile(true);
  return result;
}

}  // namespace core
