#include "core/platform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace core {
namespace {

TEST(LargeBufferAllocator, PutsArraysOfAMegabyteOnHugePageBoundaries) {
  struct Case {
    size_t elements;  // of 4 bytes
    bool aligned;
  };
  const Case cases[] = {
      {1, false}, {1000, false}, {1 << 18, true}, {(1 << 19) + 7, true}};
  for (const Case& c : cases) {
    std::vector<uint32_t, LargeBufferAllocator<uint32_t>> array(c.elements, 7);
    const auto at = reinterpret_cast<uintptr_t>(array.data());
    if (c.aligned) {
      EXPECT_EQ(at % (size_t{2} << 20), 0u) << c.elements;
    }
    EXPECT_EQ(array.back(), 7u) << c.elements;
    array.resize(c.elements * 3, 9);  // moves to a new block, frees the old
    EXPECT_EQ(array[c.elements - 1], 7u) << c.elements;
    EXPECT_EQ(array.back(), 9u) << c.elements;
  }
}

}  // namespace
}  // namespace core
