// Large OBJ files for the benchmarks, written in 1 MiB blocks from a fixed pseudo-random sequence,
// so that every run measures the same bytes.
//
// writeVerticesFirst: millions of "v" and "vn" lines first, then 5000 triangles that use them,
// `bytes` long in all. writeAllFaces: a few vertices, then nothing but triangles written
// "f a/b/c ...", none of which is stored, until the file is `bytes` long. writeWholeMesh: a wavy
// sheet of `columns` x `rows` corners with normals and texture coordinates, then its triangles
// written "f v/t/n v/t/n v/t/n", as exporters write a mesh.
//
// makeBenchFolder makes a new folder for such files, named `name` and six random characters, in
// `parent`, or in $TMPDIR or /tmp when `parent` is null. Empty, with the reason on standard error,
// when it cannot.
#pragma once

#include <cstdint>
#include <string>

void writeVerticesFirst(const std::string& path, uint64_t bytes);
void writeAllFaces(const std::string& path, uint64_t bytes);
void writeWholeMesh(const std::string& path, uint32_t columns, uint32_t rows);
std::string makeBenchFolder(const char* parent, const std::string& name);
