// The browser page's files, through the functions the page gives.
#include "browser/page_files.h"

#include <cstdint>
#include <string>

namespace {

// What the page gives the engine. A read returns the bytes it put in
// data, 0 at the end, or one of the failures below.
constexpr int32_t kCannotRead = -1;
constexpr int32_t kChanged = -2;

#define PAGE_FUNCTION(name) \
  __attribute__((import_module("page"), import_name(#name)))
extern "C" {
PAGE_FUNCTION(input_open)
int32_t pageInputOpen(uint32_t input, const char* path, uint32_t pathSize);
PAGE_FUNCTION(input_read) int32_t pageInputRead(char* data, uint32_t size);
PAGE_FUNCTION(input_close) int32_t pageInputClose();
PAGE_FUNCTION(output_write)
void pageOutputWrite(const char* data, uint32_t size);
}
#undef PAGE_FUNCTION

class PageCategory final : public std::error_category {
 public:
  const char* name() const noexcept override { return "page"; }
  std::string message(int value) const override {
    return value == -kChanged ? "the file changed after it was picked"
                              : "the browser cannot read the file";
  }
};

const std::error_category& pageCategory() {
  static const PageCategory category;
  return category;
}

// A failure the page reported, as a reason.
bool failed(int32_t result, std::error_code& reason) {
  if (result >= 0) return false;
  reason = result == kChanged ? browser::changedSincePicked()
                              : browser::cannotRead();
  return true;
}

// The largest slice asked at once: the page reads its files in slices of
// megabytes (a browser reads small slices slowly).
constexpr size_t kLargestRead = size_t{1} << 30;

}  // namespace

namespace browser {

std::error_code cannotRead() { return {-kCannotRead, pageCategory()}; }

std::error_code changedSincePicked() { return {-kChanged, pageCategory()}; }

bool PageInputs::open(size_t k, std::error_code& reason) {
  const std::string& path = paths_[k].native();
  return !failed(pageInputOpen(static_cast<uint32_t>(k), path.data(),
                               static_cast<uint32_t>(path.size())),
                 reason);
}

bool PageInputs::read(char* data, size_t size, size_t& got,
                      std::error_code& reason) {
  got = 0;
  const int32_t result = pageInputRead(
      data, static_cast<uint32_t>(size < kLargestRead ? size : kLargestRead));
  if (failed(result, reason)) return false;
  got = static_cast<size_t>(result);
  return true;
}

bool PageInputs::close(std::error_code& reason) {
  return !failed(pageInputClose(), reason);
}

core::Source& PageFiles::open(const std::filesystem::path& /*target*/,
                              std::span<const std::filesystem::path> inputs) {
  inputs_ = PageInputs(inputs);
  return inputs_;
}

void handBack(std::string_view bytes) {
  pageOutputWrite(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

void PageFiles::append(std::string_view bytes) { handBack(bytes); }

apb::Outcome PageFiles::finish(apb::Report& /*report*/) {
  return apb::Outcome::kWritten;  // the page holds every byte
}

}  // namespace browser
