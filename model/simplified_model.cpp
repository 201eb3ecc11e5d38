#include "model/simplified_model.h"

std::unique_ptr<ObjModel> simplifiedModel(const ObjModel& /*model*/) {
  return nullptr;
}
