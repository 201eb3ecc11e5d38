#include "model/image.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "model/line_finder.h"

// The decoder is compiled in here alone, private to this file. Its own side limit is ours too, so
// a decoder that reached the pixels without the header check would still stop at it.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_TGA
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STBI_MAX_DIMENSIONS kMaxImageSide
#include <stb_image.h>

namespace {

struct FreeDecoded {
  void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

// Far more than an image within the limits takes in any of its formats, and a bound on the memory
// one file costs.
constexpr long long kMaxFileBytes = 1LL << 30;

// This version of the decoder trusts a JPEG's Huffman tables: it writes the lengths and symbols of
// a table with more than 256 codes past the end of its own, over the rest of its state (function
// pointers among them), and a scan that uses a table never defined reads symbols from anywhere.
// Neither is valid JPEG, so such a file is refused before the decoder sees it. The walk reads the
// file as the decoder does: marker by marker, by the segments' lengths, past the entropy-coded data
// to the next marker, bytes past the end read as 0. Where the decoder would give up, so does the
// walk, finding nothing.
bool hasUnsafeJpegTables(std::span<const uint8_t> bytes) {
  std::size_t at = 0;
  const auto get8 = [&]() -> int { return at < bytes.size() ? bytes[at++] : 0; };
  const auto get16 = [&]() -> int { return (get8() << 8) | get8(); };
  const auto marker = [&]() -> int {  // -1 where no marker starts
    int x = get8();
    if (x != 0xff) {
      return -1;
    }
    while (x == 0xff) {
      x = get8();
    }
    return x;
  };
  // Reads the segment of marker `m`; false where the decoder would stop or a table is unsafe.
  bool unsafe = false;
  bool progressive = false;
  unsigned defined = 0;  // bit 4 * class + slot for each table defined so far
  const auto segment = [&](int m) {
    const bool known = m == 0xc4 || m == 0xdb || m == 0xdd || (m >= 0xe0 && m <= 0xef) ||
                       m == 0xfe || m == 0xc0 || m == 0xc1 || m == 0xc2 || m == 0xda;
    const std::size_t start = at;
    const int length = get16();
    if (!known || length < 2) {
      return false;
    }
    progressive = progressive || m == 0xc2;
    if (m == 0xda) {
      // Sequential scans decode with both tables of each component, progressive ones with one.
      const int components = get8();
      unsigned used = 0;
      for (int i = 0; i < components; ++i) {
        get8();
        const int tables = get8();
        if ((tables >> 4) > 3 || (tables & 15) > 3) {
          return false;
        }
        used |= (1u << (tables >> 4)) << 16 | (1u << (4 + (tables & 15))) << 24;
      }
      const bool dc = get8() == 0;
      const unsigned needed = !progressive ? used >> 16 | used >> 24 : used >> (dc ? 16 : 24);
      if ((needed & 0xff & ~defined) != 0) {
        unsafe = true;
        return false;
      }
    }
    if (m != 0xc4) {
      at = start + static_cast<std::size_t>(length);
      return true;
    }
    int left = length - 2;
    while (left > 0) {
      const int table = get8();
      if ((table >> 4) > 1 || (table & 15) > 3) {
        return false;
      }
      int codes = 0;
      for (int i = 0; i < 16; ++i) {
        codes += get8();
      }
      if (codes > 256) {
        unsafe = true;
        return false;
      }
      defined |= 1u << (4 * (table >> 4) + (table & 15));
      at += static_cast<std::size_t>(codes);
      left -= 17 + codes;
    }
    return left == 0;
  };

  if (marker() != 0xd8) {
    return false;
  }
  bool frame = false;  // after the frame header, where the decoder skips nothing between segments
  int m = marker();
  while (m != 0xd9 && at < bytes.size()) {
    if (m < 0 && !frame) {
      m = marker();
      continue;
    }
    if (m == 0xdc && frame) {
      at += 4;
    } else if (!segment(m)) {
      return unsafe;
    }
    frame = frame || m == 0xc0 || m == 0xc1 || m == 0xc2;
    if (m != 0xda) {
      m = marker();
      if (m < 0 && frame) {
        return false;
      }
      continue;
    }
    // Entropy-coded data ends at a marker other than a restart; 0xff 0x00 is a data byte.
    m = -1;
    while (m < 0 && at < bytes.size()) {
      if (get8() == 0xff) {
        int x = get8();
        while (x == 0xff) {
          x = get8();
        }
        if (x != 0 && (x < 0xd0 || x > 0xd7)) {
          m = x;
        }
      }
    }
  }
  return false;
}

// Whether a PNG file ends before a chunk it starts does: the decoder makes room for a chunk's
// claimed length before reading it, so a few bytes could have it allocate gigabytes for nothing.
bool hasCutPngChunk(std::span<const uint8_t> bytes) {
  std::size_t at = 8;
  while (bytes.size() - at >= 8) {
    const uint32_t length = (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
                            (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
    if (length > bytes.size() - at - 8) {
      return true;
    }
    if (std::memcmp(bytes.data() + at + 4, "IEND", 4) == 0) {
      return false;
    }
    at += 8 + std::size_t{length} + 4;  // with the CRC
    if (at > bytes.size()) {
      return true;
    }
  }
  return true;
}

// The most texels one byte of the file can stand for, by the format the decoder will take it as.
// A file claiming more is cut short: the decoder fills in what a TGA, BMP or JPEG file lacks rather
// than failing, which would cost the time and memory of a whole image for a few bytes.
uint64_t maxTexelsPerByte(std::span<const uint8_t> bytes) {
  constexpr uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (bytes.size() >= sizeof kPng && std::memcmp(bytes.data(), kPng, sizeof kPng) == 0) {
    return hasCutPngChunk(bytes) ? 0 : 16384;  // rows of 1-bit texels, deflated at most 1032 to 1
  }
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
    return 8;  // 1 bit a texel at least: this decoder takes no compressed BMP
  }
  if (bytes[0] == 0xff) {
    return 512;  // a JPEG: a Huffman code of 1 bit at least for each 8 x 8 block
  }
  return 64;  // a TGA: a run of at most 128 texels in 2 bytes
}

}  // namespace

bool decodeImage(std::span<const uint8_t> bytes, ImageUse use, Image& image) {
  image = Image{};
  if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT_MAX)) {
    return false;
  }
  if (hasUnsafeJpegTables(bytes)) {
    return false;
  }
  const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
  const int length = static_cast<int>(bytes.size());
  int width = 0;
  int height = 0;
  int fileChannels = 0;
  if (!stbi_info_from_memory(data, length, &width, &height, &fileChannels) || width <= 0 ||
      height <= 0 || width > kMaxImageSide || height > kMaxImageSide ||
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4 > kMaxImageBytes ||
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) >
          bytes.size() * maxTexelsPerByte(bytes)) {
    return false;
  }

  // A mask comes out of the decoder as grey and alpha when the file has alpha, as grey otherwise,
  // and its last channel is the one kept.
  const bool hasAlpha = fileChannels == 2 || fileChannels == 4;
  const int decodedChannels = use == ImageUse::colour ? 3 : (hasAlpha ? 2 : 1);
  const int keptChannels = use == ImageUse::colour ? 3 : 1;
  int decodedWidth = 0;
  int decodedHeight = 0;
  int ignored = 0;
  const std::unique_ptr<stbi_uc, FreeDecoded> decoded(stbi_load_from_memory(
      data, length, &decodedWidth, &decodedHeight, &ignored, decodedChannels));
  // The limits were checked on the header's sides; pixels of any other size are not trusted.
  if (!decoded || decodedWidth != width || decodedHeight != height) {
    return false;
  }

  const std::size_t rowTexels = static_cast<std::size_t>(width);
  const std::size_t decodedRow = rowTexels * static_cast<std::size_t>(decodedChannels);
  const std::size_t keptRow = rowTexels * static_cast<std::size_t>(keptChannels);
  image.pixels.resize(keptRow * static_cast<std::size_t>(height));
  // The decoder gives the top row first; the rows are turned over on the way out.
  for (int row = 0; row < height; ++row) {
    const stbi_uc* from = decoded.get() + static_cast<std::size_t>(height - 1 - row) * decodedRow;
    uint8_t* to = image.pixels.data() + static_cast<std::size_t>(row) * keptRow;
    if (decodedChannels == keptChannels) {
      std::memcpy(to, from, keptRow);
    } else {
      for (std::size_t x = 0; x < rowTexels; ++x) {
        to[x] = from[2 * x + 1];
      }
    }
  }
  image.width = width;
  image.height = height;
  image.channels = keptChannels;
  return true;
}

bool readImage(const std::string& path, ImageUse use, Image& image) {
  image = Image{};
  FileDescriptor file;
  long long size = 0;
  if (!openFileForReading(file, path.c_str(), size) || size <= 0 || size > kMaxFileBytes) {
    return false;
  }
  std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
  std::size_t got = 0;
  while (got < bytes.size()) {
    const long read =
        readFileBytes(file, reinterpret_cast<char*>(bytes.data() + got), bytes.size() - got);
    if (read < 0) {
      return false;
    }
    if (read == 0) {
      break;
    }
    got += static_cast<std::size_t>(read);
  }
  bytes.resize(got);
  return decodeImage(bytes, use, image);
}
