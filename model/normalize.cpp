#include "model/normalize.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// Running bounds of one coordinate, over its finite values only.
struct Range {
  bool any = false;
  float min = 0.0f;
  float max = 0.0f;

  void take(float v) {
    if (!std::isfinite(v)) {
      return;
    }
    if (!any) {
      min = max = v;
      any = true;
      return;
    }
    if (v < min) {
      min = v;
    }
    if (v > max) {
      max = v;
    }
  }

  float extent() const { return any ? max - min : 0.0f; }
  float magnitude() const { return any ? std::max(std::fabs(min), std::fabs(max)) : 0.0f; }
};

// A scale that turns a positive finite extent into `target` and keeps every finite coordinate
// finite; 1 (leave the positions alone) for anything else.
float chooseScale(float extent, float target, float largestMagnitude) {
  if (!(extent > 0.0f) || !std::isfinite(extent)) {
    return 1.0f;
  }
  const float scale = target / extent;
  if (!std::isfinite(scale) || !std::isfinite(largestMagnitude * std::fabs(scale))) {
    return 1.0f;
  }
  return scale;
}

}  // namespace

float normalizeModel(ObjModel* model, float target) {
  if (model == nullptr || model->positionCount <= 0) {
    return 0.0f;
  }
  // A hand-built model may claim more positions than it stores; never read past the list.
  const std::size_t count =
      std::min(static_cast<std::size_t>(model->positionCount), model->positions.size());
  Range x;
  Range y;
  Range z;
  for (std::size_t i = 0; i < count; ++i) {
    x.take(model->positions[i].x);
    y.take(model->positions[i].y);
    z.take(model->positions[i].z);
  }
  const float width = x.extent();
  const float depth = z.extent();
  const float extent = width > depth ? width : depth;
  const float largest = std::max({x.magnitude(), y.magnitude(), z.magnitude()});
  const float scale = chooseScale(extent, target, largest);
  if (scale != 1.0f) {
    for (std::size_t i = 0; i < count; ++i) {
      Vec3& p = model->positions[i];
      p.x *= scale;
      p.y *= scale;
      p.z *= scale;
    }
  }
  return y.any ? y.min * scale : 0.0f;
}

float placeWholeModel(ObjModel* model, float target) {
  if (model == nullptr) {
    return 0.0f;
  }
  Range x;
  Range y;
  Range z;
  for (int32_t f = 0; f < model->faceCount; ++f) {
    if (!faceIndicesInRange(*model, f)) {
      continue;
    }
    for (std::size_t k = 0; k < 3; ++k) {
      const Vec3& p = model->positions[model->faceVertexIndex[3 * static_cast<std::size_t>(f) + k]];
      x.take(p.x);
      y.take(p.y);
      z.take(p.z);
    }
  }
  if (!x.any || !y.any || !z.any) {
    return 0.0f;
  }
  // In double precision: the extent of coordinates near float's limits still fits.
  auto extentOf = [](const Range& r) { return static_cast<double>(r.max) - r.min; };
  const double extent = std::max({extentOf(x), extentOf(y), extentOf(z)});
  const double fitted = extent > 0.0 ? target / extent : 0.0;
  const double scale = fitted > 0.0 && std::isfinite(fitted) ? fitted : 1.0;
  const double middleX = (static_cast<double>(x.min) + x.max) / 2.0;
  const double middleZ = (static_cast<double>(z.min) + z.max) / 2.0;
  const double lowest = y.min;
  const auto claimed = static_cast<std::size_t>(std::max(model->positionCount, 0));
  const std::size_t count = std::min(claimed, model->positions.size());
  for (std::size_t i = 0; i < count; ++i) {
    Vec3& p = model->positions[i];
    p.x = static_cast<float>((p.x - middleX) * scale);
    p.y = static_cast<float>((p.y - lowest) * scale);
    p.z = static_cast<float>((p.z - middleZ) * scale);
  }
  return 0.0f;
}
