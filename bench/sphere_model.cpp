#include "bench/sphere_model.h"

#include <cmath>
#include <cstddef>
#include <numbers>

std::unique_ptr<ObjModel> bandedSphere(int rings, int segments, int ringsPerBand) {
  auto model = std::make_unique<ObjModel>();
  for (int r = 0; r <= rings; ++r) {
    for (int s = 0; s < segments; ++s) {
      const double polar = std::numbers::pi * r / rings;
      const double around = 2 * std::numbers::pi * s / segments;
      const Vec3 n = {static_cast<float>(std::sin(polar) * std::cos(around)),
                      static_cast<float>(std::cos(polar)),
                      static_cast<float>(std::sin(polar) * std::sin(around))};
      model->positions.push_back(n);
      model->normals.push_back(n);
    }
  }
  for (const Rgb colour : {Rgb{0.9f, 0.5f, 0.2f}, Rgb{0.2f, 0.5f, 0.9f}}) {
    model->ownedMaterials.push_back(std::make_unique<ObjMaterial>());
    model->ownedMaterials.back()->diffuse = colour;
  }
  const auto at = [segments](int r, int s) { return r * segments + s % segments; };
  const std::size_t corners =
      6 * static_cast<std::size_t>(rings) * static_cast<std::size_t>(segments);
  model->faceVertexIndex.reserve(corners);
  model->faceNormalIndex.reserve(corners);
  model->faceMaterial.reserve(corners / 3);
  for (int r = 0; r < rings; ++r) {
    const ObjMaterial* band =
        model->ownedMaterials[static_cast<std::size_t>((r / ringsPerBand) % 2)].get();
    for (int s = 0; s < segments; ++s) {
      const int quad[2][3] = {{at(r, s), at(r, s + 1), at(r + 1, s)},
                              {at(r + 1, s), at(r, s + 1), at(r + 1, s + 1)}};
      for (const auto& triangle : quad) {
        model->faceVertexIndex.insert(model->faceVertexIndex.end(), triangle, triangle + 3);
        model->faceNormalIndex.insert(model->faceNormalIndex.end(), triangle, triangle + 3);
        model->faceMaterial.push_back(band);
      }
    }
  }
  model->positionCount = static_cast<int32_t>(model->positions.size());
  model->normalCount = static_cast<int32_t>(model->normals.size());
  model->faceCount = static_cast<int32_t>(model->faceMaterial.size());
  model->colouring = Colouring::byMaterial;
  return model;
}
