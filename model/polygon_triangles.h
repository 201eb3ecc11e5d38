// Cuts one polygon into triangles with GLU's tessellator. It draws nothing and needs no OpenGL
// context: the tessellator only computes, and this file is the one place the model code uses GLU.
//
// cutPolygon takes the corners of one polygon in order and fills `cut` with triangles that cover
// exactly the polygon's area, concave or not, each running the way the polygon runs (the same
// winding), by the odd winding rule where its edges cross. A triangle's corners are numbers: below
// corners.size() a corner of the polygon, from there on a point of cut.newPoints, made where edges
// cross or corners coincide. Degenerate polygons (repeated corners, all corners on one line) give
// the triangles of whatever area they have, possibly none. Corners must be finite.
//
// Returns false, with no triangles, when the tessellator reports an error. A failed allocation,
// here or in a tessellator callback, is thrown as std::bad_alloc once the tessellator has returned,
// never through it.
//
// cheapSweep bounds cutPolygon's work before it is done. The tessellator sweeps the polygon,
// projected along its normal's largest axis, in the order of one projected coordinate and, for
// ties, the other. Where the boundary turns back against the sweep, and where two edges cross, it
// may walk the whole boundary of the region it is building, so its work is about
// (turns + 4 * crossings) * (corners + crossings): a crossing costs about four turns. cheapSweep
// picks, of the four sweeps the tessellator can be given (either coordinate along the sweep, ties
// broken either way), the one with fewest turns, so that a comb is swept along its spine and a
// staircase the way it climbs, whichever way they run; it gives that sweep when the estimate stays
// within 1024 steps a corner, and nothing otherwise. It counts the turns, then the crossings and
// touches of edges that are not neighbours, between runs of the boundary from one turn to the next
// that overlap along the sweep, and stops once they exceed what the budget leaves; its own work is
// at most turns * corners. Every polygon of up to 1024 corners whose edges neither cross nor touch
// passes, and so does one of any size that turns and crosses itself a few times in some sweep. A
// star of long spikes, which turns at nearly every corner in every sweep, fails beyond 1024
// corners, and so does a polygon whose edges cross everywhere, even one of 30 random corners.
// Corners must be finite.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "model/obj_model.h"

struct NewPolygonPoint {
  Vec3 position;
  int32_t from[4];  // the corner numbers it was made from; -1 for none
};

struct PolygonCut {
  std::vector<int32_t> triangles;  // 3 corner numbers per triangle
  std::vector<NewPolygonPoint> newPoints;
};

// One tessellator, kept for many polygons.
struct PolygonCutter;
struct PolygonCutterDeleter {
  void operator()(PolygonCutter* cutter) const;
};
using PolygonCutterHandle = std::unique_ptr<PolygonCutter, PolygonCutterDeleter>;

PolygonCutterHandle newPolygonCutter();
// How the tessellator is to sweep a polygon. `swapped`: along the second coordinate of the plane it
// projects onto rather than the first, by giving it two coordinates exchanged; `reversed`: with
// ties broken the other way, by giving it the opposite normal. The triangles and new points are
// the same either way, up to rounding where edges cross or overlap.
struct PolygonSweep {
  bool swapped = false;
  bool reversed = false;
};

// True when every corner turns the same way about the polygon's normal and the polygon goes round
// once: a fan from its first corner then covers it exactly, with no tessellator. Straight and
// repeated corners are left to the tessellator.
bool plainlyConvex(std::span<const Vec3> corners);

// `sweep` should come from cheapSweep for the same corners.
bool cutPolygon(PolygonCutter& cutter, std::span<const Vec3> corners, PolygonCut& cut,
                PolygonSweep sweep = {});
std::optional<PolygonSweep> cheapSweep(std::span<const Vec3> corners);
