// The OBJ reader on arbitrary files. An input is an OBJ file, optionally followed by a line "#MTL"
// and the material library "m.mtl" that the OBJ part can name; both are read from real files.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz/fuzz_files.h"
#include "model/line_finder.h"
#include "model/obj_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  writeObjAndLibrary(std::string_view(reinterpret_cast<const char*>(data), size));

  allowVectorScan(true);
  const auto vector = loadObjModel("f.obj");
  allowVectorScan(false);
  ObjReadingAccount account;
  const auto plain = loadObjModel("f.obj", account);
  if (!vector || !plain) {
    std::abort();  // the file was just written: it must open
  }
  checkModel(*vector);
  // The plain scan with an account reads what the vector scan reads without one.
  checkSameModel(*vector, *plain);
  return 0;
}
