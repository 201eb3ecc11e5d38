// The image decoder on arbitrary bytes, for both uses: an image it accepts keeps the promises of
// image.h, one it refuses leaves nothing behind, and both uses agree on the sides.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "model/image.h"

namespace {

bool keepsPromises(bool decoded, const Image& image, int32_t channels) {
  if (!decoded) {
    return image.width == 0 && image.height == 0 && image.channels == 0 && image.pixels.empty();
  }
  return image.width > 0 && image.height > 0 && image.width <= kMaxImageSide &&
         image.height <= kMaxImageSide && image.channels == channels &&
         static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4 <=
             kMaxImageBytes &&
         image.pixels.size() == static_cast<std::size_t>(image.width) *
                                    static_cast<std::size_t>(image.height) *
                                    static_cast<std::size_t>(channels);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  Image colour;
  Image mask;
  const bool colourDecoded = decodeImage(bytes, ImageUse::colour, colour);
  const bool maskDecoded = decodeImage(bytes, ImageUse::mask, mask);
  if (!keepsPromises(colourDecoded, colour, 3) || !keepsPromises(maskDecoded, mask, 1) ||
      (colourDecoded && maskDecoded &&
       (colour.width != mask.width || colour.height != mask.height))) {
    std::abort();
  }
  return 0;
}
