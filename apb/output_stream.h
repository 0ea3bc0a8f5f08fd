// "APB" filled while the inputs are still being read.
#ifndef APB_OUTPUT_STREAM_H_
#define APB_OUTPUT_STREAM_H_

#include <cstdio>
#include <memory>
#include <string_view>
#include <system_error>

#include "apb/output_file.h"
#include "core/file_replacement.h"

namespace apb {

// "APB" filled while the inputs are still being read, put in place only once
// every input has been read and checked.
class OutputStream {
 public:
  OutputStream() = default;
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;

  // Adds bytes of "APB"; the first call creates the file they go to. A
  // failure is remembered, and later bytes are dropped.
  void append(std::string_view bytes);
  bool started() const { return started_; }
  // Once every input is read and checked: puts the content in place.
  Outcome finish(Report& report);

 private:
  core::FileReplacement replacement_;
  bool started_ = false;
  bool opened_ = false;
  std::error_code reason_;
  int writeError_ = 0;
};

}  // namespace apb

#endif  // APB_OUTPUT_STREAM_H_
