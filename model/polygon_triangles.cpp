#include "model/polygon_triangles.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#define PALVETTA_GLU_CALLBACK CALLBACK
#else
#define PALVETTA_GLU_CALLBACK
#endif
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdint>
#include <new>

struct PolygonCutter {
  GLUtesselator* tess = nullptr;
  std::vector<GLdouble> coords;  // 3 per corner, alive until the polygon ends
  PolygonCut* cut = nullptr;
  int32_t cornerCount = 0;
  bool failed = false;  // the tessellator reported an error
  bool outOfMemory = false;
};

namespace {

// A vertex's data pointer carries its corner number; nothing is allocated per corner.
void* asData(int32_t corner) {
  return reinterpret_cast<void*>(static_cast<intptr_t>(corner));
}

int32_t asCorner(void* data) {
  return static_cast<int32_t>(reinterpret_cast<intptr_t>(data));
}

// The tessellator is C: nothing may be thrown through it, so failures are noted and thrown later.
template <typename Job>
void noting(PolygonCutter& cutter, Job job) {
  try {
    job();
  } catch (...) {
    cutter.outOfMemory = true;
  }
}

void PALVETTA_GLU_CALLBACK onBegin(GLenum, void*) {}

// With an edge-flag callback the tessellator hands out separate triangles only: no fans or strips.
void PALVETTA_GLU_CALLBACK onEdgeFlag(GLboolean, void*) {}

void PALVETTA_GLU_CALLBACK onVertex(void* vertex, void* polygon) {
  auto& cutter = *static_cast<PolygonCutter*>(polygon);
  noting(cutter, [&] { cutter.cut->triangles.push_back(asCorner(vertex)); });
}

void PALVETTA_GLU_CALLBACK onCombine(GLdouble coords[3], void* from[4], GLfloat weights[4],
                                     void** made, void* polygon) {
  auto& cutter = *static_cast<PolygonCutter*>(polygon);
  NewPolygonPoint point{
      {static_cast<float>(coords[0]), static_cast<float>(coords[1]), static_cast<float>(coords[2])},
      {-1, -1, -1, -1}};
  for (int k = 0; k < 4; ++k) {
    if (from[k] != nullptr && weights[k] > 0.0f) {
      point.from[k] = asCorner(from[k]);
    }
  }
  const auto number = cutter.cornerCount + static_cast<int32_t>(cutter.cut->newPoints.size());
  noting(cutter, [&] { cutter.cut->newPoints.push_back(point); });
  *made = asData(number);
}

void PALVETTA_GLU_CALLBACK onError(GLenum, void* polygon) {
  static_cast<PolygonCutter*>(polygon)->failed = true;
}

void PALVETTA_GLU_CALLBACK onEnd(void*) {}

template <typename Callback>
void setCallback(GLUtesselator* tess, GLenum which, Callback callback) {
#ifdef _WIN32
  gluTessCallback(tess, which, reinterpret_cast<void(CALLBACK*)()>(callback));
#else
  gluTessCallback(tess, which, reinterpret_cast<_GLUfuncptr>(callback));
#endif
}

// Newell's normal: its direction is the one about which the polygon runs counter-clockwise, so
// the tessellator's counter-clockwise triangles keep the polygon's winding.
void polygonNormal(std::span<const Vec3> corners, GLdouble normal[3]) {
  normal[0] = normal[1] = normal[2] = 0.0;
  for (std::size_t i = 0; i < corners.size(); ++i) {
    const Vec3& a = corners[i];
    const Vec3& b = corners[(i + 1) % corners.size()];
    normal[0] += (static_cast<double>(a.y) - b.y) * (static_cast<double>(a.z) + b.z);
    normal[1] += (static_cast<double>(a.z) - b.z) * (static_cast<double>(a.x) + b.x);
    normal[2] += (static_cast<double>(a.x) - b.x) * (static_cast<double>(a.y) + b.y);
  }
}

}  // namespace

void PolygonCutterDeleter::operator()(PolygonCutter* cutter) const {
  if (cutter->tess != nullptr) {
    gluDeleteTess(cutter->tess);
  }
  delete cutter;
}

PolygonCutterHandle newPolygonCutter() {
  PolygonCutterHandle cutter(new PolygonCutter);
  cutter->tess = gluNewTess();
  if (cutter->tess == nullptr) {
    throw std::bad_alloc();
  }
  setCallback(cutter->tess, GLU_TESS_BEGIN_DATA, onBegin);
  setCallback(cutter->tess, GLU_TESS_EDGE_FLAG_DATA, onEdgeFlag);
  setCallback(cutter->tess, GLU_TESS_VERTEX_DATA, onVertex);
  setCallback(cutter->tess, GLU_TESS_COMBINE_DATA, onCombine);
  setCallback(cutter->tess, GLU_TESS_ERROR_DATA, onError);
  setCallback(cutter->tess, GLU_TESS_END_DATA, onEnd);
  gluTessProperty(cutter->tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
  return cutter;
}

bool cutPolygon(PolygonCutter& cutter, std::span<const Vec3> corners, PolygonCut& cut) {
  cut.triangles.clear();
  cut.newPoints.clear();
  cutter.coords.resize(3 * corners.size());
  for (std::size_t i = 0; i < corners.size(); ++i) {
    cutter.coords[3 * i] = corners[i].x;
    cutter.coords[3 * i + 1] = corners[i].y;
    cutter.coords[3 * i + 2] = corners[i].z;
  }
  cutter.cut = &cut;
  cutter.cornerCount = static_cast<int32_t>(corners.size());
  cutter.failed = false;
  cutter.outOfMemory = false;
  GLdouble normal[3];
  polygonNormal(corners, normal);
  gluTessNormal(cutter.tess, normal[0], normal[1], normal[2]);
  gluTessBeginPolygon(cutter.tess, &cutter);
  gluTessBeginContour(cutter.tess);
  for (std::size_t i = 0; i < corners.size(); ++i) {
    gluTessVertex(cutter.tess, &cutter.coords[3 * i], asData(static_cast<int32_t>(i)));
  }
  gluTessEndContour(cutter.tess);
  gluTessEndPolygon(cutter.tess);
  if (cutter.outOfMemory) {
    throw std::bad_alloc();
  }
  if (cutter.failed || cut.triangles.size() % 3 != 0) {
    cut.triangles.clear();
    cut.newPoints.clear();
    return false;
  }
  return true;
}
