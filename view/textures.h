// The textures of a model's materials, made from the model's decoded images in the OpenGL context
// that draws it, and kept with the model (`drawingObjects`) until it goes.
//
// A material's texture holds its colour image (map_Kd) as RGB, its alpha left out; with a cut-out
// image (map_d) beside it, that one's alpha, or its grey, becomes the texture's alpha, sampled at
// the colour image's size; a cut-out image alone gives white with its alpha. Materials naming the
// same images the same way share one texture. Every texture has mipmaps made by GLU, which also
// scales an image whose sides are not powers of two, or are larger than the context takes, to
// sides that are. It repeats outside 0 ... 1, or its edge goes on where the colour image's map asks
// for clamping.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <map>
#include <tuple>
#include <unordered_map>

#include "model/obj_model.h"

// What drawing needs of a material's texture; `name` 0 when it has none.
struct MaterialTexture {
  GLuint name = 0;
  const TextureMap* map = nullptr;  // where it lies on the surface
  bool hasColour = false;           // false: the material's colour, cut out
  bool cutOut = false;
};

struct ModelTextures {
  std::map<std::tuple<int32_t, int32_t, bool>, GLuint> byImages;  // colour, cut-out, clamped
  std::unordered_map<const ObjMaterial*, MaterialTexture> byMaterial;
};

// Makes the textures of every material of `model` that has images, with its context current,
// and then frees the model's decoded images, which OpenGL holds from then on.
void makeTextures(ModelTextures& textures, const ObjModel& model);
// The texture of `material`; one whose `name` is 0 when it has none (or is null).
const MaterialTexture& materialTexture(const ModelTextures& textures, const ObjMaterial* material);
void deleteTextures(ModelTextures& textures);
