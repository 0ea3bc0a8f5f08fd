// Replacing a file whole: new content goes to a temporary file beside it,
// which takes the file's place only once it is complete, so that a failed or
// interrupted write never leaves a damaged file where a good one stood.
#ifndef CORE_SYSTEM_FILE_REPLACEMENT_H_
#define CORE_SYSTEM_FILE_REPLACEMENT_H_

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace core {

// How a commit ended.
enum class CommitResult {
  kCommitted,      // the target holds the content
  kTargetRefused,  // a target written in place cannot be opened: as it was
  kFailed          // a write, the close, the copy or the rename failed
};

// One replacement of one file. Where the target is a regular file, or
// missing, the content is written to "NAME.XXXXXX.tmp" (six random letters
// and digits) beside the file that the target resolves to (symbolic links
// followed, as open would), which commit() renames over it; the old file
// keeps its bytes until then and whatever happens before. Anything else
// that is no directory (a device such as /dev/null, a FIFO) is written in
// place, as is a target whose directory cannot take a temporary file
// (writing in place then says why, see inPlaceBecause). The target written
// in place is not opened before commit(): until then the content waits in
// a file of the system's temporary directory (TMPDIR, else /tmp; on Windows
// GetTempPathW), made nameless at once or deleted on close, so that it goes
// with the program whichever way it ends. A replacement that is not
// committed removes its temporary file, also while a signal ends the
// program (see prepareProcess); another run's temporary file is never
// touched.
class FileReplacement {
 public:
  FileReplacement() = default;
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;
  // Abandons a replacement not committed: closes and removes the temporary
  // or waiting file; the target stays as it was.
  ~FileReplacement();

  // Resolves target, checks that it takes writing and makes the file the
  // content goes to. False, with the system's reason, when the target
  // cannot be written: a directory, a file without write permission, a
  // directory where no file can be made. A waiting file that cannot be made
  // is no fault of the target: open succeeds, and the reason comes back as
  // a failed write.
  bool open(const std::filesystem::path& target, std::error_code& reason);
  // Adds bytes to the content, once open, in as few system calls as the
  // system allows. The first failure is kept (see writeError); the bytes of
  // later calls are dropped. False once any write failed.
  bool write(std::string_view bytes);
  // The system's reason for the first failed write, else empty.
  const std::error_code& writeError() const { return writeError_; }

  // Puts the content in place: closes the temporary file and renames it
  // over the target (keeping the old file's permission bits, and its owner
  // where allowed), or opens the target written in place, emptying it, and
  // copies the waiting content into it. After a failed write, kFailed with
  // its reason and the target untouched; otherwise the result says which
  // step failed, with the system's reason. Whatever the result, no
  // temporary or waiting file remains.
  CommitResult commit(std::error_code& reason);

  // Why the content goes straight into the target although it is a regular
  // file (replacing it was impossible); empty when it does not.
  const std::error_code& inPlaceBecause() const { return inPlaceBecause_; }

 private:
  void abandon();
  void failWrite(std::error_code reason);  // keeps the first
  // Opens the target's file itself for writing and empties it.
  bool openInPlace(std::error_code& reason);
  // Opens the target written in place and copies the content in.
  CommitResult copyWaiting(std::error_code& reason);
  // Puts the closed temporary file in the target's place.
  bool putInPlace(std::error_code& reason);
  // Closes file and marks it closed; false, with the reason, when the
  // close reports a failed write.
  static bool closeFile(intptr_t& file, std::error_code& reason);
  // The reason for a write to a file that is not open.
  static std::error_code notOpen();
  // Copies the whole content, from its start, into the target open in
  // place.
  bool copyContent(std::error_code& reason);

  // Descriptors (HANDLEs on Windows), -1 while closed: the file the content
  // goes to, and the target while it is written in place.
  intptr_t content_ = -1;
  intptr_t target_ = -1;
  std::filesystem::path final_;      // the file the target resolves to
  std::filesystem::path temporary_;  // beside final_; empty when waiting
  bool waiting_ = false;             // the content waits for commit()
  std::error_code writeError_;
#ifndef _WIN32
  int64_t written_ = 0;  // bytes written to the content's file
  // Once 256 MB are written, starts writing each full block of 32 MB to
  // disk and gives back the cached pages of the blocks before the last two,
  // so that the system makes the next blocks' pages of those: fresh pages
  // cost this kind of virtual machine more than the copy (trevik, 1,000 MB
  // ANF of small airports, 2.3 GB "APB": 4.1-4.4 s with 3.0 s of system
  // time, 3.2-3.4 s with 0.9 s of it). Below 256 MB the early writes cost
  // more than they save (converter, 242 MB "APB": 0.93 s against 1.03 s).
  void recyclePages(size_t added);
#endif
  std::error_code inPlaceBecause_;
};

namespace detail {

// stem + ".XXXXXX.tmp": six random letters and digits, others at each call.
std::filesystem::path temporaryName(const std::filesystem::path& stem);

}  // namespace detail

}  // namespace core

#endif  // CORE_SYSTEM_FILE_REPLACEMENT_H_
