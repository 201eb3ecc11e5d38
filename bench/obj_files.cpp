#include "bench/obj_files.h"

#include <stdlib.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

void writeVerticesFirst(const std::string& path, uint64_t bytes) {
  ObjWriter w{std::fopen(path.c_str(), "wb")};
  w.text("# vertices first, triangles last");
  w.endLine();
  for (const char* kind : {"v", "vn"}) {
    while (w.size() < (kind[1] == '\0' ? bytes / 2 : bytes - 200000)) {
      w.text(kind);
      w.number();
      w.number();
      w.number();
      w.endLine();
    }
  }
  for (uint32_t face = 0; face < 5000; ++face) {
    w.text("f ");
    for (uint32_t k = 0; k < 3; ++k) {
      w.integer(face % 4096 + 1 + k);
      w.text("//");
      w.integer(face % 4096 + 1);
      w.text(k < 2 ? " " : "");
    }
    w.endLine();
  }
  w.flush();
  std::fclose(w.file);
}

void writeAllFaces(const std::string& path, uint64_t bytes) {
  ObjWriter w{std::fopen(path.c_str(), "wb")};
  for (const char* kind : {"v", "vn", "vt"}) {
    for (int i = 0; i < 3000; ++i) {
      w.text(kind);
      w.number();
      w.number();
      w.number();
      w.endLine();
    }
  }
  for (uint32_t face = 0; w.size() < bytes; ++face) {
    w.text("f");
    for (uint32_t k = 0; k < 3; ++k) {
      const uint32_t n = (face * 7 + k * 13) % 3000 + 1;
      w.text(" ");
      w.integer(n);
      w.text("/");
      w.integer(n);
      w.text("/");
      w.integer(n);
    }
    w.endLine();
  }
  w.flush();
  std::fclose(w.file);
}

void writeWholeMesh(const std::string& path, uint32_t columns, uint32_t rows) {
  ObjWriter w{std::fopen(path.c_str(), "wb")};
  w.text("# a wavy sheet, written as exporters write meshes");
  w.endLine();
  for (int list = 0; list < 3; ++list) {
    for (uint32_t r = 0; r < rows; ++r) {
      for (uint32_t c = 0; c < columns; ++c) {
        const float x = 9.0f * static_cast<float>(c) / static_cast<float>(columns) - 4.5f;
        const float z = 9.0f * static_cast<float>(r) / static_cast<float>(rows) - 4.5f;
        const float slope = 0.3f * std::cos(3.0f * x);
        const float length = std::sqrt(1.0f + slope * slope);
        const float values[3][3] = {{x, 0.1f * std::sin(3.0f * x), z},
                                    {-slope / length, 1.0f / length, 0.0f},
                                    {(x + 4.5f) / 9.0f, (z + 4.5f) / 9.0f, 0.0f}};
        w.text(list == 0 ? "v" : list == 1 ? "vn" : "vt");
        for (const float value : values[list]) {
          w.decimal(value, 5);
        }
        w.endLine();
      }
    }
  }
  writeGridTriangles(w, 1, columns, rows);
  w.flush();
  std::fclose(w.file);
}

std::string makeBenchFolder(const char* parent, const std::string& name) {
  const char* tmp = std::getenv("TMPDIR");
  if (parent == nullptr) {
    parent = tmp != nullptr ? tmp : "/tmp";
  }
  std::string folder = std::string(parent) + "/" + name + "-XXXXXX";
  if (mkdtemp(folder.data()) == nullptr) {
    std::perror("mkdtemp");
    return {};
  }
  return folder;
}

void writeGridTriangles(ObjWriter& w, uint32_t first, uint32_t columns, uint32_t rows) {
  for (uint32_t r = 0; r + 1 < rows; ++r) {
    for (uint32_t c = 0; c + 1 < columns; ++c) {
      const uint32_t a = first + r * columns + c;
      const uint32_t quad[2][3] = {{a, a + columns, a + columns + 1}, {a, a + columns + 1, a + 1}};
      for (const auto& triangle : quad) {
        w.text("f");
        for (const uint32_t corner : triangle) {
          for (int k = 0; k < 3; ++k) {
            w.text(k == 0 ? " " : "/");
            w.integer(corner);
          }
        }
        w.endLine();
      }
    }
  }
}
