#include "model/obj_model.h"

#include <cstddef>

namespace {

bool indexBelow(int32_t index, int32_t count, std::size_t stored) {
  return index >= 0 && index < count && static_cast<std::size_t>(index) < stored;
}

}  // namespace

bool faceIndicesInRange(const ObjModel& model, int32_t face) {
  if (face < 0 || face >= model.faceCount) {
    return false;
  }
  const std::size_t first = 3 * static_cast<std::size_t>(face);
  if (first + 3 > model.faceVertexIndex.size() || first + 3 > model.faceNormalIndex.size()) {
    return false;
  }
  for (std::size_t k = first; k < first + 3; ++k) {
    if (!indexBelow(model.faceVertexIndex[k], model.positionCount, model.positions.size()) ||
        !indexBelow(model.faceNormalIndex[k], model.normalCount, model.normals.size())) {
      return false;
    }
  }
  return true;
}
