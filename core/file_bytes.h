// The bytes of one loaded file, held once: the file mapped into memory where
// the system allows (no copy, and pages that can be given back and fetched
// again), else read into a heap block.
#ifndef CORE_FILE_BYTES_H_
#define CORE_FILE_BYTES_H_

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <utility>

namespace core::detail {

// A heap block or a private mapping of a file. Besides the file's bytes it
// holds one byte for a closing line feed and kPadding readable bytes after
// that, so that the splitter may read whole blocks of bytes past the last
// line.
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

  char* data() const { return data_; }
  // Makes data()[offset] writable (a mapped file is mapped read-only);
  // false when the system refuses.
  bool makeWritable(size_t offset);
  // How many bytes from the start are mapped from the file and never
  // written: their memory can be given back and read again from the file.
  size_t fromFile() const { return fromFile_; }

 private:
  friend bool mapFile(const std::filesystem::path& path, FileBytes& bytes,
                      size_t& size);
  void release();

  char* data_ = nullptr;
  size_t mapped_ = 0;    // length of the mapping, or 0 for a heap block
  size_t page_ = 0;      // page size of a mapping
  size_t fromFile_ = 0;  // see fromFile()
};

// Maps a regular, non-empty file privately and read-only into bytes,
// followed by writable zero bytes for the closing line feed and the padding,
// and sets size to the file's size. False when the file is not such a file
// or cannot be mapped, and always where the system has no mapping; the
// caller then reads it with readAll.
bool mapFile(const std::filesystem::path& path, FileBytes& bytes, size_t& size);

// Reads the whole stream into a heap block, sizeHint bytes expected (0 when
// unknown), and sets size to the bytes read; the closing byte and the padding
// are zero. False on a read error.
bool readAll(std::FILE* file, size_t sizeHint, FileBytes& bytes, size_t& size);

// Says that data[from, to) of a file's bytes (data() of a mapping) will most
// likely not be read again: the system takes back the whole pages among them,
// which still read the same, fetched again from the file. A no-op where the
// system has no such hint.
void releaseFilePages(const char* data, size_t from, size_t to);

}  // namespace core::detail

#endif  // CORE_FILE_BYTES_H_
