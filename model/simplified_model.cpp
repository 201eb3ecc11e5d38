#include "model/simplified_model.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

// Vertex clustering: a uniform grid of cubic cells over the box of the positions the triangles
// use; the positions in a cell become one, at their mean; a triangle whose corners fall in fewer
// than three cells covers nothing any more and goes, and so does a second triangle over the same
// three cells in the same turn. The grid is the finest of a few tried whose triangles fit in
// kMostMovingTriangles, each try one pass over the positions and the triangles.
//
// How fine that is: the window shows the 5-unit model from 15 units with a 45-degree field over
// 640 pixels, so a pixel is 2 * 15 * tan(22.5 deg) / 640 = 0.019 units at the middle of the floor
// and 0.014 at the model's nearest points, about 10.7 units away. A corner moves by less than a
// cell along each axis, and an outline by about half a cell, so cells of up to 0.03-0.04 units
// keep the outline within a pixel or two. A surface of area A on cells of side c keeps about
// 2 A / c^2 triangles: the 300 000 allow c = 0.023 for a sphere of diameter 5 and 0.032 for a cube
// of side 5; only a model of far more surface than its size, a dense tangle, gets coarser.
//
// Normals: each kept corner keeps its own, the surface's direction where the corner was, so the
// lighting stays as the full model's and sharp edges stay sharp; a mean over a cell would round
// the edges that fall in one.

namespace {

// The finest grid tried has this many cells along the model's largest extent: three cell numbers
// of 21 bits make one 64-bit key.
constexpr uint32_t kFinestCells = 1u << 20;
constexpr int kCellBits = 21;
// Tries of a grid before the one used; each is linear, so these bound the time.
constexpr int kMostTries = 8;
// Tries stop once the finest grid that fits and the coarsest that does not are this close, or once
// a grid that fits keeps kAimedShare of the limit.
constexpr double kCloseEnough = 1.02;
// Aim a little under the limit, so that an estimate lands on a grid that fits.
constexpr double kAimedShare = 0.97;
// A try's estimate moves the grid by at most this factor.
constexpr double kLargestStep = 4.0;
constexpr std::size_t kFirstTableSize = std::size_t{1} << 16;

struct Box {
  double lo[3] = {INFINITY, INFINITY, INFINITY};
  double hi[3] = {-INFINITY, -INFINITY, -INFINITY};
};

struct Grid {
  double origin[3];
  double cellsPerUnit;
  uint32_t cells;  // along each axis
};

// What the tries need of the model, gathered once.
struct Used {
  std::vector<int32_t> faces;      // the triangles drawing draws
  std::vector<int32_t> positions;  // the positions they use, each once
  Box box;
};

bool finite(const Vec3& p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

Used usedParts(const ObjModel& model) {
  Used used;
  const std::size_t corners = 3 * static_cast<std::size_t>(model.faceCount);
  if (model.faceVertexIndex.size() < corners || model.faceNormalIndex.size() < corners) {
    return used;
  }
  // The checks of faceIndicesInRange, with the lists' limits taken once.
  const auto positions = static_cast<uint32_t>(std::min<std::size_t>(
      static_cast<std::size_t>(std::max(model.positionCount, 0)), model.positions.size()));
  const auto normals = static_cast<uint32_t>(std::min<std::size_t>(
      static_cast<std::size_t>(std::max(model.normalCount, 0)), model.normals.size()));
  std::vector<uint8_t> seen(model.positions.size(), 0);
  used.faces.reserve(static_cast<std::size_t>(model.faceCount));
  for (int32_t f = 0; f < model.faceCount; ++f) {
    const int32_t* v = &model.faceVertexIndex[3 * static_cast<std::size_t>(f)];
    const int32_t* n = &model.faceNormalIndex[3 * static_cast<std::size_t>(f)];
    bool drawn = true;
    for (int k = 0; k < 3; ++k) {
      drawn = drawn && static_cast<uint32_t>(v[k]) < positions &&
              static_cast<uint32_t>(n[k]) < normals &&
              finite(model.positions[static_cast<std::size_t>(v[k])]);
    }
    if (!drawn) {
      continue;
    }
    used.faces.push_back(f);
    for (int k = 0; k < 3; ++k) {
      const std::size_t at = static_cast<std::size_t>(v[k]);
      if (seen[at] == 0) {
        seen[at] = 1;
        used.positions.push_back(v[k]);
        const Vec3& p = model.positions[at];
        const double xyz[3] = {p.x, p.y, p.z};
        for (int axis = 0; axis < 3; ++axis) {
          used.box.lo[axis] = std::min(used.box.lo[axis], xyz[axis]);
          used.box.hi[axis] = std::max(used.box.hi[axis], xyz[axis]);
        }
      }
    }
  }
  return used;
}

Grid gridOf(const Box& box, uint32_t cells) {
  double extent = 0.0;
  for (int axis = 0; axis < 3; ++axis) {
    extent = std::max(extent, box.hi[axis] - box.lo[axis]);
  }
  const double perUnit = extent > 0.0 && std::isfinite(extent) ? cells / extent : 0.0;
  return {{box.lo[0], box.lo[1], box.lo[2]}, perUnit, cells};
}

uint64_t cellKey(const Grid& grid, const Vec3& p) {
  const double at[3] = {p.x, p.y, p.z};
  uint64_t key = 0;
  for (int axis = 0; axis < 3; ++axis) {
    // At or above the box's low corner, so truncation is the floor.
    const auto cell = static_cast<uint64_t>((at[axis] - grid.origin[axis]) * grid.cellsPerUnit);
    key |= std::min<uint64_t>(cell, grid.cells - 1) << (kCellBits * axis);
  }
  return key;
}

void cellKeys(const ObjModel& model, const Used& used, const Grid& grid,
              std::vector<uint64_t>& keys) {
  for (const int32_t p : used.positions) {
    keys[static_cast<std::size_t>(p)] = cellKey(grid, model.positions[static_cast<std::size_t>(p)]);
  }
}

// The triangles a grid keeps before duplicates go: an upper bound of what it gives.
int64_t trianglesKept(const ObjModel& model, const Used& used, const Grid& grid,
                      std::vector<uint64_t>& keys) {
  cellKeys(model, used, grid, keys);
  int64_t kept = 0;
  for (const int32_t f : used.faces) {
    const int32_t* v = &model.faceVertexIndex[3 * static_cast<std::size_t>(f)];
    const uint64_t a = keys[static_cast<std::size_t>(v[0])];
    const uint64_t b = keys[static_cast<std::size_t>(v[1])];
    const uint64_t c = keys[static_cast<std::size_t>(v[2])];
    kept += (a != b && b != c && a != c) ? 1 : 0;
  }
  return kept;
}

// The finest grid tried whose triangles fit, its cells along the largest extent. A surface keeps
// about as many triangles as the square of the cells along it, which sets each next try; the tries
// bracket the answer. `keys` are left as the last try made them, on `lastTried` cells.
uint32_t cellsThatFit(const ObjModel& model, const Used& used, std::vector<uint64_t>& keys,
                      uint32_t& lastTried) {
  // A surface as large as the model's box keeps 2 to 6 triangles per square of the cell count.
  double cells = std::sqrt(kMostMovingTriangles / 4.0);
  double fits = 1.0;  // one cell keeps nothing
  double tooMany = kFinestCells + 1.0;
  for (int tries = 0; tries < kMostTries && tooMany / fits > kCloseEnough; ++tries) {
    const auto tried =
        static_cast<uint32_t>(std::clamp(std::round(cells), 1.0, 1.0 * kFinestCells));
    const int64_t kept = trianglesKept(model, used, gridOf(used.box, tried), keys);
    lastTried = tried;
    if (kept <= kMostMovingTriangles) {
      fits = std::max(fits, 1.0 * tried);
      if (kept >= kAimedShare * kMostMovingTriangles) {
        break;  // a finer grid would keep only a few per cent more
      }
    } else {
      tooMany = std::min(tooMany, 1.0 * tried);
    }
    const double aimed = kAimedShare * kMostMovingTriangles;
    const double step = kept > 0 ? std::sqrt(aimed / static_cast<double>(kept)) : kLargestStep;
    cells = tried * std::clamp(step, 1.0 / kLargestStep, kLargestStep);
    if (cells <= fits || cells >= tooMany) {
      cells = std::sqrt(fits * std::min(tooMany, 1.0 * kFinestCells));
    }
  }
  return static_cast<uint32_t>(fits);
}

uint64_t mixed(uint64_t key) {
  key ^= key >> 31;
  key *= 0x7fb5d329728ea185ull;
  key ^= key >> 27;
  key *= 0x81dadef4bc2dd44dull;
  return key ^ (key >> 33);
}

// Cell keys to numbers 0, 1, ... in the order first met; open addressing, doubled when half full.
struct CellNumbers {
  std::vector<uint64_t> keys = std::vector<uint64_t>(kFirstTableSize);
  std::vector<int32_t> numbers = std::vector<int32_t>(kFirstTableSize, kNoIndex);
  int32_t count = 0;
};

void place(CellNumbers& table, uint64_t key, int32_t number) {
  const std::size_t mask = table.keys.size() - 1;
  std::size_t slot = mixed(key) & mask;
  while (table.numbers[slot] != kNoIndex) {
    slot = (slot + 1) & mask;
  }
  table.keys[slot] = key;
  table.numbers[slot] = number;
}

int32_t cellNumber(CellNumbers& table, uint64_t key) {
  const std::size_t mask = table.keys.size() - 1;
  for (std::size_t slot = mixed(key) & mask;; slot = (slot + 1) & mask) {
    if (table.numbers[slot] == kNoIndex) {
      break;
    }
    if (table.keys[slot] == key) {
      return table.numbers[slot];
    }
  }
  if (2 * (static_cast<std::size_t>(table.count) + 1) > table.keys.size()) {
    CellNumbers larger;
    larger.keys.assign(2 * table.keys.size(), 0);
    larger.numbers.assign(2 * table.keys.size(), kNoIndex);
    for (std::size_t slot = 0; slot < table.keys.size(); ++slot) {
      if (table.numbers[slot] != kNoIndex) {
        place(larger, table.keys[slot], table.numbers[slot]);
      }
    }
    larger.count = table.count;
    table = std::move(larger);
  }
  place(table, key, table.count);
  return table.count++;
}

// The triangles kept so far, by their cells, to find a second one over the same cells.
struct TriangleSet {
  std::vector<std::array<int32_t, 3>> cells;
  std::vector<int32_t> slots;
};

// Whether a triangle over `cells`, turned to start at its lowest, is new; it is added if so.
bool addedTriangle(TriangleSet& set, std::array<int32_t, 3> cells) {
  while (cells[0] > cells[1] || cells[0] > cells[2]) {
    cells = {cells[1], cells[2], cells[0]};
  }
  const uint64_t key =
      mixed((static_cast<uint64_t>(cells[0]) << 32) ^ (static_cast<uint64_t>(cells[1]) << 16) ^
            static_cast<uint64_t>(cells[2]));
  const std::size_t mask = set.slots.size() - 1;
  for (std::size_t slot = key & mask;; slot = (slot + 1) & mask) {
    const int32_t there = set.slots[slot];
    if (there == kNoIndex) {
      set.slots[slot] = static_cast<int32_t>(set.cells.size());
      set.cells.push_back(cells);
      return true;
    }
    if (set.cells[static_cast<std::size_t>(there)] == cells) {
      return false;
    }
  }
}

// `number`'s place in a compact copy of a list, made on first use; kNoIndex stays.
int32_t copied(std::vector<int32_t>& places, int32_t& count, int32_t number) {
  if (number == kNoIndex) {
    return kNoIndex;
  }
  int32_t& place = places[static_cast<std::size_t>(number)];
  if (place == kNoIndex) {
    place = count++;
  }
  return place;
}

bool hasColour(const Rgb& c) {
  return c.r >= 0.0f;
}

}  // namespace

std::unique_ptr<ObjModel> simplifiedModel(const ObjModel& model) {
  if (model.faceCount <= kMostMovingTriangles) {
    return nullptr;
  }
  const Used used = usedParts(model);
  std::vector<uint64_t> keys(model.positions.size());
  uint32_t lastTried = 0;
  const uint32_t cells = cellsThatFit(model, used, keys, lastTried);
  if (cells != lastTried) {
    cellKeys(model, used, gridOf(used.box, cells), keys);
  }

  // Each cell's mean position and colour, over the positions in it.
  CellNumbers numbers;
  std::vector<int32_t> cellOf(model.positions.size(), kNoIndex);
  for (const int32_t p : used.positions) {
    cellOf[static_cast<std::size_t>(p)] = cellNumber(numbers, keys[static_cast<std::size_t>(p)]);
  }
  std::vector<std::array<double, 4>> sums(static_cast<std::size_t>(numbers.count));
  const bool coloured = model.positionColours.size() == model.positions.size();
  std::vector<std::array<double, 4>> colourSums(coloured ? sums.size() : 0);
  for (const int32_t p : used.positions) {
    const std::size_t at = static_cast<std::size_t>(p);
    const Vec3& v = model.positions[at];
    std::array<double, 4>& sum = sums[static_cast<std::size_t>(cellOf[at])];
    sum = {sum[0] + v.x, sum[1] + v.y, sum[2] + v.z, sum[3] + 1.0};
    if (coloured && hasColour(model.positionColours[at])) {
      const Rgb& c = model.positionColours[at];
      std::array<double, 4>& colour = colourSums[static_cast<std::size_t>(cellOf[at])];
      colour = {colour[0] + c.r, colour[1] + c.g, colour[2] + c.b, colour[3] + 1.0};
    }
  }

  auto simple = std::make_unique<ObjModel>();
  simple->colouring = model.colouring;
  simple->materialCount = model.materialCount;
  simple->materials = model.materials;
  const bool textured =
      model.faceTexcoordIndex.size() >= 3 * static_cast<std::size_t>(model.faceCount);
  TriangleSet triangles;
  std::size_t tableSize = kFirstTableSize;
  while (tableSize < 2 * static_cast<std::size_t>(kMostMovingTriangles)) {
    tableSize *= 2;
  }
  triangles.slots.assign(tableSize, kNoIndex);
  std::vector<int32_t> positionPlace(sums.size(), kNoIndex);
  std::vector<int32_t> normalPlace(model.normals.size(), kNoIndex);
  std::vector<int32_t> texcoordPlace(textured ? model.texcoords.size() : 0, kNoIndex);
  std::vector<int32_t> cellOfPlace;
  std::vector<int32_t> normalOfPlace;
  std::vector<int32_t> texcoordOfPlace;
  for (const int32_t f : used.faces) {
    const std::size_t first = 3 * static_cast<std::size_t>(f);
    const std::array<int32_t, 3> cells = {
        cellOf[static_cast<std::size_t>(model.faceVertexIndex[first])],
        cellOf[static_cast<std::size_t>(model.faceVertexIndex[first + 1])],
        cellOf[static_cast<std::size_t>(model.faceVertexIndex[first + 2])]};
    if (cells[0] == cells[1] || cells[1] == cells[2] || cells[0] == cells[2] ||
        !addedTriangle(triangles, cells)) {
      continue;
    }
    for (std::size_t k = 0; k < 3; ++k) {
      const int32_t place = copied(positionPlace, simple->positionCount, cells[k]);
      if (place == static_cast<int32_t>(cellOfPlace.size())) {
        cellOfPlace.push_back(cells[k]);
      }
      simple->faceVertexIndex.push_back(place);
      const int32_t normal = model.faceNormalIndex[first + k];
      const int32_t normalAt = copied(normalPlace, simple->normalCount, normal);
      if (normalAt == static_cast<int32_t>(normalOfPlace.size())) {
        normalOfPlace.push_back(normal);
      }
      simple->faceNormalIndex.push_back(normalAt);
      if (textured) {
        int32_t texcoord = model.faceTexcoordIndex[first + k];
        if (texcoord < 0 || texcoord >= model.texcoordCount ||
            static_cast<std::size_t>(texcoord) >= model.texcoords.size()) {
          texcoord = kNoIndex;
        }
        const int32_t texcoordAt = copied(texcoordPlace, simple->texcoordCount, texcoord);
        if (texcoordAt == static_cast<int32_t>(texcoordOfPlace.size())) {
          texcoordOfPlace.push_back(texcoord);
        }
        simple->faceTexcoordIndex.push_back(texcoordAt);
      }
    }
    simple->faceMaterial.push_back(model.faceMaterial.size() > static_cast<std::size_t>(f)
                                       ? model.faceMaterial[static_cast<std::size_t>(f)]
                                       : nullptr);
  }
  simple->faceCount = static_cast<int32_t>(simple->faceMaterial.size());

  for (const int32_t cell : cellOfPlace) {
    const std::array<double, 4>& sum = sums[static_cast<std::size_t>(cell)];
    simple->positions.push_back({static_cast<float>(sum[0] / sum[3]),
                                 static_cast<float>(sum[1] / sum[3]),
                                 static_cast<float>(sum[2] / sum[3])});
    if (coloured) {
      const std::array<double, 4>& c = colourSums[static_cast<std::size_t>(cell)];
      simple->positionColours.push_back(c[3] > 0.0 ? Rgb{static_cast<float>(c[0] / c[3]),
                                                         static_cast<float>(c[1] / c[3]),
                                                         static_cast<float>(c[2] / c[3])}
                                                   : kNoColour);
    }
  }
  for (const int32_t normal : normalOfPlace) {
    simple->normals.push_back(model.normals[static_cast<std::size_t>(normal)]);
  }
  for (const int32_t texcoord : texcoordOfPlace) {
    simple->texcoords.push_back(model.texcoords[static_cast<std::size_t>(texcoord)]);
  }
  return simple;
}
