// "APB" filled while the inputs are still being read.
#include "apb/output_stream.h"

#include <cerrno>
#include <filesystem>

namespace apb {

void OutputStream::append(std::string_view bytes) {
  if (bytes.empty()) return;
  if (!started_) {
    started_ = true;
    opened_ = replacement_.open(std::filesystem::path(kOutputFile), reason_);
    if (opened_) std::setvbuf(replacement_.file(), nullptr, _IONBF, 0);
  }
  if (!opened_ || writeError_ != 0) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), replacement_.file()) !=
      bytes.size()) {
    writeError_ = errno != 0 ? errno : EIO;
  }
}

Outcome OutputStream::finish(Report& report) {
  report = {};
  if (!opened_) {
    report.reason = reason_;
    return Outcome::kNotOpened;
  }
  report.inPlaceBecause = replacement_.inPlaceBecause();
  if (writeError_ != 0) {
    report.reason = std::error_code(writeError_, std::generic_category());
    return Outcome::kWriteFailed;
  }
  const bool committed = replacement_.commit(report.reason);
  report.inPlaceBecause = replacement_.inPlaceBecause();
  return committed ? Outcome::kWritten : Outcome::kWriteFailed;
}

}  // namespace apb
