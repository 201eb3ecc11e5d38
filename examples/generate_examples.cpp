// Writes the example models and their material libraries into one folder:
//   generate_examples FOLDER
//
// torus.obj     a ring of 4096 triangles, the most a model holds, with smooth normals, striped in
//               four materials
// blocks.obj    boxes of five materials with flat normals, each face its own colour run
// far_away.obj  a small house whose coordinates lie far from the origin and high above y = 0:
//               scaled about the origin, it stands beside the floor rather than on its middle
// trophy.obj    a star on a post on a base, written as exporters write: CR LF line ends, corners
//               v/t/n, quads, the star's face one concave polygon, the base in negative numbers,
//               and a library whose colours are indented and whose names have spaces; only the
//               whole reading draws it
// signpost.obj  a sign on a post on a stone base, a fence behind it and a pyramid beside it, drawn
//               in images only the whole reading shows: the sign's JPEG bears an F and a red dot
//               at its top right, so a flipped or mirrored image shows; the stone's PNG is
//               three-quarters transparent, which must not show; the fence's PNG cuts out the gaps
//               between its pickets; the pyramid is coloured by its positions. The library names
//               the images in textures/ as Windows exporters write them: backslashes, doubled
//               ones, keywords in mixed case and options before the names
//
// Every model names its library by a relative name, so it finds it only from its own folder.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>

namespace {

struct Point {
  double x;
  double y;
  double z;
};

struct Colour {
  const char* name;
  double r;
  double g;
  double b;
};

// Collects the lines of one OBJ file; indices are 1-based as the format counts them.
struct ObjText {
  std::string text;
  int positions = 0;
  int normals = 0;
  int texcoords = 0;
  const char* lineEnd = "\n";

  void line(const std::string& s) { text += s + lineEnd; }
  int position(Point p) {
    line(format("v %.5f %.5f %.5f", p.x, p.y, p.z));
    return ++positions;
  }
  int normal(Point n) {
    line(format("vn %.5f %.5f %.5f", n.x, n.y, n.z));
    return ++normals;
  }
  int texcoord(double u, double v) {
    line(format("vt %.4f %.4f", u, v));
    return ++texcoords;
  }
  void triangle(int v0, int n0, int v1, int n1, int v2, int n2) {
    line(format("f %d//%d %d//%d %d//%d", v0, n0, v1, n1, v2, n2));
  }

  static std::string format(const char* pattern, auto... values) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, pattern, values...);
    return buffer;
  }
};

void writeFile(const std::string& path, const std::string& contents) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    throw std::runtime_error("cannot write " + path);
  }
  std::fwrite(contents.data(), 1, contents.size(), file);
  std::fclose(file);
}

std::string materialLibrary(const std::vector<Colour>& colours) {
  std::string text;
  for (const Colour& c : colours) {
    text += ObjText::format("newmtl %s\nKd %.3f %.3f %.3f\n", c.name, c.r, c.g, c.b);
  }
  return text;
}

// A torus lying on its side around the y axis; each ring segment gets the normal of the tube
// surface, so shading runs smoothly across the triangles.
std::string torus() {
  constexpr int kAround = 64;  // segments along the ring
  constexpr int kTube = 32;    // segments around the tube: 64 x 32 x 2 = 4096 triangles
  constexpr double kRing = 2.0;
  constexpr double kRadius = 0.75;
  constexpr double kPi = 3.14159265358979323846;
  const char* stripes[] = {"coral", "gold", "teal", "plum"};
  ObjText obj;
  obj.line("# A torus of 4096 triangles with smooth normals in four materials.");
  obj.line("mtllib torus.mtl");
  for (int i = 0; i < kAround; ++i) {
    const double a = 2.0 * kPi * i / kAround;
    for (int j = 0; j < kTube; ++j) {
      const double b = 2.0 * kPi * j / kTube;
      const Point n = {std::cos(a) * std::cos(b), std::sin(b), std::sin(a) * std::cos(b)};
      obj.position({kRing * std::cos(a) + kRadius * n.x, kRadius * n.y + kRadius,
                    kRing * std::sin(a) + kRadius * n.z});
      obj.normal(n);
    }
  }
  auto at = [&](int i, int j) { return (i % kAround) * kTube + (j % kTube) + 1; };
  for (int i = 0; i < kAround; ++i) {
    if (i % (kAround / 8) == 0) {
      obj.line(std::string("usemtl ") + stripes[(i / (kAround / 8)) % 4]);
    }
    for (int j = 0; j < kTube; ++j) {
      // Counter-clockwise seen from outside the tube.
      const int a = at(i, j);
      const int b = at(i + 1, j);
      const int c = at(i + 1, j + 1);
      const int d = at(i, j + 1);
      obj.triangle(a, a, d, d, c, c);
      obj.triangle(a, a, c, c, b, b);
    }
  }
  return obj.text;
}

// An axis-aligned box with one normal per face, corners counter-clockwise seen from outside.
void box(ObjText& obj, Point low, Point high) {
  // One face a line.
  // clang-format off
  const Point faces[6][4] = {
      {{low.x, low.y, high.z}, {high.x, low.y, high.z}, {high.x, high.y, high.z}, {low.x, high.y, high.z}},
      {{high.x, low.y, low.z}, {low.x, low.y, low.z}, {low.x, high.y, low.z}, {high.x, high.y, low.z}},
      {{high.x, low.y, high.z}, {high.x, low.y, low.z}, {high.x, high.y, low.z}, {high.x, high.y, high.z}},
      {{low.x, low.y, low.z}, {low.x, low.y, high.z}, {low.x, high.y, high.z}, {low.x, high.y, low.z}},
      {{low.x, high.y, high.z}, {high.x, high.y, high.z}, {high.x, high.y, low.z}, {low.x, high.y, low.z}},
      {{low.x, low.y, low.z}, {high.x, low.y, low.z}, {high.x, low.y, high.z}, {low.x, low.y, high.z}},
  };
  // clang-format on
  const Point normals[6] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
  for (int f = 0; f < 6; ++f) {
    const int n = obj.normal(normals[f]);
    int v[4];
    for (int k = 0; k < 4; ++k) {
      v[k] = obj.position(faces[f][k]);
    }
    obj.triangle(v[0], n, v[1], n, v[2], n);
    obj.triangle(v[0], n, v[2], n, v[3], n);
  }
}

// A pyramid roof over the rectangle low..high at height `base`, rising to `top`.
void roof(ObjText& obj, Point low, Point high, double base, double top) {
  const Point corners[4] = {
      {low.x, base, high.z}, {high.x, base, high.z}, {high.x, base, low.z}, {low.x, base, low.z}};
  const Point apex = {(low.x + high.x) / 2, top, (low.z + high.z) / 2};
  for (int k = 0; k < 4; ++k) {
    const Point p = corners[k];
    const Point q = corners[(k + 1) % 4];
    // The face normal: (q - p) x (apex - p), normalised.
    const Point u = {q.x - p.x, q.y - p.y, q.z - p.z};
    const Point w = {apex.x - p.x, apex.y - p.y, apex.z - p.z};
    Point n = {u.y * w.z - u.z * w.y, u.z * w.x - u.x * w.z, u.x * w.y - u.y * w.x};
    const double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    const int ni = obj.normal({n.x / length, n.y / length, n.z / length});
    obj.triangle(obj.position(p), ni, obj.position(q), ni, obj.position(apex), ni);
  }
}

std::string blocks() {
  struct Block {
    const char* material;
    Point low;
    Point high;
  };
  const Block layout[] = {
      {"brick", {-3, 0, -3}, {-1, 3, -1}},     {"sand", {-0.8, 0, -3}, {1, 1.5, -1.2}},
      {"moss", {1.2, 0, -3}, {3, 2.2, -1}},    {"slate", {-3, 0, -0.8}, {-1.2, 1, 1}},
      {"sky", {-0.6, 0, -0.6}, {0.6, 4, 0.6}}, {"brick", {1, 0, -0.8}, {3, 0.6, 1}},
      {"moss", {-3, 0, 1.2}, {-1, 2, 3}},      {"slate", {-0.8, 0, 1.2}, {1, 2.8, 3}},
      {"sand", {1.2, 0, 1.2}, {3, 1.2, 3}},
  };
  ObjText obj;
  obj.line("# Nine blocks in five materials, flat normals.");
  obj.line("mtllib blocks.mtl");
  for (const Block& b : layout) {
    obj.line(std::string("usemtl ") + b.material);
    box(obj, b.low, b.high);
  }
  return obj.text;
}

std::string farAway() {
  // Walls 4 x 3 units at x 6..10, z -10..-6, y 50..53, roof up to 55.
  const Point low = {6, 50, -10};
  const Point high = {10, 53, -6};
  ObjText obj;
  obj.line("# A house far from the origin: it is scaled about the origin, not centred.");
  obj.line("mtllib far_away.mtl");
  obj.line("usemtl wall");
  box(obj, low, high);
  obj.line("usemtl roof");
  roof(obj, {low.x - 0.3, 0, low.z - 0.3}, {high.x + 0.3, 0, high.z + 0.3}, high.y, high.y + 2);
  obj.line("usemtl door");
  box(obj, {7.5, 50, -6}, {8.5, 51.8, -5.9});
  return obj.text;
}

// A box of quads, written v/t/n with negative numbers: each face counts back from the entries just
// written, as some exporters write every part.
void relativeBox(ObjText& obj, Point low, Point high) {
  for (int k = 0; k < 8; ++k) {
    obj.position({k & 1 ? high.x : low.x, k & 2 ? high.y : low.y, k & 4 ? high.z : low.z});
  }
  const Point normals[6] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
  for (const Point& n : normals) {
    obj.normal(n);
  }
  obj.texcoord(0, 0);
  obj.texcoord(1, 0);
  obj.texcoord(1, 1);
  obj.texcoord(0, 1);
  // Corners by their bits (x 1, y 2, z 4), counter-clockwise seen from outside.
  const int faces[6][4] = {{4, 5, 7, 6}, {1, 0, 2, 3}, {5, 1, 3, 7},
                           {0, 4, 6, 2}, {6, 7, 3, 2}, {0, 1, 5, 4}};
  for (int f = 0; f < 6; ++f) {
    std::string face = "f";
    for (int k = 0; k < 4; ++k) {
      face += ObjText::format(" %d/%d/%d", faces[f][k] - 8, k - 4, f - 6);
    }
    obj.line(face);
  }
}

std::string trophy() {
  constexpr double kPi = 3.14159265358979323846;
  constexpr int kPoints = 5;
  constexpr double kOuter = 1.0;
  constexpr double kInner = 0.42;
  constexpr double kHalfDepth = 0.15;
  const Point centre = {0, 1.75, 0};
  ObjText obj;
  obj.lineEnd = "\r\n";
  obj.line("# Trophy: a star on a post on a base.");
  obj.line("mtllib trophy.mtl");
  obj.line("o Star");
  // The outline, counter-clockwise seen from the front (+z), the top point first.
  Point outline[2 * kPoints];
  for (int k = 0; k < 2 * kPoints; ++k) {
    const double angle = kPi / 2 + k * kPi / kPoints;
    const double radius = k % 2 == 0 ? kOuter : kInner;
    outline[k] = {centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle), 0};
  }
  int front[2 * kPoints];
  int back[2 * kPoints];
  int uv[2 * kPoints];
  for (int k = 0; k < 2 * kPoints; ++k) {
    front[k] = obj.position({outline[k].x, outline[k].y, kHalfDepth});
    back[k] = obj.position({outline[k].x, outline[k].y, -kHalfDepth});
    uv[k] =
        obj.texcoord(0.5 + 0.5 * (outline[k].x - centre.x), 0.5 + 0.5 * (outline[k].y - centre.y));
  }
  const int middle = obj.position({centre.x, centre.y, -kHalfDepth});
  const int forward = obj.normal({0, 0, 1});
  const int backward = obj.normal({0, 0, -1});
  obj.line("usemtl gold");
  obj.line("s off");
  // The front: one concave polygon of ten corners.
  std::string face = "f";
  for (int k = 0; k < 2 * kPoints; ++k) {
    face += ObjText::format(" %d/%d/%d", front[k], uv[k], forward);
  }
  obj.line(face);
  // The back: a fan of triangles around its middle, facing away.
  for (int k = 0; k < 2 * kPoints; ++k) {
    const int next = (k + 1) % (2 * kPoints);
    obj.line(ObjText::format("f %d//%d %d//%d %d//%d", middle, backward, back[next], backward,
                             back[k], backward));
  }
  // The sides: one quad per edge, each with its outward normal.
  for (int k = 0; k < 2 * kPoints; ++k) {
    const int next = (k + 1) % (2 * kPoints);
    const double dx = outline[next].x - outline[k].x;
    const double dy = outline[next].y - outline[k].y;
    const double length = std::sqrt(dx * dx + dy * dy);
    const int n = obj.normal({dy / length, -dx / length, 0});
    obj.line(ObjText::format("f %d/%d/%d %d/%d/%d %d/%d/%d %d/%d/%d", front[k], uv[k], n, back[k],
                             uv[k], n, back[next], uv[next], n, front[next], uv[next], n));
  }
  obj.line("o Post");
  obj.line("usemtl brass");
  relativeBox(obj, {-0.07, 0.5, -0.07}, {0.07, 1.75, 0.07});
  obj.line("o Base");
  obj.line("usemtl dark walnut");
  relativeBox(obj, {-0.7, 0, -0.45}, {0.7, 0.5, 0.45});
  return obj.text;
}

// A library as exporters write one: a header, colour lines indented by a tab, terms the viewer
// does not use, and a name with a space.
std::string trophyLibrary() {
  const Colour colours[] = {
      {"gold", 0.95, 0.72, 0.18}, {"brass", 0.7, 0.6, 0.35}, {"dark walnut", 0.4, 0.24, 0.13}};
  std::string text = "# Trophy materials\r\n";
  for (const Colour& c : colours) {
    text += ObjText::format("\r\nnewmtl %s\r\n\tNs 250.0\r\n\tKa 1.000 1.000 1.000\r\n", c.name);
    text += ObjText::format("\tKd %.3f %.3f %.3f\r\n\tKs 0.500 0.500 0.500\r\n\tillum 2\r\n", c.r,
                            c.g, c.b);
  }
  return text;
}

// A picture's texels, RGB or RGBA, rows from the top as image files keep them.
struct Picture {
  int width;
  int height;
  int channels;
  std::vector<uint8_t> texels;

  Picture(int w, int h, int c) : width(w), height(h), channels(c), texels(w * h * c) {}
  void set(int x, int y, std::initializer_list<int> values) {
    int k = 0;
    for (const int value : values) {
      texels[(y * width + x) * channels + k++] = static_cast<uint8_t>(value);
    }
  }
  void fill(int x0, int y0, int x1, int y1, std::initializer_list<int> values) {
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        set(x, y, values);
      }
    }
  }
};

void writePng(const std::string& path, const Picture& p) {
  if (!stbi_write_png(path.c_str(), p.width, p.height, p.channels, p.texels.data(),
                      p.width * p.channels)) {
    throw std::runtime_error("cannot write " + path);
  }
}

// Cream, with a green F at the left and a red dot at the top right.
void writeSign(const std::string& path) {
  Picture p(256, 128, 3);
  p.fill(0, 0, 256, 128, {240, 230, 200});
  p.fill(40, 14, 72, 114, {30, 90, 40});
  p.fill(40, 14, 170, 40, {30, 90, 40});
  p.fill(40, 54, 140, 78, {30, 90, 40});
  p.fill(214, 10, 246, 42, {200, 30, 30});
  if (!stbi_write_jpg(path.c_str(), p.width, p.height, 3, p.texels.data(), 90)) {
    throw std::runtime_error("cannot write " + path);
  }
}

// Grey stones whose alpha is zero at three texels in four, as exporters pack other data there.
void writeStone(const std::string& path) {
  Picture p(64, 64, 4);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const bool joint = x % 16 == 0 || y % 16 == 0;
      const int grey = joint ? 70 : 140 + (x * 7 + y * 13) % 40;
      p.set(x, y, {grey, grey, grey - 10, (x + y) % 4 == 0 ? 255 : 0});
    }
  }
  writePng(path, p);
}

// Brown pickets and two rails; the gaps between them are transparent.
void writeFence(const std::string& path) {
  Picture p(128, 64, 4);
  p.fill(0, 0, 128, 64, {0, 0, 0, 0});
  for (int x = 0; x < 128; x += 32) {
    p.fill(x + 6, 0, x + 26, 64, {150, 100, 55, 255});
  }
  p.fill(0, 14, 128, 22, {120, 80, 40, 255});
  p.fill(0, 44, 128, 52, {120, 80, 40, 255});
  writePng(path, p);
}

std::string signpost() {
  ObjText obj;
  obj.line("# A signpost: every box has texture coordinates 0 ... 1 on each face");
  obj.line("mtllib signpost.mtl");
  obj.line("usemtl stone");
  relativeBox(obj, {-1.5, 0.0, -0.5}, {1.5, 0.6, 0.5});
  obj.line("usemtl wood");
  relativeBox(obj, {-0.15, 0.6, -0.15}, {0.15, 2.2, 0.15});
  obj.line("usemtl sign");
  relativeBox(obj, {-1.4, 2.2, -0.1}, {1.4, 3.6, 0.1});
  obj.line("usemtl fence");
  relativeBox(obj, {-2.4, 0.0, -1.3}, {2.4, 1.2, -1.2});
  // The pyramid's positions carry their colours; its material has no image.
  obj.line("usemtl painted");
  const Point corners[4] = {{1.9, 0, 1.4}, {2.9, 0, 1.4}, {2.9, 0, 0.4}, {1.9, 0, 0.4}};
  const char* colours[4] = {"1 0 0", "0 1 0", "0 0 1", "1 1 0"};
  for (int k = 0; k < 4; ++k) {
    obj.line(ObjText::format("v %.5f %.5f %.5f %s", corners[k].x, corners[k].y, corners[k].z,
                             colours[k]));
  }
  obj.line("v 2.40000 1.20000 0.90000 1 1 1");
  for (int k = 0; k < 4; ++k) {
    obj.line(ObjText::format("f %d %d -1", k - 5, (k + 1) % 4 - 5));
  }
  return obj.text;
}

std::string signpostLibrary() {
  return "# Signpost materials\n"
         "newmtl stone\n"
         "Kd 0.2 0.2 0.2\n"
         "Map_Kd -s 2 2 1 .\\textures\\stone.png\n"
         "newmtl wood\n"
         "Kd 0.45 0.3 0.15\n"
         "newmtl sign\n"
         "kd 0 0 0\n"
         "map_KD -blendu off -bm 1 textures\\\\sign.jpg\n"
         "newmtl fence\n"
         "Kd 0.8 0.8 0.8\n"
         "map_Kd -clamp on textures/fence.png\n"
         "map_d textures/fence.png\n"
         "newmtl painted\n"
         "Kd 1 1 1\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  try {
    writeFile(folder + "/torus.obj", torus());
    writeFile(folder + "/torus.mtl", materialLibrary({{"coral", 1.0, 0.45, 0.35},
                                                      {"gold", 0.95, 0.75, 0.2},
                                                      {"teal", 0.15, 0.6, 0.6},
                                                      {"plum", 0.55, 0.3, 0.65}}));
    writeFile(folder + "/blocks.obj", blocks());
    writeFile(folder + "/blocks.mtl", materialLibrary({{"brick", 0.75, 0.3, 0.2},
                                                       {"sand", 0.9, 0.8, 0.55},
                                                       {"moss", 0.4, 0.6, 0.3},
                                                       {"slate", 0.4, 0.45, 0.55},
                                                       {"sky", 0.5, 0.7, 0.95}}));
    writeFile(folder + "/far_away.obj", farAway());
    writeFile(folder + "/far_away.mtl", materialLibrary({{"wall", 0.95, 0.9, 0.8},
                                                         {"roof", 0.7, 0.2, 0.15},
                                                         {"door", 0.35, 0.25, 0.15}}));
    writeFile(folder + "/trophy.obj", trophy());
    writeFile(folder + "/trophy.mtl", trophyLibrary());
    writeFile(folder + "/signpost.obj", signpost());
    writeFile(folder + "/signpost.mtl", signpostLibrary());
    std::filesystem::create_directories(folder + "/textures");
    writeSign(folder + "/textures/sign.jpg");
    writeStone(folder + "/textures/stone.png");
    writeFence(folder + "/textures/fence.png");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
