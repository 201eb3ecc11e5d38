// The C library's own sscanf run in the "C" locale, whatever locale the test process has set: the
// reference the readers' conversions are checked against.
#pragma once

#include <locale.h>

#include <cstdio>

// The "C" locale as an object, created at the first call.
locale_t cLocaleObject();

// sscanf with the calling thread switched to the "C" locale for the call.
template <typename... Args>
int sscanfInCLocale(const char* text, const char* format, Args... args) {
  const locale_t previous = uselocale(cLocaleObject());
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
  const int converted = std::sscanf(text, format, args...);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  uselocale(previous);
  return converted;
}
