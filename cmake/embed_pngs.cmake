# Writes the C++ source OUTPUT that holds the files in PNGS (a list, in order) as byte arrays behind
# platform/linux/embedded_icon.h:
#   cmake -DOUTPUT=file.cpp -DPNGS="a.png;b.png" -P embed_pngs.cmake
set(arrays "")
set(entries "")
set(index 0)
foreach(png IN LISTS PNGS)
  file(READ "${png}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
  string(APPEND arrays "const unsigned char png${index}[] = {\n    ${bytes}\n};\n")
  string(APPEND entries "    {png${index}, sizeof png${index}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.tmp" "// Made at build time from packaging/icon/palvetta.svg; do not edit.
#include \"platform/linux/embedded_icon.h\"

namespace {
${arrays}
const EmbeddedPng pngs[] = {
${entries}};
}  // namespace

std::span<const EmbeddedPng> embeddedIconPngs() {
  return pngs;
}
")
# Unchanged contents keep the file's time, so nothing that includes it is built again.
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
