// A fresh directory for each test, named after the test and a random number
// (so that two runs of the suite on one machine keep apart), removed after
// it.
#ifndef TESTS_SUPPORT_TEMP_DIR_H_
#define TESTS_SUPPORT_TEMP_DIR_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

namespace tests {

class TempDirTest : public testing::Test {
 protected:
  void SetUp() override {
    const testing::TestInfo* test =
        testing::UnitTest::GetInstance()->current_test_info();
    std::random_device random;
    do {
      dir_ = std::filesystem::temp_directory_path() /
             (std::string(test->test_suite_name()) + "_" + test->name() + "_" +
              std::to_string(random()));
    } while (!std::filesystem::create_directory(dir_));
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  std::filesystem::path dir_;
};

}  // namespace tests

#endif  // TESTS_SUPPORT_TEMP_DIR_H_
