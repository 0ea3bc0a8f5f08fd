#include "core/record_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory_resource>
#include <thread>
#include <vector>

#include "core/records.h"

namespace core {
namespace {

// Runways with k obstacles each, k from 0 to count - 1, tagged with seed.
std::pmr::vector<Runway> makeRunways(size_t count, double seed) {
  std::pmr::vector<Runway> runways(count);
  for (size_t k = 0; k < count; ++k) {
    runways[k].tora = seed + static_cast<double>(k);
    for (size_t i = 0; i < k; ++i) {
      runways[k].obstacles.push_back(Obstacle{seed, static_cast<double>(i), 0});
    }
  }
  return runways;
}

bool holds(const std::pmr::vector<Runway>& runways, double seed) {
  for (size_t k = 0; k < runways.size(); ++k) {
    if (runways[k].tora != seed + static_cast<double>(k) ||
        runways[k].obstacles.size() != k) {
      return false;
    }
    for (size_t i = 0; i < k; ++i) {
      if (runways[k].obstacles[i] !=
          Obstacle{seed, static_cast<double>(i), 0}) {
        return false;
      }
    }
  }
  return true;
}

TEST(RecordArena, KeepsTheListsOfEveryThreadApart) {
  useRecordArena();
  // 300 runways hold 45,000 obstacles: several blocks per thread, and lists
  // of over a quarter block.
  std::pmr::vector<Runway> first;
  std::pmr::vector<Runway> second;
  std::thread other([&second] { second = makeRunways(300, 2e6); });
  first = makeRunways(300, 1e6);
  other.join();
  EXPECT_TRUE(holds(first, 1e6));
  EXPECT_TRUE(holds(second, 2e6));
  std::pmr::vector<Obstacle> big(100000, Obstacle{1, 2, 3});
  EXPECT_EQ(big.back(), (Obstacle{1, 2, 3}));
  // A copy is a value of its own.
  const std::pmr::vector<Runway> copy = first;
  first.clear();
  EXPECT_TRUE(holds(copy, 1e6));
}

TEST(RecordArena, AlignsEveryList) {
  useRecordArena();
  std::pmr::memory_resource* const arena = std::pmr::get_default_resource();
  for (const size_t alignment : {1, 2, 8, 16, 64, 4096}) {
    for (const size_t bytes : {1, 3, 24, 1000, 2 << 20}) {
      const auto at =
          reinterpret_cast<uintptr_t>(arena->allocate(bytes, alignment));
      EXPECT_EQ(at % alignment, 0u) << bytes << " bytes at " << alignment;
    }
  }
}

}  // namespace
}  // namespace core
