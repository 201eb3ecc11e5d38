#include "fuzz/fuzz_files.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

void require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
  }
}

// A plain array, so that it is still there when the exit handlers run.
char folderToRemove[4096];

void removeFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(folderToRemove, ignored);
}

bool owned(const ObjModel& model, const ObjMaterial* material) {
  return std::any_of(model.ownedMaterials.begin(), model.ownedMaterials.end(),
                     [material](const auto& p) { return p.get() == material; });
}

bool sameMaterial(const ObjMaterial* a, const ObjMaterial* b) {
  if (a == nullptr || b == nullptr) {
    return a == b;
  }
  return a->name == b->name && std::memcmp(&a->diffuse, &b->diffuse, sizeof(Rgb)) == 0;
}

template <typename T>
bool sameBytes(const std::vector<T>& a, const std::vector<T>& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

// Every list exactly as long as its count says.
void checkListSizes(const ObjModel& m) {
  require(m.positions.size() == static_cast<std::size_t>(m.positionCount), "positions size");
  require(m.normals.size() == static_cast<std::size_t>(m.normalCount), "normals size");
  require(m.texcoords.size() == static_cast<std::size_t>(m.texcoordCount), "texcoords size");
  require(m.faceVertexIndex.size() == 3 * static_cast<std::size_t>(m.faceCount), "vertex indices");
  require(m.faceNormalIndex.size() == 3 * static_cast<std::size_t>(m.faceCount), "normal indices");
  require(m.faceMaterial.size() == static_cast<std::size_t>(m.faceCount), "face materials");
}

}  // namespace

const std::string& fuzzFolder() {
  static const std::string folder = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "palvetta-fuzz-XXXXXX").string();
    require(mkdtemp(pattern.data()) != nullptr, "cannot create the fuzz folder");
    require(chdir(pattern.c_str()) == 0, "cannot enter the fuzz folder");
    require(pattern.size() < sizeof folderToRemove, "fuzz folder path too long");
    std::memcpy(folderToRemove, pattern.c_str(), pattern.size() + 1);
    std::atexit(removeFolder);
    return pattern;
  }();
  return folder;
}

void writeObjAndLibrary(std::string_view input) {
  const std::size_t split = input.find("#MTL\n");
  writeFuzzFile("f.obj", input.substr(0, split));
  writeFuzzFile("m.mtl",
                split == std::string_view::npos ? std::string_view() : input.substr(split + 5));
}

void writeFuzzFile(const char* name, std::string_view contents) {
  const std::string path = fuzzFolder() + "/" + name;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  require(file != nullptr, "cannot write a fuzz file");
  std::fwrite(contents.data(), 1, contents.size(), file);
  std::fclose(file);
}

void checkModel(const ObjModel& m) {
  require(m.positionCount >= 0 && m.positionCount <= kMaxPositions, "position count");
  require(m.normalCount >= 0 && m.normalCount <= kMaxNormals, "normal count");
  require(m.texcoordCount >= 0 && m.texcoordCount <= kMaxTexcoords, "texcoord count");
  require(m.faceCount >= 0 && m.faceCount <= kMaxFaces, "face count");
  require(m.materialCount >= 0 && m.materialCount <= kMaxMaterials, "material count");
  checkListSizes(m);
  bool seenMaterial = false;
  for (const ObjMaterial* material : m.faceMaterial) {
    require(material == nullptr || owned(m, material), "a triangle's material is not owned");
    require(material != nullptr || !seenMaterial, "a triangle without material after one with");
    seenMaterial = seenMaterial || material != nullptr;
  }
  for (std::size_t slot = 0; slot < m.materials.size(); ++slot) {
    const bool listed = slot < static_cast<std::size_t>(m.materialCount);
    require(listed == (m.materials[slot] != nullptr), "table slots and count disagree");
    require(!listed || owned(m, m.materials[slot]), "a table material is not owned");
  }
}

void checkSameModel(const ObjModel& a, const ObjModel& b) {
  require(sameBytes(a.positions, b.positions), "scans disagree on positions");
  require(sameBytes(a.normals, b.normals), "scans disagree on normals");
  require(sameBytes(a.texcoords, b.texcoords), "scans disagree on texcoords");
  require(a.faceVertexIndex == b.faceVertexIndex, "scans disagree on vertex indices");
  require(a.faceNormalIndex == b.faceNormalIndex, "scans disagree on normal indices");
  require(a.faceMaterial.size() == b.faceMaterial.size(), "scans disagree on face count");
  for (std::size_t f = 0; f < a.faceMaterial.size(); ++f) {
    require(sameMaterial(a.faceMaterial[f], b.faceMaterial[f]), "scans disagree on a material");
  }
  require(a.materialCount == b.materialCount, "scans disagree on the table");
  for (std::size_t slot = 0; slot < a.materials.size(); ++slot) {
    require(sameMaterial(a.materials[slot], b.materials[slot]), "scans disagree on a table slot");
  }
}

bool namesNone(const std::vector<int32_t>& numbers) {
  return std::all_of(numbers.begin(), numbers.end(), [](int32_t n) { return n == kNoIndex; });
}

void checkSameWholeModel(const ObjModel& a, const ObjModel& b) {
  checkSameModel(a, b);
  require(a.faceTexcoordIndex == b.faceTexcoordIndex ||
              (a.faceTexcoordIndex.empty() && namesNone(b.faceTexcoordIndex)) ||
              (b.faceTexcoordIndex.empty() && namesNone(a.faceTexcoordIndex)),
          "readings disagree on texture-coordinate numbers");
  require(sameBytes(a.positionColours, b.positionColours), "readings disagree on colours");
  require(a.ownedMaterials.size() == b.ownedMaterials.size(), "readings disagree on materials");
  require(a.imagesNotFound == b.imagesNotFound, "readings disagree on images");
}

void checkWholeModel(const ObjModel& m) {
  checkListSizes(m);
  for (int32_t f = 0; f < m.faceCount; ++f) {
    require(faceIndicesInRange(m, f), "a whole triangle's index is outside its list");
    const ObjMaterial* material = m.faceMaterial[static_cast<std::size_t>(f)];
    require(material == nullptr || owned(m, material), "a whole triangle's material is not owned");
  }
  require(m.materialCount == 0, "the whole reading filled the table");
  require(m.faceTexcoordIndex.empty() || m.faceTexcoordIndex.size() == m.faceVertexIndex.size(),
          "texture-coordinate numbers and corners disagree");
  for (const int32_t t : m.faceTexcoordIndex) {
    require(t == kNoIndex || (t >= 0 && t < m.texcoordCount), "a texture coordinate is outside");
  }
  require(m.positionColours.empty() || m.positionColours.size() == m.positions.size(),
          "colours and positions disagree");
}

void checkPlacedModel(const ObjModel& m, float target) {
  // Rounding to float on the way leaves a little room.
  const double slack = 1e-3 * target;
  for (const int32_t corner : m.faceVertexIndex) {
    const Vec3& p = m.positions[static_cast<std::size_t>(corner)];
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
      continue;
    }
    require(std::fabs(p.x) <= target / 2 + slack && std::fabs(p.z) <= target / 2 + slack &&
                p.y >= -slack && p.y <= target + slack,
            "a placed corner lies outside the fitted box");
  }
}
