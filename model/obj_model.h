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
// What only the whole reading fills, empty from the specified one: each corner's texture-coordinate
// number (kNoIndex for a corner without one), the colours of positions, and each material's images
// as the paths that opened. `colouring` says how drawing colours the triangles, so that one way of
// drawing serves both readings.
//
// Ownership: the model owns its lists and the ObjMaterials it created that something still refers
// to: the table's, and those of a table that a later library replaced but a triangle uses, so a
// triangle's material stays valid while the model lives. The reader frees the others, so that a
// file of endless "mtllib" lines reads in bounded memory. It also holds what drawing made of it in
// an OpenGL context (view/scene.h), so that that goes with it. No OpenGL, no toolkit: plain C++.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/image.h"

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

// A corner without a texture-coordinate number, or a normal number that names no normal.
inline constexpr int32_t kNoIndex = -1;
// A position without a colour, in `positionColours`.
inline constexpr Rgb kNoColour = {-1.0f, -1.0f, -1.0f};

// An image a material names, and how it lies on the surface: texture coordinates are scaled by
// `scale`, then moved by `offset`; outside 0 ... 1 the image repeats, or its edge goes on when
// `clamp`. `image` is its number in the model's `images`; an empty path and kNoIndex: no image, or
// none that opened and decoded.
struct TextureMap {
  std::string path;
  int32_t image = kNoIndex;
  float offset[2] = {0.0f, 0.0f};
  float scale[2] = {1.0f, 1.0f};
  bool clamp = false;
};

struct ObjMaterial {
  std::string name;
  Rgb diffuse = kDefaultDiffuse;
  TextureMap diffuseMap;  // its colour, in place of `diffuse`
  TextureMap cutOutMap;   // where the surface is cut away
};

// How drawing colours a triangle. By the table, as the specified reading says: while the current
// library's table lists materials, a triangle with a material takes its diffuse colour and one
// without keeps the colour before it; a model whose table is empty is white. By material, as the
// whole reading says: each triangle takes its own material's colour, white without one.
enum class Colouring { byTable, byMaterial };

// What drawing makes of a model in an OpenGL context: made by the view the first time the model is
// drawn there, freed by the view's own function when the model goes.
struct DrawingObjects;
using DrawingObjectsHandle = std::unique_ptr<DrawingObjects, void (*)(DrawingObjects*)>;

struct ObjModel {
  int32_t positionCount = 0;
  std::vector<Vec3> positions;
  int32_t normalCount = 0;
  std::vector<Vec3> normals;
  int32_t texcoordCount = 0;
  std::vector<Vec3> texcoords;
  int32_t faceCount = 0;
  std::vector<int32_t> faceVertexIndex;          // corner k of triangle f at 3*f + k
  std::vector<int32_t> faceNormalIndex;          // same layout
  std::vector<int32_t> faceTexcoordIndex;        // same layout, or empty: no texture coordinates
  std::vector<const ObjMaterial*> faceMaterial;  // nullptr: no material
  int32_t materialCount = 0;
  std::array<const ObjMaterial*, kMaxMaterials> materials{};  // the current library's table
  std::vector<std::unique_ptr<ObjMaterial>> ownedMaterials;   // every material still referred to
  std::vector<Rgb> positionColours;  // one per position, or empty: no position has a colour
  // Decoded, each TextureMap's by its number; handed to OpenGL when the model is first drawn,
  // and freed then.
  mutable std::vector<Image> images;
  int32_t imagesNamed = 0;                  // the images the materials name, found or not
  std::vector<std::string> imagesNotFound;  // as the files name them, in the order named
  Colouring colouring = Colouring::byTable;
  // Fewer triangles in the same place, drawn while the camera moves; none for a small model
  // (model/simplified_model.h).
  std::unique_ptr<ObjModel> simplified;
  mutable DrawingObjectsHandle drawingObjects{nullptr, nullptr};
};

// True when triangle `face` has all six indices inside the position and normal lists, so that
// drawing it reads nothing outside them.
bool faceIndicesInRange(const ObjModel& model, int32_t face);
