// The reader and conversion tests once more, with a German locale set for the whole process the
// way a toolkit sets it from the environment. The library's own sscanf then stops "1.5" at the
// point; the readers must not.
#include <clocale>
#include <cstdio>

#include <gtest/gtest.h>

namespace {

// The name of a German locale as the C library knows it: POSIX names on Linux, the Windows C
// runtime's names there.
#ifdef _WIN32
const char* const kGermanLocales[] = {"German_Germany.1252", "de-DE"};
#else
const char* const kGermanLocales[] = {"de_DE.UTF-8"};
#endif

bool germanLocaleSet = false;

TEST(GermanLocaleTest, IsSetForTheWholeProcessAndChangesTheLibrarysOwnReading) {
  ASSERT_TRUE(germanLocaleSet) << "no German locale: on Linux install Debian's locales-all";
  float value = 0.0f;
  ASSERT_EQ(std::sscanf("1.5", "%f", &value), 1);
  EXPECT_EQ(value, 1.0f);
  EXPECT_STREQ(std::localeconv()->decimal_point, ",");
}

}  // namespace

int main(int argc, char** argv) {
  for (const char* name : kGermanLocales) {
    germanLocaleSet = germanLocaleSet || std::setlocale(LC_ALL, name) != nullptr;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
