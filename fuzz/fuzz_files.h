// What both fuzz targets share: a private folder to write their inputs into, and a check that the
// vector and the plain line scan read an input alike and leave a model that keeps its promises.
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

// Stops the process with a crash report when the model breaks a promise of obj_model.h.
void checkModel(const ObjModel& model);

// Stops the process when the two models differ in anything the reader fills in.
void checkSameModel(const ObjModel& a, const ObjModel& b);
