// The program's icon as PNG files inside the program, made from packaging/icon/palvetta.svg at build time
// in every size the window icon carries, smallest first.
#pragma once

#include <cstddef>
#include <span>

struct EmbeddedPng {
  const unsigned char* bytes;
  std::size_t size;
};

std::span<const EmbeddedPng> embeddedIconPngs();
