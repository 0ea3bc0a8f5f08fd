// Where the bytes of a conversion's inputs come from: files, bytes held in
// memory, or a reader of the caller's own (a browser's file, say).
#ifndef CORE_READING_SOURCE_H_
#define CORE_READING_SOURCE_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <span>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

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
// bytes (binary on Windows) and to its end, as a stream: it may be a pipe,
// and a file given there may be read from the middle; closing it leaves
// standard input open. Each file is opened once (a FIFO opened twice would
// wait for a second writer that never comes). A regular file is read no
// further than its size at open, and its size and its modification and
// change times are compared at open and after the last read: any
// difference, or a file cut short, is the failure changedWhileRead(), so
// that a run converts a file as it was or not at all. Anything else (a
// FIFO, a pipe, a device) is read to its end.
class FileSource final : public Source {
 public:
  explicit FileSource(std::span<const std::filesystem::path> paths)
      : paths_(paths) {}
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  ~FileSource() override { closeFile(); }

  size_t count() const override { return paths_.size(); }
  bool open(size_t k, std::error_code& reason) override;
  bool read(char* data, size_t size, size_t& got,
            std::error_code& reason) override;
  bool close(std::error_code& reason) override;

 private:
  // What open saw, for the comparison after the last read.
  struct Status {
    uint64_t size = 0;
    int64_t modified = 0;  // in the system's own units
    int64_t changed = 0;
    bool operator==(const Status&) const = default;
  };
  bool openPath(const std::filesystem::path& path, std::error_code& reason);
  bool openStandardInput(std::error_code& reason);
  bool status(Status& into) const;
  // Notes what the file opened as, and waits until a change would show.
  void opened();
  // One plain read of up to size bytes, size > 0.
  bool readSome(char* data, size_t size, size_t& got, std::error_code& reason);
  // File times come from a clock that moves a tick at a time, so a write
  // in the tick of the time seen at open would leave the time as it was:
  // waits until that tick is past (never long for a time in the future),
  // so that any later write changes the time.
  static void waitUntilPast(int64_t modified);
  void closeFile();

  std::span<const std::filesystem::path> paths_;
#ifdef _WIN32
  void* file_ = nullptr;    // the C runtime's FILE
  void* handle_ = nullptr;  // its system handle
#else
  int fd_ = -1;
#endif
  bool regular_ = false;
  uint64_t left_ = 0;  // bytes of a regular file not yet read
  Status opened_;
};

// The reason FileSource gives for a file that changed while it was read.
std::error_code changedWhileRead();

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
            std::error_code& /*reason*/) override {
    got = std::min(size, left_.size());
    if (got != 0) std::memcpy(data, left_.data(), got);
    left_.remove_prefix(got);
    return true;
  }
  bool close(std::error_code& /*reason*/) override { return true; }

 private:
  std::vector<std::string_view> inputs_;
  std::string_view left_;  // of the open input, not yet read
};

}  // namespace core

#endif  // CORE_READING_SOURCE_H_
