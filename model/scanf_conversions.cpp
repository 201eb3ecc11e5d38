#include "model/scanf_conversions.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace {

// The next character of the text as an unsigned byte, or -1 where the line ends.
int peekAt(const ScanText& text, std::size_t offset) {
  if (offset >= static_cast<std::size_t>(text.end - text.next)) {
    return -1;
  }
  const char c = text.next[offset];
  return c == '\0' || c == '\n' ? -1 : static_cast<unsigned char>(c);
}

int lower(int c) {
  return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}
bool isDigit(int c) {
  return c >= '0' && c <= '9';
}
bool isHexDigit(int c) {
  return isDigit(c) || (lower(c) >= 'a' && lower(c) <= 'f');
}

int digitValue(int c) {
  return isDigit(c) ? c - '0' : lower(c) - 'a' + 10;
}

bool matchesLower(const ScanText& text, std::size_t offset, const char* word) {
  for (std::size_t k = 0; word[k] != '\0'; ++k) {
    if (lower(peekAt(text, offset + k)) != word[k]) {
      return false;
    }
  }
  return true;
}

// How many characters the C library's "%f" takes into its number buffer before it calls strtof, or
// 0 when it gives up before that. It reads greedily and can push back only the one character that
// ended the number, so "1e+" is taken whole although only "1" converts.
std::size_t floatTextLength(const ScanText& text) {
  std::size_t i = 0;
  int c = peekAt(text, 0);
  const bool hasSign = c == '-' || c == '+';
  if (hasSign) {
    c = peekAt(text, ++i);
    if (c < 0) {
      return 0;
    }
  }
  if (lower(c) == 'n') {
    return matchesLower(text, i, "nan") ? i + 3 : 0;
  }
  if (lower(c) == 'i') {
    if (!matchesLower(text, i, "inf")) {
      return 0;
    }
    i += 3;
    if (lower(peekAt(text, i)) != 'i') {
      return i;
    }
    return matchesLower(text, i, "inity") ? i + 5 : 0;
  }
  bool hex = false;
  bool gotDigit = false;
  bool gotDot = false;
  bool gotExponent = false;
  int exponentChar = 'e';
  if (c == '0') {
    c = peekAt(text, ++i);
    if (lower(c) == 'x') {
      hex = true;
      exponentChar = 'p';
      c = peekAt(text, ++i);
    } else {
      gotDigit = true;
    }
  }
  for (;; c = peekAt(text, ++i)) {
    if (isDigit(c) || (hex && !gotExponent && isHexDigit(c))) {
      gotDigit = true;
    } else if (gotExponent && (c == '-' || c == '+') &&
               lower(static_cast<unsigned char>(text.next[i - 1])) == exponentChar) {
      // a sign right after the exponent character
    } else if (gotDigit && !gotExponent && lower(c) == exponentChar) {
      gotExponent = true;
      gotDot = true;
    } else if (!gotDot && c == '.') {
      gotDot = true;
    } else {
      break;
    }
  }
  const std::size_t prefix = (hasSign ? 1 : 0) + (hex ? 2 : 0);
  return i == prefix ? 0 : i;
}

// Tells an out-of-range number that is too large (positive) from one that is too small
// (negative): the place of its first significant digit relative to the point, counted in bits for
// a hexadecimal number, plus its exponent. Out of float's range that sum lies dozens of places
// from 0 either way. [p, end) is the number as from_chars matched it, without sign and prefix.
long long outOfRangeScale(const char* p, const char* end, bool hex) {
  constexpr long long kExponentLimit = 1'000'000;  // far beyond every float, and no overflow
  const int base = hex ? 16 : 10;
  long long scale = 0;
  bool gotPoint = false;
  bool gotSignificant = false;
  for (; p < end && (*p == '.' || (isHexDigit(*p) && digitValue(*p) < base)); ++p) {
    if (*p == '.') {
      gotPoint = true;
    } else if (gotSignificant || *p != '0') {
      gotSignificant = true;
      scale += gotPoint ? 0 : 1;
    } else {
      scale -= gotPoint ? 1 : 0;
    }
  }
  if (hex) {
    scale *= 4;  // binary places, as the exponent counts them
  }
  if (p < end) {  // the exponent character
    ++p;
    const bool negative = p < end && *p == '-';
    p += p < end && (*p == '-' || *p == '+') ? 1 : 0;
    long long exponent = 0;
    for (; p < end && isDigit(*p); ++p) {
      exponent = std::min(exponent * 10 + (*p - '0'), kExponentLimit);
    }
    scale += negative ? -exponent : exponent;
  }
  return scale;
}

// The characters "%f" took, converted as strtof converts them in the "C" locale. from_chars needs
// no locale and no C runtime and rounds as strtof does; what it does not take is handled around
// it: a '+' sign, the "0x" prefix, a prefix with no hexadecimal digit after it (strtof reads the 0
// before the x), and numbers out of float's range, for which strtof gives infinity or the signed
// zero they round to.
bool convertFloat(const char* s, std::size_t length, float& value) {
  const char* p = s;
  const char* const end = s + length;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') {
    ++p;
  }
  const bool hex = end - p >= 2 && p[0] == '0' && lower(static_cast<unsigned char>(p[1])) == 'x';
  if (hex) {
    p += 2;
  }
  float magnitude = 0.0f;
  const auto [stop, error] =
      std::from_chars(p, end, magnitude, hex ? std::chars_format::hex : std::chars_format::general);
  if (error == std::errc::invalid_argument) {
    if (!hex) {
      return false;
    }
    magnitude = 0.0f;
  } else if (error == std::errc::result_out_of_range) {
    magnitude = outOfRangeScale(p, stop, hex) > 0 ? std::numeric_limits<float>::infinity() : 0.0f;
  }
  value = negative ? -magnitude : magnitude;
  return true;
}

}  // namespace

void skipBlank(ScanText& text) {
  while (peekAt(text, 0) >= 0 && isCSpace(*text.next)) {
    ++text.next;
  }
}

bool scanLiteral(ScanText& text, char c) {
  if (peekAt(text, 0) != static_cast<unsigned char>(c)) {
    return false;
  }
  ++text.next;
  return true;
}

bool scanFloat(ScanText& text, float& value) {
  skipBlank(text);
  const std::size_t length = floatTextLength(text);
  if (length == 0 || !convertFloat(text.next, length, value)) {
    return false;
  }
  text.next += length;
  return true;
}

bool scanInteger(ScanText& text, int64_t& value) {
  skipBlank(text);
  std::size_t i = 0;
  int c = peekAt(text, 0);
  const bool negative = c == '-';
  if (c == '-' || c == '+') {
    c = peekAt(text, ++i);
  }
  int base = 10;
  bool gotDigit = false;
  if (c == '0') {
    // "0x" with no hexadecimal digit after it still reads as 0, with the x consumed.
    gotDigit = true;
    c = peekAt(text, ++i);
    if (lower(c) == 'x') {
      base = 16;
      c = peekAt(text, ++i);
    } else {
      base = 8;
    }
  }
  constexpr uint64_t kLimit = uint64_t{1} << 63;  // the magnitude of INT64_MIN
  uint64_t magnitude = 0;
  for (; c >= 0 && isHexDigit(c) && digitValue(c) < base; c = peekAt(text, ++i)) {
    gotDigit = true;
    const auto digit = static_cast<uint64_t>(digitValue(c));
    magnitude = magnitude > (kLimit - digit) / base ? kLimit : magnitude * base + digit;
  }
  if (!gotDigit) {
    return false;
  }
  if (negative) {
    value = magnitude >= kLimit ? INT64_MIN : -static_cast<int64_t>(magnitude);
  } else {
    value = magnitude >= kLimit ? INT64_MAX : static_cast<int64_t>(magnitude);
  }
  text.next += i;
  return true;
}

bool scanWord(ScanText& text, std::string_view& word) {
  skipBlank(text);
  std::size_t length = 0;
  while (peekAt(text, length) >= 0 && !isCSpace(text.next[length])) {
    ++length;
  }
  if (length == 0) {
    return false;
  }
  word = std::string_view(text.next, length);
  text.next += length;
  return true;
}
