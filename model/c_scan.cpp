#include "model/c_scan.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

#ifndef _WIN32
#include <locale.h>
#endif

namespace {

constexpr std::size_t kShortNumberBytes = 1024;

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

#ifdef _WIN32
float toFloatInCLocale(const char* s, char** end) {
  static const _locale_t cLocale = _create_locale(LC_ALL, "C");
  return _strtof_l(s, end, cLocale);
}
#else
float toFloatInCLocale(const char* s, char** end) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return strtof_l(s, end, cLocale);
}
#endif

// strtof on exactly the characters "%f" took, so that nothing after them (such as the "(12)" of
// "nan(12)") takes part in the conversion.
bool convertFloat(const char* s, std::size_t length, float& value) {
  char shortCopy[kShortNumberBytes];
  std::string longCopy;
  char* copy = shortCopy;
  if (length >= kShortNumberBytes) {
    longCopy.assign(s, length);
    copy = longCopy.data();
  } else {
    std::memcpy(shortCopy, s, length);
    shortCopy[length] = '\0';
  }
  char* converted = copy;
  const float result = toFloatInCLocale(copy, &converted);
  if (converted == copy) {
    return false;
  }
  value = result;
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
