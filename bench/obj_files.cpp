#include "bench/obj_files.h"

#include <stdlib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

namespace {

struct MixCounts {
  uint32_t positions = 0;
  uint32_t texcoords = 0;
  uint32_t normals = 0;
};

std::vector<std::string> readLines(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    lines.push_back(line);
  }
  return lines;
}

// One copy of an example, its positions moved by `shift`, its positive numbers counted on from
// what the file holds so far.
void writeExampleCopy(ObjWriter& w, const std::vector<std::string>& lines, const float shift[3],
                      MixCounts& counts) {
  MixCounts added;
  for (const std::string& line : lines) {
    const std::size_t blank = line.find(' ');
    const std::string keyword = line.substr(0, blank);
    if (keyword == "v") {
      const char* p = line.c_str() + blank;
      w.text("v");
      for (int k = 0; k < 3; ++k) {
        while (*p == ' ') {
          ++p;
        }
        float value = 0.0f;
        p = std::from_chars(p, line.c_str() + line.size(), value).ptr;
        w.decimal(value + shift[k], 5);
      }
      w.text(p);
      ++added.positions;
    } else if (keyword == "vn" || keyword == "vt" || keyword == "usemtl" || keyword == "o" ||
               keyword == "g" || keyword == "s") {
      w.text(line.c_str());
      added.texcoords += keyword == "vt" ? 1 : 0;
      added.normals += keyword == "vn" ? 1 : 0;
    } else if (keyword == "f") {
      w.text("f");
      const char* p = line.c_str() + 1;
      const char* end = line.c_str() + line.size();
      while (p < end) {
        while (p < end && *p == ' ') {
          ++p;
        }
        if (p == end) {
          break;
        }
        w.text(" ");
        const uint32_t offsets[3] = {counts.positions, counts.texcoords, counts.normals};
        for (int k = 0; k < 3 && p < end && *p != ' '; ++k) {
          if (*p == '/') {
            w.text("/");
            ++p;
            continue;
          }
          int32_t number = 0;
          p = std::from_chars(p, end, number).ptr;
          if (number < 0) {
            w.text("-");
            w.integer(static_cast<uint32_t>(-number));
          } else {
            w.integer(static_cast<uint32_t>(number) + offsets[k]);
          }
          if (p < end && *p == '/') {
            w.text("/");
            ++p;
          }
        }
      }
    } else {
      continue;  // comments, blank lines and the examples' own "mtllib" lines
    }
    w.endLine();
  }
  counts.positions += added.positions;
  counts.texcoords += added.texcoords;
  counts.normals += added.normals;
}

// A patch of `side` x `side` corners at (x, z): quads with normals, or triangles with texture
// coordinates.
void writePatch(ObjWriter& w, float x, float z, uint32_t side, bool quads, MixCounts& counts) {
  const float step = 2.0f / static_cast<float>(side);
  for (uint32_t r = 0; r < side; ++r) {
    for (uint32_t c = 0; c < side; ++c) {
      const float u = step * static_cast<float>(c) - 1.0f;
      const float v = step * static_cast<float>(r) - 1.0f;
      w.text("v");
      w.decimal(x + u, 5);
      w.decimal(0.5f * std::cos(1.5f * u) * std::cos(1.5f * v), 5);
      w.decimal(z + v, 5);
      w.endLine();
      if (quads) {
        w.text("vn");
        w.decimal(0.6f * std::sin(1.5f * u), 5);
        w.decimal(0.8f, 5);
        w.decimal(0.6f * std::sin(1.5f * v), 5);
      } else {
        w.text("vt");
        w.decimal(0.5f * (u + 1.0f), 5);
        w.decimal(0.5f * (v + 1.0f), 5);
      }
      w.endLine();
    }
  }
  const uint32_t first = counts.positions + 1;
  const uint32_t other = (quads ? counts.normals : counts.texcoords) + 1;
  for (uint32_t r = 0; r + 1 < side; ++r) {
    for (uint32_t c = 0; c + 1 < side; ++c) {
      const uint32_t a = r * side + c;
      const uint32_t quad[4] = {a, a + side, a + side + 1, a + 1};
      const uint32_t triangles[2][3] = {{a, a + side, a + side + 1}, {a, a + side + 1, a + 1}};
      for (int t = 0; t < (quads ? 1 : 2); ++t) {
        w.text("f");
        for (int k = 0; k < (quads ? 4 : 3); ++k) {
          const uint32_t corner = quads ? quad[k] : triangles[t][k];
          w.text(" ");
          w.integer(first + corner);
          w.text(quads ? "//" : "/");
          w.integer(other + corner);
        }
        w.endLine();
      }
    }
  }
  counts.positions += side * side;
  (quads ? counts.normals : counts.texcoords) += side * side;
}

// `count` flat polygons of 5 to 8 corners around (x, z); one in 16 has a corner pulled in, which
// makes it concave.
void writePolygons(ObjWriter& w, float x, float z, uint32_t count, MixCounts& counts) {
  for (uint32_t i = 0; i < count; ++i) {
    w.seed = w.seed * 1664525u + 1013904223u;
    const uint32_t corners = 5 + (w.seed >> 16) % 4;
    const bool concave = (w.seed >> 20) % 16 == 0;
    const float cx = x + static_cast<float>(i % 64) / 32.0f - 1.0f;
    const float cz = z + static_cast<float>(i / 64 % 64) / 32.0f - 1.0f;
    const float height = 0.6f + 0.01f * static_cast<float>(i / 4096);
    for (uint32_t k = 0; k < corners; ++k) {
      const float angle = 6.2831853f * static_cast<float>(k) / static_cast<float>(corners);
      const float radius = concave && k == 0 ? 0.004f : 0.014f;
      w.text("v");
      w.decimal(cx + radius * std::cos(angle), 5);
      w.decimal(height, 5);
      w.decimal(cz + radius * std::sin(angle), 5);
      w.endLine();
    }
    w.text("f");
    for (uint32_t k = 0; k < corners; ++k) {
      w.text(" ");
      w.integer(counts.positions + 1 + k);
    }
    w.endLine();
    counts.positions += corners;
  }
}

}  // namespace

void writeExampleMix(const std::string& path, const std::string& examples, uint64_t bytes) {
  namespace fs = std::filesystem;
  std::vector<fs::path> objects;
  std::vector<fs::path> libraries;
  for (const fs::directory_entry& entry : fs::directory_iterator(examples)) {
    (entry.path().extension() == ".obj" ? objects : libraries).push_back(entry.path());
  }
  std::sort(objects.begin(), objects.end());
  std::sort(libraries.begin(), libraries.end());
  const fs::path folder = fs::path(path).parent_path();
  {
    std::ofstream mtl(folder / "examples.mtl");
    for (const fs::path& library : libraries) {
      if (library.extension() == ".mtl") {
        for (const std::string& line : readLines(library)) {
          mtl << line << '\n';
        }
      }
    }
  }
  fs::copy(fs::path(examples) / "textures", folder / "textures", fs::copy_options::recursive);
  std::vector<std::vector<std::string>> lines;
  for (const fs::path& object : objects) {
    lines.push_back(readLines(object));
  }

  ObjWriter w{std::fopen(path.c_str(), "wb")};
  w.text("# the examples over and over, between quads, triangles and polygons");
  w.endLine();
  w.text("mtllib examples.mtl");
  w.endLine();
  MixCounts counts;
  for (uint32_t block = 0; w.size() < bytes; ++block) {
    const float x = 4.0f * static_cast<float>(block % 16);
    const float z = 4.0f * static_cast<float>(block / 16);
    for (const std::vector<std::string>& example : lines) {
      const float shift[3] = {x, 0.0f, z};
      writeExampleCopy(w, example, shift, counts);
    }
    writePatch(w, x + 2.0f, z, 64, true, counts);
    writePatch(w, x, z + 2.0f, 64, false, counts);
    writePolygons(w, x + 2.0f, z + 2.0f, 3000, counts);
  }
  w.flush();
  std::fclose(w.file);
}
