// The whole reading: loadWholeObjModel reads OBJ files as exporters write them, at any size, into
// the same ObjModel and ObjMaterial records as the specified reader, without capacities.
//
// Lines. Leading blanks are skipped; a line ending in '\' (before an optional CR) goes on after the
// next line break; lines of any length are read whole; CR LF reads like LF; a UTF-8 byte order mark
// at the start is skipped. A keyword is followed by a blank or the end of the line: "vp" and "v1"
// are not positions. Numbers are read the same whatever the locale: decimal floats (signs,
// exponents, inf, nan) and decimal integers. A "#" after a line's numbers starts a comment, which
// also ends a face's corners.
//
// OBJ. "v" takes its first three numbers, and three more from 0 to 1 as the position's colour
// (`positionColours`, from the first position with a colour on; kNoColour for one without); "vn"
// and "vt" take their first three (a "vt" of one or two numbers has 0 for the rest); every such
// line adds an entry, and a number that does not convert is 0, with the numbers after it. "f" with
// three or more corners is a face; a corner is v, v/t, v//n or v/t/n. Positive numbers count from 1
// and are checked against the lists as they are at the end of the file; negative ones count back
// from the end of the lists read so far (-1 is the last). A face is skipped when a corner does not
// convert or its position number is out of range, and so is a face with a corner at a position that
// is not finite. A corner whose normal number is missing or out of range takes its triangle's unit
// face normal, appended to `normals` (degenerate triangles, which cover no pixel, get (0, 1, 0)).
// Faces of more than three corners become triangles covering exactly the polygon with its winding:
// a fan where the polygon is plainly convex, GLU's tessellator otherwise
// (model/polygon_triangles.h), which adds the points where edges cross to `positions`, by the odd
// winding rule. The tessellator's work grows with the times the boundary turns back against its
// sweep and the times edges cross, up to the square of the corners and beyond; the cut picks the
// sweep that turns least and bounds the work to 1024 steps a corner, and a polygon beyond that
// becomes a fan, as if it were convex. Every polygon of up to 1024 corners whose edges neither
// cross nor touch is cut, and so is one of any size that turns and crosses itself a few times in
// some sweep; fans are left to polygons whose edges cross many times and to large stars and the
// like, whose spikes turn back thousands of times whichever way they are swept. So the reading
// stays linear in the file's size. Polygons that need the tessellator, or whose positions come
// later in the file, are cut when the file has been read, and their triangles come after all
// others. Each corner keeps its texture-coordinate number, checked like the others
// (`faceTexcoordIndex`, from the first triangle with one on; kNoIndex where a corner has none or
// its number is out of range). The tessellator's new points take the texture coordinates and
// colours of the corners they were made from, mixed by its weights, and none when one of those
// corners has none.
//
// Materials. "mtllib" reads every library its line names, each found from the OBJ file's folder as
// model/named_files.h finds names, never from the current directory; when the whole rest of the
// line names a file that opens, it is one name (names with spaces). A library is read once, however
// often it is named. In a library leading blanks are skipped, a "newmtl" name is the rest of its
// line (spaces included, blanks around it left out), keywords are matched in any case ("KD",
// "Map_kd"), and the specified reader's other rules stay:
// grey (0.8, 0.8, 0.8) until "Kd"; a "Kd" before the first "newmtl" changes nothing; a "newmtl"
// without a name makes nothing, so the "Kd" after it colours the material before; a "Kd" number
// that does not convert keeps its value. Of two materials of one name, in one library or two, the
// first defined is the one; the later one and its "Kd" lines are left out. "usemtl" takes the rest
// of its line as the name. Names are matched once the file has been read, so a "usemtl" before its
// library still colours the faces after it; a name no library defines keeps the material in force
// before it. Every material is in `ownedMaterials`; the 32-slot table (`materials`,
// `materialCount`) is the specified reading's and stays empty. A triangle without material has
// none; the model is coloured by material (white without one).
//
// Images. "map_Kd" (the colour) and "map_d" (the cut-out) take the options and the name that
// model/texture_map_line.h reads, and follow the rules of "Kd" before the first "newmtl" and after
// one without a name. The name is found from the library's folder, then beside the OBJ file, and
// the image is decoded on worker threads while the rest of the file is read
// (model/image_reading.h); the threads are joined before the model is returned. A map whose image
// is not found, too large or not decodable has none (`image` kNoIndex, empty path) and its name
// goes to `imagesNotFound`; `imagesNamed` counts each image named once, by the path it opened
// under, or by its name when it has none.
//
// Results. Counts are int32; every index is inside its list. The model read goes to `model`, and
// nothing is returned. Otherwise `model` is left as it was and the failure is the words that end
// the line "palvetta: cannot open 'x.obj': ": kCannotBeOpened for a file that cannot be opened as
// a regular file, kTooLargeForMemory for a model too large for memory or for int32 counts (the
// allocation failure is caught here).
//
// Threads. The file is read in pieces split at line breaks, one a core, each piece at least 4 MiB,
// on threads of their own, and the pieces are joined into the model the reading of the whole file
// in one go would give. splitWholeReadings changes the split for the readings after it (tests):
// at most `most` pieces (0: one a core) of at least `leastBytes` (0: 4 MiB).
//
// Progress. A reading on a worker thread can be watched and stopped through a ReadingProgress:
// `bytesTotal` is the file's size once it is open, `bytesRead` grows as the file is read, and
// `stop`, set by any thread, ends the reading at its next block with the failure kStopped and
// `model` left as it was.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "model/obj_model.h"
#include "platform/failure.h"

inline constexpr char kCannotBeOpened[] = "Cannot be opened";
inline constexpr char kTooLargeForMemory[] = "Too large for memory";
inline constexpr char kStopped[] = "Stopped";

struct ReadingProgress {
  std::atomic<int64_t> bytesRead{0};
  std::atomic<int64_t> bytesTotal{0};
  std::atomic<bool> stop{false};
};

Failure loadWholeObjModel(const char* path, std::unique_ptr<ObjModel>& model,
                          ReadingProgress* progress = nullptr);
void splitWholeReadings(unsigned most, long long leastBytes);
