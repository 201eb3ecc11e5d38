// Large OBJ files for the benchmarks, written in 1 MiB blocks from a fixed pseudo-random sequence,
// so that every run measures the same bytes.
//
// writeVerticesFirst: millions of "v" and "vn" lines first, then 5000 triangles that use them,
// `bytes` long in all. writeAllFaces: a few vertices, then nothing but triangles written
// "f a/b/c ...", none of which is stored, until the file is `bytes` long. writeWholeMesh: a wavy
// sheet of `columns` x `rows` corners with normals and texture coordinates, then its triangles
// written "f v/t/n v/t/n v/t/n", as exporters write a mesh.
//
// ObjWriter writes an OBJ file's text through a 1 MiB buffer, numbers locale-free;
// writeGridTriangles writes the triangles of a grid of `columns` x `rows` corners numbered from
// `first`, two a square, "f v/t/n v/t/n v/t/n".
//
// writeExampleMix: the examples' OBJ files in `examples` over and over, each copy moved aside, with
// its positions' numbers renumbered (negative ones kept), its "usemtl", "o", "g" and "s" lines and
// one "mtllib examples.mtl" for the file, between generated patches: quads written "f v//n ...",
// triangles written "f v/t ..." and polygons of 5 to 8 corners, one in 16 of them concave, written
// "f v ...", until the file is about `bytes` long. Beside it goes examples.mtl, the examples'
// libraries one after another, and their textures/ folder.
//
// makeBenchFolder makes a new folder for such files, named `name` and six random characters, in
// `parent`, or in $TMPDIR or /tmp when `parent` is null. Empty, with the reason on standard error,
// when it cannot.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct ObjWriter {
  std::FILE* file;
  std::vector<char> buffer = std::vector<char>(std::size_t{1} << 20);
  std::size_t used = 0;
  uint64_t written = 0;
  uint32_t seed = 12345;

  void flush() {
    std::fwrite(buffer.data(), 1, used, file);
    written += used;
    used = 0;
  }
  void text(const char* s) {
    for (; *s != '\0'; ++s) {
      buffer[used++] = *s;
    }
  }
  void integer(uint32_t value) {
    used = static_cast<std::size_t>(
        std::to_chars(buffer.data() + used, buffer.data() + buffer.size(), value).ptr -
        buffer.data());
  }
  void number() {
    seed = seed * 1664525u + 1013904223u;
    const float value = static_cast<float>(static_cast<int32_t>(seed >> 8) - (1 << 23)) / 65536.0f;
    buffer[used++] = ' ';
    used =
        static_cast<std::size_t>(std::to_chars(buffer.data() + used, buffer.data() + buffer.size(),
                                               value, std::chars_format::fixed, 6)
                                     .ptr -
                                 buffer.data());
  }
  void decimal(float value, int decimals) {
    buffer[used++] = ' ';
    used =
        static_cast<std::size_t>(std::to_chars(buffer.data() + used, buffer.data() + buffer.size(),
                                               value, std::chars_format::fixed, decimals)
                                     .ptr -
                                 buffer.data());
  }
  void endLine() {
    buffer[used++] = '\n';
    if (used + 256 > buffer.size()) {
      flush();
    }
  }
  uint64_t size() const { return written + used; }
};

void writeGridTriangles(ObjWriter& w, uint32_t first, uint32_t columns, uint32_t rows);

void writeVerticesFirst(const std::string& path, uint64_t bytes);
void writeAllFaces(const std::string& path, uint64_t bytes);
void writeWholeMesh(const std::string& path, uint32_t columns, uint32_t rows);
void writeExampleMix(const std::string& path, const std::string& examples, uint64_t bytes);
std::string makeBenchFolder(const char* parent, const std::string& name);
