// Images made by a separate encoder, decoded and compared with texels worked out by hand.
#include "model/image.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include "tests/support/temp_files.h"

namespace {

using namespace std::string_view_literals;
using Bytes = std::vector<uint8_t>;

void append(void* to, void* data, int size) {
  auto* bytes = static_cast<Bytes*>(to);
  bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

// `texels` top row first, as the encoder takes them; format 'p'ng, 'b'mp or 't'ga (RLE).
Bytes encode(char format, int width, int height, int channels, const Bytes& texels) {
  Bytes file;
  const void* in = texels.data();
  format == 'p'   ? stbi_write_png_to_func(append, &file, width, height, channels, in, 0)
  : format == 'b' ? stbi_write_bmp_to_func(append, &file, width, height, channels, in)
                  : stbi_write_tga_to_func(append, &file, width, height, channels, in);
  return file;
}

Bytes decoded(const Bytes& file, ImageUse use) {
  Image image;
  EXPECT_TRUE(decodeImage(file, use, image));
  return image.pixels;
}

// Top row red (alpha 200) and green (50), bottom row blue (255) and white (0).
const Bytes kRgba = {255, 0, 0, 200, 0, 255, 0, 50, 0, 0, 255, 255, 255, 255, 255, 0};
const Bytes kRgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
// The bottom row first: blue, white, red, green.
const Bytes kColour = {0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 0};

TEST(ImageTest, ColourIsRgbBottomRowFirstAndMaskIsAlphaOrGrey) {
  Image colour;
  ASSERT_TRUE(decodeImage(encode('p', 2, 2, 4, kRgba), ImageUse::colour, colour));
  EXPECT_TRUE(colour.width == 2 && colour.height == 2 && colour.channels == 3);
  EXPECT_EQ(colour.pixels, kColour);
  EXPECT_EQ(decoded(encode('p', 2, 2, 4, kRgba), ImageUse::mask), (Bytes{255, 0, 200, 50}));
  for (const char format : {'p', 'b', 't'}) {
    EXPECT_EQ(decoded(encode(format, 2, 2, 3, kRgb), ImageUse::colour), kColour) << format;
    // Without alpha the mask is the luminance, (77 r + 150 g + 29 b) >> 8.
    EXPECT_EQ(decoded(encode(format, 2, 2, 3, kRgb), ImageUse::mask), (Bytes{28, 255, 76, 149}))
        << format;
  }
  // Grey with alpha: the alpha is the mask, the grey the colour.
  EXPECT_EQ(decoded(encode('p', 1, 1, 2, {90, 30}), ImageUse::mask), Bytes{30});
  EXPECT_EQ(decoded(encode('p', 1, 1, 2, {90, 30}), ImageUse::colour), (Bytes{90, 90, 90}));
  EXPECT_EQ(decoded(encode('p', 1, 2, 1, {10, 200}), ImageUse::mask), (Bytes{200, 10}));
}

TEST(ImageTest, RefusesWhatIsNotAnImageWithinTheLimitsAndLeavesNothing) {
  const Bytes png = encode('p', 2, 2, 4, kRgba);
  // A PNG signature and IHDR of 100000 x 100000 RGBA; a TGA header of 1000 x 1000 without texels,
  // which the decoder would fill in; an RLE TGA of grey 16384 x 4097, a row more than
  // kMaxImageBytes holds; a JPEG Huffman table of 16 * 255 codes, more than the decoder can hold.
  const auto huge = "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\x01\x86\xa0\0\x01\x86\xa0\x08\x06\0\0\0"sv;
  const auto empty = "\0\0\x0b\0\0\0\0\0\0\0\0\0\xe8\x03\xe8\x03\x08\0"sv;
  std::string tall("\0\0\x0b\0\0\0\0\0\0\0\0\0\0\x40\x01\x10\x08\0"sv);
  for (int run = 0; run < 128 * 4097; ++run) {
    tall += "\xff\x80"sv;
  }
  const auto codes =
      "\xff\xd8\xff\xc4\0\x13\0\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff"sv;
  const std::string_view cut(reinterpret_cast<const char*>(png.data()), 40);
  for (const std::string_view bad :
       {""sv, "not an image"sv, cut, huge, empty, std::string_view(tall), codes}) {
    Image image;
    ASSERT_TRUE(decodeImage(encode('p', 1, 1, 3, {1, 2, 3}), ImageUse::colour, image));
    EXPECT_FALSE(decodeImage({reinterpret_cast<const uint8_t*>(bad.data()), bad.size()},
                             ImageUse::colour, image))
        << bad.size() << " bytes";
    EXPECT_TRUE(image.pixels.empty() && image.width == 0 && image.height == 0);
  }
  Image image;
  const std::string file = writeTestFile("texture.png", std::string(png.begin(), png.end()));
  EXPECT_TRUE(readImage(file, ImageUse::colour, image));
  EXPECT_EQ(image.pixels, kColour);
  EXPECT_FALSE(readImage(testFolder(), ImageUse::colour, image));
  EXPECT_TRUE(image.pixels.empty());
  EXPECT_FALSE(readImage(file + ".missing", ImageUse::mask, image));
}

}  // namespace
