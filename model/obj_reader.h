// The OBJ and MTL readers.
//
// loadObjModel reads positions ("v"), normals ("vn"), texture coordinates ("vt"), triangles written
// "f v//n v//n v//n", one material library at a time ("mtllib") and material selection ("usemtl").
// Everything else is ignored. Lists stop growing at their capacity (see obj_model.h); reading stops
// after the line that completes the kMaxFaces-th triangle. Returns nullptr when the path cannot be
// opened as a regular file; any file that opens yields a model, possibly empty. Bad input never
// stops the reader: a face line that does not give six numbers is skipped, vertex lines are taken
// however far their numbers convert.
//
// loadMaterialLibrary reads "newmtl" and "Kd" lines of an MTL file into the model's material
// table, replacing the table of an earlier library; materials already used by triangles stay
// alive. A library that cannot be opened changes nothing.
//
// Numbers are read as the C library reads them in the "C" locale, whatever the process locale is.
#pragma once

#include <memory>

#include "model/obj_model.h"

std::unique_ptr<ObjModel> loadObjModel(const char* path);
void loadMaterialLibrary(ObjModel& model, const char* name);
