#include "model/whole_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
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
// one, hears of every block; a stop it asks for ends the reading with ReadingStopped. A piece of
// the file, `bytes` from `offset`, reads as if it were all of it.
struct ReadingStopped {};

template <typename Handle>
bool readLines(const char* path, Handle&& handle, ReadingProgress* progress = nullptr,
               long long offset = 0, long long bytes = -1) {
  LineFinder finder;
  if (!openLineFinderPiece(finder, path, offset, bytes)) {
    return false;
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
    if (progress != nullptr) {
      progress->bytesRead += finder.end - finder.next;
      if (progress->stop) {
        throw ReadingStopped{};
      }
    }
    if (finder.atEnd) {
      return true;
    }
    // The unfinished line moves to the front of the block, which grows when the line fills it.
    const auto joined = from - line;
    const auto kept = finder.end - line;
    refillLineFinder(finder, line);
    line = finder.data;
    from = line + joined;
    finder.next = line + kept;  // where the bytes not yet counted start
  }
}

// A large list is reserved once and filled front to back: on Linux its memory comes in 2 MiB pages
// where the system allows, a five-hundredth of the page faults.
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

// No list is copied while it grows, nor the first piece's lists when the others join them, when
// each is reserved at once for all that its bytes of the file can hold written as files are: a
// line of at least kLeastLineBytes an entry. Only the pages filled are ever touched, so on Linux
// the rest costs address space alone; there the lists of the first piece are reserved for the
// whole file. Elsewhere reserved memory is committed, and the lists grow as they are filled. A
// reservation the system refuses is left out; a file of shorter lines grows its lists beyond.
constexpr long long kLeastLineBytes = 8;

void reserveFor(ObjModel& m, long long bytes) {
#ifdef __linux__
  const auto entries = static_cast<std::size_t>(bytes / kLeastLineBytes + 1);
  try {
    reserveList(m.positions, entries);
    reserveList(m.normals, entries);
    reserveList(m.texcoords, entries);
    reserveList(m.faceVertexIndex, 3 * entries);
    reserveList(m.faceNormalIndex, 3 * entries);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
#else
  static_cast<void>(m);
  static_cast<void>(bytes);
#endif
}

// ---------------------------------------------------------------------------------------------
// Numbers.

// Most numbers in OBJ files are a few digits with a point and no exponent, such as "-0.417245".
// When the digits make an integer float holds exactly (at most 2^24) and at most ten of them follow
// the point, that integer divided by a power of ten float also holds exactly is the correctly
// rounded float, as IEEE division rounds; from_chars reads the rest. False when the number is not
// such a one.
constexpr uint32_t kExactFloatDigits = uint32_t{1} << 24;
constexpr int kMostQuickDecimals = 10;
constexpr float kPowersOfTen[kMostQuickDecimals + 1] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                                        1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

bool readShortDecimal(const char*& p, const char* end, float& value) {
  const char* q = p;
  const bool negative = q < end && *q == '-';
  q += negative ? 1 : 0;
  uint32_t digits = 0;
  int decimals = -1;  // -1 before the point
  const char* first = q;
  for (; q < end; ++q) {
    if (*q == '.' && decimals < 0) {
      decimals = 0;
      continue;
    }
    const auto digit = static_cast<unsigned>(*q - '0');
    if (digit > 9) {
      break;
    }
    digits = digits * 10 + digit;
    decimals += decimals >= 0 ? 1 : 0;
    if (digits > kExactFloatDigits || decimals > kMostQuickDecimals) {
      return false;
    }
  }
  const bool anyDigit = q - first > (decimals >= 0 ? 1 : 0);
  if (!anyDigit || (q < end && (*q == 'e' || *q == 'E'))) {
    return false;
  }
  const float magnitude = static_cast<float>(digits) / kPowersOfTen[decimals < 0 ? 0 : decimals];
  value = negative ? -magnitude : magnitude;
  p = q;
  return true;
}

// A float, as std::from_chars reads it, with a '+' allowed. Beyond float's range it becomes an
// infinity or zero, as the C library rounds it; beyond double's, and where nothing converts, false.
bool readFloat(const char*& p, const char* end, float& value) {
  const char* at = *p == '+' ? p + 1 : p;
  if (readShortDecimal(at, end, value)) {
    p = at;
    return true;
  }
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
  constexpr int64_t kBeyond = int64_t{1} << 40;
  int64_t n = 0;
  for (auto digit = static_cast<unsigned>(*q - '0'); digit <= 9;
       digit = static_cast<unsigned>(*++q - '0')) {
    if (n < kBeyond) {
      n = n * 10 + digit;
    }
  }
  n = std::min(n, kBeyond);
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

// A piece of the file after the first is read before the lists before it are: it does not know
// where its own entries will stand. A negative number that counts back into the piece's own
// entries is kept as that entry, one that counts back further as how far back from the piece's
// start, in `farNumbers`; positive numbers name the final lists as ever. So a piece's numbers are,
// from 0 up, final ones; kNoIndex, none; from -2 down to kFirstFar + 1, the piece's own entries;
// from kFirstFar down, its far numbers.
constexpr int64_t kMostPieceEntries = int64_t{1} << 30;
constexpr int32_t kFirstFar = -2 - static_cast<int32_t>(kMostPieceEntries);
// Before a piece's first "usemtl" line, the selection in force where it starts.
constexpr int32_t kInherited = -2;

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

// A polygon cut when the file has been read. In a piece, one that names positions before the piece
// is fanned in its place for now, at `firstFace`, until the joining sees whether its positions
// had been read by its line (`positionsSoFar` in its piece) and it is plainly convex.
constexpr std::size_t kNotFanned = SIZE_MAX;

struct PendingPolygon {
  std::size_t firstCorner;  // in pendingCorners
  std::size_t cornerCount;
  int32_t selection;
  std::size_t firstFace = kNotFanned;
  std::size_t positionsSoFar = 0;
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
  bool keepsTexcoords = false;
  ImageReading images;
  std::vector<NamedImage> namedImages;        // each image once, in the order named
  std::unordered_set<std::string> imageKeys;  // its path, or its name when it has none
  bool isPiece = false;                       // a piece after the first: see kFirstFar
  std::vector<int64_t> farNumbers;
  std::vector<std::string> laterLibraries;  // "mtllib" lines, read in order at the joining
};

int32_t currentSelection(const WholeReading& r) {
  if (r.selections.empty()) {
    return r.isPiece ? kInherited : -1;
  }
  return static_cast<int32_t>(r.selections.size() - 1);
}

// A corner's number of an entry read so far, as the reading keeps it; kNoIndex when it names none.
int32_t cornerNumber(WholeReading& r, int64_t number, std::size_t count) {
  if (!r.isPiece || number > 0) {
    return listIndex(number, count);
  }
  const int64_t back = static_cast<int64_t>(count) + number;
  if (number == 0 || back < -kMaxCount) {
    return kNoIndex;
  }
  if (back >= 0) {
    if (back >= kMostPieceEntries) {
      throw std::length_error("more entries in a piece than its numbers count");
    }
    return static_cast<int32_t>(-2 - back);
  }
  if (r.farNumbers.size() + 2 >= static_cast<std::size_t>(kMostPieceEntries)) {
    throw std::length_error("more far numbers in a piece than it counts");
  }
  r.farNumbers.push_back(back);
  return kFirstFar - static_cast<int32_t>(r.farNumbers.size() - 1);
}

// The entry of the reading's own list that a kept number names; kNoIndex when it is not one.
int32_t ownNumber(const WholeReading& r, int32_t number) {
  if (!r.isPiece) {
    return number;
  }
  return number < kNoIndex && number > kFirstFar ? -2 - number : kNoIndex;
}

// A piece's kept number as a number of the joined lists, whose entries before the piece's are
// `before`.
int32_t joinedNumber(const WholeReading& piece, int32_t number, int64_t before) {
  if (number >= kNoIndex) {
    return number;
  }
  const int64_t back = number > kFirstFar
                           ? -2 - number
                           : piece.farNumbers[static_cast<std::size_t>(kFirstFar - number)];
  const int64_t at = before + back;
  return at >= 0 && at < kMaxCount ? static_cast<int32_t>(at) : kNoIndex;
}

// The position a corner names when the list has it and it is finite; null otherwise.
const Vec3* cornerPosition(const WholeReading& r, int32_t number) {
  const std::vector<Vec3>& positions = r.model.positions;
  const int32_t own = ownNumber(r, number);
  if (static_cast<std::size_t>(own) >= positions.size()) {
    return nullptr;
  }
  const Vec3& p = positions[static_cast<std::size_t>(own)];
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
    try {
      reserveList(texcoords, std::max(m.faceVertexIndex.capacity(), 3 * face + 3));
    } catch (const std::bad_alloc&) {
    }
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
//
// In a piece, a polygon naming positions before the piece is fanned in its place until the joining
// knows them.
void addPolygon(WholeReading& r) {
  const bool placed = polygonPositions(r, r.corners);
  if (placed && plainlyConvex(r.polygon)) {
    fanPolygon(r.corners.size(), r.cut);
    addCut(r, r.corners, currentSelection(r));
    return;
  }
  PendingPolygon polygon{r.pendingCorners.size(), r.corners.size(), currentSelection(r)};
  r.pendingCorners.insert(r.pendingCorners.end(), r.corners.begin(), r.corners.end());
  const auto own = [&r](const Corner& c) { return ownNumber(r, c.position) != kNoIndex; };
  if (!placed && r.isPiece && !std::all_of(r.corners.begin(), r.corners.end(), own)) {
    polygon.firstFace = r.model.faceVertexIndex.size() / 3;
    polygon.positionsSoFar = r.model.positions.size();
    fanPolygon(r.corners.size(), r.cut);
    addCut(r, r.corners, polygon.selection);
  }
  r.pending.push_back(polygon);
}

// One corner: v, v/t, v//n or v/t/n, followed by a blank or the end of the line.
bool readCorner(WholeReading& r, const char*& p, Corner& corner) {
  int64_t number = 0;
  if (!readInteger(p, number)) {
    return false;
  }
  corner.position = cornerNumber(r, number, r.model.positions.size());
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
      corner.texcoord = cornerNumber(r, number, r.model.texcoords.size());
    }
    if (*p == '/') {
      ++p;
      if (!readInteger(p, number)) {
        return false;
      }
      corner.normal = cornerNumber(r, number, r.model.normals.size());
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
  if (r.isPiece) {
    r.laterLibraries.emplace_back(p, end);  // after the libraries of the pieces before
    return;
  }
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

// The finishing passes over the triangles run in parts, one a core, each on its own stretch of
// triangles. A part neither allocates nor throws, as it may run on a thread of its own.
constexpr std::size_t kLeastPartTriangles = 1 << 16;

struct Stretch {
  std::size_t begin;
  std::size_t end;
};

std::vector<Stretch> triangleStretches(std::size_t triangles) {
  const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t parts = std::clamp<std::size_t>(triangles / kLeastPartTriangles, 1, cores);
  std::vector<Stretch> stretches;
  for (std::size_t k = 0; k < parts; ++k) {
    stretches.push_back({triangles * k / parts, triangles * (k + 1) / parts});
  }
  return stretches;
}

// Runs `work(k)` for k from 0 to count - 1, 0 on this thread and the others on threads of their
// own while the system gives them, here after 0 otherwise. `work` must not throw.
template <typename Work>
void onThreads(std::size_t count, Work&& work) {
  std::vector<std::thread> threads;
  try {
    while (threads.size() + 1 < count) {
      const std::size_t k = threads.size() + 1;
      threads.emplace_back([&work, k] { work(k); });
    }
  } catch (const std::system_error&) {
  }
  work(std::size_t{0});
  for (std::size_t k = threads.size() + 1; k < count; ++k) {
    work(k);
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
}

// Runs `part(k, stretch)` for each stretch, on threads as onThreads does.
template <typename Part>
void inParts(const std::vector<Stretch>& stretches, Part&& part) {
  onThreads(stretches.size(), [&](std::size_t k) { part(k, stretches[k]); });
}

// The drawable triangles of a stretch, moved to its start with their materials; how many.
std::size_t keepDrawableStretch(WholeReading& r, const std::vector<const ObjMaterial*>& selected,
                                Stretch stretch) {
  ObjModel& m = r.model;
  const auto startsLater = [](std::size_t face, const MaterialRun& run) {
    return face < run.firstFace;
  };
  std::size_t run = static_cast<std::size_t>(
      std::upper_bound(r.runs.begin(), r.runs.end(), stretch.begin, startsLater) - r.runs.begin());
  run = run > 0 ? run - 1 : 0;
  std::size_t kept = stretch.begin;
  for (std::size_t f = stretch.begin; f < stretch.end; ++f) {
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
  return kept - stretch.begin;
}

template <typename T>
void moveDown(std::vector<T>& list, std::size_t from, std::size_t count, std::size_t to) {
  if (from != to) {
    std::copy(list.begin() + static_cast<std::ptrdiff_t>(from),
              list.begin() + static_cast<std::ptrdiff_t>(from + count),
              list.begin() + static_cast<std::ptrdiff_t>(to));
  }
}

// Keeps the triangles whose positions are all there and finite, gives each its material, and
// marks normal and texture-coordinate numbers beyond their lists as missing.
void keepDrawableTriangles(WholeReading& r, const std::vector<const ObjMaterial*>& selected) {
  ObjModel& m = r.model;
  const std::vector<Stretch> stretches = triangleStretches(m.faceVertexIndex.size() / 3);
  m.faceMaterial.resize(m.faceVertexIndex.size() / 3);
  std::vector<std::size_t> keptIn(stretches.size());
  inParts(stretches, [&](std::size_t k, Stretch stretch) {
    keptIn[k] = keepDrawableStretch(r, selected, stretch);
  });
  std::size_t kept = 0;
  for (std::size_t k = 0; k < stretches.size(); ++k) {
    const std::size_t from = stretches[k].begin;
    moveDown(m.faceVertexIndex, 3 * from, 3 * keptIn[k], 3 * kept);
    moveDown(m.faceNormalIndex, 3 * from, 3 * keptIn[k], 3 * kept);
    if (!m.faceTexcoordIndex.empty()) {
      moveDown(m.faceTexcoordIndex, 3 * from, 3 * keptIn[k], 3 * kept);
    }
    moveDown(m.faceMaterial, from, keptIn[k], kept);
    kept += keptIn[k];
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

bool lacksNormal(const int32_t* n) {
  return n[0] == kNoIndex || n[1] == kNoIndex || n[2] == kNoIndex;
}

// Corners without a normal take their triangle's face normal, one appended normal per triangle,
// in the triangles' order.
void addFaceNormals(ObjModel& m) {
  const std::vector<Stretch> stretches = triangleStretches(m.faceNormalIndex.size() / 3);
  std::vector<std::size_t> lacking(stretches.size());
  inParts(stretches, [&](std::size_t k, Stretch stretch) {
    for (std::size_t t = stretch.begin; t < stretch.end; ++t) {
      lacking[k] += lacksNormal(&m.faceNormalIndex[3 * t]) ? 1 : 0;
    }
  });
  std::vector<std::size_t> firstNew{m.normals.size()};
  for (std::size_t count : lacking) {
    firstNew.push_back(firstNew.back() + count);
  }
  checkCount(firstNew.back());
  reserveList(m.normals, firstNew.back());
  m.normals.resize(firstNew.back());
  inParts(stretches, [&](std::size_t k, Stretch stretch) {
    auto next = static_cast<int32_t>(firstNew[k]);
    for (std::size_t t = stretch.begin; t < stretch.end; ++t) {
      int32_t* n = &m.faceNormalIndex[3 * t];
      if (!lacksNormal(n)) {
        continue;
      }
      const int32_t* v = &m.faceVertexIndex[3 * t];
      m.normals[static_cast<std::size_t>(next)] = unitFaceNormal(
          m.positions[static_cast<std::size_t>(v[0])], m.positions[static_cast<std::size_t>(v[1])],
          m.positions[static_cast<std::size_t>(v[2])]);
      for (int c = 0; c < 3; ++c) {
        n[c] = n[c] == kNoIndex ? next : n[c];
      }
      ++next;
    }
  });
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

// ---------------------------------------------------------------------------------------------
// Pieces: the file is read in as many pieces as the machine has cores, each on a thread of its
// own, and the pieces after the first are joined to it in file order.

// Pieces smaller than this are not worth a thread.
constexpr long long kLeastPieceBytes = 4ll << 20;
unsigned mostPieces = 0;  // 0: one a core
long long leastPieceBytes = kLeastPieceBytes;
constexpr std::size_t kSearchBytes = 64 * 1024;

// Where the first line that starts at or after `from` starts: after the first line break there,
// or just before, that does not go on after a '\\'. The end of the file when there is none.
long long lineStartFrom(const char* path, long long from) {
  FileDescriptor file;
  long long size = 0;
  const long long back = std::min(from, 3ll);  // the break just before `from` and its two bytes
  if (!openFileForReading(file, path, size) || !seekFile(file, from - back)) {
    return -1;
  }
  std::vector<char> block(kSearchBytes);
  char before[2] = {'\n', '\n'};  // the two bytes before the one looked at
  long long at = from - back;
  for (;;) {
    const long got = readFileBytes(file, block.data(), block.size());
    if (got <= 0) {
      return -1;
    }
    for (long i = 0; i < got; ++i, ++at) {
      const char c = block[static_cast<std::size_t>(i)];
      const bool goesOn = before[1] == '\\' || (before[1] == '\r' && before[0] == '\\');
      if (c == '\n' && at >= from - 1 && !goesOn) {
        return at + 1;
      }
      before[0] = before[1];
      before[1] = c;
    }
  }
}

// The offsets where the pieces start, the first at 0; one piece for a small file or one core.
std::vector<long long> pieceStarts(const char* path, long long size) {
  const unsigned cores =
      mostPieces > 0 ? mostPieces : std::max(1u, std::thread::hardware_concurrency());
  const long long pieces = std::clamp<long long>(size / leastPieceBytes, 1, cores);
  std::vector<long long> starts{0};
  for (long long k = 1; k < pieces; ++k) {
    const long long start = lineStartFrom(path, size / pieces * k);
    if (start <= starts.back() || start >= size) {
      break;
    }
    starts.push_back(start);
  }
  return starts;
}

// The lines of one piece into `reading`; why it failed when it did.
Failure readPiece(WholeReading& reading, const char* path, ReadingProgress* progress,
                  long long offset, long long bytes) {
  try {
    const bool opened = readLines(
        path, [&reading](const char* p, const char* end) { readObjLine(reading, p, end); },
        progress, offset, bytes);
    return opened ? Failure() : Failure(kCannotBeOpened);
  } catch (const std::bad_alloc&) {
    return kTooLargeForMemory;
  } catch (const std::length_error&) {
    return kTooLargeForMemory;
  } catch (const ReadingStopped&) {
    return kStopped;
  }
}

// Appends a piece's list, each entry as `convert` gives it, to the joined one, and frees the
// piece's. On Linux the pages already copied go back to the system as the copy goes on, so that
// joining costs hardly more memory than the joined lists.
constexpr std::size_t kJoinedBytes = std::size_t{1} << 21;

template <typename T, typename Convert>
void appendConverted(std::vector<T>& to, std::vector<T>& from, Convert&& convert) {
  reserveList(to, to.size() + from.size());
  checkCount(to.size() + from.size());
  const std::size_t step = std::max<std::size_t>(1, kJoinedBytes / sizeof(T));
  for (std::size_t done = 0; done < from.size();) {
    const std::size_t end = std::min(from.size(), done + step);
    for (std::size_t i = done; i < end; ++i) {
      to.push_back(convert(from[i]));
    }
    done = end;
#ifdef __linux__
    const auto start = reinterpret_cast<uintptr_t>(from.data());
    const uintptr_t page = 4096;
    const uintptr_t first = (start + page - 1) & ~(page - 1);
    const uintptr_t last = (start + done * sizeof(T)) & ~(page - 1);
    if (last > first) {
      madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
    }
#endif
  }
  std::vector<T>().swap(from);
}

template <typename T>
void appendList(std::vector<T>& to, std::vector<T>& from) {
  appendConverted(to, from, [](const T& entry) { return entry; });
}

void joinColours(WholeReading& r, ObjModel& piece) {
  ObjModel& m = r.model;
  if (m.positionColours.empty() && piece.positionColours.empty()) {
    return;
  }
  if (m.positionColours.empty()) {
    m.positionColours.resize(m.positions.size(), kNoColour);
  }
  if (piece.positionColours.empty()) {
    m.positionColours.resize(m.positions.size() + piece.positions.size(), kNoColour);
  }
  appendList(m.positionColours, piece.positionColours);
}

struct Before {
  int64_t positions;
  int64_t normals;
  int64_t texcoords;
  std::size_t faces;
};

template <typename T>
void reserveJoined(std::vector<T>& to, const std::vector<T>& from) {
  checkCount(to.size() + from.size());
  reserveList(to, to.size() + from.size());
}

// The piece's lists and triangles after the joined ones, on two threads: the lists have all the
// room they need first, so that appending allocates nothing and cannot throw.
void joinListsAndTriangles(WholeReading& r, WholeReading& piece, const Before& before) {
  ObjModel& m = r.model;
  ObjModel& p = piece.model;
  const bool texcoords = r.keepsTexcoords || piece.keepsTexcoords;
  if (texcoords && !r.keepsTexcoords) {
    reserveList(m.faceTexcoordIndex, m.faceVertexIndex.size() + p.faceVertexIndex.size());
    m.faceTexcoordIndex.resize(m.faceVertexIndex.size(), kNoIndex);
    r.keepsTexcoords = true;
  }
  if (texcoords && !piece.keepsTexcoords) {
    p.faceTexcoordIndex.assign(p.faceVertexIndex.size(), kNoIndex);
  }
  checkCount(before.faces + p.faceVertexIndex.size() / 3);
  reserveJoined(m.positions, p.positions);
  reserveJoined(m.normals, p.normals);
  reserveJoined(m.texcoords, p.texcoords);
  reserveJoined(m.faceVertexIndex, p.faceVertexIndex);
  reserveJoined(m.faceNormalIndex, p.faceNormalIndex);
  reserveJoined(m.faceTexcoordIndex, p.faceTexcoordIndex);
  const auto numbers = [&piece](int64_t before) {
    return [&piece, before](int32_t number) { return joinedNumber(piece, number, before); };
  };
  const auto joinOn = [&](std::size_t thread) {
    if (thread == 0) {
      appendList(m.positions, p.positions);
      appendList(m.texcoords, p.texcoords);
      appendConverted(m.faceVertexIndex, p.faceVertexIndex, numbers(before.positions));
      return;
    }
    appendList(m.normals, p.normals);
    appendConverted(m.faceNormalIndex, p.faceNormalIndex, numbers(before.normals));
    if (texcoords) {
      appendConverted(m.faceTexcoordIndex, p.faceTexcoordIndex, numbers(before.texcoords));
    }
  };
  onThreads(2, joinOn);
  r.nonFinitePositions = r.nonFinitePositions || piece.nonFinitePositions;
}

// Whether a polygon fanned in a piece stays so: its positions had all been read by its line, are
// finite, and it is plainly convex, as the reading in one go would have found it.
bool fanStands(WholeReading& r, std::span<const Corner> corners, int64_t positionsByItsLine) {
  for (const Corner& c : corners) {
    if (c.position == kNoIndex || c.position >= positionsByItsLine) {
      return false;
    }
  }
  return polygonPositions(r, corners) && plainlyConvex(r.polygon);
}

// The piece's polygons that wait, and those it fanned that must wait after all, join the ones
// that wait, in file order; a fan that does not stand is taken out of the triangles.
void joinPolygons(WholeReading& r, WholeReading& piece, const Before& before,
                  const std::function<int32_t(int32_t)>& selection) {
  ObjModel& m = r.model;
  std::vector<Corner> corners;
  for (const PendingPolygon& polygon : piece.pending) {
    corners.clear();
    for (std::size_t k = 0; k < polygon.cornerCount; ++k) {
      const Corner& c = piece.pendingCorners[polygon.firstCorner + k];
      corners.push_back({joinedNumber(piece, c.position, before.positions),
                         joinedNumber(piece, c.normal, before.normals),
                         joinedNumber(piece, c.texcoord, before.texcoords)});
    }
    if (polygon.firstFace != kNotFanned) {
      const int64_t byItsLine = before.positions + static_cast<int64_t>(polygon.positionsSoFar);
      if (fanStands(r, corners, byItsLine)) {
        continue;
      }
      const std::size_t first = before.faces + polygon.firstFace;
      for (std::size_t t = first; t < first + polygon.cornerCount - 2; ++t) {
        m.faceVertexIndex[3 * t] = kNoIndex;
      }
    }
    r.pending.push_back({r.pendingCorners.size(), corners.size(), selection(polygon.selection)});
    r.pendingCorners.insert(r.pendingCorners.end(), corners.begin(), corners.end());
  }
}

// Joins a piece read after the lines before it to them, as if its lines had been read after them.
void joinPiece(WholeReading& r, WholeReading& piece) {
  ObjModel& m = r.model;
  ObjModel& p = piece.model;
  const Before before{static_cast<int64_t>(m.positions.size()),
                      static_cast<int64_t>(m.normals.size()),
                      static_cast<int64_t>(m.texcoords.size()), m.faceVertexIndex.size() / 3};
  // Selections: the piece's names numbered as the whole file numbers them.
  const int32_t inForce = currentSelection(r);
  const auto firstSelection = static_cast<int32_t>(r.selections.size());
  std::vector<int32_t> numbers(piece.nameNumbers.size());
  for (const auto& [name, number] : piece.nameNumbers) {
    numbers[static_cast<std::size_t>(number)] =
        r.nameNumbers.try_emplace(name, static_cast<int32_t>(r.nameNumbers.size())).first->second;
  }
  for (const int32_t s : piece.selections) {
    r.selections.push_back(numbers[static_cast<std::size_t>(s)]);
  }
  checkCount(r.selections.size());
  const std::function<int32_t(int32_t)> selection = [&](int32_t s) {
    return s == kInherited ? inForce : firstSelection + s;
  };
  for (const MaterialRun& run : piece.runs) {
    r.runs.push_back({before.faces + run.firstFace, selection(run.selection)});
  }
  joinColours(r, p);
  joinListsAndTriangles(r, piece, before);
  joinPolygons(r, piece, before, selection);
  for (const std::string& line : piece.laterLibraries) {
    readLibraries(r, line.data(), line.data() + line.size());
  }
}

// Reads the file into `r`, piece by piece in parallel, the first on this thread.
Failure readPieces(WholeReading& r, const char* path, ReadingProgress* progress) {
  std::error_code error;
  const auto size = std::filesystem::file_size(nativePath(path), error);
  if (progress != nullptr) {
    progress->bytesTotal = error ? 0 : static_cast<int64_t>(size);
  }
  const std::vector<long long> starts =
      error ? std::vector<long long>{0} : pieceStarts(path, static_cast<long long>(size));
  const std::size_t later = starts.size() - 1;
  std::vector<std::unique_ptr<ObjModel>> models;
  std::vector<std::unique_ptr<WholeReading>> pieces;
  for (std::size_t k = 0; k < later; ++k) {
    models.push_back(std::make_unique<ObjModel>());
    pieces.push_back(std::make_unique<WholeReading>(*models.back(), path));
    pieces.back()->isPiece = true;
    const long long end = k + 2 < starts.size() ? starts[k + 2] : static_cast<long long>(size);
    reserveFor(*models.back(), end - starts[k + 1]);
  }
  reserveFor(r.model, error ? 0 : static_cast<long long>(size));
  std::vector<Failure> failures(later);
  const auto readLater = [&](std::size_t k) {
    const long long end = k + 2 < starts.size() ? starts[k + 2] : -1;
    const long long bytes = end < 0 ? -1 : end - starts[k + 1];
    failures[k] = readPiece(*pieces[k], path, progress, starts[k + 1], bytes);
  };
  std::vector<std::thread> threads;
  try {
    while (threads.size() < later) {
      threads.emplace_back(readLater, threads.size());
    }
  } catch (const std::system_error&) {
    // Without more threads, the pieces left are read here, after the first.
  }
  const long long firstBytes = later > 0 ? starts[1] : -1;
  Failure failure = readPiece(r, path, progress, 0, firstBytes);
  for (std::size_t k = threads.size(); k < later; ++k) {
    readLater(k);
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  for (std::size_t k = 0; k < later && !failure; ++k) {
    // A later piece that cannot be opened again, because the file went meanwhile, ends the file.
    if (failures[k] == Failure(kCannotBeOpened)) {
      break;
    }
    failure = failures[k];
    if (!failure) {
      joinPiece(r, *pieces[k]);
      pieces[k].reset();
    }
  }
  return failure;
}

}  // namespace

void splitWholeReadings(unsigned most, long long leastBytes) {
  mostPieces = most;
  leastPieceBytes = leastBytes > 0 ? leastBytes : kLeastPieceBytes;
}

Failure loadWholeObjModel(const char* path, std::unique_ptr<ObjModel>& model,
                          ReadingProgress* progress) {
  try {
    auto read = std::make_unique<ObjModel>();
    WholeReading reading{*read, path};
    if (Failure failure = readPieces(reading, path, progress)) {
      return failure;
    }
    finishModel(reading);
    model = std::move(read);
    return std::nullopt;
  } catch (const std::bad_alloc&) {
    return kTooLargeForMemory;
  } catch (const std::length_error&) {
    return kTooLargeForMemory;
  }
}
