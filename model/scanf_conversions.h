// The formatted-input conversions the readers use, done as the GNU C library does them in the "C"
// locale, whatever locale the process has set and whatever C runtime the program runs on: "%f",
// "%i", "%s", an ordinary character of a format and a blank of a format. A toolkit may set the
// process locale from the environment, and under a German locale the library's own routine reads
// "1.5" as 1; other C runtimes read "0x" forms differently. Numbers come out bit for bit the same
// on every platform.
//
// A ScanText is what the conversions see of one line read by fgets: it ends at `end`, at a NUL or
// at a newline, whichever comes first. White space is space, \t, \n, \v, \f and \r. Each conversion
// skips white space first; on success it stores its value and moves `next` past exactly the
// characters the C library consumes (which can be more than the number it converts: "1e" gives 1
// and consumes the 'e'). On failure `next` is left somewhere inside the text; formatted input stops
// at the first failure anyway. Nothing here reads outside [next, end), and nothing allocates.
#pragma once

#include <cstdint>
#include <string_view>

struct ScanText {
  const char* next;
  const char* end;
};

inline bool isCSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// A blank in a format: any run of white space, including none.
void skipBlank(ScanText& text);

// An ordinary character in a format: matches exactly that character, skipping nothing.
bool scanLiteral(ScanText& text, char c);

// "%f": signs, exponents, hexadecimal floats, inf, infinity and nan, converted as strtof does:
// rounded to nearest, infinity where too large, a denormal or signed zero where too small.
bool scanFloat(ScanText& text, float& value);

// "%i": base from the prefix (0x hexadecimal, 0 octal, else decimal), with an optional sign. The
// value is exact where it fits in 64 bits and saturates at INT64_MIN / INT64_MAX where it does not;
// it is never wrapped.
bool scanInteger(ScanText& text, int64_t& value);

// "%s": one word of non-white-space characters; `word` points into the text.
bool scanWord(ScanText& text, std::string_view& word);
