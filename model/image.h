// The images that materials name, decoded into texels ready for glTexImage2D.
//
// Decoding keeps no state between calls and touches nothing shared, so several threads may decode
// at once. Sizes are checked from the image's header before anything is decoded, so that a small
// file claiming an enormous image costs no memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

inline constexpr int32_t kMaxImageSide = 16384;
inline constexpr std::size_t kMaxImageBytes = std::size_t{256}
                                              << 20;  // decoded, at 4 bytes a texel

enum class ImageUse { colour, mask };

struct Image {
  int32_t width = 0;
  int32_t height = 0;
  int32_t channels = 0;         // 3 (RGB) for ImageUse::colour, 1 for ImageUse::mask
  std::vector<uint8_t> pixels;  // width * height * channels bytes, rows from the BOTTOM row up
};

// PNG (grey, palette, RGB, with or without alpha, 8 or 16 bits, interlaced), JPEG (baseline and
// progressive, grey and colour), TGA (plain and RLE, either origin) and BMP.
// colour: the image's RGB, its alpha ignored (grey becomes R=G=B).
// mask: the alpha where the image has alpha (grey+alpha or RGBA), otherwise its grey (RGB gives
//   the decoder's luminance); a texel below 128 is where the surface is cut away.
// False, with `image` left empty, for anything that is not such an image: bytes that do not
// decode, truncated files, zero bytes, and an image whose sides pass kMaxImageSide or whose
// width*height*4 passes kMaxImageBytes; these two are checked from the header before decoding.
// Rows run from the bottom up because a texture coordinate v = 0 is the image's bottom row and
// glTexImage2D takes the first row it is given as t = 0.
bool decodeImage(std::span<const uint8_t> bytes, ImageUse use, Image& image);

// The file at `path` (UTF-8), read whole and decoded as above. Only a regular file opens, so a
// folder, a FIFO or a missing file is refused at once without blocking; so is a file larger than
// 1 GiB, before anything is read, and one that cannot be read to its end.
bool readImage(const std::string& path, ImageUse use, Image& image);
