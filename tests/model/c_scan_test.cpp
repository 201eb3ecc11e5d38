// The conversions against the C library's own sscanf in the "C" locale, on many generated lines
// built from the pieces where formatted input is most surprising.
#include "model/c_scan.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/c_locale.h"

namespace {

const std::vector<std::string> kFloatPieces = {
    "0", "1", "7", "9", "00", "000", "12345678901234567890", ".", "-", "+", "e", "E", "e+", "e-",
    "p", "P", "x", "X", "0x", "0X", "a", "A", "f", "b", "i", "n", "N", "inf", "INF", "infinity",
    "INFINITY", "infin", "nan", "NaN", "nan(", "(", ")", "3.4028235e38", "3.4028236e38", "1e39",
    "1e-45", "1.4e-45", "1e-46", "0x1.fffffep127", "0x1p-149", "0x1p-150", "0x1p128", "0.1",
    "1.5", ",", " ", "  ", "\t", "\r", "\v", "\f", "/", "\xc3\xa4", "\xa0", std::string(1, '\0')};

const std::vector<std::string> kIntegerPieces = {
    "0", "1", "7", "8", "9", "00", "010", "08", "0x", "0X", "0x1f", "0xG", "f", "F", "a", "-", "+",
    "123", "2147483647", "2147483648", "4294967297", "9223372036854775807",
    "9223372036854775808", "18446744073709551616", "99999999999999999999999", "/", "//", " ",
    "\t", "\r", "\v", "\f", "x", ".", "e", std::string(1, '\0')};

const std::vector<std::string> kWordPieces = {
    "a", "b", "name", "\xc3\xa4", "\xa0", "/", "#", " ", "  ", "\t", "\r", "\v", "\f",
    std::string(1, '\0')};

std::string generateLine(std::mt19937& random, const std::vector<std::string>& pieces) {
  std::uniform_int_distribution<std::size_t> count(0, 10);
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  std::string line;
  for (std::size_t n = count(random); n > 0; --n) {
    line += pieces[pick(random)];
  }
  if (random() % 8 == 0) {
    line += '\n';  // a line as fgets returns it
  }
  return line;
}

// The line followed by a digit that is not part of it: a conversion that reads past the end of its
// text converts a different number.
struct Fenced {
  std::string storage;
  ScanText text;
  explicit Fenced(const std::string& line) : storage(line + "7") {
    text = {storage.data(), storage.data() + line.size()};
  }
  int consumed() const { return static_cast<int>(text.next - storage.data()); }
};

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(CScanTest, FloatsAgreeWithSscanfOnGeneratedLines) {
  std::mt19937 random(1);
  for (int round = 0; round < 300000; ++round) {
    const std::string line = generateLine(random, kFloatPieces);
    float expected[4] = {};
    int expectedEnd[4] = {};
    int expectedCount = sscanfInCLocale(
        line.c_str(), "%f%n%f%n%f%n%f%n", &expected[0], &expectedEnd[0], &expected[1],
        &expectedEnd[1], &expected[2], &expectedEnd[2], &expected[3], &expectedEnd[3]);
    expectedCount = std::max(expectedCount, 0);
    Fenced fenced(line);
    int count = 0;
    float value = 0.0f;
    for (; count < 4 && scanFloat(fenced.text, value); ++count) {
      ASSERT_TRUE(sameBits(value, expected[count])) << "line '" << line << "' number " << count
                                                    << ": " << value << " vs " << expected[count];
      ASSERT_EQ(fenced.consumed(), expectedEnd[count]) << "line '" << line << "' number " << count;
    }
    ASSERT_EQ(count, expectedCount) << "line '" << line << "'";
  }
}

TEST(CScanTest, IntegersAndLiteralsAgreeWithSscanfOnGeneratedLines) {
  std::mt19937 random(2);
  for (int round = 0; round < 200000; ++round) {
    const std::string line = generateLine(random, kIntegerPieces);
    long long expected[3] = {};
    int expectedEnd[3] = {};
    int expectedCount = std::max(
        sscanfInCLocale(line.c_str(), "%lli%n%lli%n%lli%n", &expected[0], &expectedEnd[0],
                        &expected[1], &expectedEnd[1], &expected[2], &expectedEnd[2]),
        0);
    Fenced fenced(line);
    int count = 0;
    int64_t value = 0;
    for (; count < 3 && scanInteger(fenced.text, value); ++count) {
      ASSERT_EQ(value, expected[count]) << "line '" << line << "' number " << count;
      ASSERT_EQ(fenced.consumed(), expectedEnd[count]) << "line '" << line << "' number " << count;
    }
    ASSERT_EQ(count, expectedCount) << "line '" << line << "'";

    // A pair as a face corner writes it: no white space may come before either slash.
    long long pair[2] = {};
    int pairEnd = -1;
    const int pairCount =
        sscanfInCLocale(line.c_str(), "%lli//%lli%n", &pair[0], &pair[1], &pairEnd);
    Fenced corner(line);
    int64_t first = 0;
    int64_t second = 0;
    const bool gotPair = scanInteger(corner.text, first) && scanLiteral(corner.text, '/') &&
                         scanLiteral(corner.text, '/') && scanInteger(corner.text, second);
    ASSERT_EQ(gotPair, pairCount == 2) << "line '" << line << "'";
    if (gotPair) {
      ASSERT_EQ(first, pair[0]) << "line '" << line << "'";
      ASSERT_EQ(second, pair[1]) << "line '" << line << "'";
      ASSERT_EQ(corner.consumed(), pairEnd) << "line '" << line << "'";
    }
  }
}

TEST(CScanTest, WordsAndBlanksAgreeWithSscanfOnGeneratedLines) {
  std::mt19937 random(3);
  for (int round = 0; round < 50000; ++round) {
    const std::string line = generateLine(random, kWordPieces);
    char expected[2][64] = {};
    int expectedEnd[2] = {};
    const int expectedCount = std::max(
        sscanfInCLocale(line.c_str(), "%63s%n%63s%n", expected[0], &expectedEnd[0], expected[1],
                        &expectedEnd[1]),
        0);
    Fenced fenced(line);
    int count = 0;
    std::string_view word;
    for (; count < 2 && scanWord(fenced.text, word); ++count) {
      ASSERT_EQ(word, expected[count]) << "line '" << line << "' word " << count;
      ASSERT_EQ(fenced.consumed(), expectedEnd[count]) << "line '" << line << "' word " << count;
    }
    ASSERT_EQ(count, expectedCount) << "line '" << line << "'";

    // A '#' after the text lets sscanf report where the blank ends even when it reaches the end;
    // the newline that ends a line is not part of its text.
    const std::string probe = std::string(line.c_str()) + "#";
    int blankEnd = -1;
    sscanfInCLocale(probe.c_str(), " %n", &blankEnd);
    blankEnd = std::min(blankEnd, static_cast<int>(probe.find_first_of("\n#")));
    Fenced blank(line);
    skipBlank(blank.text);
    ASSERT_EQ(blank.consumed(), blankEnd) << "line '" << line << "'";
  }
}

TEST(CScanTest, TextEndsAtItsEndAtANulOrAtANewline) {
  const char digits[] = "12 34";
  ScanText text{digits, digits + 1};
  int64_t value = 0;
  ASSERT_TRUE(scanInteger(text, value));
  EXPECT_EQ(value, 1);
  EXPECT_FALSE(scanInteger(text, value));
  EXPECT_EQ(text.next, digits + 1);

  const char lines[] = "1.5\n2.5";
  ScanText line{lines, lines + sizeof lines - 1};
  float number = 0.0f;
  ASSERT_TRUE(scanFloat(line, number));
  EXPECT_EQ(number, 1.5f);
  EXPECT_FALSE(scanFloat(line, number));
  EXPECT_EQ(number, 1.5f);

  const char nul[] = "ab\0cd";
  ScanText word{nul, nul + sizeof nul - 1};
  std::string_view got;
  ASSERT_TRUE(scanWord(word, got));
  EXPECT_EQ(got, "ab");
  EXPECT_FALSE(scanWord(word, got));
}

TEST(CScanTest, PrefixesSignsAndPartialNumbers) {
  struct IntegerCase {
    const char* text;
    int64_t value;
    int consumed;
  };
  // Base from the prefix; a bare "0x" is 0 with the x consumed; 8 is no octal digit.
  for (const IntegerCase& c : {IntegerCase{"010", 8, 3}, IntegerCase{"0x1F", 31, 4},
                               IntegerCase{"-0x10", -16, 5}, IntegerCase{"0x//", 0, 2},
                               IntegerCase{"08", 0, 1}, IntegerCase{" +7", 7, 3},
                               IntegerCase{"99999999999999999999", INT64_MAX, 20},
                               IntegerCase{"-99999999999999999999", INT64_MIN, 21}}) {
    ScanText text{c.text, c.text + std::strlen(c.text)};
    int64_t value = 0;
    ASSERT_TRUE(scanInteger(text, value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
    EXPECT_EQ(text.next - c.text, c.consumed) << c.text;
  }
  for (const char* bad : {"-", "+ 1", "x1", "", " \t"}) {
    ScanText text{bad, bad + std::strlen(bad)};
    int64_t value = 0;
    EXPECT_FALSE(scanInteger(text, value)) << bad;
  }

  struct FloatCase {
    const char* text;
    float value;
    int consumed;
  };
  // "1e" and "1e+" convert as 1 but are consumed whole; "1.2.3" stops at the second point.
  for (const FloatCase& c : {FloatCase{"0x1.8p1", 3.0f, 7}, FloatCase{"1e", 1.0f, 2},
                             FloatCase{"1e+x", 1.0f, 3}, FloatCase{"1.2.3", 1.2f, 3},
                             FloatCase{"-.5", -0.5f, 3}, FloatCase{"1e40", HUGE_VALF, 4},
                             FloatCase{"infinityx", HUGE_VALF, 8}, FloatCase{"0x.", 0.0f, 3}}) {
    ScanText text{c.text, c.text + std::strlen(c.text)};
    float value = 0.0f;
    ASSERT_TRUE(scanFloat(text, value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
    EXPECT_EQ(text.next - c.text, c.consumed) << c.text;
  }
  for (const char* bad : {"0x", "-", ".", ".e1", "infi", "na", "e5", "+-1"}) {
    ScanText text{bad, bad + std::strlen(bad)};
    float value = 0.0f;
    EXPECT_FALSE(scanFloat(text, value)) << bad;
  }
}

}  // namespace
