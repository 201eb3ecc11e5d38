// What the fuzz targets share: a private folder to write their inputs into, a check that the vector
// and the plain line scan read an input alike and leave a model that keeps its promises, and the
// promises of the whole reading and its placement.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/obj_model.h"

// Creates the folder at the first call and makes it the current directory, so that a relative
// "mtllib" name in an input resolves inside it (libFuzzer's own paths must therefore be absolute).
// It is removed when the process ends.
const std::string& fuzzFolder();

// Writes `contents` to `name` inside fuzzFolder().
void writeFuzzFile(const char* name, std::string_view contents);

// Writes an OBJ input as "f.obj": the input up to a line "#MTL", and what follows that line as the
// material library "m.mtl" that the OBJ part can name (empty without one).
void writeObjAndLibrary(std::string_view input);

// Stops the process with a crash report when the model breaks a promise of obj_model.h.
void checkModel(const ObjModel& model);

// Stops the process when the two models differ in anything the reader fills in.
void checkSameModel(const ObjModel& a, const ObjModel& b);

// Stops the process when a model of the whole reading breaks a promise of whole_reader.h: lists as
// long as their counts, every index inside its list, every material owned, the table empty.
void checkWholeModel(const ObjModel& model);

// Stops the process when two whole readings of one file disagree on any list; a list of
// texture-coordinate numbers that names none may be missing from one of them.
void checkSameWholeModel(const ObjModel& a, const ObjModel& b);

// Stops the process when a drawn corner with finite coordinates lies outside the box that
// placeWholeModel promises: x and z within half the target of the middle, y from 0 to the target.
void checkPlacedModel(const ObjModel& model, float target);
