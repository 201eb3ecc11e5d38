#include "model/whole_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "model/ascii_case.h"
#include "model/image_reading.h"
#include "model/line_finder.h"
#include "model/named_files.h"
#include "model/polygon_triangles.h"
#include "model/texture_map_line.h"
#include "platform/paths.h"

namespace {

constexpr int64_t kMaxCount = std::numeric_limits<int32_t>::max();

constexpr Vec3 kUp = {0.0f, 1.0f, 0.0f};

// ---------------------------------------------------------------------------------------------
// Lines.

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// What may follow a keyword: a blank, or the line break that ends every line handed out.
bool endsWord(char c) {
  return isBlank(c) || c == '\n';
}

const char* skipBlanks(const char* p) {
  while (isBlank(*p)) {
    ++p;
  }
  return p;
}

bool isKeyword(const char* p, const char* end, std::string_view word) {
  return static_cast<std::size_t>(end - p) >= word.size() &&
         std::memcmp(p, word.data(), word.size()) == 0 && endsWord(p[word.size()]);
}

// Exporters write MTL keywords in any case: "map_KD", "Map_kd", "kd". `word` is in lower case.
bool isKeywordInAnyCase(const char* p, const char* end, std::string_view word) {
  return static_cast<std::size_t>(end - p) >= word.size() && endsWord(p[word.size()]) &&
         sameLetters({p, word.size()}, word);
}

// The rest of a line without the blanks around it.
std::string_view trimmed(const char* p, const char* end) {
  while (p < end && isBlank(*p)) {
    ++p;
  }
  while (end > p && isBlank(end[-1])) {
    --end;
  }
  return {p, static_cast<std::size_t>(end - p)};
}

// Where a line that ends in '\' (before an optional CR) has its backslash; null when it does not.
char* continuation(char* line, char* lineBreak) {
  char* last = lineBreak - 1;
  if (last >= line && *last == '\r') {
    --last;
  }
  return last >= line && *last == '\\' ? last : nullptr;
}

// Calls handle(begin, end) with every line of the file, joined lines as one, where *end is '\n'.
// The line finder reads the blocks and keeps a line longer than its block whole; lines are joined
// in its block. False when the path cannot be opened as a regular file. `progress`, when there is
// one, hears of every block; a stop it asks for ends the reading with ReadingStopped.
struct ReadingStopped {};

template <typename Handle>
bool readLines(const char* path, Handle&& handle, ReadingProgress* progress = nullptr) {
  LineFinder finder;
  if (!openLineFinder(finder, path)) {
    return false;
  }
  if (progress != nullptr) {
    std::error_code error;
    const auto size = std::filesystem::file_size(nativePath(path), error);
    progress->bytesTotal = error ? 0 : static_cast<int64_t>(size);
  }
  char* line = finder.data + (finder.next - finder.data);  // after a byte order mark
  char* from = line;
  for (;;) {
    char* const limit = finder.end;
    *limit = '\n';  // ends the last line, also when the file does not
    // At the end of the file the '\n' after the data ends the last line too.
    const std::size_t searched = finder.atEnd ? 1 : 0;
    while (char* lineBreak = static_cast<char*>(std::memchr(from, '\n', limit + searched - from))) {
      if (char* backslash = continuation(line, lineBreak)) {
        // Joined in place: the next line goes on where this one's break was. A backslash at the
        // end of the file goes on to nothing.
        std::fill(backslash, lineBreak, ' ');
        if (lineBreak < limit) {
          *lineBreak = ' ';
          from = lineBreak + 1;
          continue;
        }
      }
      if (lineBreak < limit || line < limit) {
        handle(static_cast<const char*>(line), static_cast<const char*>(lineBreak));
      }
      if (lineBreak == limit) {
        break;
      }
      line = from = lineBreak + 1;
    }
    if (finder.atEnd) {
      return true;
    }
    if (progress != nullptr) {
      progress->bytesRead += finder.end - finder.data - (from - line);
      if (progress->stop) {
        throw ReadingStopped{};
      }
    }
    // The unfinished line moves to the front of the block, which grows when the line fills it.
    const auto joined = from - line;
    refillLineFinder(finder, line);
    line = finder.data;
    from = line + joined;
  }
}

// How many lines of each kind a first quick look finds: the lists are reserved at once, so that no
// list is copied, or its memory touched twice, while it grows. Only an estimate: lines with leading
// blanks are not counted, "vp" lines are, and polygons give more triangles than lines.
struct LineCounts {
  std::size_t positions = 0;
  std::size_t normals = 0;
  std::size_t texcoords = 0;
  std::size_t faces = 0;
};

LineCounts countLines(const char* path) {
  LineCounts counts;
  LineFinder finder;
  if (!openLineFinder(finder, path)) {
    return counts;
  }
  constexpr LineFilter kFacesAndVertices{{'f', 'f', 'f'}, true, true, true};
  readWantedLines(finder, kFacesAndVertices, [&counts](const ScanText& line) {
    const char* p = line.next;
    ++(p[0] == 'f'   ? counts.faces
       : p[1] == 'n' ? counts.normals
       : p[1] == 't' ? counts.texcoords
                     : counts.positions);
    return LineVerdict::kGoOn;
  });
  return counts;
}

// A large list is filled once, front to back: on Linux its memory comes in 2 MiB pages where the
// system allows, a five-hundredth of the page faults.
template <typename T>
void reserveList(std::vector<T>& list, std::size_t count) {
  list.reserve(count);
#ifdef __linux__
  constexpr uintptr_t kLargePage = uintptr_t{1} << 21;
  const auto begin =
      (reinterpret_cast<uintptr_t>(list.data()) + kLargePage - 1) & ~(kLargePage - 1);
  const auto end = reinterpret_cast<uintptr_t>(list.data() + list.capacity()) & ~(kLargePage - 1);
  if (end > begin) {
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  }
#endif
}

void reserveLists(ObjModel& m, const LineCounts& counts) {
  reserveList(m.positions, counts.positions);
  reserveList(m.normals, counts.normals);
  reserveList(m.texcoords, counts.texcoords);
  reserveList(m.faceVertexIndex, 3 * counts.faces);
  reserveList(m.faceNormalIndex, 3 * counts.faces);
}

// ---------------------------------------------------------------------------------------------
// Numbers.

// A float, as std::from_chars reads it, with a '+' allowed. Beyond float's range it becomes an
// infinity or zero, as the C library rounds it; beyond double's, and where nothing converts, false.
bool readFloat(const char*& p, const char* end, float& value) {
  const char* at = *p == '+' ? p + 1 : p;
  float f = 0.0f;
  std::from_chars_result read = std::from_chars(at, end, f);
  if (read.ec == std::errc::result_out_of_range) {
    double d = 0.0;
    read = std::from_chars(at, end, d);
    constexpr double kLargest = std::numeric_limits<float>::max();
    f = std::fabs(d) > kLargest ? std::copysign(std::numeric_limits<float>::infinity(), d)
                                : static_cast<float>(d);
  }
  if (read.ec != std::errc()) {
    return false;
  }
  value = f;
  p = read.ptr;
  return true;
}

// A decimal integer with an optional sign; numbers beyond 32 bits stay beyond them.
bool readInteger(const char*& p, int64_t& value) {
  const bool negative = *p == '-';
  const char* q = (*p == '-' || *p == '+') ? p + 1 : p;
  if (*q < '0' || *q > '9') {
    return false;
  }
  int64_t n = 0;
  for (; *q >= '0' && *q <= '9'; ++q) {
    n = std::min<int64_t>(n * 10 + (*q - '0'), int64_t{1} << 40);
  }
  value = negative ? -n : n;
  p = q;
  return true;
}

// A file's number for an entry of a list that has `count` entries so far, 0-based: positive numbers
// are kept for the check against the final list, negative ones count back from its end.
int32_t listIndex(int64_t number, std::size_t count) {
  if (number > 0) {
    return number - 1 < kMaxCount ? static_cast<int32_t>(number - 1) : kNoIndex;
  }
  const int64_t back = static_cast<int64_t>(count) + number;
  return number < 0 && back >= 0 ? static_cast<int32_t>(back) : kNoIndex;
}

void checkCount(std::size_t count) {
  if (count > static_cast<std::size_t>(kMaxCount)) {
    throw std::length_error("more entries than an int32 counts");
  }
}

bool isFinite(const Vec3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// ---------------------------------------------------------------------------------------------
// The reading.

struct Corner {
  int32_t position;
  int32_t normal;
  int32_t texcoord;
};

// A stretch of triangles read under one "usemtl" line; -1 before the first.
struct MaterialRun {
  std::size_t firstFace;
  int32_t selection;
};

struct PendingPolygon {
  std::size_t firstCorner;  // in pendingCorners
  std::size_t cornerCount;
  int32_t selection;
};

// An image as a material names it; `request` is kNoIndex when no file was found for the name.
struct NamedImage {
  std::string name;
  int32_t request;
};

struct WholeReading {
  WholeReading(ObjModel& m, const char* path) : model(m), objPath(path) {}
  ObjModel& model;
  std::string objPath;  // libraries and images are found from its folder
  // Every "usemtl" line in file order, as the number of its name; names are matched at the end.
  std::vector<int32_t> selections;
  std::unordered_map<std::string, int32_t> nameNumbers;
  std::vector<MaterialRun> runs;
  std::unordered_map<std::string, const ObjMaterial*> materialsByName;
  std::unordered_set<std::string> libraries;  // each read once
  std::vector<Corner> corners;                // of the face being read
  std::vector<Vec3> polygon;                  // its positions
  PolygonCut cut;
  std::vector<Corner> pendingCorners;
  std::vector<PendingPolygon> pending;
  bool nonFinitePositions = false;
  std::size_t expectedFaces = 0;  // for the texture-coordinate numbers, once a corner has one
  bool keepsTexcoords = false;
  ImageReading images;
  std::vector<NamedImage> namedImages;        // each image once, in the order named
  std::unordered_set<std::string> imageKeys;  // its path, or its name when it has none
};

int32_t currentSelection(const WholeReading& r) {
  return r.selections.empty() ? -1 : static_cast<int32_t>(r.selections.size() - 1);
}

// The position a corner names when the list has it and it is finite; null otherwise.
const Vec3* cornerPosition(const WholeReading& r, int32_t number) {
  const std::vector<Vec3>& positions = r.model.positions;
  if (static_cast<std::size_t>(number) >= positions.size()) {
    return nullptr;
  }
  const Vec3& p = positions[static_cast<std::size_t>(number)];
  return !r.nonFinitePositions || isFinite(p) ? &p : nullptr;
}

// A number as drawing may use it: kNoIndex unless the list has it.
int32_t checkedIndex(const std::vector<Vec3>& list, int32_t number) {
  return static_cast<std::size_t>(number) < list.size() ? number : kNoIndex;
}

int32_t checkedNormal(const ObjModel& m, int32_t number) {
  return checkedIndex(m.normals, number);
}

// Adds the entry of the line's first three numbers; returns where they end, or null when one of
// them does not convert.
const char* addVec3(std::vector<Vec3>& list, const char* p, const char* end) {
  Vec3 v{0.0f, 0.0f, 0.0f};
  for (float* c : {&v.x, &v.y, &v.z}) {
    p = skipBlanks(p);
    if (!readFloat(p, end, *c)) {
      p = nullptr;
      break;
    }
  }
  list.push_back(v);
  checkCount(list.size());
  return p;
}

// Three numbers from 0 to 1 after the position's own are its colour; anything else is none.
Rgb positionColour(const char* p, const char* end) {
  Rgb colour = kNoColour;
  if (p == nullptr) {
    return colour;
  }
  for (float* c : {&colour.r, &colour.g, &colour.b}) {
    p = skipBlanks(p);
    if (!readFloat(p, end, *c) || !(*c >= 0.0f && *c <= 1.0f)) {
      return kNoColour;
    }
  }
  return colour;
}

// Positions get colours from the first one with a colour on; those before it have none.
void addColour(ObjModel& m, const Rgb& colour) {
  if (m.positionColours.empty() && colour.r == kNoColour.r) {
    return;
  }
  if (m.positionColours.empty()) {
    reserveList(m.positionColours, m.positions.capacity());
    m.positionColours.resize(m.positions.size() - 1, kNoColour);
  }
  m.positionColours.push_back(colour);
}

void addPosition(WholeReading& r, const char* p, const char* end) {
  const char* after = addVec3(r.model.positions, p, end);
  r.nonFinitePositions = r.nonFinitePositions || !isFinite(r.model.positions.back());
  addColour(r.model, positionColour(after, end));
}

void addTriangle(WholeReading& r, const Corner& a, const Corner& b, const Corner& c,
                 int32_t selection) {
  ObjModel& m = r.model;
  const std::size_t face = m.faceVertexIndex.size() / 3;
  checkCount(face + 1);
  if (r.runs.empty() || r.runs.back().selection != selection) {
    r.runs.push_back({face, selection});
  }
  for (const Corner* k : {&a, &b, &c}) {
    m.faceVertexIndex.push_back(k->position);
    m.faceNormalIndex.push_back(k->normal);
  }
  // Texture-coordinate numbers are kept from the first triangle that has one on.
  std::vector<int32_t>& texcoords = m.faceTexcoordIndex;
  if (!r.keepsTexcoords &&
      (a.texcoord != kNoIndex || b.texcoord != kNoIndex || c.texcoord != kNoIndex)) {
    reserveList(texcoords, std::max(3 * r.expectedFaces, 3 * face + 3));
    texcoords.resize(3 * face, kNoIndex);
    r.keepsTexcoords = true;
  }
  if (r.keepsTexcoords) {
    for (const Corner* k : {&a, &b, &c}) {
      texcoords.push_back(k->texcoord);
    }
  }
}

// The triangles of a cut polygon, its new points added to the positions first.
void addCut(WholeReading& r, std::vector<Corner>& corners, int32_t selection);

// The positions of a polygon's corners into r.polygon; false when a corner has none (yet).
bool polygonPositions(WholeReading& r, std::span<const Corner> corners) {
  r.polygon.clear();
  for (const Corner& c : corners) {
    const Vec3* p = cornerPosition(r, c.position);
    if (p == nullptr) {
      return false;
    }
    r.polygon.push_back(*p);
  }
  return true;
}

// A polygon whose positions are all read and finite, and which is plainly convex, becomes its fan
// at once; any other waits for the end of the file, where new points can be added to the positions
// without moving what negative numbers count back from.
void addPolygon(WholeReading& r) {
  if (polygonPositions(r, r.corners) && plainlyConvex(r.polygon)) {
    fanPolygon(r.corners.size(), r.cut);
    addCut(r, r.corners, currentSelection(r));
    return;
  }
  r.pending.push_back({r.pendingCorners.size(), r.corners.size(), currentSelection(r)});
  r.pendingCorners.insert(r.pendingCorners.end(), r.corners.begin(), r.corners.end());
}

// One corner: v, v/t, v//n or v/t/n, followed by a blank or the end of the line.
bool readCorner(WholeReading& r, const char*& p, Corner& corner) {
  int64_t number = 0;
  if (!readInteger(p, number)) {
    return false;
  }
  corner.position = listIndex(number, r.model.positions.size());
  corner.normal = kNoIndex;
  corner.texcoord = kNoIndex;
  if (corner.position == kNoIndex) {
    return false;
  }
  if (*p == '/') {
    ++p;
    if (*p != '/') {
      if (!readInteger(p, number)) {
        return false;
      }
      corner.texcoord = listIndex(number, r.model.texcoords.size());
    }
    if (*p == '/') {
      ++p;
      if (!readInteger(p, number)) {
        return false;
      }
      corner.normal = listIndex(number, r.model.normals.size());
    }
  }
  return endsWord(*p);
}

void addFace(WholeReading& r, const char* p, const char* end) {
  r.corners.clear();
  // A '#' ends the corners: what follows it is a comment.
  for (p = skipBlanks(p); p < end && *p != '#'; p = skipBlanks(p)) {
    Corner corner;
    if (!readCorner(r, p, corner)) {
      return;
    }
    r.corners.push_back(corner);
  }
  if (r.corners.size() == 3) {
    addTriangle(r, r.corners[0], r.corners[1], r.corners[2], currentSelection(r));
  } else if (r.corners.size() > 3) {
    addPolygon(r);
  }
}

void selectMaterial(WholeReading& r, const char* p, const char* end) {
  const std::string_view name = trimmed(p, end);
  if (name.empty()) {
    return;
  }
  const auto [at, added] =
      r.nameNumbers.try_emplace(std::string(name), static_cast<int32_t>(r.nameNumbers.size()));
  r.selections.push_back(at->second);
  checkCount(r.selections.size());
}

ObjMaterial* addMaterial(WholeReading& r, std::string_view name) {
  if (r.materialsByName.contains(std::string(name))) {
    return nullptr;  // the first material of a name is the one
  }
  ObjModel& m = r.model;
  m.ownedMaterials.push_back(std::make_unique<ObjMaterial>());
  ObjMaterial* material = m.ownedMaterials.back().get();
  material->name = name;
  r.materialsByName.emplace(material->name, material);
  return material;
}

// "Kd": components that do not convert keep their value.
void setDiffuse(ObjMaterial* material, const char* p, const char* end) {
  if (material == nullptr) {
    return;
  }
  for (float* c : {&material->diffuse.r, &material->diffuse.g, &material->diffuse.b}) {
    p = skipBlanks(p);
    if (!readFloat(p, end, *c)) {
      break;
    }
  }
}

// A found path spelled alike however it was named, so that every material naming the image shares
// one decoded copy: "." and ".." gone, and on Windows, whose file system ignores case, in lower
// case.
std::string sharedSpelling(const std::string& found) {
  std::string path = utf8Path(nativePath(found).lexically_normal());
#ifdef _WIN32
  std::transform(path.begin(), path.end(), path.begin(), lowerAscii);
#endif
  return path;
}

// "map_Kd" and "map_d": the image is asked for at once, so that it decodes while the geometry is
// read. A line without a name changes nothing.
void setTextureMap(WholeReading& r, const std::string& library, TextureMap* map, ImageUse use,
                   const char* p, const char* end) {
  TextureMap read;
  const std::string_view written = readTextureMapLine({p, static_cast<std::size_t>(end - p)}, read);
  if (map == nullptr || written.empty()) {
    return;
  }
  const std::string name(written);
  read.path = sharedSpelling(findNamedFile(library, name, r.objPath));
  if (!read.path.empty()) {
    read.image = requestImage(r.images, read.path, name, use);
  }
  if (r.imageKeys.insert(read.path.empty() ? "\n" + name : read.path).second) {
    r.namedImages.push_back({name, read.image});
  }
  *map = std::move(read);
}

// False when the library has not been read before and cannot be found. Its name is taken from
// the OBJ file's folder.
bool readLibrary(WholeReading& r, std::string_view name) {
  const std::string path = findNamedFile(r.objPath, name, r.objPath);
  if (path.empty()) {
    return false;
  }
  if (!r.libraries.emplace(path).second) {
    return true;
  }
  ObjMaterial* current = nullptr;
  return readLines(path.c_str(), [&](const char* p, const char* end) {
    p = skipBlanks(p);
    if (isKeywordInAnyCase(p, end, "newmtl")) {
      // Without a name nothing is made, and "Kd" lines go on colouring the material before.
      const std::string_view name = trimmed(p + 6, end);
      current = name.empty() ? current : addMaterial(r, name);
    } else if (isKeywordInAnyCase(p, end, "kd")) {
      setDiffuse(current, p + 2, end);
    } else if (isKeywordInAnyCase(p, end, "map_kd")) {
      setTextureMap(r, path, current ? &current->diffuseMap : nullptr, ImageUse::colour, p + 6,
                    end);
    } else if (isKeywordInAnyCase(p, end, "map_d")) {
      setTextureMap(r, path, current ? &current->cutOutMap : nullptr, ImageUse::mask, p + 5, end);
    }
  });
}

void readLibraries(WholeReading& r, const char* p, const char* end) {
  std::string_view rest = trimmed(p, end);
  const bool severalWords = std::any_of(rest.begin(), rest.end(), isBlank);
  if (severalWords && readLibrary(r, rest)) {
    return;
  }
  while (!rest.empty()) {
    const auto wordEnd = std::find_if(rest.begin(), rest.end(), isBlank);
    const auto length = static_cast<std::size_t>(wordEnd - rest.begin());
    readLibrary(r, rest.substr(0, length));
    rest = trimmed(rest.data() + length, rest.data() + rest.size());
  }
}

void readObjLine(WholeReading& r, const char* p, const char* end) {
  p = skipBlanks(p);
  switch (*p) {
    case 'v':
      if (endsWord(p[1])) {
        addPosition(r, p + 1, end);
      } else if (p[1] == 'n' && endsWord(p[2])) {
        addVec3(r.model.normals, p + 2, end);
      } else if (p[1] == 't' && endsWord(p[2])) {
        addVec3(r.model.texcoords, p + 2, end);
      }
      return;
    case 'f':
      if (endsWord(p[1])) {
        addFace(r, p + 1, end);
      }
      return;
    case 'm':
      if (isKeyword(p, end, "mtllib")) {
        readLibraries(r, p + 6, end);
      }
      return;
    case 'u':
      if (isKeyword(p, end, "usemtl")) {
        selectMaterial(r, p + 6, end);
      }
      return;
    default:
      return;
  }
}

// ---------------------------------------------------------------------------------------------
// After the last line.

// The material of each "usemtl" line: its name's, or the one in force before it when no library
// defines the name.
std::vector<const ObjMaterial*> selectedMaterials(const WholeReading& r) {
  std::vector<const ObjMaterial*> byNumber(r.nameNumbers.size(), nullptr);
  for (const auto& [name, number] : r.nameNumbers) {
    const auto found = r.materialsByName.find(name);
    byNumber[static_cast<std::size_t>(number)] =
        found == r.materialsByName.end() ? nullptr : found->second;
  }
  std::vector<const ObjMaterial*> materials(r.selections.size(), nullptr);
  const ObjMaterial* inForce = nullptr;
  for (std::size_t i = 0; i < r.selections.size(); ++i) {
    if (const ObjMaterial* named = byNumber[static_cast<std::size_t>(r.selections[i])]) {
      inForce = named;
    }
    materials[i] = inForce;
  }
  return materials;
}

const ObjMaterial* materialOf(const std::vector<const ObjMaterial*>& selected, int32_t selection) {
  return selection < 0 ? nullptr : selected[static_cast<std::size_t>(selection)];
}

// Keeps the triangles whose positions are all there and finite, gives each its material, and
// marks normal and texture-coordinate numbers beyond their lists as missing.
void keepDrawableTriangles(WholeReading& r, const std::vector<const ObjMaterial*>& selected) {
  ObjModel& m = r.model;
  const std::size_t faces = m.faceVertexIndex.size() / 3;
  m.faceMaterial.resize(faces);
  std::size_t kept = 0;
  std::size_t run = 0;
  for (std::size_t f = 0; f < faces; ++f) {
    while (run + 1 < r.runs.size() && r.runs[run + 1].firstFace <= f) {
      ++run;
    }
    const int32_t* v = &m.faceVertexIndex[3 * f];
    if (cornerPosition(r, v[0]) == nullptr || cornerPosition(r, v[1]) == nullptr ||
        cornerPosition(r, v[2]) == nullptr) {
      continue;
    }
    for (int k = 0; k < 3; ++k) {
      m.faceVertexIndex[3 * kept + k] = v[k];
      m.faceNormalIndex[3 * kept + k] = checkedNormal(m, m.faceNormalIndex[3 * f + k]);
    }
    if (!m.faceTexcoordIndex.empty()) {
      for (int k = 0; k < 3; ++k) {
        m.faceTexcoordIndex[3 * kept + k] =
            checkedIndex(m.texcoords, m.faceTexcoordIndex[3 * f + k]);
      }
    }
    m.faceMaterial[kept] = materialOf(selected, r.runs.empty() ? -1 : r.runs[run].selection);
    ++kept;
  }
  m.faceVertexIndex.resize(3 * kept);
  m.faceNormalIndex.resize(3 * kept);
  if (!m.faceTexcoordIndex.empty()) {
    m.faceTexcoordIndex.resize(3 * kept);
  }
  m.faceMaterial.resize(kept);
}

// A corner made by the tessellator takes the normal its corners share, or none.
int32_t sharedNormal(const ObjModel& m, std::span<const Corner> corners, const int32_t (&from)[4]) {
  int32_t normal = kNoIndex;
  for (const int32_t k : from) {
    if (k < 0) {
      continue;
    }
    const int32_t n = checkedNormal(m, corners[static_cast<std::size_t>(k)].normal);
    if (n == kNoIndex || (normal != kNoIndex && n != normal)) {
      return kNoIndex;
    }
    normal = n;
  }
  return normal;
}

// A corner made by the tessellator takes the texture coordinates of its corners' mixed by their
// weights, or none when one of them has none.
int32_t mixedTexcoord(ObjModel& m, std::span<const Corner> corners, const NewPolygonPoint& point) {
  Vec3 mixed{0.0f, 0.0f, 0.0f};
  for (int k = 0; k < 4; ++k) {
    if (point.from[k] < 0) {
      continue;
    }
    const int32_t t =
        checkedIndex(m.texcoords, corners[static_cast<std::size_t>(point.from[k])].texcoord);
    if (t == kNoIndex) {
      return kNoIndex;
    }
    const Vec3& from = m.texcoords[static_cast<std::size_t>(t)];
    mixed.x += point.weights[k] * from.x;
    mixed.y += point.weights[k] * from.y;
  }
  m.texcoords.push_back(mixed);
  checkCount(m.texcoords.size());
  return static_cast<int32_t>(m.texcoords.size() - 1);
}

// Likewise its colour, when the model's positions have colours.
void addMixedColour(ObjModel& m, std::span<const Corner> corners, const NewPolygonPoint& point) {
  if (m.positionColours.empty()) {
    return;
  }
  Rgb mixed{0.0f, 0.0f, 0.0f};
  for (int k = 0; k < 4; ++k) {
    if (point.from[k] < 0) {
      continue;
    }
    const Rgb& from = m.positionColours[static_cast<std::size_t>(
        corners[static_cast<std::size_t>(point.from[k])].position)];
    if (from.r == kNoColour.r) {
      mixed = kNoColour;
      break;
    }
    mixed.r += point.weights[k] * from.r;
    mixed.g += point.weights[k] * from.g;
    mixed.b += point.weights[k] * from.b;
  }
  m.positionColours.push_back(mixed);
}

void addCut(WholeReading& r, std::vector<Corner>& corners, int32_t selection) {
  ObjModel& m = r.model;
  for (const NewPolygonPoint& point : r.cut.newPoints) {
    addMixedColour(m, corners, point);
    m.positions.push_back(point.position);
    checkCount(m.positions.size());
    corners.push_back({static_cast<int32_t>(m.positions.size() - 1),
                       sharedNormal(m, corners, point.from), mixedTexcoord(m, corners, point)});
  }
  const std::vector<int32_t>& t = r.cut.triangles;
  for (std::size_t i = 0; i + 2 < t.size(); i += 3) {
    const auto corner = [&](std::size_t k) { return corners[static_cast<std::size_t>(t[i + k])]; };
    addTriangle(r, corner(0), corner(1), corner(2), selection);
  }
}

// The polygons that waited: those whose positions are all there and finite are cut.
void cutPendingPolygons(WholeReading& r) {
  if (r.pending.empty()) {
    return;
  }
  const PolygonCutterHandle cutter = newPolygonCutter();
  std::vector<Corner> corners;
  for (const PendingPolygon& polygon : r.pending) {
    const auto first = r.pendingCorners.begin() + static_cast<std::ptrdiff_t>(polygon.firstCorner);
    corners.assign(first, first + static_cast<std::ptrdiff_t>(polygon.cornerCount));
    if (polygonPositions(r, corners)) {
      cutPolygon(*cutter, r.polygon, r.cut);
      addCut(r, corners, polygon.selection);
    }
  }
}

Vec3 unitFaceNormal(const Vec3& a, const Vec3& b, const Vec3& c) {
  const double u[3] = {static_cast<double>(b.x) - a.x, static_cast<double>(b.y) - a.y,
                       static_cast<double>(b.z) - a.z};
  const double v[3] = {static_cast<double>(c.x) - a.x, static_cast<double>(c.y) - a.y,
                       static_cast<double>(c.z) - a.z};
  const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                       u[0] * v[1] - u[1] * v[0]};
  const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(length > 0.0) || !std::isfinite(length)) {
    return kUp;
  }
  return {static_cast<float>(n[0] / length), static_cast<float>(n[1] / length),
          static_cast<float>(n[2] / length)};
}

// Corners without a normal take their triangle's face normal, one appended normal per triangle.
void addFaceNormals(ObjModel& m) {
  for (std::size_t t = 0; t < m.faceNormalIndex.size(); t += 3) {
    int32_t* n = &m.faceNormalIndex[t];
    if (n[0] != kNoIndex && n[1] != kNoIndex && n[2] != kNoIndex) {
      continue;
    }
    const int32_t* v = &m.faceVertexIndex[t];
    m.normals.push_back(unitFaceNormal(m.positions[static_cast<std::size_t>(v[0])],
                                       m.positions[static_cast<std::size_t>(v[1])],
                                       m.positions[static_cast<std::size_t>(v[2])]));
    checkCount(m.normals.size());
    for (int k = 0; k < 3; ++k) {
      n[k] = n[k] == kNoIndex ? static_cast<int32_t>(m.normals.size() - 1) : n[k];
    }
  }
}

// The images, once decoded; a map whose image did not decode has none, and its name counts among
// those not found.
void keepDecodedImages(WholeReading& r) {
  ObjModel& m = r.model;
  for (ImageRequest& request : finishImages(r.images)) {
    m.images.push_back(std::move(request.image));
  }
  const auto decoded = [&m](int32_t image) {
    return image != kNoIndex && !m.images[static_cast<std::size_t>(image)].pixels.empty();
  };
  for (const std::unique_ptr<ObjMaterial>& material : m.ownedMaterials) {
    for (TextureMap* map : {&material->diffuseMap, &material->cutOutMap}) {
      if (!decoded(map->image)) {
        map->image = kNoIndex;
        map->path.clear();
      }
    }
  }
  m.imagesNamed = static_cast<int32_t>(r.namedImages.size());
  for (const NamedImage& named : r.namedImages) {
    if (!decoded(named.request)) {
      m.imagesNotFound.push_back(named.name);
    }
  }
}

void finishModel(WholeReading& r) {
  cutPendingPolygons(r);
  keepDrawableTriangles(r, selectedMaterials(r));
  ObjModel& m = r.model;
  addFaceNormals(m);
  m.positionCount = static_cast<int32_t>(m.positions.size());
  m.normalCount = static_cast<int32_t>(m.normals.size());
  m.texcoordCount = static_cast<int32_t>(m.texcoords.size());
  m.faceCount = static_cast<int32_t>(m.faceMaterial.size());
  m.colouring = Colouring::byMaterial;
  keepDecodedImages(r);
}

}  // namespace

Failure loadWholeObjModel(const char* path, std::unique_ptr<ObjModel>& model,
                          ReadingProgress* progress) {
  try {
    auto read = std::make_unique<ObjModel>();
    const LineCounts counts = countLines(path);
    reserveLists(*read, counts);
    WholeReading reading{*read, path};
    reading.expectedFaces = counts.faces;
    const bool opened = readLines(
        path, [&reading](const char* p, const char* end) { readObjLine(reading, p, end); },
        progress);
    if (!opened) {
      return kCannotBeOpened;
    }
    finishModel(reading);
    model = std::move(read);
    return std::nullopt;
  } catch (const std::bad_alloc&) {
    return kTooLargeForMemory;
  } catch (const std::length_error&) {
    return kTooLargeForMemory;
  } catch (const ReadingStopped&) {
    return kStopped;
  }
}
