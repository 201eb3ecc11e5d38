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

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <optional>
#include <utility>

struct PolygonCutter {
  GLUtesselator* tess = nullptr;
  std::vector<GLdouble> coords;  // 3 per corner, alive until the polygon ends
  PolygonCut* cut = nullptr;
  int32_t cornerCount = 0;
  int swapped[2] = {0, 0};  // two coordinates given to the tessellator the other way round
  bool failed = false;      // the tessellator reported an error
  bool outOfMemory = false;
};

namespace {

// A vertex's data pointer carries its corner number, plus one so that the first corner is not the
// null pointer the tessellator gives for no vertex; nothing is allocated per corner.
void* asData(int32_t corner) {
  return reinterpret_cast<void*>(static_cast<intptr_t>(corner) + 1);
}

int32_t asCorner(void* data) {
  return static_cast<int32_t>(reinterpret_cast<intptr_t>(data) - 1);
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
  GLdouble at[3] = {coords[0], coords[1], coords[2]};  // the tessellator's own, kept as they are
  std::swap(at[cutter.swapped[0]], at[cutter.swapped[1]]);
  NewPolygonPoint point{
      {static_cast<float>(at[0]), static_cast<float>(at[1]), static_cast<float>(at[2])},
      {-1, -1, -1, -1},
      {0.0f, 0.0f, 0.0f, 0.0f}};
  for (int k = 0; k < 4; ++k) {
    if (from[k] != nullptr && weights[k] > 0.0f) {
      point.from[k] = asCorner(from[k]);
      point.weights[k] = weights[k];
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

// ---------------------------------------------------------------------------------------------
// What cutting costs. The tessellator sweeps the polygon, projected along its normal's largest
// axis, in the order of one projected coordinate and, for ties, the other. Where the boundary
// turns back against the sweep, and where two edges cross, it joins or splits the region it is
// building, and each time it may walk that region's whole boundary.

// The work a polygon may cost, in steps of such walks per corner. A star of 1024 corners turns at
// nearly every corner and takes all of it: a few milliseconds.
constexpr double kCutStepsPerCorner = 1024.0;

// Measured: a crossing makes the tessellator walk about four times as far as a turn does.
constexpr double kStepsPerCrossing = 4.0;

// How the tessellator is to sweep a polygon. `swapped`: along the second coordinate of the plane it
// projects onto rather than the first, by giving it two coordinates exchanged; `reversed`: with
// ties broken the other way, by giving it the opposite normal. The triangles and new points are
// the same either way, up to rounding where edges cross or overlap.
struct PolygonSweep {
  bool swapped = false;
  bool reversed = false;
};

struct SweepPoint {
  double s;  // along the sweep
  double t;
};

bool sweptBefore(const SweepPoint& a, const SweepPoint& b) {
  return a.s < b.s || (a.s == b.s && a.t < b.t);
}

bool samePoint(const SweepPoint& a, const SweepPoint& b) {
  return a.s == b.s && a.t == b.t;
}

float coordinate(const Vec3& v, int axis) {
  return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

// The axis the tessellator projects along: the normal's largest part, the first of equal ones.
int longAxis(const GLdouble normal[3]) {
  const int axis = std::fabs(normal[1]) > std::fabs(normal[0]) ? 1 : 0;
  return std::fabs(normal[2]) > std::fabs(normal[axis]) ? 2 : axis;
}

// The plane the tessellator sweeps: across the normal's largest part, its first coordinate along
// the sweep and its second turning with the normal, which breaks ties in the sweep. The
// tessellator finds a normal of its own where Newell's has none, as for a figure eight: the
// estimate then looks across the polygon's flattest extent, and the sweep cannot be chosen.
struct SweepPlane {
  int axis;
  double turn;      // 1 or -1
  bool reversible;  // the tessellator takes the normal given, or its opposite
  bool swappable;   // and keeps the axis when two coordinates are exchanged
};

SweepPlane sweepPlane(std::span<const Vec3> corners) {
  GLdouble normal[3];
  polygonNormal(corners, normal);
  if (normal[0] != 0.0 || normal[1] != 0.0 || normal[2] != 0.0) {
    const int axis = longAxis(normal);
    const double largest = std::fabs(normal[axis]);
    const bool alone =
        largest > std::fabs(normal[(axis + 1) % 3]) && largest > std::fabs(normal[(axis + 2) % 3]);
    return {axis, normal[axis] < 0.0 ? -1.0 : 1.0, true, alone};
  }
  double extent[3];
  for (int k = 0; k < 3; ++k) {
    const auto [low, high] = std::minmax_element(
        corners.begin(), corners.end(),
        [k](const Vec3& a, const Vec3& b) { return coordinate(a, k) < coordinate(b, k); });
    extent[k] = static_cast<double>(coordinate(*high, k)) - coordinate(*low, k);
  }
  const int axis = extent[1] < extent[0] ? 1 : 0;
  return {extent[2] < extent[axis] ? 2 : axis, 1.0, false, false};
}

// The corners as the tessellator sees them in the given sweep, without corners that repeat the
// one before: an edge of no length turns nothing and crosses nothing.
std::vector<SweepPoint> sweepPoints(std::span<const Vec3> corners, const SweepPlane& plane,
                                    PolygonSweep sweep) {
  int along = (plane.axis + 1) % 3;
  int across = (plane.axis + 2) % 3;
  // Coordinates given the other way round reverse the normal, and so the second coordinate.
  double turn = sweep.swapped ? -plane.turn : plane.turn;
  if (sweep.swapped) {
    std::swap(along, across);
  }
  turn = sweep.reversed ? -turn : turn;
  std::vector<SweepPoint> points;
  points.reserve(corners.size());
  for (const Vec3& c : corners) {
    const SweepPoint p{coordinate(c, along), turn * coordinate(c, across)};
    if (points.empty() || !samePoint(points.back(), p)) {
      points.push_back(p);
    }
  }
  while (points.size() > 1 && samePoint(points.back(), points.front())) {
    points.pop_back();
  }
  return points;
}

bool forward(std::span<const SweepPoint> p, std::size_t edge) {
  return sweptBefore(p[edge], p[(edge + 1) % p.size()]);
}

bool turnsAt(std::span<const SweepPoint> p, std::size_t corner) {
  return forward(p, (corner + p.size() - 1) % p.size()) != forward(p, corner);
}

// A run of the boundary from one turn to the next, its corner numbers in sweep order. Its own
// edges cannot cross, and it can cross another run only where both cover the same span.
struct Run {
  std::span<const uint32_t> corners;
  double low;  // the least and greatest second coordinate
  double high;
};

std::vector<Run> sweepRuns(std::span<const SweepPoint> p, std::vector<uint32_t>& numbers) {
  const std::size_t n = p.size();
  std::size_t start = 0;
  while (!turnsAt(p, start)) {  // a closed boundary turns at least twice
    ++start;
  }
  numbers.clear();
  std::vector<std::size_t> ends;  // of each run in `numbers`
  for (std::size_t i = 0; i < n; ++i) {
    const auto corner = static_cast<uint32_t>((start + i) % n);
    if (i > 0 && turnsAt(p, corner)) {  // the turn ends one run and starts the next
      numbers.push_back(corner);
      ends.push_back(numbers.size());
    }
    numbers.push_back(corner);
  }
  numbers.push_back(static_cast<uint32_t>(start));
  ends.push_back(numbers.size());
  std::vector<Run> runs;
  auto first = numbers.begin();
  for (const std::size_t end : ends) {
    const auto last = numbers.begin() + static_cast<std::ptrdiff_t>(end);
    if (!forward(p, *first)) {
      std::reverse(first, last);
    }
    const auto [low, high] =
        std::minmax_element(first, last, [p](uint32_t a, uint32_t b) { return p[a].t < p[b].t; });
    runs.push_back({{first, last}, p[*low].t, p[*high].t});
    first = last;
  }
  return runs;
}

int orientation(const SweepPoint& a, const SweepPoint& b, const SweepPoint& c) {
  const double turn = (b.s - a.s) * (c.t - a.t) - (b.t - a.t) * (c.s - a.s);
  return (turn > 0.0) - (turn < 0.0);
}

// Whether two edges, each given from its earlier end in sweep order, cross or touch.
bool edgesMeet(const SweepPoint& a, const SweepPoint& b, const SweepPoint& c, const SweepPoint& d) {
  const int c1 = orientation(a, b, c);
  const int d1 = orientation(a, b, d);
  if (c1 == 0 && d1 == 0) {  // on one line: they meet where their spans overlap
    return !sweptBefore(b, c) && !sweptBefore(d, a);
  }
  return c1 * d1 <= 0 && orientation(c, d, a) * orientation(c, d, b) <= 0;
}

// The crossings of two runs' edges, counted up to one more than `limit`: one walk along the span
// both cover, each edge of the one against the edges of the other beside it.
std::size_t crossingsBetween(std::span<const SweepPoint> p, std::span<const uint32_t> a,
                             std::span<const uint32_t> b, std::size_t limit) {
  const SweepPoint& from = sweptBefore(p[a.front()], p[b.front()]) ? p[b.front()] : p[a.front()];
  const auto edgeAt = [&](std::span<const uint32_t> run) {
    const auto after = std::upper_bound(
        run.begin() + 1, run.end() - 1, from,
        [p](const SweepPoint& point, uint32_t corner) { return sweptBefore(point, p[corner]); });
    return static_cast<std::size_t>(after - run.begin()) - 1;
  };
  std::size_t crossings = 0;
  for (std::size_t i = edgeAt(a), j = edgeAt(b); i + 1 < a.size() && j + 1 < b.size();) {
    const bool neighbours =
        a[i] == b[j] || a[i] == b[j + 1] || a[i + 1] == b[j] || a[i + 1] == b[j + 1];
    if (!neighbours && edgesMeet(p[a[i]], p[a[i + 1]], p[b[j]], p[b[j + 1]]) &&
        ++crossings > limit) {
      break;
    }
    const bool aEndsFirst = !sweptBefore(p[b[j + 1]], p[a[i + 1]]);
    const bool bEndsFirst = !sweptBefore(p[a[i + 1]], p[b[j + 1]]);
    i += aEndsFirst ? 1 : 0;
    j += bEndsFirst ? 1 : 0;
  }
  return crossings;
}

double cuttingWork(std::size_t turns, std::size_t edges, double crossings) {
  return (static_cast<double>(turns) + kStepsPerCrossing * crossings) *
         (static_cast<double>(edges) + crossings);
}

// The most crossings the budget leaves a polygon of these turns and edges.
std::size_t crossingsAllowed(std::size_t turns, std::size_t edges) {
  const double budget = kCutStepsPerCorner * static_cast<double>(edges);
  // The root of the quadratic cuttingWork(k) = budget, then made exact against rounding.
  const double b = kStepsPerCrossing * static_cast<double>(edges) + static_cast<double>(turns);
  const double c = cuttingWork(turns, edges, 0.0) - budget;
  const double root =
      (std::sqrt(b * b - 4.0 * kStepsPerCrossing * c) - b) / (2 * kStepsPerCrossing);
  auto allowed = static_cast<std::size_t>(std::max(root, 0.0));
  while (cuttingWork(turns, edges, static_cast<double>(allowed + 1)) <= budget) {
    ++allowed;
  }
  while (allowed > 0 && cuttingWork(turns, edges, static_cast<double>(allowed)) > budget) {
    --allowed;
  }
  return allowed;
}

std::size_t turnCount(std::span<const SweepPoint> points) {
  std::size_t turns = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    turns += turnsAt(points, i) ? 1 : 0;
  }
  return turns;
}

// Whether the crossings of the polygon's edges stay within what the budget leaves its turns.
bool fewCrossings(std::span<const SweepPoint> points, std::size_t turns) {
  // Each pair of runs is walked once over the span they share: no more than turns * edges steps.
  std::size_t allowed = crossingsAllowed(turns, points.size());
  std::vector<uint32_t> numbers;
  std::vector<Run> runs = sweepRuns(points, numbers);
  std::sort(runs.begin(), runs.end(), [&](const Run& a, const Run& b) {
    return sweptBefore(points[a.corners.front()], points[b.corners.front()]);
  });
  for (std::size_t r = 0; r < runs.size(); ++r) {
    const Run& a = runs[r];
    for (std::size_t q = r + 1;
         q < runs.size() && !sweptBefore(points[a.corners.back()], points[runs[q].corners.front()]);
         ++q) {
      const Run& b = runs[q];
      if (b.high < a.low || a.high < b.low) {
        continue;
      }
      const std::size_t found = crossingsBetween(points, a.corners, b.corners, allowed);
      if (found > allowed) {
        return false;
      }
      allowed -= found;
    }
  }
  return true;
}

// Of the sweeps the tessellator can be given, the one along which the boundary turns least, when
// the estimate of the work stays within the budget.
std::optional<PolygonSweep> cheapSweep(std::span<const Vec3> corners) {
  if (corners.size() > std::numeric_limits<uint32_t>::max()) {
    return std::nullopt;
  }
  const SweepPlane plane = sweepPlane(corners);
  PolygonSweep best;
  std::vector<SweepPoint> points = sweepPoints(corners, plane, best);
  if (points.size() < 3) {
    return best;
  }
  std::size_t turns = turnCount(points);
  for (const PolygonSweep sweep :
       {PolygonSweep{false, true}, PolygonSweep{true, false}, PolygonSweep{true, true}}) {
    if (!plane.reversible || (sweep.swapped && !plane.swappable)) {
      continue;
    }
    std::vector<SweepPoint> other = sweepPoints(corners, plane, sweep);
    const std::size_t otherTurns = turnCount(other);
    if (otherTurns < turns) {
      best = sweep;
      points = std::move(other);
      turns = otherTurns;
    }
  }
  if (cuttingWork(turns, points.size(), 0.0) >
      kCutStepsPerCorner * static_cast<double>(points.size())) {
    return std::nullopt;
  }
  if (!fewCrossings(points, turns)) {
    return std::nullopt;
  }
  return best;
}

}  // namespace

bool plainlyConvex(std::span<const Vec3> corners) {
  GLdouble normal[3];
  polygonNormal(corners, normal);
  // Seen along the normal's largest axis, the polygon runs counter-clockwise when that part of the
  // normal is positive.
  const int axis = longAxis(normal);
  if (normal[axis] == 0.0) {
    return false;
  }
  const double turn = normal[axis] > 0.0 ? 1.0 : -1.0;
  const int u = (axis + 1) % 3;
  const int w = (axis + 2) % 3;
  // A convex polygon run once changes the direction of its edges along each axis twice.
  const std::size_t n = corners.size();
  int firstSign[2] = {0, 0};
  int lastSign[2] = {0, 0};
  int changes[2] = {0, 0};
  for (std::size_t i = 0; i < n; ++i) {
    const Vec3& a = corners[i];
    const Vec3& b = corners[(i + 1) % n];
    const Vec3& d = corners[(i + 2) % n];
    const double e[2] = {static_cast<double>(coordinate(b, u)) - coordinate(a, u),
                         static_cast<double>(coordinate(b, w)) - coordinate(a, w)};
    const double f[2] = {static_cast<double>(coordinate(d, u)) - coordinate(b, u),
                         static_cast<double>(coordinate(d, w)) - coordinate(b, w)};
    if ((e[0] * f[1] - e[1] * f[0]) * turn <= 0.0) {
      return false;
    }
    for (int k = 0; k < 2; ++k) {
      const int sign = (e[k] > 0.0) - (e[k] < 0.0);
      if (sign == 0) {
        continue;
      }
      if (firstSign[k] == 0) {
        firstSign[k] = sign;
      } else if (sign != lastSign[k]) {
        ++changes[k];
      }
      lastSign[k] = sign;
    }
  }
  for (int k = 0; k < 2; ++k) {
    changes[k] += lastSign[k] != firstSign[k] ? 1 : 0;
  }
  return changes[0] <= 2 && changes[1] <= 2;
}

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

namespace {

// The tessellator's triangles in `sweep`; none when it reports an error.
void tessellate(PolygonCutter& cutter, std::span<const Vec3> corners, PolygonCut& cut,
                PolygonSweep sweep) {
  GLdouble normal[3];
  polygonNormal(corners, normal);
  const int axis = longAxis(normal);
  cutter.swapped[0] = cutter.swapped[1] = 0;
  if (sweep.swapped) {
    cutter.swapped[0] = (axis + 1) % 3;
    cutter.swapped[1] = (axis + 2) % 3;
    std::swap(normal[cutter.swapped[0]], normal[cutter.swapped[1]]);
  }
  // Two coordinates exchanged are a reflection, which reverses the normal; a reversed sweep
  // reverses it once more.
  if (sweep.swapped != sweep.reversed) {
    for (GLdouble& part : normal) {
      part = -part;
    }
  }
  cutter.coords.resize(3 * corners.size());
  for (std::size_t i = 0; i < corners.size(); ++i) {
    GLdouble* point = &cutter.coords[3 * i];
    point[0] = corners[i].x;
    point[1] = corners[i].y;
    point[2] = corners[i].z;
    std::swap(point[cutter.swapped[0]], point[cutter.swapped[1]]);
  }
  cutter.cut = &cut;
  cutter.cornerCount = static_cast<int32_t>(corners.size());
  cutter.failed = false;
  cutter.outOfMemory = false;
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
    return;
  }
  if (sweep.reversed) {  // counter-clockwise about the reversed normal
    for (std::size_t t = 0; t < cut.triangles.size(); t += 3) {
      std::swap(cut.triangles[t + 1], cut.triangles[t + 2]);
    }
  }
}

}  // namespace

void fanPolygon(std::size_t cornerCount, PolygonCut& cut) {
  cut.triangles.clear();
  cut.newPoints.clear();
  for (std::size_t k = 1; k + 1 < cornerCount; ++k) {
    cut.triangles.insert(cut.triangles.end(),
                         {0, static_cast<int32_t>(k), static_cast<int32_t>(k + 1)});
  }
}

void cutPolygon(PolygonCutter& cutter, std::span<const Vec3> corners, PolygonCut& cut) {
  const std::optional<PolygonSweep> sweep =
      plainlyConvex(corners) ? std::nullopt : cheapSweep(corners);
  if (!sweep) {
    fanPolygon(corners.size(), cut);
    return;
  }
  cut.triangles.clear();
  cut.newPoints.clear();
  tessellate(cutter, corners, cut, *sweep);
}
