// The whole reading on arbitrary files, then the placement. An input is an OBJ file, optionally
// followed by a line "#MTL" and the material library "m.mtl" that the OBJ part can name; both are
// read from real files. Read again in small pieces on threads, it must give the same model.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "fuzz/fuzz_files.h"
#include "model/normalize.h"
#include "model/whole_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  writeObjAndLibrary(std::string_view(reinterpret_cast<const char*>(data), size));
  std::unique_ptr<ObjModel> model;
  if (loadWholeObjModel("f.obj", model)) {
    std::abort();  // the file was just written, and is small: it must be read
  }
  checkWholeModel(*model);
  std::unique_ptr<ObjModel> inPieces;
  splitWholeReadings(4, 5);
  const bool read = !loadWholeObjModel("f.obj", inPieces);
  splitWholeReadings(0, 0);
  if (!read) {
    std::abort();
  }
  checkSameWholeModel(*model, *inPieces);
  placeWholeModel(model.get(), 5.0f);
  checkPlacedModel(*model, 5.0f);
  return 0;
}
