// The material library reader on arbitrary files, into a model that already has a table.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_files.h"
#include "model/line_finder.h"
#include "model/obj_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  writeFuzzFile("seed.mtl", "newmtl earlier\nKd 1 0 0\n");
  writeFuzzFile("f.mtl", std::string_view(reinterpret_cast<const char*>(data), size));
  ObjModel vector;
  ObjModel plain;
  for (ObjModel* model : {&vector, &plain}) {
    allowVectorScan(model == &vector);
    loadMaterialLibrary(*model, "seed.mtl");
    loadMaterialLibrary(*model, "f.mtl");
  }
  checkModel(vector);
  checkSameModel(vector, plain);
  return 0;
}
