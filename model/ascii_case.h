// Letters compared without regard to case, as exporters' keywords and names made on Windows need:
// ASCII letters only, so that no locale changes what matches.
#pragma once

#include <algorithm>
#include <string_view>

inline char lowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when `a` and `b` differ at most in the case of their ASCII letters.
inline bool sameLetters(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}
