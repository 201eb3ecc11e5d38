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

// RGBA with the cut-out's alpha: white where there is no colour image.
std::vector<uint8_t> cutOutTexels(const Image* colour, const Image& mask, int32_t width,
                                  int32_t height) {
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
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
      rgba[4 * at + 3] = maskAt(mask, x, y, width, height);
    }
  }
  return rgba;
}

GLuint makeTexture(const Image* colour, const Image* mask, bool clamp) {
  const Image& sized = colour != nullptr ? *colour : *mask;
  const std::vector<uint8_t> rgba = mask != nullptr
                                        ? cutOutTexels(colour, *mask, sized.width, sized.height)
                                        : std::vector<uint8_t>();
  const uint8_t* data = mask != nullptr ? rgba.data() : colour->pixels.data();
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
                    GL_UNSIGNED_BYTE, data);
  return name;
}

// The texture of one material, made unless another material's serves.
MaterialTexture makeMaterialTexture(ModelTextures& textures, const ObjModel& model,
                                    const ObjMaterial& material) {
  MaterialTexture texture;
  const Image* colour = imageOf(model, material.diffuseMap);
  const Image* mask = imageOf(model, material.cutOutMap);
  if (colour == nullptr && mask == nullptr) {
    return texture;
  }
  texture.map = colour != nullptr ? &material.diffuseMap : &material.cutOutMap;
  texture.hasColour = colour != nullptr;
  texture.cutOut = mask != nullptr;
  const auto key =
      std::make_tuple(material.diffuseMap.image, material.cutOutMap.image, texture.map->clamp);
  const auto [shared, made] = textures.byImages.try_emplace(key, 0);
  if (made) {
    shared->second = makeTexture(colour, mask, texture.map->clamp);
  }
  texture.name = shared->second;
  return texture;
}

}  // namespace

void makeTextures(ModelTextures& textures, const ObjModel& model) {
  if (model.images.empty()) {
    return;
  }
  for (const std::unique_ptr<ObjMaterial>& material : model.ownedMaterials) {
    const MaterialTexture texture = makeMaterialTexture(textures, model, *material);
    if (texture.name != 0) {
      textures.byMaterial.emplace(material.get(), texture);
    }
  }
  // OpenGL holds the texels now; the decoded copies would only double the memory.
  model.images.clear();
  model.images.shrink_to_fit();
}

const MaterialTexture& materialTexture(const ModelTextures& textures, const ObjMaterial* material) {
  static const MaterialTexture kNone;
  const auto found = textures.byMaterial.find(material);
  return found == textures.byMaterial.end() ? kNone : found->second;
}

void deleteTextures(ModelTextures& textures) {
  for (const auto& [key, name] : textures.byImages) {
    glDeleteTextures(1, &name);
  }
  textures.byImages.clear();
  textures.byMaterial.clear();
}
