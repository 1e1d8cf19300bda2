// How the platform compares and splits file names.
#include "gtest/gtest.h"
#include "platform/platform.h"

namespace orv {
namespace testing {
namespace {

using platform::IsPathSeparator;
using platform::lstrcmpiA;

TEST(NamesTest, ComparisonIgnoresAsciiCase) {
  EXPECT_EQ(0, lstrcmpiA("C:/Data/Box.ORV", "c:/data/box.orv"));
  EXPECT_EQ(0, lstrcmpiA("", ""));
  EXPECT_LT(lstrcmpiA("box.bak", "BOX.ORV"), 0);
  EXPECT_GT(lstrcmpiA("box.tmp", "BOX.ORV"), 0);
  EXPECT_GT(lstrcmpiA("box.orv", "box"), 0);  // a prefix sorts first
  EXPECT_LT(lstrcmpiA("box", "box.orv"), 0);
}

TEST(NamesTest, SeparatorsAreThePlatforms) {
  EXPECT_TRUE(IsPathSeparator('/'));
  EXPECT_FALSE(IsPathSeparator('.'));
  EXPECT_FALSE(IsPathSeparator('\0'));
#if defined(_WIN32)
  EXPECT_TRUE(IsPathSeparator('\\'));
  EXPECT_TRUE(IsPathSeparator(':'));
#else
  EXPECT_FALSE(IsPathSeparator('\\'));
  EXPECT_FALSE(IsPathSeparator(':'));
#endif
}

}  // namespace
}  // namespace testing
}  // namespace orv
