// "APB" filled while the inputs are still being read, and put in place only
// once every input has been read and checked.
#include "apb/output_stream.h"

#include <utility>

namespace apb {

OutputStream::OutputStream(std::filesystem::path target)
    : target_(std::move(target)) {}

// The replacement abandons what it made.
OutputStream::~OutputStream() = default;

void OutputStream::start() {
  opened_ = true;
  if (!replacement_.open(target_, notOpened_) && !notOpened_) {
    notOpened_ = std::make_error_code(std::errc::io_error);
  }
}

void OutputStream::append(std::string_view bytes) {
  if (bytes.empty()) return;
  if (!opened_) start();
  if (!notOpened_) replacement_.write(bytes);
}

Outcome OutputStream::finish(Report& report) {
  report = {};
  if (!opened_) start();
  if (notOpened_) {
    report.reason = notOpened_;
    return Outcome::kNotOpened;
  }
  // A failed write leaves the target untouched, never written in place.
  const bool reachesTarget = !replacement_.writeError();
  const core::CommitResult result = replacement_.commit(report.reason);
  if (result == core::CommitResult::kTargetRefused) return Outcome::kNotOpened;
  if (reachesTarget) report.inPlaceBecause = replacement_.inPlaceBecause();
  return result == core::CommitResult::kCommitted ? Outcome::kWritten
                                                  : Outcome::kWriteFailed;
}

}  // namespace apb
