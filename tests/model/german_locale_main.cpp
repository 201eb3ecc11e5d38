// The reader and conversion tests once more, with a German locale set for the whole process the
// way a toolkit sets it from the environment. The library's own sscanf then stops "1.5" at the
// point; the readers must not.
#include <clocale>
#include <cstdio>

#include <gtest/gtest.h>

namespace {

bool germanLocaleSet = false;

TEST(GermanLocaleTest, IsSetForTheWholeProcessAndChangesTheLibrarysOwnReading) {
  ASSERT_TRUE(germanLocaleSet) << "locale de_DE.UTF-8 missing: install Debian's locales-all";
  float value = 0.0f;
  ASSERT_EQ(std::sscanf("1.5", "%f", &value), 1);
  EXPECT_EQ(value, 1.0f);
  EXPECT_STREQ(std::localeconv()->decimal_point, ",");
}

}  // namespace

int main(int argc, char** argv) {
  germanLocaleSet = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
