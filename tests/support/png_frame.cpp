#include "tests/support/png_frame.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include <gtest/gtest.h>


namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

std::size_t rowBytes(const Frame& frame) { return 3 * static_cast<std::size_t>(frame.width); }

}  // namespace

Frame readPngFrame(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    return {};
  }
  image.format = PNG_FORMAT_RGB;
  Frame frame;
  frame.width = static_cast<int>(image.width);
  frame.height = static_cast<int>(image.height);
  frame.rgb.resize(rowBytes(frame) * frame.height);
  // A negative stride hands the rows over bottom-up.
  const auto stride = -static_cast<png_int_32>(rowBytes(frame));
  if (!png_image_finish_read(&image, nullptr, frame.rgb.data(), stride, nullptr)) {
    png_image_free(&image);
    return {};
  }
  return frame;
}

bool writePngFrame(const std::string& path, const Frame& frame) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(frame.width);
  image.height = static_cast<png_uint_32>(frame.height);
  image.format = PNG_FORMAT_RGB;
  const auto stride = -static_cast<png_int_32>(rowBytes(frame));
  return png_image_write_to_file(&image, path.c_str(), 0, frame.rgb.data(), stride, nullptr) != 0;
}

Frame baselineFrame(const std::string& name) {
  return readPngFrame(std::string(PALVETTA_FRAMES) + "/" + name + ".png");
}

int countMismatches(const Frame& frame, const Frame& baseline) {
  if (frame.width != baseline.width || frame.height != baseline.height ||
      frame.rgb.size() != baseline.rgb.size()) {
    return std::max(frame.width * frame.height, baseline.width * baseline.height);
  }
  int count = 0;
  for (std::size_t i = 0; i < frame.rgb.size(); i += 3) {
    bool near = true;
    for (std::size_t c = 0; c < 3; ++c) {
      near = near && std::abs(frame.rgb[i + c] - baseline.rgb[i + c]) <= kBaselineTolerance;
    }
    count += near ? 0 : 1;
  }
  return count;
}

::testing::AssertionResult matchesBaseline(const Frame& frame, const std::string& name) {
  const Frame baseline = baselineFrame(name);
  if (baseline.width == 0) {
    return ::testing::AssertionFailure() << "no baseline " << name;
  }
  const int mismatches = countMismatches(frame, baseline);
  if (mismatches == 0) {
    return ::testing::AssertionSuccess();
  }
  std::filesystem::create_directories(PALVETTA_FAILED_FRAMES);
  const std::string actual = std::string(PALVETTA_FAILED_FRAMES) + "/" + name + "-actual.png";
  writePngFrame(actual, frame);
  return ::testing::AssertionFailure()
         << mismatches << " pixels of a " << frame.width << " x " << frame.height
         << " frame differ from baseline " << name << " (frame written to " << actual << ")";
}
