// Provisional line reader; to be replaced by the fast, locale-proof reader.
#include "model/obj_reader.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kLineBytes = 1024;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

void compact(ObjModel& m) {
  m.positions.resize(m.positionCount);
  m.positions.shrink_to_fit();
  m.normals.resize(m.normalCount);
  m.normals.shrink_to_fit();
  m.texcoords.resize(m.texcoordCount);
  m.texcoords.shrink_to_fit();
  m.faceVertexIndex.resize(3 * m.faceCount);
  m.faceVertexIndex.shrink_to_fit();
  m.faceNormalIndex.resize(3 * m.faceCount);
  m.faceNormalIndex.shrink_to_fit();
  m.faceMaterial.resize(m.faceCount);
  m.faceMaterial.shrink_to_fit();
}

void addVec3(std::vector<Vec3>& list, int32_t& count, int32_t capacity, const char* format,
             const char* line) {
  if (count >= capacity) {
    return;
  }
  Vec3 v{0.0f, 0.0f, 0.0f};
  std::sscanf(line, format, &v.x, &v.y, &v.z);
  list[count++] = v;
}

}  // namespace

void loadMaterialLibrary(ObjModel& model, const char* name) {
  File file(std::fopen(name, "r"));
  if (!file) {
    return;
  }
  model.materialCount = 0;
  model.materials.fill(nullptr);
  ObjMaterial* current = nullptr;
  char line[kLineBytes];
  char word[kLineBytes];
  while (std::fgets(line, sizeof line, file.get())) {
    if (std::strncmp(line, "newmtl", 6) == 0) {
      if (std::sscanf(line, "newmtl %1023s", word) != 1) {
        continue;
      }
      if (model.materialCount >= kMaxMaterials) {
        current = nullptr;
        continue;
      }
      model.ownedMaterials.push_back(std::make_unique<ObjMaterial>());
      current = model.ownedMaterials.back().get();
      current->name = word;
      model.materials[model.materialCount++] = current;
    } else if (std::strncmp(line, "Kd", 2) == 0 && current) {
      Rgb c = current->diffuse;
      std::sscanf(line, "Kd %f %f %f", &c.r, &c.g, &c.b);
      current->diffuse = c;
    }
  }
}

std::unique_ptr<ObjModel> loadObjModel(const char* path) {
  File file(std::fopen(path, "r"));
  if (!file) {
    return nullptr;
  }
  auto model = std::make_unique<ObjModel>();
  ObjModel& m = *model;
  m.positions.resize(kMaxPositions);
  m.normals.resize(kMaxNormals);
  m.texcoords.resize(kMaxTexcoords);
  m.faceVertexIndex.resize(3 * kMaxFaces);
  m.faceNormalIndex.resize(3 * kMaxFaces);
  m.faceMaterial.resize(kMaxFaces);
  const ObjMaterial* current = nullptr;
  char line[kLineBytes];
  char word[kLineBytes];
  while (std::fgets(line, sizeof line, file.get())) {
    if (std::strncmp(line, "mtllib", 6) == 0) {
      if (std::sscanf(line, "mtllib %1023s", word) == 1) {
        loadMaterialLibrary(m, word);
      }
    } else if (std::strncmp(line, "usemtl", 6) == 0) {
      if (std::sscanf(line, "usemtl %1023s", word) == 1) {
        for (int32_t i = 0; i < m.materialCount; ++i) {
          if (m.materials[i]->name == word) {
            current = m.materials[i];
            break;
          }
        }
      }
    } else if (line[0] == 'v') {
      if (line[1] == 'n') {
        addVec3(m.normals, m.normalCount, kMaxNormals, "vn %f %f %f", line);
      } else if (line[1] == 't') {
        addVec3(m.texcoords, m.texcoordCount, kMaxTexcoords, "vt %f %f %f", line);
      } else {
        addVec3(m.positions, m.positionCount, kMaxPositions, "v %f %f %f", line);
      }
    } else if (line[0] == 'f') {
      int n[6];
      if (std::sscanf(line, "f %i//%i %i//%i %i//%i", &n[0], &n[1], &n[2], &n[3], &n[4], &n[5]) ==
          6) {
        for (int k = 0; k < 3; ++k) {
          m.faceVertexIndex[3 * m.faceCount + k] = n[2 * k] - 1;
          m.faceNormalIndex[3 * m.faceCount + k] = n[2 * k + 1] - 1;
        }
        m.faceMaterial[m.faceCount++] = current;
      }
      if (m.faceCount >= kMaxFaces) {
        break;
      }
    }
  }
  compact(m);
  return model;
}
