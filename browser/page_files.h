// The browser page's files, reached through the functions the page gives
// the engine: its inputs, read in slices as a core::Source, and "APB",
// handed back as it is made.
#ifndef BROWSER_PAGE_FILES_H_
#define BROWSER_PAGE_FILES_H_

#include <cstddef>
#include <filesystem>
#include <span>
#include <string_view>
#include <system_error>

#include "apb/output_stream.h"
#include "core/reading/source.h"
#include "driver/conversion.h"

namespace browser {

// Why the page could not read an input: its reader failed, or the file
// changed after it was picked (a browser then refuses to read it).
std::error_code cannotRead();
std::error_code changedSincePicked();

// The page's inputs, by number and by the path the command line gave each.
class PageInputs final : public core::Source {
 public:
  explicit PageInputs(std::span<const std::filesystem::path> paths)
      : paths_(paths) {}
  size_t count() const override { return paths_.size(); }
  bool open(size_t k, std::error_code& reason) override;
  bool read(char* data, size_t size, size_t& got,
            std::error_code& reason) override;
  bool close(std::error_code& reason) override;

 private:
  std::span<const std::filesystem::path> paths_;
};

// Hands bytes to the page (its output_write), which keeps them.
void handBack(std::string_view bytes);

// A run's files on the page: "APB" leaves the engine's memory as it is
// made, and the page keeps it (or drops it, as the outcome says).
class PageFiles final : public driver::Io {
 public:
  core::Source& open(const std::filesystem::path& target,
                     std::span<const std::filesystem::path> inputs) override;
  void append(std::string_view bytes) override;
  apb::Outcome finish(apb::Report& report) override;

 private:
  PageInputs inputs_{{}};
};

}  // namespace browser

#endif  // BROWSER_PAGE_FILES_H_
