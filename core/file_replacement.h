// Replacing a file whole: new content goes to a temporary file beside it,
// which takes the file's place only once it is complete, so that a failed or
// interrupted write never leaves a damaged file where a good one stood.
#ifndef CORE_FILE_REPLACEMENT_H_
#define CORE_FILE_REPLACEMENT_H_

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace core {

// One replacement of one file. Where the target is a regular file, or
// missing, the content is written to "NAME.XXXXXX.tmp" (six random letters
// and digits) beside the file that the target resolves to (symbolic links
// followed, as open would), which commit() renames over it; the old file
// keeps its bytes until then and whatever happens before. Anything else
// that is no directory (a device such as /dev/null, a FIFO) is written in
// place, as is a target whose directory cannot take a temporary file
// (writing in place then says why, see inPlaceBecause). A replacement that
// is not committed removes its temporary file, also while a signal ends the
// program (see prepareProcess); another run's temporary file is never
// touched.
class FileReplacement {
 public:
  FileReplacement() = default;
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;
  // Abandons a replacement not committed: closes and removes the temporary
  // file; the target stays as it was.
  ~FileReplacement();

  // Resolves target and opens the file to write. False, with the system's
  // reason, when the target cannot be written: a directory, a file without
  // write permission, a directory where no file can be made.
  bool open(const std::filesystem::path& target, std::error_code& reason);
  // Where to write the content (binary mode), once open.
  std::FILE* file() const { return file_; }
  // Closes the file and, for a replacement, puts it in the target's place
  // (keeping the old file's permission bits, and its owner where allowed).
  // False, with the system's reason, when the close or the rename fails:
  // the temporary file is then removed and the target is as it was.
  bool commit(std::error_code& reason);

  // Why the content goes straight into the target although it is a regular
  // file (replacing it was impossible); empty when it does not.
  const std::error_code& inPlaceBecause() const { return inPlaceBecause_; }

 private:
  void abandon();
  // Opens the target's file itself for writing, emptying it.
  bool openInPlace(std::error_code& reason);

  std::FILE* file_ = nullptr;
  std::filesystem::path final_;      // the file the target resolves to
  std::filesystem::path temporary_;  // empty when writing in place
  std::error_code inPlaceBecause_;
};

}  // namespace core

#endif  // CORE_FILE_REPLACEMENT_H_
