// Text at the edge of the Windows API: the program keeps names in UTF-8, the wide-character
// functions take them as UTF-16, which holds every script, where the narrow functions would go
// through the system's code page.
//
// Both conversions are strict: text that is not valid UTF-8, or UTF-16 with a lone surrogate,
// converts to nothing rather than to a name with a replacement character in it, which would name
// another file or none.
#pragma once

#include <windows.h>

#include <climits>
#include <optional>
#include <string>
#include <string_view>

inline std::optional<std::wstring> widen(std::string_view text) {
  if (text.size() > INT_MAX) {
    return std::nullopt;
  }
  if (text.empty()) {
    return std::wstring();
  }
  const int length = static_cast<int>(text.size());
  const int chars =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
  if (chars <= 0) {
    return std::nullopt;
  }
  std::wstring wide(static_cast<std::size_t>(chars), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), chars);
  return wide;
}

inline std::optional<std::string> narrow(std::wstring_view text) {
  if (text.size() > INT_MAX) {
    return std::nullopt;
  }
  if (text.empty()) {
    return std::string();
  }
  const int length = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), length, nullptr,
                                        0, nullptr, nullptr);
  if (bytes <= 0) {
    return std::nullopt;
  }
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), length, utf8.data(), bytes,
                      nullptr, nullptr);
  return utf8;
}
