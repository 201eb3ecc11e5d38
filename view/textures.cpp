#include "view/textures.h"

#include <GL/glu.h>

#include <cstddef>
#include <vector>

// The Windows headers stop at OpenGL 1.1; every driver of later versions knows the value.
#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif

namespace {

const Image* imageOf(const ObjModel& model, const TextureMap& map) {
  return map.image == kNoIndex ? nullptr : &model.images[static_cast<std::size_t>(map.image)];
}

// The cut-out's texel under texel (x, y) of an image `width` x `height`, nearest to it.
uint8_t maskAt(const Image& mask, int32_t x, int32_t y, int32_t width, int32_t height) {
  const auto mx = static_cast<int64_t>(x) * mask.width / width;
  const auto my = static_cast<int64_t>(y) * mask.height / height;
  return mask.pixels[static_cast<std::size_t>(my * mask.width + mx)];
}

// RGB, or RGBA with the cut-out's alpha: white where there is no colour image.
std::vector<uint8_t> texels(const Image* colour, const Image* mask, int32_t width, int32_t height) {
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  if (mask == nullptr) {
    return colour->pixels;
  }
  std::vector<uint8_t> rgba(4 * count, 255);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                             static_cast<std::size_t>(x);
      if (colour != nullptr) {
        rgba[4 * at] = colour->pixels[3 * at];
        rgba[4 * at + 1] = colour->pixels[3 * at + 1];
        rgba[4 * at + 2] = colour->pixels[3 * at + 2];
      }
      rgba[4 * at + 3] = maskAt(*mask, x, y, width, height);
    }
  }
  return rgba;
}

GLuint makeTexture(const Image* colour, const Image* mask, bool clamp) {
  const Image& sized = colour != nullptr ? *colour : *mask;
  const std::vector<uint8_t> data = texels(colour, mask, sized.width, sized.height);
  const GLenum format = mask != nullptr ? GL_RGBA : GL_RGB;
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  const GLint wrap = clamp ? GL_CLAMP_TO_EDGE : GL_REPEAT;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  // Rows of RGB texels are not padded to four bytes.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(format), sized.width, sized.height, format,
                    GL_UNSIGNED_BYTE, data.data());
  return name;
}

}  // namespace

const MaterialTexture& materialTexture(ModelTextures& textures, const ObjModel& model,
                                       const ObjMaterial* material) {
  static const MaterialTexture kNone;
  if (material == nullptr) {
    return kNone;
  }
  const auto [found, added] = textures.byMaterial.try_emplace(material);
  MaterialTexture& texture = found->second;
  if (!added) {
    return texture;
  }
  const Image* colour = imageOf(model, material->diffuseMap);
  const Image* mask = imageOf(model, material->cutOutMap);
  if (colour == nullptr && mask == nullptr) {
    return texture;
  }
  texture.map = colour != nullptr ? &material->diffuseMap : &material->cutOutMap;
  texture.hasColour = colour != nullptr;
  texture.cutOut = mask != nullptr;
  const auto key =
      std::make_tuple(material->diffuseMap.image, material->cutOutMap.image, texture.map->clamp);
  const auto [shared, made] = textures.byImages.try_emplace(key, 0);
  if (made) {
    shared->second = makeTexture(colour, mask, texture.map->clamp);
  }
  texture.name = shared->second;
  return texture;
}

void deleteTextures(ModelTextures& textures) {
  for (const auto& [key, name] : textures.byImages) {
    glDeleteTextures(1, &name);
  }
  textures.byImages.clear();
  textures.byMaterial.clear();
}
