// ObjModel and ObjMaterial: the in-memory form of one OBJ file and its materials.
//
// Plain records: three lists of Vec3 (positions, normals, texture coordinates), the triangles as
// per-corner 0-based indices into positions and normals, one material per triangle, and the table
// of the most recent material library. Every list has a count; once the reader returns a model,
// each list holds exactly `count` entries.
//
// Capacities: kMaxPositions, kMaxNormals, kMaxTexcoords entries, kMaxFaces triangles and
// kMaxMaterials materials per library table. Indices are stored as the file gives them (minus one)
// and are not checked against the counts; whoever reads them must.
//
// Ownership: the model owns its lists and the ObjMaterials it created that something still refers
// to: the table's, and those of a table that a later library replaced but a triangle uses, so a
// triangle's material stays valid while the model lives. The reader frees the others, so that a
// file of endless "mtllib" lines reads in bounded memory. No OpenGL, no toolkit: plain C++.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Vec3 {
  float x;
  float y;
  float z;
};

struct Rgb {
  float r;
  float g;
  float b;
};

inline constexpr int32_t kMaxPositions = 4096;
inline constexpr int32_t kMaxNormals = 4096;
inline constexpr int32_t kMaxTexcoords = 4096;
inline constexpr int32_t kMaxFaces = 4096;
inline constexpr int32_t kMaxMaterials = 32;
inline constexpr Rgb kDefaultDiffuse = {0.8f, 0.8f, 0.8f};

struct ObjMaterial {
  std::string name;
  Rgb diffuse = kDefaultDiffuse;
};

struct ObjModel {
  int32_t positionCount = 0;
  std::vector<Vec3> positions;
  int32_t normalCount = 0;
  std::vector<Vec3> normals;
  int32_t texcoordCount = 0;
  std::vector<Vec3> texcoords;
  int32_t faceCount = 0;
  std::vector<int32_t> faceVertexIndex;  // corner k of triangle f at 3*f + k
  std::vector<int32_t> faceNormalIndex;  // same layout
  std::vector<const ObjMaterial*> faceMaterial;  // nullptr: no material
  int32_t materialCount = 0;
  std::array<const ObjMaterial*, kMaxMaterials> materials{};  // the current library's table
  std::vector<std::unique_ptr<ObjMaterial>> ownedMaterials;   // every material still referred to
};

// True when triangle `face` has all six indices inside the position and normal lists, so that
// drawing it reads nothing outside them.
bool faceIndicesInRange(const ObjModel& model, int32_t face);
