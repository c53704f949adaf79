#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "resfile/loader.hpp"
#include "sample.hpp"
#include "support/fixture.hpp"

namespace tessaly {
namespace {

TEST(BundledSample, IsExactlyWhatTheGeneratorWrites) {
  const char* source = std::getenv("TESSALY_SOURCE_DIR");
  if (source == nullptr) GTEST_SKIP() << "TESSALY_SOURCE_DIR is not set";
  const std::filesystem::path bundled = std::filesystem::path(source) / "examples" / "Meteor.res";
  ASSERT_TRUE(std::filesystem::is_regular_file(bundled)) << bundled;
  const auto generated = sample::SampleBytes();
  ASSERT_TRUE(generated.ok()) << generated.error();
  EXPECT_TRUE(test::ReadFile(bundled) == *generated)
      << "examples/Meteor.res is stale: cmake --build <build> --target sample";
}

TEST(BundledSample, LoadsAsThirtyMapsAfterTheHeader) {
  const auto generated = sample::SampleBytes();
  ASSERT_TRUE(generated.ok());
  const ScanResult scan = ScanResBytes(*generated);
  EXPECT_EQ(scan.records.size(), 30U);
  EXPECT_EQ(scan.entryCount, 30);
  EXPECT_EQ(scan.extraCount, 0);
  EXPECT_EQ(scan.headerEnd, 54U + 330U - 1U);
}

}  // namespace
}  // namespace tessaly
