// Replacing a file whole: what is the same on every system.
#include "core/system/file_replacement.h"

#include "core/system/platform.h"

namespace core {

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
