// Where the bytes of a conversion's inputs come from: files, bytes held in
// memory, or a reader of the caller's own (a browser's file, say).
#ifndef CORE_READING_SOURCE_H_
#define CORE_READING_SOURCE_H_

#include <cstddef>
#include <filesystem>
#include <span>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "core/reading/input_file.h"
#include "core/system/console.h"

namespace core {

// The inputs of one conversion, numbered from 0, read in that order: each
// is opened only once the one before it is read to its end and closed.
class Source {
 public:
  virtual ~Source() = default;
  virtual size_t count() const = 0;
  // Opens input k. False, with the system's reason, when it cannot be
  // opened.
  virtual bool open(size_t k, std::error_code& reason) = 0;
  // Reads up to size bytes of the open input into data; got is 0 at its
  // end. False, with the reason, when a read fails.
  virtual bool read(char* data, size_t size, size_t& got,
                    std::error_code& reason) = 0;
  // Closes the input read to its end: false, with the reason, when it
  // changed while it was read.
  virtual bool close(std::error_code& reason) = 0;
};

// Files by their paths; "-" (kStandardInput) is standard input, read as
// bytes.
class FileSource final : public Source {
 public:
  explicit FileSource(std::span<const std::filesystem::path> paths)
      : paths_(paths) {}
  size_t count() const override { return paths_.size(); }
  bool open(size_t k, std::error_code& reason) override;
  bool read(char* data, size_t size, size_t& got,
            std::error_code& reason) override {
    return file_.read(data, size, got, reason);
  }
  bool close(std::error_code& reason) override {
    return file_.finish(reason);
  }

 private:
  std::span<const std::filesystem::path> paths_;
  detail::InputFile file_;
};

// Bytes held in memory, one view per input; they must outlive the source.
class ByteSource final : public Source {
 public:
  explicit ByteSource(std::vector<std::string_view> inputs)
      : inputs_(std::move(inputs)) {}
  size_t count() const override { return inputs_.size(); }
  bool open(size_t k, std::error_code& /*reason*/) override {
    left_ = inputs_[k];
    return true;
  }
  bool read(char* data, size_t size, size_t& got,
            std::error_code& reason) override;
  bool close(std::error_code& /*reason*/) override { return true; }

 private:
  std::vector<std::string_view> inputs_;
  std::string_view left_;  // of the open input, not yet read
};

}  // namespace core

#endif  // CORE_READING_SOURCE_H_
