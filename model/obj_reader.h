// The OBJ and MTL readers.
//
// loadObjModel reads positions ("v"), normals ("vn"), texture coordinates ("vt"), triangles written
// "f v//n v//n v//n", one material library at a time ("mtllib") and material selection ("usemtl").
// Everything else is ignored. Lists stop growing at their capacity (see obj_model.h) and their
// further lines are dropped; reading stops after the line that completes the kMaxFaces-th triangle.
// Returns nullptr when the path cannot be opened as a regular file (a directory, FIFO or device
// counts as one that cannot); any file that opens yields a model, possibly empty. Bad input never
// stops the reader: a face line that does not give six numbers is skipped; a vertex line is taken
// however far its numbers convert, the rest being 0. Face numbers beyond 32 bits are stored as
// INT32_MIN or INT32_MAX, never wrapped into a list.
//
// loadMaterialLibrary reads "newmtl" and "Kd" lines of an MTL file into the model's material
// table, replacing the table of an earlier library; materials already used by triangles stay
// alive. A "Kd" component that does not convert keeps its value. A "newmtl" beyond kMaxMaterials
// creates nothing, and "Kd" lines after it change nothing. A library that cannot be opened changes
// nothing.
//
// On Windows the OBJ path and library names are taken as UTF-8, so that names in any script are
// found there as on Linux.
//
// Both read a line as its first 1023 characters (the rest of a longer line is skipped, never read
// as a line of its own), skip a UTF-8 byte order mark at the start of the file, take CR LF line
// ends like LF, and read numbers as the C library does in the "C" locale, whatever the process
// locale is. Memory stays bounded whatever the file: one read buffer per file, the lists at their
// capacity, and the materials still reachable.
//
// With an account, loadObjModel also tells what it left out that the whole reading would draw, and
// reads the same model at the same speed. Face lines are those that start "f" and a blank.
#pragma once

#include <cstdint>
#include <memory>

#include "model/obj_model.h"

struct ObjReadingAccount {
  int64_t skippedFaceLines = 0;  // face lines that stored no triangle
  int64_t polygons = 0;          // stored faces that had more than three corners
  bool stoppedAtCapacity = false;  // a face line followed the kMaxFaces-th triangle
  bool positionsFull = false;      // a "v" line came when the positions were full
  bool normalsFull = false;        // likewise "vn"
  bool texcoordsFull = false;      // likewise "vt": leaves no face out
};

// Whether faces were left out: all of the account but full texture coordinates.
bool leftFacesOut(const ObjReadingAccount& account);

std::unique_ptr<ObjModel> loadObjModel(const char* path);
std::unique_ptr<ObjModel> loadObjModel(const char* path, ObjReadingAccount& account);
void loadMaterialLibrary(ObjModel& model, const char* name);
