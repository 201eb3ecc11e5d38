// The road of every load: "l", a FILE on the command line, a dropped file and a picture's FILE.
//
// loadModel reads `path` in the run's reading, `state.reading`, fits the model to the floor
// (normalizeModel in the specified reading, placeWholeModel in the whole one) and puts it on
// display in place of the one before; the camera stays where the user put it. `way` says where the
// path comes from:
// - LoadWay::chosen: the open-file dialog, which has made the file's folder the current directory.
//   In the specified reading the file replaces the model even when it cannot be opened (then no
//   model is shown), and nothing is said.
// - LoadWay::named: a FILE, a drop or a picture's FILE. In the specified reading the file's folder
//   becomes the current directory, so that its material library is found beside it; the whole
//   reading finds it there without. When the specified reading leaves
//   faces out, `note` gets the line for standard error that names the file, says what was left out
//   and that --whole draws it; when images the whole reading's materials name are not found or do
//   not decode, it gets the line that says how many of how many, and names the first three (the
//   model is drawn without them); `note` is left empty otherwise.
// A named file that is not a regular file that can be read, and in the whole reading any file that
// cannot be read or is too large for memory, changes nothing: the model, the floor offset and the
// current directory stay as they were, and the result is the line for standard error that names
// the path and says why. Nothing is returned when the model is on display.
//
// readModelFile is loadModel without the display: it reads `path` in `reading` into a LoadedModel,
// which showLoadedModel then puts on display as loadModel would, and it touches no ViewerState, so
// it runs on a worker thread too. `progress`, when given, watches and stops a whole reading (see
// model/whole_reader.h); a stopped reading fails with kStopped.
//
// askForFile is the key handling of loadCommand without the load: the path the "l" key chose.
//
// loadCommand handles one typed key. Only the lower-case "l" does anything: it asks `choose` for a
// path (the open-file dialog in the program, a stand-in in tests) and loads it as chosen; a cancel
// leaves the state as it was. Returns true when the picture needs redrawing; what the load could
// not do goes to `failure`. `choosingFile` is true while `choose` runs.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/viewer_state.h"
#include "model/whole_reader.h"
#include "platform/failure.h"

// Blocks until the user picks a file or cancels; nothing on cancel.
using ObjFileChooser = std::optional<std::string> (*)();

enum class LoadWay { chosen, named };

// The larger horizontal extent of a model of the specified reading, the largest extent of a whole
// one: half the width of the floor.
inline constexpr float kModelSize = 5.0f;

// A file read and fitted to the floor, not yet on display: the model, or the failure line that
// says why nothing changes; the note is the one loadModel gives.
struct LoadedModel {
  std::unique_ptr<ObjModel> model;
  float floorOffset = 0.0f;
  std::string note;
  Failure failure;
};

LoadedModel readModelFile(Reading reading, const std::string& path, LoadWay way,
                          ReadingProgress* progress = nullptr);
Failure showLoadedModel(ViewerState& state, LoadedModel& file, std::string& note);
Failure loadModel(ViewerState& state, const std::string& path, LoadWay way, std::string& note);
std::optional<std::string> askForFile(ViewerState& state, unsigned char key, ObjFileChooser choose);
bool loadCommand(ViewerState& state, unsigned char key, ObjFileChooser choose, Failure& failure);
