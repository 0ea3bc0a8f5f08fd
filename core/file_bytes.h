// The bytes of one loaded file, held once in the program's own memory: read
// whole at the start, so that whatever happens to the file afterwards the
// run converts the bytes it held then.
#ifndef CORE_FILE_BYTES_H_
#define CORE_FILE_BYTES_H_

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

namespace core::detail {

// What one look at a run of bytes finds (scanBytes).
struct ByteScan {
  size_t lineFeeds = 0;
  bool hasNul = false;
  bool hasCtrlZ = false;
};

// A heap block, or memory of its own that the program asked the system for.
// Besides the file's bytes it holds one byte for a closing line feed and
// kPadding readable bytes after that, so that the splitter may read whole
// blocks of bytes past the last line.
class FileBytes {
 public:
  static constexpr size_t kPadding = 64;

  FileBytes() = default;
  FileBytes(FileBytes&& other) noexcept { *this = std::move(other); }
  FileBytes& operator=(FileBytes&& other) noexcept;
  ~FileBytes() { release(); }

  // A heap block for size bytes, the closing byte and the padding, which is
  // zeroed.
  static FileBytes allocate(size_t size);
  // The same in memory of its own, asked of the system whole, that may be
  // given back in blocks (releasePages) as it is read; a heap block where
  // the system has no such memory. Throws std::bad_alloc when refused.
  static FileBytes reserve(size_t size);

  char* data() const { return data_; }
  // How many bytes from the start may be given back to the system
  // (releasePages) once no step reads them again: they read as zeros
  // afterwards. 0 for a heap block.
  size_t releasable() const { return releasable_; }
  // Keeps data()[from, ...) from being given back (the bytes the loader
  // writes after the file's content).
  void keepFrom(size_t from) { releasable_ = std::min(releasable_, from); }

 private:
  void release();

  char* data_ = nullptr;
  size_t mapped_ = 0;      // length of memory of its own, or 0 for a heap block
  size_t releasable_ = 0;  // see releasable()
};

// The size of the pieces that readFile scans, one scan each.
constexpr size_t kScanPieceBytes = size_t{1} << 20;

// Reads the file at path whole into bytes, followed by zero bytes for the
// closing line feed and the padding, and sets size to the bytes read. The
// file is opened once. A regular file is read into memory of the
// program's own, on every core, and scans is set to one scan per
// kScanPieceBytes piece; its size, modification and change times are
// compared at open and after reading, and any difference or a short read
// counts as a failure. Anything else (a FIFO, a pipe, a device) is read as
// a stream, and scans is left empty. False, with the system's reason, when
// the file cannot be opened or read or changed while it was read.
bool readFile(const std::filesystem::path& path, FileBytes& bytes, size_t& size,
              std::vector<ByteScan>& scans, std::error_code& reason);

// The reason readFile gives for a file that changed while it was read.
std::error_code changedWhileRead();

// Reads the whole stream into a heap block, sizeHint bytes expected (0 when
// unknown), and sets size to the bytes read; the closing byte and the padding
// are zero. False on a read error.
bool readAll(std::FILE* file, size_t sizeHint, FileBytes& bytes, size_t& size);

// Gives back to the system the whole blocks of memory in data[from, to) of
// a file's bytes (data() of bytes read by readFile, to at most
// releasable()): the caller promises that nothing reads them again, since
// they read as zeros afterwards. A no-op where the system cannot take
// memory back.
void releasePages(const char* data, size_t from, size_t to);

}  // namespace core::detail

#endif  // CORE_FILE_BYTES_H_
