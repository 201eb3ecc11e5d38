// Cuts polygons into triangles: a fan where that covers the polygon, GLU's tessellator where it
// does not. It draws nothing and needs no OpenGL context: the tessellator only computes, and this
// file is the one place the model code uses GLU.
//
// cutPolygon takes the corners of one polygon in order and fills `cut` with triangles, each running
// the way the polygon runs (the same winding). A triangle's corners are numbers: below
// corners.size() a corner of the polygon, from there on a point of cut.newPoints, made where edges
// cross or corners coincide. A plainly convex polygon becomes the fan from its first corner
// (fanPolygon), which covers it exactly. Any other goes to the tessellator, whose triangles cover
// exactly the polygon's area, concave or not, by the odd winding rule where its edges cross, as
// long as its work stays within a budget checked before it runs (below); beyond the budget the
// polygon becomes the fan too, as if it were convex. Degenerate polygons (repeated corners, all
// corners on one line) give the triangles of whatever area they have, possibly none, and so does a
// polygon the tessellator reports an error for: none. Corners must be finite.
//
// A failed allocation, here or in a tessellator callback, is thrown as std::bad_alloc once the
// tessellator has returned, never through it.
//
// The budget. The tessellator sweeps the polygon, projected along its normal's largest axis, in the
// order of one projected coordinate and, for ties, the other. Where the boundary turns back against
// the sweep, and where two edges cross, it may walk the whole boundary of the region it is
// building, so its work is about (turns + 4 * crossings) * (corners + crossings): a crossing costs
// about four turns. The cut picks, of the four sweeps the tessellator can be given (either
// coordinate along the sweep, ties broken either way), the one with fewest turns, so that a comb is
// swept along its spine and a staircase the way it climbs, whichever way they run; it tessellates
// when the estimate stays within 1024 steps a corner. It counts the turns, then the crossings and
// touches of edges that are not neighbours, between runs of the boundary from one turn to the next
// that overlap along the sweep, and stops once they exceed what the budget leaves; its own work is
// at most turns * corners. Every polygon of up to 1024 corners whose edges neither cross nor touch
// is tessellated, and so is one of any size that turns and crosses itself a few times in some
// sweep. A star of long spikes, which turns at nearly every corner in every sweep, becomes a fan
// beyond 1024 corners, and so does a polygon whose edges cross everywhere, even one of 30 random
// corners.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "model/obj_model.h"

struct NewPolygonPoint {
  Vec3 position;
  int32_t from[4];   // the corner numbers it was made from; -1 for none
  float weights[4];  // how much of each goes into it: together 1
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
// True when every corner turns the same way about the polygon's normal and the polygon goes round
// once: the fan from its first corner then covers it exactly, with no tessellator. Straight and
// repeated corners are left to the tessellator.
bool plainlyConvex(std::span<const Vec3> corners);

void fanPolygon(std::size_t cornerCount, PolygonCut& cut);
void cutPolygon(PolygonCutter& cutter, std::span<const Vec3> corners, PolygonCut& cut);
