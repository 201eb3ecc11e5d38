// Results of many generated cases folded into a few numbers, so that they can be recorded once and
// checked anywhere.
//
// The readers must convert numbers exactly as the GNU C library's sscanf does. Where that library
// runs the tests, each case is compared with it directly; the digests of the results are then also
// compared with those recorded from it in tests/model/glibc_results.h, which keeps the record true.
// Where it does not run (Windows), the recorded digests are the reference. A digest covers a block
// of cases, so a failure names the block where the results part.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#if defined(__GLIBC__)
#define PALVETTA_GLIBC_REFERENCE 1
#endif

// 64-bit FNV-1a over the bytes of the values added; the same on every little-endian platform.
struct ResultDigest {
  uint64_t value = 14695981039346656037ull;

  void addBytes(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
      value = (value ^ bytes[i]) * 1099511628211ull;
    }
  }
  template <typename T>
    requires std::is_arithmetic_v<T>
  void add(T number) {
    addBytes(&number, sizeof number);
  }
  void add(std::string_view text) {
    add(static_cast<uint64_t>(text.size()));
    addBytes(text.data(), text.size());
  }
};

// One digest per `casesPerBlock` cases: call endCase() after adding each case's results.
struct BlockDigests {
  explicit BlockDigests(std::size_t perBlock) : casesPerBlock(perBlock) {}

  std::size_t casesPerBlock;
  std::size_t cases = 0;
  ResultDigest current;
  std::vector<uint64_t> blocks;

  void endCase() {
    if (++cases % casesPerBlock == 0) {
      blocks.push_back(current.value);
      current = {};
    }
  }
};

// Fails unless `got` equals `recorded`, naming the first block that differs; the message lists
// `got` in the form of the record, so that a changed generator can be recorded again from a run
// under the GNU C library.
inline void expectRecorded(const std::vector<uint64_t>& got, std::span<const uint64_t> recorded,
                           const char* name) {
  const auto [first, unused] =
      std::mismatch(got.begin(), got.end(), recorded.begin(), recorded.end());
  if (got.size() == recorded.size() && first == got.end()) {
    return;
  }
  std::string listing;
  for (std::size_t i = 0; i < got.size(); ++i) {
    char number[24];
    std::snprintf(number, sizeof number, "0x%016llx,", static_cast<unsigned long long>(got[i]));
    listing += (i % 4 == 0 ? "\n    " : " ") + std::string(number);
  }
  ADD_FAILURE() << name << ": block " << (first - got.begin()) << " of " << got.size()
                << " differs from the record of " << recorded.size() << ". These results are:\n"
                << "inline constexpr uint64_t " << name << "[] = {" << listing << "\n};";
}
