// The whole reading against what a reader of the format expects, worked out by hand.
#include "model/whole_reader.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/temp_files.h"

namespace {

ObjModel read(std::string_view name, std::string_view text) {
  std::unique_ptr<ObjModel> model;
  const Failure failure = loadWholeObjModel(writeTestFile(name, text).c_str(), model);
  EXPECT_EQ(failure, std::nullopt) << name;
  return model ? std::move(*model) : ObjModel();
}

Vec3 cornerPosition(const ObjModel& m, int32_t face, int k) {
  return m.positions[static_cast<std::size_t>(m.faceVertexIndex[3 * face + k])];
}

Vec3 cornerNormal(const ObjModel& m, int32_t face, int k) {
  return m.normals[static_cast<std::size_t>(m.faceNormalIndex[3 * face + k])];
}

void expectVec3(const Vec3& got, const Vec3& want, const std::string& where) {
  EXPECT_TRUE(got.x == want.x && got.y == want.y && got.z == want.z)
      << where << ": " << got.x << " " << got.y << " " << got.z;
}

TEST(WholeReaderTest, CornerFormsRelativeAndLaterNumbersAndLineRules) {
  const ObjModel m = read("forms.obj",
                          "  v 0 0 0 1 0.5 0\r\n"  // indented, with a vertex colour
                          "vp 5 5 5\r\n"
                          "v1 7 7 7\r\n"
                          "\tv 1 0 0\r\n"
                          "v 0 1 \\\r\n"
                          " 0\r\n"
                          "vn 0 0 2\r\n"
                          "vt 0.5 0.5\r\n"
                          "f 1 2 3\r\n"
                          "f 1/1 2/1 3/1\r\n"
                          "f 1//1 2//1 3//1 # a comment\r\n"
                          "f -3/-1/-1 -2/-1/-1 -1/-1/-1\r\n"
                          "f 1/1/1 2/1/1 \\\r\n"
                          "4/1/1\r\n"  // the fourth position comes later
                          "v 0 0 1\r\n"
                          "f 1 2 5\r\n"
                          "f 1 2 x\r\n"
                          "f 0 1 2\r\n"
                          "f 1 2\r\n"
                          "f 1//9 2//1 3//-2\r\n");
  ASSERT_EQ(m.positionCount, 4);
  expectVec3(m.positions[2], {0, 1, 0}, "the continued position");
  EXPECT_EQ(m.texcoordCount, 1);
  EXPECT_EQ(m.faceVertexIndex,
            (std::vector<int32_t>{0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 3, 0, 1, 2}));
  // The file's normal as it is where given; the unit face normal where missing or out of range.
  const Vec3 given = {0, 0, 2};
  const Vec3 face = {0, 0, 1};
  const Vec3 want[6][3] = {{face, face, face},    {face, face, face},    {given, given, given},
                           {given, given, given}, {given, given, given}, {face, given, face}};
  ASSERT_EQ(m.faceCount, 6);
  for (int32_t f = 0; f < 6; ++f) {
    for (int k = 0; k < 3; ++k) {
      expectVec3(cornerNormal(m, f, k), want[f][k], "normal " + std::to_string(3 * f + k));
    }
  }
  EXPECT_EQ(m.normalCount, 1 + 3);  // one face normal per triangle that needs it
  EXPECT_EQ(m.faceTexcoordIndex,
            (std::vector<int32_t>{-1, -1, -1, 0, 0, 0, -1, -1, -1, 0, 0, 0, 0, 0, 0, -1, -1, -1}));
  ASSERT_EQ(m.positionColours.size(), 4u);
  EXPECT_TRUE(m.positionColours[0].r == 1 && m.positionColours[0].g == 0.5f);
  EXPECT_EQ(m.positionColours[3].r, kNoColour.r);
}

TEST(WholeReaderTest, SignsByteOrderMarksAndNormalsGivenInPart) {
  // A byte order mark before the first line, and numbers written with a '+' sign.
  const ObjModel m = read("signs.obj",
                          "\xEF\xBB\xBFv +0 +0 +0\n"
                          "v +1e+0 0 0\nv 0 +1 0\nv +1 +1 +0\n"
                          "vn +0 +0 +2\n"
                          "f +1 +2//+1 +3\n"       // the middle corner alone has a normal
                          "f 1//1 2 3//1\n"        // all but the middle corner
                          "f 1//1 2//1 4 3//-1\n"  // a convex quad, one corner without
  );
  ASSERT_EQ(m.positionCount, 4);
  expectVec3(m.positions[3], {1, 1, 0}, "the signed position");
  EXPECT_EQ(m.faceVertexIndex, (std::vector<int32_t>{0, 1, 2, 0, 1, 2, 0, 1, 3, 0, 3, 2}));
  // Corners with a normal keep it; the others take their own triangle's unit face normal.
  const Vec3 given = {0, 0, 2};
  const Vec3 face = {0, 0, 1};
  const Vec3 want[4][3] = {
      {face, given, face}, {given, face, given}, {given, given, face}, {given, face, given}};
  ASSERT_EQ(m.faceCount, 4);
  for (int32_t f = 0; f < 4; ++f) {
    for (int k = 0; k < 3; ++k) {
      expectVec3(cornerNormal(m, f, k), want[f][k], "normal " + std::to_string(3 * f + k));
    }
  }

  // A library with a byte order mark of its own.
  writeTestFile("marked.mtl", "\xEF\xBB\xBFnewmtl marked\nKd 0 1 0\n");
  const ObjModel coloured = read("marked.obj", "mtllib " + testFolder() +
                                                   "/marked.mtl\nusemtl marked\n"
                                                   "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  ASSERT_EQ(coloured.faceCount, 1);
  ASSERT_NE(coloured.faceMaterial[0], nullptr);
  EXPECT_EQ(coloured.faceMaterial[0]->diffuse.g, 1.0f);
}

TEST(WholeReaderTest, ALineLongerThanTheReadBlockIsReadWhole) {
  // Blocks are at most 1 MiB: the face's third corner lies beyond the first two blocks.
  const ObjModel m = read(
      "long.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 " + std::string(5 << 19, ' ') + "3\nf 3 2 1\n");
  EXPECT_EQ(m.faceVertexIndex, (std::vector<int32_t>{0, 1, 2, 2, 1, 0}));
}

TEST(WholeReaderTest, WhereEdgesCrossTheNewPointTakesTheNormalItsCornersShare) {
  // A bow tie whose edges cross at (1, 1, 0), halfway along both: once with one normal at every
  // corner, once with the first corner's normal another, where the point takes its triangle's face
  // normal. Its texture coordinates and colour are its corners' mixed, or none when the first
  // corner's texture-coordinate number is out of range.
  const std::string positions =
      "v 0 0 0 1 0 0\nv 2 2 0 0 1 0\nv 2 0 0 0 0 1\nv 0 2 0 1 1 1\n"
      "vn 0 0 3\nvn 0 0 5\nvt 0 0\nvt 1 1\nvt 1 0\nvt 0 1\n";
  for (const bool shared : {true, false}) {
    SCOPED_TRACE(shared ? "one normal" : "two normals");
    const ObjModel m = read("bow tie.obj", positions + (shared ? "f 1/1/1 2/2/1 3/3/1 4/4/1\n"
                                                               : "f 1/9/2 2/2/1 3/3/1 4/4/1\n"));
    ASSERT_EQ(m.positionCount, 5);
    expectVec3(m.positions[4], {1, 1, 0}, "the crossing");
    ASSERT_EQ(m.positionColours.size(), 5u);
    EXPECT_TRUE(m.positionColours[4].r == 0.5f && m.positionColours[4].b == 0.5f);
    ASSERT_EQ(m.faceTexcoordIndex.size(), m.faceVertexIndex.size());
    int crossings = 0;
    for (int32_t f = 0; f < m.faceCount; ++f) {
      for (int k = 0; k < 3; ++k) {
        if (m.faceVertexIndex[3 * f + k] != 4) {
          continue;
        }
        ++crossings;
        const Vec3 n = cornerNormal(m, f, k);
        const int32_t t = m.faceTexcoordIndex[3 * f + k];
        if (shared) {
          expectVec3(n, {0, 0, 3}, "the shared normal");
          ASSERT_NE(t, kNoIndex);
          expectVec3(m.texcoords[static_cast<std::size_t>(t)], {0.5f, 0.5f, 0}, "the mixed uv");
        } else {
          EXPECT_EQ(t, kNoIndex);
        }
        if (shared) {
        } else {
          // The lobes run opposite ways: the unit normal points along z either way.
          EXPECT_TRUE(n.x == 0 && n.y == 0 && std::fabs(n.z) == 1) << n.z;
        }
      }
    }
    EXPECT_EQ(crossings, 2);  // one triangle a lobe
  }
}

// The polygon's triangles: their areas, each positive when it runs counter-clockwise seen from +z.
std::vector<double> triangleAreas(const ObjModel& m) {
  std::vector<double> areas;
  for (int32_t f = 0; f < m.faceCount; ++f) {
    const Vec3 a = cornerPosition(m, f, 0);
    const Vec3 b = cornerPosition(m, f, 1);
    const Vec3 c = cornerPosition(m, f, 2);
    areas.push_back(((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x)) / 2.0);
  }
  return areas;
}

// One polygon in the plane z = 0, its corners given by x and y; `later` puts the positions after
// it.
ObjModel polygon(const std::vector<std::pair<double, double>>& corners, bool reversed = false,
                 bool later = false) {
  std::string positions;
  std::string face = "f";
  for (std::size_t i = 0; i < corners.size(); ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "v %.9g %.9g 0\n", corners[i].first, corners[i].second);
    positions += line;
    face += ' ';
    face += std::to_string(reversed ? corners.size() - i : i + 1);
  }
  return read("polygon.obj", later ? face + "\n" + positions : positions + face + "\n");
}

TEST(WholeReaderTest, PolygonsBecomeTrianglesCoveringThemWithTheirWinding) {
  struct Case {
    const char* what;
    std::vector<std::pair<double, double>> corners;  // counter-clockwise
    double area;
  };
  const Case cases[] = {
      {"a convex quad", {{0, 0}, {2, 0}, {2, 1}, {0, 1}}, 2.0},
      {"a U, which no fan from its first corner covers",
       {{0, 0}, {3, 0}, {3, 2}, {2, 2}, {2, 1}, {1, 1}, {1, 2}, {0, 2}},
       5.0},
      {"a square with a repeated corner and one on an edge",
       {{0, 0}, {1, 0}, {2, 0}, {2, 0}, {2, 2}, {0, 2}},
       4.0},
      {"a line", {{0, 0}, {1, 1}, {2, 2}, {3, 3}}, 0.0},
  };
  for (const Case& c : cases) {
    for (const bool reversed : {false, true}) {
      for (const bool later : {false, true}) {
        SCOPED_TRACE(std::string(c.what) + (reversed ? ", clockwise" : "") +
                     (later ? ", positions later" : ""));
        double covered = 0.0;
        for (const double area : triangleAreas(polygon(c.corners, reversed, later))) {
          EXPECT_GE(reversed ? -area : area, 0.0) << "a triangle against the polygon's winding";
          covered += std::fabs(area);
        }
        EXPECT_DOUBLE_EQ(covered, c.area);
      }
    }
  }
}

// The area of the triangles, each counter-clockwise seen from +z when `winding` is 1.
double coveredArea(const ObjModel& m, double winding = 1.0) {
  double covered = 0.0;
  for (const double area : triangleAreas(m)) {
    EXPECT_GT(winding * area, 0.0) << "a triangle against the polygon's winding";
    covered += area;
  }
  return covered;
}

constexpr double kPi = std::numbers::pi;

std::pair<double, double> onCircle(double radius, double turn) {
  return {radius * std::cos(2 * kPi * turn), radius * std::sin(2 * kPi * turn)};
}

TEST(WholeReaderTest, PolygonsWithinTheTessellatorsBudgetAreCutExactlyByTheOddRule) {
  // A saw of 6000 teeth on a 1 x 12000 strip: each tooth adds a triangle of area 1.
  std::vector<std::pair<double, double>> saw = {{12000, 0}, {12000, 1}};
  for (int x = 11999; x >= 0; --x) {
    saw.emplace_back(x, x % 2 == 0 ? 1 : 2);
  }
  saw.emplace_back(0, 0);
  const ObjModel cut = polygon(saw);
  EXPECT_EQ(cut.faceCount, 12001);
  EXPECT_NEAR(coveredArea(cut), 12000 + 6000, 1e-6);

  // A star of 512 points, which turns back at almost every corner: 1024 triangles of area
  // sin(2 pi / 1024) / 4, between the centre and each edge.
  std::vector<std::pair<double, double>> star;
  for (int i = 0; i < 1024; ++i) {
    star.push_back(onCircle(i % 2 == 0 ? 1.0 : 0.5, i / 1024.0));
  }
  const ObjModel starCut = polygon(star);
  EXPECT_EQ(starCut.faceCount, 1022);
  EXPECT_NEAR(coveredArea(starCut), 1024 * std::sin(2 * kPi / 1024) / 4, 1e-5);

  // A pentagram keeps its five points and leaves out the pentagon where it winds twice: the
  // star of ten corners at radii 1 and r less the pentagon of radius r.
  std::vector<std::pair<double, double>> pentagram;
  for (int k = 0; k < 5; ++k) {
    pentagram.push_back(onCircle(1.0, 0.25 + 0.4 * k));
  }
  const double r = std::cos(0.4 * kPi) / std::cos(0.2 * kPi);
  const ObjModel points = polygon(pentagram);
  EXPECT_EQ(points.faceCount, 5);
  EXPECT_NEAR(coveredArea(points), 5 * r * std::sin(0.2 * kPi) - 2.5 * r * r * std::sin(0.4 * kPi),
              1e-5);
}

TEST(WholeReaderTest, OutlinesThatTurnBackAlongOneAxisAreSweptAnotherWay) {
  // The staircase given clockwise, and the comb either way round, turn back 1200 times in the
  // tessellator's usual sweep; they are cut exactly in one where they turn a few times.
  // A staircase of 600 steps: columns of heights 1 to 600.
  std::vector<std::pair<double, double>> stairs = {{0, 0}, {600, 0}, {600, 600}};
  for (int x = 599; x >= 0; --x) {
    stairs.emplace_back(x, x + 1);
    stairs.emplace_back(x, x);
  }
  stairs.pop_back();  // back at the start
  // A comb of 600 teeth, the triangles (0, 2i), (1, 2i + 1), (0, 2i + 2) cut from the strip
  // [0, 3] x [0, 1200], ending in a bow tie that crosses itself at (4, -1) to make the
  // quadrilateral (0, 0), (3, 0), (4, -1), (3, -2) and the triangle (4, -1), (5, -2), (5, 0).
  std::vector<std::pair<double, double>> comb;
  for (int i = 0; i < 600; ++i) {
    comb.emplace_back(0, 2 * i);
    comb.emplace_back(1, 2 * i + 1);
  }
  for (const auto& corner : {std::pair{0, 1200}, {3, 1200}, {3, 0}, {5, -2}, {5, 0}, {3, -2}}) {
    comb.push_back(corner);
  }
  for (const bool reversed : {false, true}) {
    SCOPED_TRACE(reversed ? "reversed" : "as written");
    const double turn = reversed ? -1.0 : 1.0;
    EXPECT_NEAR(turn * coveredArea(polygon(stairs, reversed), turn), 600 * 601 / 2, 1e-6);
    const ObjModel cut = polygon(comb, reversed);
    EXPECT_NEAR(-turn * coveredArea(cut, -turn), 3600 - 600 + 4 + 1, 1e-6);
    EXPECT_EQ(cut.positionCount, 1207);  // the crossing
  }
}

TEST(WholeReaderTest, PolygonsWhoseEdgesCrossEverywhereBecomeFans) {
  // 401 corners on a circle, each 200 steps on from the one before: every edge crosses 398
  // others, which would make tens of thousands of triangles.
  std::vector<std::pair<double, double>> tangle;
  for (int i = 0; i < 401; ++i) {
    tangle.push_back(onCircle(1.0, (200 * i % 401) / 401.0));
  }
  const ObjModel m = polygon(tangle);
  EXPECT_EQ(m.faceCount, 399);
  EXPECT_EQ(m.positionCount, 401);
}

class WholeMaterialsTest : public CurrentDirectoryTest {};

TEST_F(WholeMaterialsTest, FromEveryLibraryByNameFirstDefinedWins) {
  std::filesystem::current_path(testFolder());  // where the libraries are
  writeTestFile("first.mtl", "newmtl late\n  Kd 1 0 0\nnewmtl shared name\n\tKd 0 1 0\n");
  writeTestFile("second.mtl", "newmtl shared name\nKd 0 0 1\nnewmtl other\n");
  writeTestFile("my materials.mtl",
                "Kd 0.5 0.5 0.5\nnewmtl spaced\nKd 0 0 x\nnewmtl \nKd 0.25 x\n");
  const ObjModel m = read("materials.obj",
                          "f 1 2 3\n"  // before any usemtl: none
                          "usemtl late\n"
                          "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
                          "f 1 2 3\n"  // coloured by a library read later
                          "mtllib first.mtl second.mtl\n"
                          "mtllib first.mtl\n"
                          "usemtl unknown\n"
                          "f 1 2 3\n"  // keeps the material in force
                          "usemtl shared name \n"
                          "f 1 2 3\n"
                          "mtllib my materials.mtl\n"
                          "usemtl spaced\n"
                          "f 1 2 3\n");
  ASSERT_EQ(m.faceCount, 5);
  EXPECT_EQ(m.faceMaterial[0], nullptr);
  const char* names[] = {"late", "late", "shared name", "spaced"};
  const Rgb colours[] = {{1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.25f, 0, 0.8f}};
  for (int32_t f = 1; f < 5; ++f) {
    ASSERT_NE(m.faceMaterial[f], nullptr) << f;
    EXPECT_EQ(m.faceMaterial[f]->name, names[f - 1]);
    const Rgb c = m.faceMaterial[f]->diffuse;
    EXPECT_TRUE(c.r == colours[f - 1].r && c.g == colours[f - 1].g && c.b == colours[f - 1].b) << f;
  }
  // Each library once; the second "shared name" is not made.
  EXPECT_EQ(m.ownedMaterials.size(), 4u);
  EXPECT_EQ(m.materialCount, 0);
}

// A 1 x 1 BMP of one colour, written by hand: a file header, an info header, one padded row.
std::string oneTexelBmp() {
  const unsigned char bytes[58] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0,   54,  0,  0, 0,  40,
                                   0,   0,   0,  1, 0, 0, 0, 1, 0, 0,   0,   1,  0, 24, 0,
                                   0,   0,   0,  0, 4, 0, 0, 0, 0, 0,   0,   0,  0, 0,  0,
                                   0,   0,   0,  0, 0, 0, 0, 0, 0, 200, 100, 50, 0};
  return {reinterpret_cast<const char*>(bytes), sizeof bytes};
}

TEST_F(WholeMaterialsTest, ImagesAreFoundAsWindowsExportersNameThem) {
  // The library is named with a doubled backslash and lies in a sub-folder, its images beside
  // it, spelled in another case, or beside the OBJ file under a foreign absolute path.
  std::filesystem::create_directories(testFolder() + "/lib/images");
  writeTestFile("lib/images/wood.bmp", oneTexelBmp());
  writeTestFile("table.bmp", oneTexelBmp());
  writeTestFile(
      "lib/textured.mtl",
      "NEWMTL upper\nKD 1 0 0\n"
      "Map_KD -s 2 3 -o 0.5 0.25 -clamp on -bm 1 .\\Images\\Wood.BMP\n"
      "newmtl absolute\nmap_kd E:\\work\\table.bmp\n"
      "newmtl missing\nmap_Kd gone one.png\n"
      "newmtl shared\nmap_Kd images/wood.bmp\nmap_d -imfchan m\nmap_d -s 0 0 table.bmp\n");
  const ObjModel m = read("textured.obj", "mtllib lib\\\\textured.mtl\n");
  ASSERT_EQ(m.ownedMaterials.size(), 4u);
  const ObjMaterial& upper = *m.ownedMaterials[0];
  EXPECT_TRUE(upper.diffuse.r == 1 && upper.diffuse.g == 0);
  const TextureMap& wood = upper.diffuseMap;
  EXPECT_TRUE(wood.scale[0] == 2 && wood.scale[1] == 3 && wood.offset[0] == 0.5f &&
              wood.offset[1] == 0.25f && wood.clamp);
  ASSERT_NE(wood.image, kNoIndex);
  const Image& texel = m.images[static_cast<std::size_t>(wood.image)];
  EXPECT_EQ(texel.pixels, (std::vector<uint8_t>{50, 100, 200}));
  EXPECT_NE(m.ownedMaterials[1]->diffuseMap.image, kNoIndex);
  EXPECT_EQ(m.ownedMaterials[2]->diffuseMap.image, kNoIndex);
  const ObjMaterial& shared = *m.ownedMaterials[3];
  EXPECT_EQ(shared.diffuseMap.image, wood.image);  // one decoded copy
  EXPECT_NE(shared.cutOutMap.image, kNoIndex);     // the line without a name changed nothing
  EXPECT_TRUE(shared.cutOutMap.scale[0] == 0 && shared.cutOutMap.scale[1] == 0);
  EXPECT_EQ(m.imagesNamed, 3);
  EXPECT_EQ(m.imagesNotFound, (std::vector<std::string>{"gone one.png"}));
}

// Read in pieces on threads, a file gives the model it gives read in one go, wherever the pieces
// start: relative numbers that reach into the pieces before, a fan whose positions come before
// its piece, one that must wait for a later position, "mtllib" lines in later pieces and a line
// continued across a piece's start.
TEST(WholeReaderTest, PiecesJoinIntoTheModelOfOneReading) {
  writeTestFile("first.mtl", "newmtl red\nKd 1 0 0\n");
  writeTestFile("second.mtl", "newmtl red\nKd 0 1 0\nnewmtl blue\nKd 0 0 1\n");
  const std::string path = writeTestFile(
      "pieces.obj",
      "mtllib first.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nusemtl red\nf -4 -3 -2 -1\n"
      "vt 0 0\nf 1/1 2/1 3/1\nmtllib second.mtl\nusemtl blue\nf 4 \\\n 3 2\n"
      "v 2 0 0\nv 3 0 0\nv 2.5 1 0\nf -3 -2 -1\nf 1 2 9\nf 5 6 8 7\nf 1 4 3 2\nv 3 1 0\n");
  const std::vector<int32_t> corners = {0, 1, 2, 0, 2, 3, 0, 1, 2, 3, 2, 1, 4, 5,
                                        6, 0, 3, 2, 0, 2, 1, 4, 5, 7, 4, 7, 6};
  std::vector<int32_t> texcoords(corners.size(), kNoIndex);
  texcoords[6] = texcoords[7] = texcoords[8] = 0;
  for (const unsigned pieces : {1u, 2u, 3u, 5u, 16u, 64u}) {
    splitWholeReadings(pieces, 1);
    std::unique_ptr<ObjModel> m;
    ASSERT_EQ(loadWholeObjModel(path.c_str(), m), std::nullopt);
    const std::string where = std::to_string(pieces) + " pieces";
    ASSERT_EQ(m->faceVertexIndex, corners) << where;
    EXPECT_EQ(m->faceTexcoordIndex, texcoords) << where;
    EXPECT_EQ(m->positionCount, 8) << where;
    const auto diffuse = [&m](int f) {
      return m->faceMaterial[static_cast<std::size_t>(f)]->diffuse;
    };
    for (int f = 0; f < 9; ++f) {
      const Rgb want = f < 3 ? Rgb{1, 0, 0} : Rgb{0, 0, 1};  // the first "red" is the one
      EXPECT_TRUE(diffuse(f).r == want.r && diffuse(f).g == want.g && diffuse(f).b == want.b)
          << where << ", triangle " << f;
    }
  }
  splitWholeReadings(0, 0);
}

// How much of the file has been read, and a stop asked for before the reading starts.
TEST(WholeReaderTest, ProgressCountsTheBytesAndAStopLeavesTheModel) {
  std::string text;
  for (int i = 0; i < 100000; ++i) {  // pieces of more than one block
    text += "v 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\n";
  }
  const std::string path = writeTestFile("progress.obj", text);
  splitWholeReadings(2, 1);
  ReadingProgress progress;
  std::unique_ptr<ObjModel> model;
  ASSERT_EQ(loadWholeObjModel(path.c_str(), model, &progress), std::nullopt);
  EXPECT_EQ(model->faceCount, 100000);
  EXPECT_EQ(progress.bytesTotal, static_cast<int64_t>(text.size()));
  EXPECT_EQ(progress.bytesRead, static_cast<int64_t>(text.size()));
  ReadingProgress stopped;
  stopped.stop = true;
  const ObjModel* before = model.get();
  EXPECT_EQ(loadWholeObjModel(path.c_str(), model, &stopped), kStopped);
  EXPECT_EQ(model.get(), before);
  splitWholeReadings(0, 0);
}

// Numbers of every length, with and without a point, a sign or an exponent, read as the
// correctly rounded floats std::from_chars gives.
TEST(WholeReaderTest, NumbersAreTheNearestFloats) {
  std::mt19937 random(7);
  const auto digits = [&random](int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
      text += static_cast<char>('0' + random() % 10);
    }
    return text;
  };
  std::vector<std::string> numbers = {"16777216", "16777217", "0.16777217", "1.", ".5", "-0"};
  while (numbers.size() < 30000) {
    std::string number = random() % 2 ? "-" : "";
    number += digits(static_cast<int>(random() % 10)) + "." + digits(1 + random() % 12);
    number += random() % 16 == 0 ? "e-" + digits(1) : "";
    numbers.push_back(number);
  }
  std::string text;
  for (const std::string& number : numbers) {
    text += "v " + number + " 0 0\n";
  }
  const ObjModel m = read("numbers.obj", text);
  ASSERT_EQ(m.positions.size(), numbers.size());
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    float want = 0.0f;
    std::from_chars(numbers[i].data(), numbers[i].data() + numbers[i].size(), want);
    EXPECT_TRUE(m.positions[i].x == want && std::signbit(m.positions[i].x) == std::signbit(want))
        << numbers[i] << " read as " << m.positions[i].x;
  }
}

// Many triangles are finished in stretches, one a core: those naming a missing position go, and
// the rest keep their order, their materials and one face normal each, numbered in their order.
TEST(WholeReaderTest, ManyTrianglesKeepTheirOrderMaterialsAndFaceNormals) {
  writeTestFile("two.mtl", "newmtl red\nKd 1 0 0\nnewmtl blue\nKd 0 0 1\n");
  constexpr int kTriangles = 200000;
  constexpr int kPositions = 1000;
  constexpr int kGoneEvery = 7919;  // 0, 7919, ..., 197975: 26 triangles name position 5000
  std::string text = "mtllib two.mtl\n";
  for (int i = 0; i < kPositions; ++i) {
    text += "v " + std::to_string(i) + " " + std::to_string(i % 3) + " 0\n";
  }
  for (int t = 0; t < kTriangles; ++t) {
    text += t % 50000 == 0 ? (t / 50000 % 2 == 0 ? "usemtl red\n" : "usemtl blue\n") : "";
    const int first = t % kGoneEvery == 0 ? 5000 : t % kPositions + 1;
    text += "f " + std::to_string(first) + " " + std::to_string((t + 1) % kPositions + 1) + " " +
            std::to_string((t + 2) % kPositions + 1) + "\n";
  }
  const ObjModel m = read("many.obj", text);
  ASSERT_EQ(m.faceCount, kTriangles - 26);
  ASSERT_EQ(m.normals.size(), static_cast<std::size_t>(kTriangles - 26));
  int kept = 0;
  for (int t = 0; t < kTriangles; ++t) {
    if (t % kGoneEvery == 0) {
      continue;
    }
    const std::size_t k = static_cast<std::size_t>(kept++);
    ASSERT_EQ(m.faceVertexIndex[3 * k], t % kPositions) << "triangle " << t;
    ASSERT_EQ(m.faceNormalIndex[3 * k + 2], kept - 1) << "triangle " << t;
    ASSERT_EQ(m.faceMaterial[k]->diffuse.r, t / 50000 % 2 == 0 ? 1.0f : 0.0f) << "triangle " << t;
  }
}

TEST(WholeReaderTest, NonFinitePositionsAndFailures) {
  const ObjModel m = read("nan.obj",
                          "v 0 0 0\nv 1 0 0\nv nan 1 0\nv 0 1e39 0\nv 0 1 0\n"
                          "f 1 2 3\nf 1 2 4\nf 1 2 3 5\nf 1 2 5\n");
  ASSERT_EQ(m.faceCount, 1);
  EXPECT_EQ(m.faceVertexIndex, (std::vector<int32_t>{0, 1, 4}));
  EXPECT_TRUE(std::isinf(m.positions[3].y));

  std::unique_ptr<ObjModel> model;
  EXPECT_EQ(loadWholeObjModel((testFolder() + "/missing.obj").c_str(), model), kCannotBeOpened);
  EXPECT_EQ(loadWholeObjModel(testFolder().c_str(), model), kCannotBeOpened);
  EXPECT_EQ(model, nullptr);
}

}  // namespace
