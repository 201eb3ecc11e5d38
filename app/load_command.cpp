#include "app/load_command.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <system_error>
#include <vector>

#include "model/normalize.h"
#include "model/obj_reader.h"
#include "model/whole_reader.h"
#include "platform/chosen_file.h"
#include "platform/paths.h"

namespace {

constexpr unsigned char kLoadKey = 'l';

// Why `file` cannot be loaded, in the words the C library uses; nothing when it can.
Failure whyUnreadable(const std::string& file) {
  const std::filesystem::path path = nativePath(file);
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error) {
    return error.message();
  }
  if (std::filesystem::is_directory(status)) {
    return std::string("Is a directory");
  }
  if (!isRegularFile(file)) {
    return std::string("Not a regular file");
  }
  errno = 0;
  const std::ifstream stream(path, std::ios::binary);
  if (!stream) {
    return errno != 0 ? std::generic_category().message(errno) : std::string("Cannot be read");
  }
  return std::nullopt;
}

std::string cannotOpen(const std::string& file, const std::string& why) {
  return "palvetta: cannot open '" + file + "': " + why;
}

std::string counted(int64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// What the specified reading left out of `file` that the whole reading draws, in one line.
std::string leftOutNote(const std::string& file, const ObjReadingAccount& account) {
  std::string parts;
  const auto add = [&parts](const std::string& part) {
    parts += (parts.empty() ? "" : ", ") + part;
  };
  if (account.skippedFaceLines > 0) {
    add(counted(account.skippedFaceLines, "face line skipped", "face lines skipped"));
  }
  if (account.polygons > 0) {
    add(counted(account.polygons, "polygon cut to its first triangle",
                "polygons cut to their first triangle"));
  }
  const std::string capacity = std::to_string(kMaxFaces);
  if (account.stoppedAtCapacity) {
    add("reading stopped at " + capacity + " triangles");
  }
  if (account.positionsFull) {
    add("positions beyond the first " + capacity + " left out");
  }
  if (account.normalsFull) {
    add("normals beyond the first " + capacity + " left out");
  }
  return "palvetta: '" + file + "': " + parts + "; palvetta --whole draws every face";
}

// How many of the images `file`'s materials name were not found, and the first few of them.
std::string imagesNotFoundNote(const std::string& file, const ObjModel& model) {
  constexpr std::size_t kNamesShown = 3;
  const std::vector<std::string>& missing = model.imagesNotFound;
  std::string names;
  for (std::size_t i = 0; i < missing.size() && i < kNamesShown; ++i) {
    names += (i == 0 ? "" : ", ") + missing[i];
  }
  if (missing.size() > kNamesShown) {
    names += ", ...";
  }
  return "palvetta: '" + file + "': " + std::to_string(missing.size()) + " of " +
         std::to_string(model.imagesNamed) + (model.imagesNamed == 1 ? " image" : " images") +
         " not found: " + names;
}

// The model in `name`, read in `reading` and fitted to the floor; why there is none otherwise.
// Only a whole reading fails for a file that opens.
Failure readModel(Reading reading, const std::string& name, ReadingProgress* progress,
                  std::unique_ptr<ObjModel>& model, float& floorOffset,
                  ObjReadingAccount& account) {
  if (reading == Reading::whole) {
    if (Failure failure = loadWholeObjModel(name.c_str(), model, progress)) {
      return failure;
    }
    floorOffset = placeWholeModel(model.get(), kModelSize);
    return std::nullopt;
  }
  model = loadObjModel(name.c_str(), account);
  floorOffset = normalizeModel(model.get(), kModelSize);
  return model ? Failure() : Failure("Cannot be read");
}

}  // namespace

LoadedModel readModelFile(Reading reading, const std::string& path, LoadWay way,
                          ReadingProgress* progress) {
  LoadedModel file;
  const bool named = way == LoadWay::named;
  if (named) {
    if (const Failure why = whyUnreadable(path)) {
      file.failure = cannotOpen(path, *why);
      return file;
    }
  }
  // The whole reading finds libraries beside the file by itself; the specified one opens them from
  // the current directory, which a chosen file's folder already is.
  const bool entersFolder = named && reading == Reading::specified;
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  const std::optional<std::string> name = entersFolder ? enterFolderOf(path) : path;
  if (!name) {
    file.failure = cannotOpen(path, "Cannot enter its folder");
    return file;
  }
  ObjReadingAccount account;
  Failure failure;
  try {
    failure = readModel(reading, *name, progress, file.model, file.floorOffset, account);
  } catch (const std::bad_alloc&) {
    // Placing or simplifying a model that only just fitted; on a worker thread nothing else would
    // catch it.
    failure = kTooLargeForMemory;
  }
  // The dialog's choice replaces the model whatever came of it: with none when the file cannot be
  // opened. A whole model too large for memory leaves the one on display.
  if (failure && (named || reading == Reading::whole)) {
    if (entersFolder) {
      std::filesystem::current_path(folder, error);
    }
    file.model.reset();
    file.failure = cannotOpen(path, *failure);
    return file;
  }
  if (named && leftFacesOut(account)) {
    file.note = leftOutNote(path, account);
  }
  if (named && file.model && !file.model->imagesNotFound.empty()) {
    file.note = imagesNotFoundNote(path, *file.model);
  }
  return file;
}

Failure showLoadedModel(ViewerState& state, LoadedModel& file, std::string& note) {
  note = file.note;
  if (file.failure) {
    return file.failure;
  }
  state.model = std::move(file.model);
  state.floorOffset = file.floorOffset;
  return std::nullopt;
}

Failure loadModel(ViewerState& state, const std::string& path, LoadWay way, std::string& note) {
  LoadedModel file = readModelFile(state.reading, path, way);
  return showLoadedModel(state, file, note);
}

std::optional<std::string> askForFile(ViewerState& state, unsigned char key,
                                      ObjFileChooser choose) {
  if (key != kLoadKey) {
    return std::nullopt;
  }
  // Windows delivers drops through the dialog's own message loop; a model dropped then would be
  // replaced by the choice the user is about to make.
  state.choosingFile = true;
  std::optional<std::string> path = choose();
  state.choosingFile = false;
  return path;
}

bool loadCommand(ViewerState& state, unsigned char key, ObjFileChooser choose, Failure& failure) {
  const std::optional<std::string> path = askForFile(state, key, choose);
  if (!path) {
    return false;
  }
  std::string note;  // the dialog's choice is loaded silently
  failure = loadModel(state, *path, LoadWay::chosen, note);
  return true;
}
