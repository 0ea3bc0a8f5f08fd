// One input file, read from its start to its end with plain reads, and
// checked afterwards for a change while it was read.
#ifndef CORE_READING_INPUT_FILE_H_
#define CORE_READING_INPUT_FILE_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <system_error>

namespace core::detail {

// The file is opened once (a FIFO opened twice would wait for a second
// writer that never comes). A regular file is read no further than its size
// at open, and its size and its modification and change times are compared
// at open and after the last read: any difference, or a file cut short, is
// the failure changedWhileRead(), so that a run converts a file as it was or
// not at all. Anything else (a FIFO, a pipe, a device) is read to its end.
class InputFile {
 public:
  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile() { close(); }

  // False, with the system's reason, when the file cannot be opened.
  bool open(const std::filesystem::path& path, std::error_code& reason);
  // Reads standard input instead, as bytes (binary on Windows) and to its
  // end, as a stream: it may be a pipe, and a file given there may be read
  // from the middle. Closing leaves standard input open.
  bool openStandardInput(std::error_code& reason);
  // Reads up to size bytes into data and sets got to the count, 0 at the
  // end. False, with the system's reason, on a read error.
  bool read(char* data, size_t size, size_t& got, std::error_code& reason);
  // Once read returned 0: false, with changedWhileRead(), when a regular
  // file changed since it was opened. Closes the file either way.
  bool finish(std::error_code& reason);
  void close();

 private:
  // What open saw, for the comparison after the last read.
  struct Status {
    uint64_t size = 0;
    int64_t modified = 0;  // in the system's own units
    int64_t changed = 0;
    bool operator==(const Status&) const = default;
  };
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

// The reason InputFile gives for a file that changed while it was read.
std::error_code changedWhileRead();

}  // namespace core::detail

#endif  // CORE_READING_INPUT_FILE_H_
