#include "model/obj_reader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "model/line_finder.h"
#include "model/scanf_conversions.h"

namespace {

// Replaced tables leave materials behind; they are swept once this many more have been created, so
// a file of endless "mtllib" lines reads in bounded memory.
constexpr std::size_t kMaterialSweepSlack = 1024;

struct ObjReading {
  ObjModel& model;
  ObjReadingAccount* account;  // null when nobody asks
  LineFilter filter;
  const ObjMaterial* current = nullptr;
  LineFinder library;  // kept between "mtllib" lines so that its buffer is allocated once
  std::size_t sweepAt = kMaterialSweepSlack;
  int64_t skippedFaceLines = 0;
  int64_t polygons = 0;
};

bool startsWith(const ScanText& line, std::string_view word) {
  return static_cast<std::size_t>(line.end - line.next) >= word.size() &&
         std::memcmp(line.next, word.data(), word.size()) == 0;
}

template <typename T>
void compactList(std::vector<T>& list, std::size_t count) {
  std::vector<T>(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(count)).swap(list);
}

void reserveAtCapacity(ObjModel& m) {
  m.positions.resize(kMaxPositions);
  m.normals.resize(kMaxNormals);
  m.texcoords.resize(kMaxTexcoords);
  m.faceVertexIndex.resize(3 * std::size_t{kMaxFaces});
  m.faceNormalIndex.resize(3 * std::size_t{kMaxFaces});
  m.faceMaterial.resize(kMaxFaces);
}

void compact(ObjModel& m) {
  compactList(m.positions, m.positionCount);
  compactList(m.normals, m.normalCount);
  compactList(m.texcoords, m.texcoordCount);
  compactList(m.faceVertexIndex, 3 * std::size_t(m.faceCount));
  compactList(m.faceNormalIndex, 3 * std::size_t(m.faceCount));
  compactList(m.faceMaterial, m.faceCount);
}

// Only the lines that can still change the model: a full list's lines are never converted. An
// account wants one more line of a full list, to tell that it was full when one came.
LineFilter objLineFilter(const ObjModel& m, const ObjReadingAccount* account) {
  const bool asked = account != nullptr;
  return LineFilter{{'m', 'u', 'f'},
                    m.positionCount < kMaxPositions || (asked && !account->positionsFull),
                    m.normalCount < kMaxNormals || (asked && !account->normalsFull),
                    m.texcoordCount < kMaxTexcoords || (asked && !account->texcoordsFull)};
}

// Whether anything but blanks and a comment follows in the line.
bool moreInLine(ScanText line) {
  while (line.next < line.end && *line.next != '\n' && isCSpace(*line.next)) {
    ++line.next;
  }
  return line.next < line.end && *line.next != '\n' && *line.next != '\0' && *line.next != '#';
}

// A line the whole reading takes as a face: "f", a blank, and something after it.
bool isFaceLine(const ScanText& line) {
  return line.end - line.next >= 2 && isCSpace(line.next[1]) && line.next[1] != '\n' &&
         moreInLine({line.next + 1, line.end});
}

constexpr LineFilter kMtlLineFilter{{'n', 'K', 'K'}, false, false, false};

// A file number as a 0-based index. Numbers beyond 32 bits stay beyond every list instead of
// wrapping into it, and subtracting one never overflows.
int32_t toIndex(int64_t number) {
  if (number <= INT32_MIN) {
    return INT32_MIN;
  }
  return static_cast<int32_t>(std::min<int64_t>(number - 1, INT32_MAX));
}

// "v %f %f %f" and its "vn" and "vt" forms; components that do not convert are 0. Returns
// kFilterChanged when the list has become full, so that its lines are no longer looked at, and
// when an account has seen a line come to the full list.
LineVerdict addVec3(ObjReading& reading, std::vector<Vec3>& list, int32_t& count, int32_t capacity,
                    bool ObjReadingAccount::*full, std::size_t keywordLength, ScanText line) {
  if (count >= capacity) {
    if (reading.account == nullptr) {
      return LineVerdict::kGoOn;
    }
    reading.account->*full = true;
    reading.filter = objLineFilter(reading.model, reading.account);
    return LineVerdict::kFilterChanged;
  }
  line.next += keywordLength;
  Vec3 v{0.0f, 0.0f, 0.0f};
  static_cast<void>(scanFloat(line, v.x) && scanFloat(line, v.y) && scanFloat(line, v.z));
  list[static_cast<std::size_t>(count++)] = v;
  if (count < capacity) {
    return LineVerdict::kGoOn;
  }
  reading.filter = objLineFilter(reading.model, reading.account);
  return LineVerdict::kFilterChanged;
}

// "f %i//%i %i//%i %i//%i": vertex and normal number of three corners; `line` is left after them.
bool scanFace(ScanText& line, int64_t (&numbers)[6]) {
  line.next += 1;
  for (int k = 0; k < 6; k += 2) {
    if (!scanInteger(line, numbers[k]) || !scanLiteral(line, '/') || !scanLiteral(line, '/') ||
        !scanInteger(line, numbers[k + 1])) {
      return false;
    }
  }
  return true;
}

// Most face lines that cannot convert start "f 12/": one space, a decimal number and no "//" after
// it. They are turned away here, exactly as the conversions would, without a branch per character:
// eight characters are looked at together. False means "not plainly".
PALVETTA_ALWAYS_INLINE bool plainlyNoFace(const ScanText& line) {
  if constexpr (std::endian::native != std::endian::little) {
    return false;
  }
  const char* p = line.next;
  if (line.end - p < 10 || p[1] != ' ' || p[2] < '1' || p[2] > '9') {
    return false;
  }
  uint64_t chars = 0;
  std::memcpy(&chars, p + 2, sizeof chars);
  constexpr uint64_t kOnes = 0x0101010101010101;
  constexpr uint64_t kHigh = 0x8080808080808080;
  // A byte of `fromZero` is below 10 exactly for a digit; adding 0x76 sets bit 7 from 10 on.
  const uint64_t fromZero = chars ^ (kOnes * '0');
  const uint64_t nonDigits = (((fromZero & ~kHigh) + kOnes * 0x76) | fromZero) & kHigh;
  const int end = std::countr_zero(nonDigits) / 8;  // the character after the number
  if (end >= 7) {
    return false;
  }
  return ((chars >> (8 * end)) & 0xFFFF) != 0x2F2F;
}

// Returns kStop once the last triangle the model can hold is stored: nothing after it is read.
LineVerdict addFace(ObjReading& reading, const ScanText& line) {
  int64_t numbers[6];
  ScanText rest = line;
  if (!scanFace(rest, numbers)) {
    reading.skippedFaceLines += isFaceLine(line) ? 1 : 0;
    return LineVerdict::kGoOn;
  }
  reading.polygons += moreInLine(rest) ? 1 : 0;
  ObjModel& m = reading.model;
  const std::size_t face = static_cast<std::size_t>(m.faceCount);
  for (std::size_t k = 0; k < 3; ++k) {
    m.faceVertexIndex[3 * face + k] = toIndex(numbers[2 * k]);
    m.faceNormalIndex[3 * face + k] = toIndex(numbers[2 * k + 1]);
  }
  m.faceMaterial[face] = reading.current;
  ++m.faceCount;
  return m.faceCount < kMaxFaces ? LineVerdict::kGoOn : LineVerdict::kStop;
}

void selectMaterial(ObjReading& reading, ScanText line) {
  line.next += 6;
  std::string_view name;
  if (!scanWord(line, name)) {
    return;
  }
  const ObjModel& m = reading.model;
  for (int32_t i = 0; i < m.materialCount; ++i) {
    if (m.materials[static_cast<std::size_t>(i)]->name == name) {
      reading.current = m.materials[static_cast<std::size_t>(i)];
      return;
    }
  }
}

void addMaterial(ObjModel& m, ObjMaterial*& current, ScanText line) {
  line.next += 6;
  std::string_view name;
  if (!scanWord(line, name)) {
    return;
  }
  // A full table creates nothing; the material before must not take the colour meant for this one.
  current = nullptr;
  if (m.materialCount >= kMaxMaterials) {
    return;
  }
  m.ownedMaterials.push_back(std::make_unique<ObjMaterial>());
  current = m.ownedMaterials.back().get();
  current->name = name;
  m.materials[static_cast<std::size_t>(m.materialCount++)] = current;
}

// "Kd %f %f %f"; components that do not convert keep their value.
void setDiffuse(ObjMaterial* current, ScanText line) {
  if (current == nullptr) {
    return;
  }
  line.next += 2;
  Rgb c = current->diffuse;
  static_cast<void>(scanFloat(line, c.r) && scanFloat(line, c.g) && scanFloat(line, c.b));
  current->diffuse = c;
}

// False, with the model unchanged, when the library cannot be opened.
bool readMaterialLibrary(ObjModel& m, const char* name, LineFinder& file) {
  if (!openLineFinder(file, name)) {
    return false;
  }
  m.materialCount = 0;
  m.materials.fill(nullptr);
  ObjMaterial* current = nullptr;
  readWantedLines(file, kMtlLineFilter, [&m, &current](const ScanText& line) {
    if (startsWith(line, "newmtl")) {
      addMaterial(m, current, line);
    } else if (startsWith(line, "Kd")) {
      setDiffuse(current, line);
    }
    return LineVerdict::kGoOn;
  });
  closeLineFinder(file);
  return true;
}

// Frees the materials that nothing can reach any more: not in the table, not on a triangle and not
// the current material.
void sweepMaterials(ObjModel& m, const ObjMaterial* current) {
  std::vector<const ObjMaterial*> reachable(m.faceMaterial.begin(),
                                            m.faceMaterial.begin() + m.faceCount);
  reachable.insert(reachable.end(), m.materials.begin(), m.materials.begin() + m.materialCount);
  reachable.push_back(current);
  std::sort(reachable.begin(), reachable.end());
  std::erase_if(m.ownedMaterials, [&reachable](const std::unique_ptr<ObjMaterial>& material) {
    return !std::binary_search(reachable.begin(), reachable.end(), material.get());
  });
}

void useLibrary(ObjReading& reading, ScanText line) {
  line.next += 6;
  std::string_view word;
  if (!scanWord(line, word)) {
    return;
  }
  const std::string name(word);
  ObjModel& m = reading.model;
  if (readMaterialLibrary(m, name.c_str(), reading.library) &&
      m.ownedMaterials.size() >= reading.sweepAt) {
    sweepMaterials(m, reading.current);
    reading.sweepAt = 2 * m.ownedMaterials.size() + kMaterialSweepSlack;
  }
}

PALVETTA_NOINLINE LineVerdict readObjLine(ObjReading& reading, const ScanText& line) {
  ObjModel& m = reading.model;
  switch (*line.next) {
    case 'f':
      return addFace(reading, line);
    case 'v': {
      const char second = line.end - line.next >= 2 ? line.next[1] : '\0';
      if (second == 'n') {
        return addVec3(reading, m.normals, m.normalCount, kMaxNormals,
                       &ObjReadingAccount::normalsFull, 2, line);
      }
      if (second == 't') {
        return addVec3(reading, m.texcoords, m.texcoordCount, kMaxTexcoords,
                       &ObjReadingAccount::texcoordsFull, 2, line);
      }
      return addVec3(reading, m.positions, m.positionCount, kMaxPositions,
                     &ObjReadingAccount::positionsFull, 1, line);
    }
    case 'm':
      if (startsWith(line, "mtllib")) {
        useLibrary(reading, line);
      }
      return LineVerdict::kGoOn;
    case 'u':
      if (startsWith(line, "usemtl")) {
        selectMaterial(reading, line);
      }
      return LineVerdict::kGoOn;
    default:
      return LineVerdict::kGoOn;
  }
}

// Runs for every line that can still matter, inside the line scan: the plain non-faces that make up
// whole files go no further than this.
PALVETTA_ALWAYS_INLINE LineVerdict readWantedObjLine(ObjReading& reading,
                                                            const ScanText& line) {
  if (*line.next == 'f' && plainlyNoFace(line)) {
    ++reading.skippedFaceLines;
    return LineVerdict::kGoOn;
  }
  return readObjLine(reading, line);
}

// Whether a face line follows where reading stopped: looked for, not read.
bool faceLineFollows(LineFinder& file) {
  constexpr LineFilter kFaceLines{{'f', 'f', 'f'}, false, false, false};
  bool found = false;
  readWantedLines(file, kFaceLines, [&found](const ScanText& line) {
    found = isFaceLine(line);
    return found ? LineVerdict::kStop : LineVerdict::kGoOn;
  });
  return found;
}

std::unique_ptr<ObjModel> readObjModel(const char* path, ObjReadingAccount* account) {
  LineFinder file;
  if (!openLineFinder(file, path)) {
    return nullptr;
  }
  auto model = std::make_unique<ObjModel>();
  reserveAtCapacity(*model);
  ObjReading reading{
      *model, account, objLineFilter(*model, account), nullptr, {}, kMaterialSweepSlack};
  readWantedLines(file, reading.filter,
                  [&reading](const ScanText& line) { return readWantedObjLine(reading, line); });
  if (account != nullptr) {
    account->skippedFaceLines = reading.skippedFaceLines;
    account->polygons = reading.polygons;
    account->stoppedAtCapacity = model->faceCount == kMaxFaces && faceLineFollows(file);
  }
  sweepMaterials(*model, nullptr);
  compact(*model);
  return model;
}

}  // namespace

bool leftFacesOut(const ObjReadingAccount& account) {
  return account.skippedFaceLines > 0 || account.polygons > 0 || account.stoppedAtCapacity ||
         account.positionsFull || account.normalsFull;
}

std::unique_ptr<ObjModel> loadObjModel(const char* path) {
  return readObjModel(path, nullptr);
}

std::unique_ptr<ObjModel> loadObjModel(const char* path, ObjReadingAccount& account) {
  account = {};
  return readObjModel(path, &account);
}

void loadMaterialLibrary(ObjModel& model, const char* name) {
  LineFinder file;
  readMaterialLibrary(model, name, file);
}
