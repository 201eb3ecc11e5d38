// The conversions against the GNU C library's own sscanf in the "C" locale, on many generated lines
// built from the pieces where formatted input is most surprising; on other platforms against the
// results recorded from it.
#include "model/scanf_conversions.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string_view>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "tests/model/glibc_results.h"
#include "tests/support/result_digest.h"
#ifdef PALVETTA_GLIBC_REFERENCE
#include "tests/support/c_locale.h"
#endif

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

// The generator's output is fixed by the standard (mt19937 and plain remainders), so the recorded
// results hold for every compiler and library.
std::string generateLine(std::mt19937& random, const std::vector<std::string>& pieces) {
  std::string line;
  for (auto n = random() % 11; n > 0; --n) {
    line += pieces[random() % pieces.size()];
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

// A result as it is compared and recorded: a float by its bits, so that NaNs and signed zeros
// count too.
uint32_t exactly(float value) {
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}
template <typename T>
T exactly(T value) {
  return value;
}

constexpr std::size_t kLinesPerDigest = 10000;

// Up to N conversions in a row from the start of a line, each with the offset where it ended. The
// line is kept: words point into it.
template <typename T, int N>
struct Conversions {
  Fenced fenced;
  T values[N] = {};
  int ends[N] = {};
  int count = 0;

  Conversions(const std::string& line, bool (*scan)(ScanText&, T&)) : fenced(line) {
    for (; count < N && scan(fenced.text, values[count]); ++count) {
      ends[count] = fenced.consumed();
    }
  }

  void addTo(ResultDigest& digest) const {
    digest.add(count);
    for (int k = 0; k < count; ++k) {
      digest.add(exactly(values[k]));
      digest.add(ends[k]);
    }
  }

  // Against what sscanf made of `line`: `converted` as it returned it, then values and ends.
  template <typename Expected>
  void expectSame(const std::string& line, int converted, const Expected& expected,
                  const int* expectedEnd) const {
    ASSERT_EQ(count, std::max(converted, 0)) << "line '" << line << "'";
    for (int k = 0; k < count; ++k) {
      ASSERT_EQ(exactly(values[k]), exactly(expected[k]))
          << "line '" << line << "' number " << k << ": " << values[k] << " vs " << expected[k];
      ASSERT_EQ(ends[k], expectedEnd[k]) << "line '" << line << "' number " << k;
    }
  }
};

TEST(ScanfConversionsTest, FloatsAgreeWithTheCLibraryOnGeneratedLines) {
  std::mt19937 random(1);
  BlockDigests digests{kLinesPerDigest};
  for (int round = 0; round < 300000; ++round) {
    const std::string line = generateLine(random, kFloatPieces);
    const Conversions<float, 4> got(line, scanFloat);
#ifdef PALVETTA_GLIBC_REFERENCE
    float expected[4] = {};
    int expectedEnd[4] = {};
    const int converted = sscanfInCLocale(
        line.c_str(), "%f%n%f%n%f%n%f%n", &expected[0], &expectedEnd[0], &expected[1],
        &expectedEnd[1], &expected[2], &expectedEnd[2], &expected[3], &expectedEnd[3]);
    ASSERT_NO_FATAL_FAILURE(got.expectSame(line, converted, expected, expectedEnd));
#endif
    got.addTo(digests.current);
    digests.endCase();
  }
  expectRecorded(digests.blocks, kFloatResults, "kFloatResults");
}

TEST(ScanfConversionsTest, IntegersAndLiteralsAgreeWithTheCLibraryOnGeneratedLines) {
  std::mt19937 random(2);
  BlockDigests digests{kLinesPerDigest};
  for (int round = 0; round < 200000; ++round) {
    const std::string line = generateLine(random, kIntegerPieces);
    const Conversions<int64_t, 3> got(line, scanInteger);
    // A pair as a face corner writes it: no white space may come before either slash.
    Fenced corner(line);
    int64_t pair[2] = {};
    const bool gotPair = scanInteger(corner.text, pair[0]) && scanLiteral(corner.text, '/') &&
                         scanLiteral(corner.text, '/') && scanInteger(corner.text, pair[1]);
#ifdef PALVETTA_GLIBC_REFERENCE
    long long expected[3] = {};
    int expectedEnd[3] = {};
    const int converted =
        sscanfInCLocale(line.c_str(), "%lli%n%lli%n%lli%n", &expected[0], &expectedEnd[0],
                        &expected[1], &expectedEnd[1], &expected[2], &expectedEnd[2]);
    ASSERT_NO_FATAL_FAILURE(got.expectSame(line, converted, expected, expectedEnd));
    long long expectedPair[2] = {};
    int pairEnd = -1;
    const int pairCount = sscanfInCLocale(line.c_str(), "%lli//%lli%n", &expectedPair[0],
                                          &expectedPair[1], &pairEnd);
    ASSERT_EQ(gotPair, pairCount == 2) << "line '" << line << "'";
    if (gotPair) {
      ASSERT_EQ(pair[0], expectedPair[0]) << "line '" << line << "'";
      ASSERT_EQ(pair[1], expectedPair[1]) << "line '" << line << "'";
      ASSERT_EQ(corner.consumed(), pairEnd) << "line '" << line << "'";
    }
#endif
    got.addTo(digests.current);
    digests.current.add(static_cast<int>(gotPair));
    if (gotPair) {
      digests.current.add(pair[0]);
      digests.current.add(pair[1]);
      digests.current.add(corner.consumed());
    }
    digests.endCase();
  }
  expectRecorded(digests.blocks, kIntegerResults, "kIntegerResults");
}

TEST(ScanfConversionsTest, WordsAndBlanksAgreeWithTheCLibraryOnGeneratedLines) {
  std::mt19937 random(3);
  BlockDigests digests{kLinesPerDigest};
  for (int round = 0; round < 50000; ++round) {
    const std::string line = generateLine(random, kWordPieces);
    const Conversions<std::string_view, 2> got(line, scanWord);
    Fenced blank(line);
    skipBlank(blank.text);
#ifdef PALVETTA_GLIBC_REFERENCE
    char expected[2][64] = {};
    int expectedEnd[2] = {};
    const int converted = sscanfInCLocale(line.c_str(), "%63s%n%63s%n", expected[0],
                                          &expectedEnd[0], expected[1], &expectedEnd[1]);
    ASSERT_NO_FATAL_FAILURE(got.expectSame(line, converted, expected, expectedEnd));
    // A '#' after the text lets sscanf report where the blank ends even when it reaches the end;
    // the newline that ends a line is not part of its text.
    const std::string probe = std::string(line.c_str()) + "#";
    int blankEnd = -1;
    sscanfInCLocale(probe.c_str(), " %n", &blankEnd);
    blankEnd = std::min(blankEnd, static_cast<int>(probe.find_first_of("\n#")));
    ASSERT_EQ(blank.consumed(), blankEnd) << "line '" << line << "'";
#endif
    got.addTo(digests.current);
    digests.current.add(blank.consumed());
    digests.endCase();
  }
  expectRecorded(digests.blocks, kWordResults, "kWordResults");
}

TEST(ScanfConversionsTest, TextEndsAtItsEndAtANulOrAtANewline) {
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

TEST(ScanfConversionsTest, PrefixesSignsAndPartialNumbers) {
  using IntegerCase = std::tuple<const char*, int64_t, int>;  // text, value, characters consumed
  // Base from the prefix; a bare "0x" is 0 with the x consumed; 8 is no octal digit.
  for (const auto& [line, want, consumed] :
       {IntegerCase{"010", 8, 3}, IntegerCase{"0x1F", 31, 4}, IntegerCase{"-0x10", -16, 5},
        IntegerCase{"0x//", 0, 2}, IntegerCase{"08", 0, 1}, IntegerCase{" +7", 7, 3},
        IntegerCase{"99999999999999999999", INT64_MAX, 20},
        IntegerCase{"-99999999999999999999", INT64_MIN, 21}}) {
    ScanText text{line, line + std::strlen(line)};
    int64_t value = 0;
    ASSERT_TRUE(scanInteger(text, value)) << line;
    EXPECT_EQ(value, want) << line;
    EXPECT_EQ(text.next - line, consumed) << line;
  }
  for (const char* bad : {"-", "+ 1", "x1", "", " \t"}) {
    ScanText text{bad, bad + std::strlen(bad)};
    int64_t value = 0;
    EXPECT_FALSE(scanInteger(text, value)) << bad;
  }

  using FloatCase = std::tuple<std::string, float, std::size_t>;  // as IntegerCase
  // "1e" and "1e+" convert as 1 but are consumed whole; "1.2.3" stops at the second point. Long
  // digit strings whose exponent nearly makes up for them sit inside and just outside float's
  // range: a hexadecimal digit is four binary places, a decimal one a power of ten.
  const std::string zeros49(49, '0');
  const std::string point80 = "0x0." + std::string(80, '0');
  for (const auto& [line, want, consumed] : std::vector<FloatCase>{
           {"0x1.8p1", 3.0f, 7}, {"1e", 1.0f, 2}, {"1e+x", 1.0f, 3}, {"1.2.3", 1.2f, 3},
           {"-.5", -0.5f, 3}, {"1e40", HUGE_VALF, 4}, {"infinityx", HUGE_VALF, 8}, {"0x.", 0.0f, 3},
           // correctly rounded, where glibc 2.36's strtof cuts it down
           {"0x29c91f6p-152", 0x1.4e48fcp-127f, 14},
           {"0x1" + zeros49 + "p-196", 1.0f, 57}, {"0x1" + zeros49 + "p-60", HUGE_VALF, 56},
           {"-0x1" + zeros49 + "p-60", -HUGE_VALF, 57}, {"0x1" + zeros49 + "p-400", 0.0f, 57},
           {point80 + "1p+324", 1.0f, 90}, {point80 + "1p+100", 0.0f, 90},
           {point80 + "1p+600", HUGE_VALF, 90},
           {"0x1" + std::string(31, '0') + "p+3", 0x1p127f, 37},
           {"0x1" + std::string(31, '0') + "p+4", HUGE_VALF, 37},
           {"0x0." + std::string(36, '0') + "1p+0", 0x1p-148f, 44},
           {"0x0." + std::string(37, '0') + "1p+0", 0.0f, 45}, {"1" + zeros49 + "e-11", 1e38f, 54},
           {"1" + zeros49 + "e-10", HUGE_VALF, 54},
           {"0." + std::string(60, '0') + "1e+10", 0.0f, 67}}) {
    ScanText text{line.data(), line.data() + line.size()};
    float value = 0.0f;
    ASSERT_TRUE(scanFloat(text, value)) << line;
    EXPECT_EQ(value, want) << line;
    EXPECT_EQ(static_cast<std::size_t>(text.next - line.data()), consumed) << line;
  }
  for (const char* bad : {"0x", "-", ".", ".e1", "infi", "na", "e5", "+-1"}) {
    ScanText text{bad, bad + std::strlen(bad)};
    float value = 0.0f;
    EXPECT_FALSE(scanFloat(text, value)) << bad;
  }
}

}  // namespace
