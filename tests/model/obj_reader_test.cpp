#include "model/obj_reader.h"

#include "model/line_finder.h"

#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <new>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/model/glibc_results.h"
#include "tests/support/result_digest.h"
#include "tests/support/temp_files.h"
#ifdef PALVETTA_GLIBC_REFERENCE
#include "tests/support/c_locale.h"
#endif

// Every allocation of this test program is counted, so that a test can see the most memory a call
// had in use at once.
namespace {

constexpr std::size_t kCountHeader = 16;  // keeps the default new alignment
std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};

void* countedAllocate(std::size_t size) {
  void* block = std::malloc(size + kCountHeader);
  if (block == nullptr) {
    return nullptr;
  }
  *static_cast<std::size_t*>(block) = size;
  const std::size_t live = liveBytes += size;
  std::size_t peak = peakBytes.load();
  while (live > peak && !peakBytes.compare_exchange_weak(peak, live)) {
  }
  return static_cast<char*>(block) + kCountHeader;
}

void countedFree(void* p) {
  if (p == nullptr) {
    return;
  }
  char* block = static_cast<char*>(p) - kCountHeader;
  liveBytes -= *reinterpret_cast<std::size_t*>(block);
  std::free(block);
}

void* countedNew(std::size_t size) {
  void* p = countedAllocate(size);
  if (p == nullptr) {
    throw std::bad_alloc();
  }
  return p;
}

}  // namespace

void* operator new(std::size_t size) { return countedNew(size); }
void* operator new[](std::size_t size) { return countedNew(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return countedAllocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return countedAllocate(size);
}
void operator delete(void* p) noexcept { countedFree(p); }
void operator delete[](void* p) noexcept { countedFree(p); }
void operator delete(void* p, std::size_t) noexcept { countedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { countedFree(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { countedFree(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { countedFree(p); }

namespace {

using namespace std::string_view_literals;

template <typename T>
bool sameBits(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

#ifdef PALVETTA_GLIBC_REFERENCE
// ---------------------------------------------------------------------------------------------
// An independent reading of the same rules, the plain way: split the file into lines, cut each to
// 1023 characters, and take every line apart with sscanf in the C locale.

struct RefMaterial {
  std::string name;
  Rgb diffuse;
};

struct RefModel {
  std::vector<Vec3> positions;
  std::vector<Vec3> normals;
  std::vector<Vec3> texcoords;
  std::vector<int32_t> vertexIndex;
  std::vector<int32_t> normalIndex;
  std::vector<int> faceMaterial;  // into `created`, -1 for none
  std::vector<RefMaterial> created;
  std::vector<int> table;  // into `created`
};

bool readRegularFile(const char* path, std::string& contents) {
  struct stat status;
  if (stat(path, &status) != 0 || !S_ISREG(status.st_mode)) {
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  contents = all.str();
  return static_cast<bool>(in);
}

// Each line as the conversions see it: at most its first 1023 characters, up to a NUL.
std::vector<std::string> referenceLines(std::string contents) {
  if (contents.rfind("\xEF\xBB\xBF", 0) == 0) {
    contents.erase(0, 3);
  }
  std::vector<std::string> lines;
  std::istringstream in(contents);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line.substr(0, 1023).c_str());
  }
  return lines;
}

int32_t referenceIndex(long long number) {
  // Out-of-range numbers land on the nearer end of the int32 range, never inside the lists.
  if (number <= INT32_MIN) {
    return INT32_MIN;
  }
  return number - 1 > INT32_MAX ? INT32_MAX : static_cast<int32_t>(number - 1);
}

void referenceLibrary(RefModel& model, const char* name) {
  std::string contents;
  if (!readRegularFile(name, contents)) {
    return;
  }
  model.table.clear();
  int current = -1;
  char word[1024];
  for (const std::string& line : referenceLines(contents)) {
    if (line.compare(0, 6, "newmtl") == 0) {
      if (sscanfInCLocale(line.c_str(), "newmtl %1023s", word) != 1) {
        continue;
      }
      current = -1;
      if (model.table.size() < 32) {
        current = static_cast<int>(model.created.size());
        model.created.push_back({word, {0.8f, 0.8f, 0.8f}});
        model.table.push_back(current);
      }
    } else if (line.compare(0, 2, "Kd") == 0 && current >= 0) {
      Rgb& c = model.created[static_cast<std::size_t>(current)].diffuse;
      sscanfInCLocale(line.c_str(), "Kd %f %f %f", &c.r, &c.g, &c.b);
    }
  }
}

RefModel referenceObj(const char* path) {
  RefModel model;
  std::string contents;
  EXPECT_TRUE(readRegularFile(path, contents));
  int current = -1;
  char word[1024];
  for (const std::string& line : referenceLines(contents)) {
    if (line.compare(0, 6, "mtllib") == 0) {
      if (sscanfInCLocale(line.c_str(), "mtllib %1023s", word) == 1) {
        referenceLibrary(model, word);
      }
    } else if (line.compare(0, 6, "usemtl") == 0) {
      if (sscanfInCLocale(line.c_str(), "usemtl %1023s", word) == 1) {
        for (int slot : model.table) {
          if (model.created[static_cast<std::size_t>(slot)].name == word) {
            current = slot;
            break;
          }
        }
      }
    } else if (line[0] == 'v') {
      Vec3 v{0.0f, 0.0f, 0.0f};
      std::vector<Vec3>& list =
          line[1] == 'n' ? model.normals : line[1] == 't' ? model.texcoords : model.positions;
      const char* format = line[1] == 'n' ? "vn %f %f %f" : line[1] == 't' ? "vt %f %f %f"
                                                                           : "v %f %f %f";
      if (list.size() < 4096) {
        sscanfInCLocale(line.c_str(), format, &v.x, &v.y, &v.z);
        list.push_back(v);
      }
    } else if (line[0] == 'f') {
      long long n[6];
      if (sscanfInCLocale(line.c_str(), "f %lli//%lli %lli//%lli %lli//%lli", &n[0], &n[1], &n[2],
                          &n[3], &n[4], &n[5]) == 6) {
        for (int k = 0; k < 3; ++k) {
          model.vertexIndex.push_back(referenceIndex(n[2 * k]));
          model.normalIndex.push_back(referenceIndex(n[2 * k + 1]));
        }
        model.faceMaterial.push_back(current);
      }
      if (model.faceMaterial.size() == 4096) {
        break;
      }
    }
  }
  return model;
}

template <typename T>
void expectExactList(const std::vector<T>& list, int32_t count, const char* what) {
  EXPECT_EQ(list.size(), static_cast<std::size_t>(count)) << what;
  EXPECT_EQ(list.capacity(), list.size()) << what << " is not compacted";
}

void expectSameVectors(const std::vector<Vec3>& got, int32_t count, const std::vector<Vec3>& want,
                       const char* what) {
  expectExactList(got, count, what);
  ASSERT_EQ(got.size(), want.size()) << what;
  for (std::size_t i = 0; i < got.size(); ++i) {
    ASSERT_TRUE(sameBits(got[i], want[i])) << what << " " << i << ": " << got[i].x << " "
                                           << got[i].y << " " << got[i].z << " vs " << want[i].x
                                           << " " << want[i].y << " " << want[i].z;
  }
}

// The model holds what the reference reading holds, and the same reference material is always the
// same object, owned by the model.
void expectSameModel(const ObjModel& m, const RefModel& ref, const std::string& what) {
  SCOPED_TRACE(what);
  expectExactList(m.faceVertexIndex, 3 * m.faceCount, "faceVertexIndex");
  expectExactList(m.faceNormalIndex, 3 * m.faceCount, "faceNormalIndex");
  expectExactList(m.faceMaterial, m.faceCount, "faceMaterial");
  expectSameVectors(m.positions, m.positionCount, ref.positions, "positions");
  expectSameVectors(m.normals, m.normalCount, ref.normals, "normals");
  expectSameVectors(m.texcoords, m.texcoordCount, ref.texcoords, "texcoords");
  EXPECT_EQ(m.faceVertexIndex, ref.vertexIndex);
  EXPECT_EQ(m.faceNormalIndex, ref.normalIndex);
  ASSERT_EQ(m.faceMaterial.size(), ref.faceMaterial.size());

  std::map<int, const ObjMaterial*> objectOf;
  std::map<const ObjMaterial*, int> referenceOf;
  auto expectMaterial = [&](const ObjMaterial* got, int want, const std::string& where) {
    if (want < 0) {
      EXPECT_EQ(got, nullptr) << where;
      return;
    }
    ASSERT_NE(got, nullptr) << where;
    const RefMaterial& r = ref.created[static_cast<std::size_t>(want)];
    EXPECT_EQ(got->name, r.name) << where;
    EXPECT_TRUE(sameBits(got->diffuse, r.diffuse)) << where;
    const auto [known, added] = objectOf.emplace(want, got);
    EXPECT_EQ(known->second, got) << where << ": one material, two objects";
    EXPECT_EQ(referenceOf.emplace(got, want).first->second, want) << where << ": shared object";
    const bool owned = std::any_of(m.ownedMaterials.begin(), m.ownedMaterials.end(),
                                   [got](const auto& p) { return p.get() == got; });
    EXPECT_TRUE(owned) << where << ": not owned by the model";
  };
  for (std::size_t f = 0; f < m.faceMaterial.size(); ++f) {
    expectMaterial(m.faceMaterial[f], ref.faceMaterial[f], "triangle " + std::to_string(f));
  }
  ASSERT_EQ(m.materialCount, static_cast<int32_t>(ref.table.size()));
  for (std::size_t slot = 0; slot < m.materials.size(); ++slot) {
    expectMaterial(m.materials[slot], slot < ref.table.size() ? ref.table[slot] : -1,
                   "table slot " + std::to_string(slot));
  }
}
#endif

// Everything a model holds, materials by their contents and by which triangles and slots share
// them, as one digest.
uint64_t modelDigest(const ObjModel& m) {
  ResultDigest digest;
  for (const int32_t count :
       {m.positionCount, m.normalCount, m.texcoordCount, m.faceCount, m.materialCount}) {
    digest.add(count);
  }
  for (const std::vector<Vec3>* list : {&m.positions, &m.normals, &m.texcoords}) {
    digest.add(static_cast<uint64_t>(list->size()));
    digest.addBytes(list->data(), list->size() * sizeof(Vec3));
  }
  for (const std::vector<int32_t>* list : {&m.faceVertexIndex, &m.faceNormalIndex}) {
    digest.add(static_cast<uint64_t>(list->size()));
    digest.addBytes(list->data(), list->size() * sizeof(int32_t));
  }
  std::map<const ObjMaterial*, int> numberOf;
  auto addMaterial = [&](const ObjMaterial* material) {
    if (material == nullptr) {
      digest.add(-1);
      return;
    }
    const auto [known, added] = numberOf.emplace(material, static_cast<int>(numberOf.size()));
    digest.add(known->second);
    if (added) {
      digest.add(std::string_view(material->name));
      digest.addBytes(&material->diffuse, sizeof material->diffuse);
    }
  };
  for (const ObjMaterial* material : m.faceMaterial) {
    addMaterial(material);
  }
  for (const ObjMaterial* material : m.materials) {
    addMaterial(material);
  }
  return digest.value;
}

// ---------------------------------------------------------------------------------------------
// Generated files: every kind of line the reader knows, in its usual and its awkward forms.

struct Generator {
  std::mt19937 random;
  std::vector<std::string> libraries;

  // Plain remainders, fixed by the standard like mt19937 itself, so that the recorded results
  // hold for every compiler and library.
  std::size_t below(std::size_t n) { return random() % n; }
  const std::string& pick(const std::vector<std::string>& from) { return from[below(from.size())]; }

  std::string gap() { return pick({" ", " ", " ", "  ", "\t", "", "\v", "\f", " \r "}); }

  std::string number() {
    static const std::vector<std::string> numbers = {
        "1", "-2.5", "0.125", "3e2", "1e", "0x1p3", "0x", "-", ".5", "inf", "-nan", "abc",
        "1.2.3", "1e--5", "7,5", "010", "1e40", "0x1.8p1", "+4", "1/2"};
    if (below(3) != 0) {
      return std::to_string(static_cast<int>(below(2000)) - 1000) + "." +
             std::to_string(below(1000));
    }
    return pick(numbers);
  }

  std::string index() {
    static const std::vector<std::string> awkward = {
        "0", "-1", "010", "08", "0x1f", "0x", "4294967297", "2147483648", "-2147483649",
        "99999999999999999999", "+3", "- 1", "", "123456", "1234567", "12345678"};
    return below(4) != 0 ? std::to_string(1 + below(30)) : pick(awkward);
  }

  std::string corner() {
    switch (below(12)) {
      case 0:
        return index() + "/" + index() + "/" + index();
      case 1:
        return index();
      case 2:
        return index() + " //" + index();
      case 3:
        return index() + "// " + index();
      case 4:
        return index() + "///" + index();
      default:
        return index() + "//" + index();
    }
  }

  std::string materialName() {
    return pick({"red", "green", "blue", "Red", "m0", "m31", "m32", "m40", "r\xc3\xa4" "d"});
  }

  // Up to four numbers after `line`.
  std::string withNumbers(std::string line) {
    for (std::size_t n = below(5); n > 0; --n) {
      line += gap() + number();
    }
    return line;
  }

  std::string vertexLine() {
    return withNumbers(pick({"v", "v", "v", "vn", "vn", "vt", "vp", "v", "vx"}));
  }

  std::string faceLine() {
    std::string line = "f";
    for (std::size_t n = 2 + below(3); n > 0; --n) {
      line += gap() + corner();
    }
    return line;
  }

  std::string libraryLine() {
    std::string line = "mtllib" + gap();
    if (below(8) != 0) {
      line += pick(libraries);
    }
    if (below(6) == 0) {
      line += " " + pick(libraries);
    }
    return line;
  }

  std::string longLine() {
    std::string line = pick({"#", "v 1 2 3", "f 1//1 2//2 3//3", "usemtl red", "g"});
    line += std::string(1000 + below(40), pick({" ", "x", "\t"})[0]);
    line += pick({"v 9 9 9", "4", "mtllib x", "//7"});
    if (below(2) == 0) {
      line += std::string(below(3000), '#');
    }
    return line;
  }

  std::string objLine() {
    switch (below(40)) {
      case 0:
      case 1:
        return libraryLine();
      case 2:
      case 3:
      case 4:
        return "usemtl" + gap() + (below(10) != 0 ? materialName() : "");
      case 5:
        return longLine();
      case 6:
        return pick({"# comment", "", "g group", "s 1", "o object", " v 1 2 3",
                     "\tf 1//1 2//2 3//3", "mtllib", "usemtl", "v", "f", "Kd 1 0 0",
                     std::string("v 1\0 2 3", 8), std::string("f 1//1\0 2//2 3//3", 17)});
      default:
        return below(3) == 0 ? faceLine() : vertexLine();
    }
  }

  std::string mtlLine() {
    switch (below(10)) {
      case 0:
      case 1:
      case 2:
        return "newmtl" + gap() + (below(12) != 0 ? materialName() : "");
      case 3:
        return pick({"# comment", "Ka 1 1 1", " Kd 1 0 0", "\tKd 0 1 0", "Ns 10", "", "newmtl",
                     "Kd"});
      default:
        return withNumbers("Kd");
    }
  }

  std::string file(std::size_t lines, bool obj) {
    std::string text = below(10) == 0 ? "\xEF\xBB\xBF" : "";
    const std::string end = below(3) == 0 ? "\r\n" : "\n";
    for (std::size_t n = 0; n < lines; ++n) {
      text += (obj ? objLine() : mtlLine()) + (below(50) == 0 ? "\r" : end);
    }
    if (below(4) == 0 && !text.empty()) {
      text.pop_back();  // no newline after the last line
    }
    return text;
  }
};

// Both ways of finding lines: the 32-byte scan, skipped where the processor has none, and the
// plain one.
class GeneratedFilesTest : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (allowVectorScan(GetParam()) != GetParam()) {
      GTEST_SKIP() << "this processor has no AVX2";
    }
  }
  void TearDown() override { allowVectorScan(true); }
};

INSTANTIATE_TEST_SUITE_P(Scans, GeneratedFilesTest, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "Vector" : "Plain";
                         });

TEST_P(GeneratedFilesTest, AgreeWithAPlainLineByLineReading) {
  Generator generator{std::mt19937(GetParam() ? 7 : 8), {}};
  BlockDigests digests(1);
  const std::string folder = testFolder();
#ifndef _WIN32
  mkfifo((folder + "/fifo.mtl").c_str(), 0600);
#endif
  for (int file = 0; file < 60; ++file) {
    const std::string prefix = "generated-" + std::to_string(file);
    generator.libraries = {folder + "/" + prefix + "-a.mtl", folder + "/" + prefix + "-b.mtl",
                           folder + "/" + prefix + "-missing.mtl", folder, folder + "/fifo.mtl"};
    writeTestFile(prefix + "-a.mtl", generator.file(generator.below(60), false));
    writeTestFile(prefix + "-b.mtl", generator.file(generator.below(60), false));
    // A few large files cross the reader's blocks many times and fill every list.
    const std::size_t lines = file % 10 == 9 ? 30000 : 20 + generator.below(400);
    const std::string obj = writeTestFile(prefix + ".obj", generator.file(lines, true));
    const auto model = loadObjModel(obj.c_str());
    ASSERT_NE(model, nullptr);
#ifdef PALVETTA_GLIBC_REFERENCE
    expectSameModel(*model, referenceObj(obj.c_str()), prefix);
    if (HasFatalFailure()) {
      return;
    }
#endif
    digests.current.add(modelDigest(*model));
    digests.endCase();
  }
  expectRecorded(digests.blocks, GetParam() ? kVectorScanModels : kPlainScanModels,
                 GetParam() ? "kVectorScanModels" : "kPlainScanModels");
}

// ---------------------------------------------------------------------------------------------
// The rules one at a time, each with the values a reader of the format expects.

// Never nothing: a file that does not load fails the test and gives an empty model.
std::unique_ptr<ObjModel> load(std::string_view name, std::string_view text) {
  auto model = loadObjModel(writeTestFile(name, text).c_str());
  EXPECT_NE(model, nullptr) << name;
  return model ? std::move(model) : std::make_unique<ObjModel>();
}

// What reading the test file `name` left out; the model read with the account is the one read
// without it.
ObjReadingAccount accountOf(std::string_view name) {
  const std::string path = testFolder() + "/" + std::string(name);
  ObjReadingAccount account;
  const auto counted = loadObjModel(path.c_str(), account);
  EXPECT_EQ(modelDigest(*counted), modelDigest(*loadObjModel(path.c_str())));
  return account;
}

// Positions, normals, texture coordinates, triangles and table materials.
using Counts = std::array<int32_t, 5>;
Counts countsOf(const ObjModel& m) {
  return {m.positionCount, m.normalCount, m.texcoordCount, m.faceCount, m.materialCount};
}

// The first entries of `got`, exactly.
void expectVec3s(const std::vector<Vec3>& got, const std::vector<Vec3>& want) {
  ASSERT_GE(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_TRUE(got[i].x == want[i].x && got[i].y == want[i].y && got[i].z == want[i].z)
        << "entry " << i << ": " << got[i].x << " " << got[i].y << " " << got[i].z;
  }
}

TEST(ObjReaderTest, ReadsEachLineKindWithTheCConversions) {
  const auto m = load("kinds.obj",
                      "# a comment\n"
                      "v1 2 3\n"
                      "v 0x1p1 -1.5e1 .25\n"
                      "vp 7 8 9\n"
                      "v 4 5\n"
                      "v x 1 1\n"
                      " v 9 9 9\n"
                      "vn 0 0 1\n"
                      "vt 0.5 0.25\n"
                      "f 010//1 2//1 3//1 4//1\n"
                      "f 1/1/1 2/2/2 3/3/3\n"
                      "f 1 2 3\n"
                      "f 1//1 2//1\n"
                      "f1//1 2//1 3//1\n"
                      "g group\n");
  ASSERT_EQ(countsOf(*m), (Counts{5, 1, 1, 2, 0}));
  // "vp" counts as a position and "p" is no number; where nothing converts the entry still counts.
  expectVec3s(m->positions, {{1, 2, 3}, {2, -15, 0.25f}, {0, 0, 0}, {4, 5, 0}, {0, 0, 0}});
  expectVec3s({m->normals[0], m->texcoords[0]}, {{0, 0, 1}, {0.5f, 0.25f, 0}});
  // The octal 010 is vertex 8; the fourth corner is ignored; the other face forms are skipped.
  EXPECT_EQ(m->faceVertexIndex, (std::vector<int32_t>{7, 1, 2, 0, 1, 2}));
  EXPECT_EQ(m->faceNormalIndex, (std::vector<int32_t>{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(m->faceMaterial, (std::vector<const ObjMaterial*>{nullptr, nullptr}));
  // Three face lines stored nothing, one face had four corners; no list was full.
  const ObjReadingAccount account = accountOf("kinds.obj");
  EXPECT_EQ(account.skippedFaceLines, 3);
  EXPECT_EQ(account.polygons, 1);
  EXPECT_FALSE(account.stoppedAtCapacity || account.positionsFull || account.normalsFull ||
               account.texcoordsFull);
}

TEST(ObjReaderTest, CrLfLineEndsReadLikeLf) {
  writeTestFile("crlf.mtl", "newmtl red\r\nKd 1 0 0\r\n");
  const std::string text = "mtllib " + testFolder() +
                           "/crlf.mtl\nv 1 2 3\nv 4 5 6\nv 7 8 9\nvn 0 1 0\nusemtl red\n"
                           "f 1//1 2//1 3//1\nf 3//1 2//1 1//1\n";
  const auto lf = load("lf.obj", text);
  const auto cr = load("crlf.obj", std::regex_replace(text, std::regex("\n"), "\r\n"));
  ASSERT_EQ(cr->positionCount, 3);
  expectVec3s({cr->positions[2]}, {{7, 8, 9}});
  ASSERT_EQ(cr->faceCount, 2);
  ASSERT_NE(cr->faceMaterial[0], nullptr);
  EXPECT_EQ(cr->faceMaterial[0]->name, "red");
  EXPECT_EQ(cr->faceMaterial[0]->diffuse.r, 1.0f);
  EXPECT_EQ(modelDigest(*cr), modelDigest(*lf));  // everything else alike too
}

TEST(ObjReaderTest, FullListsDropTheirLinesAndReadingGoesOn) {
  std::string text;
  for (int i = 0; i < 4097; ++i) {
    text += "v " + std::to_string(i) + " 0 0\nvt " + std::to_string(i) + " 0\n";
  }
  for (int i = 0; i < 4100; ++i) {
    text += "vn 0 " + std::to_string(i) + " 0\n";
  }
  text += "v 99999 0 0\nf 1//4096 2//1 4096//2\n";
  const auto m = load("full.obj", text);
  ASSERT_EQ(countsOf(*m), (Counts{4096, 4096, 4096, 1, 0}));
  expectVec3s({m->positions[4095], m->texcoords[4095], m->normals[4095]},
              {{4095, 0, 0}, {4095, 0, 0}, {0, 4095, 0}});
  EXPECT_EQ(m->faceVertexIndex, (std::vector<int32_t>{0, 1, 4095}));
  EXPECT_EQ(m->faceNormalIndex, (std::vector<int32_t>{4095, 0, 1}));
  const ObjReadingAccount account = accountOf("full.obj");
  EXPECT_TRUE(account.positionsFull && account.normalsFull && account.texcoordsFull);
  // Exactly full lists left nothing out; full texture coordinates leave no face out.
  load("exactly.obj", text.substr(0, text.find("v 4096 0 0")));
  EXPECT_FALSE(accountOf("exactly.obj").positionsFull || accountOf("exactly.obj").texcoordsFull);
  load("texcoords.obj", "vt 0 0\n" + text.substr(0, text.find("v 4096 0 0")));
  EXPECT_TRUE(accountOf("texcoords.obj").texcoordsFull);
  EXPECT_FALSE(leftFacesOut(accountOf("texcoords.obj")));
}

TEST(ObjReaderTest, ReadingStopsAfterTheLineThatCompletesTheLastTriangle) {
  writeTestFile("late.mtl", "newmtl late\nKd 0 0 1\n");
  std::string text = "v 0 0 0\nvn 0 1 0\n";
  for (int i = 0; i < 5000; ++i) {
    if (i % 100 == 0) {
      text += "f 1 2 3\n";  // starts with 'f' but stores nothing
    }
    text += "f " + std::to_string(i + 1) + "//1 1//1 1//1\n";
    if (i == 4095) {
      text += "mtllib " + testFolder() + "/late.mtl\nv 5 5 5\nvn 1 0 0\n";
    }
  }
  const auto m = load("stop.obj", text);
  ASSERT_EQ(countsOf(*m), (Counts{1, 1, 0, 4096, 0}));
  EXPECT_EQ(m->faceVertexIndex[3 * 4095], 4095);
  EXPECT_TRUE(m->ownedMaterials.empty());
  const ObjReadingAccount account = accountOf("stop.obj");
  EXPECT_TRUE(account.stoppedAtCapacity);
  EXPECT_EQ(account.skippedFaceLines, 41);  // those before the stop
  // Where no face line follows the last triangle, reading stopped short of nothing.
  load("filled.obj", text.substr(0, text.find("mtllib")) + "fog\nf\n");
  EXPECT_FALSE(accountOf("filled.obj").stoppedAtCapacity);
}

TEST(ObjReaderTest, MaterialsAcrossTwoLibraries) {
  const std::string folder = testFolder();
  writeTestFile("first.mtl", "newmtl red\nKd 1 0 0\nnewmtl green\nKd 0 1 0\n");
  writeTestFile("second.mtl", "newmtl blue\nKd 0 0 1\n");
  writeTestFile("none.mtl", "# no materials\n");
  const auto m = load("two.obj",
                      "v 0 0 0\nvn 0 1 0\n"
                      "usemtl red\n"
                      "f 1//1 1//1 1//1\n"  // before any library: no material
                      "mtllib " + folder + "/first.mtl " + folder + "/second.mtl\n"
                      "usemtl red\n"
                      "f 1//1 1//1 1//1\n"  // red
                      "usemtl purple\n"
                      "usemtl\n"
                      "f 1//1 1//1 1//1\n"  // still red
                      "mtllib " + folder + "/missing.mtl\n"
                      "usemtl green\n"
                      "f 1//1 1//1 1//1\n"  // the table of the first library is still there
                      "mtllib " + folder + "/second.mtl\n"
                      "usemtl red\n"
                      "f 1//1 1//1 1//1\n"  // red is gone from the table: still green
                      "usemtl blue\n"
                      "f 1//1 1//1 1//1\n"  // blue
                      "mtllib " + folder + "/none.mtl\n"
                      "usemtl blue\n"
                      "f 1//1 1//1 1//1\n");  // no table any more: still blue
  ASSERT_EQ(m->faceCount, 7);
  const std::vector<std::string> names = {"", "red", "red", "green", "green", "blue", "blue"};
  const std::vector<Rgb> colours = {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0, 1, 0},
                                    {0, 1, 0}, {0, 0, 1}, {0, 0, 1}};
  EXPECT_EQ(m->faceMaterial[0], nullptr);
  for (std::size_t f = 1; f < 7; ++f) {
    ASSERT_NE(m->faceMaterial[f], nullptr) << f;
    EXPECT_EQ(m->faceMaterial[f]->name, names[f]) << f;
    EXPECT_TRUE(sameBits(m->faceMaterial[f]->diffuse, colours[f])) << f;
  }
  EXPECT_EQ(m->faceMaterial[1], m->faceMaterial[2]);
  EXPECT_EQ(m->faceMaterial[5], m->faceMaterial[6]);
  EXPECT_EQ(m->materialCount, 0);
  EXPECT_EQ(m->materials[0], nullptr);
}

TEST(ObjReaderTest, MaterialLibraryLines) {
  std::string library = "\xEF\xBB\xBFKd 0 0 0\nnewmtl plain\n"
                        "newmtl indented\n Kd 1 1 1\n\tKd 1 1 1\n"
                        "newmtl twice\nKd 0 0 1\nnewmtl twice\nKd 0 1 0\n"
                        "newmtl partial\nKd 0.5 x 1\n"
                        "newmtl named\nnewmtl\nKd 0.25 0.5 0.75\n";
  for (int i = 6; i < 32; ++i) {
    library += "newmtl m" + std::to_string(i) + "\n";
  }
  library += "Kd 1 0 0\nnewmtl m32\nKd 0 0 0\nnewmtl m33\nKd 0 0 0\n";
  writeTestFile("lines.mtl", library);
  ObjModel m;
  loadMaterialLibrary(m, (testFolder() + "/lines.mtl").c_str());
  ASSERT_EQ(m.materialCount, 32);
  auto colourOf = [&m](int slot) { return m.materials[static_cast<std::size_t>(slot)]->diffuse; };
  EXPECT_EQ(m.materials[0]->name, "plain");  // the byte order mark is skipped
  EXPECT_TRUE(sameBits(colourOf(0), kDefaultDiffuse));
  EXPECT_TRUE(sameBits(colourOf(1), kDefaultDiffuse));  // indented Kd lines are ignored
  EXPECT_EQ(m.materials[2]->name, "twice");
  EXPECT_EQ(m.materials[3]->name, "twice");
  EXPECT_TRUE(sameBits(colourOf(2), Rgb{0, 0, 1}));
  EXPECT_TRUE(sameBits(colourOf(3), Rgb{0, 1, 0}));
  EXPECT_TRUE(sameBits(colourOf(4), Rgb{0.5f, 0.8f, 0.8f}));  // what does not convert stays
  EXPECT_TRUE(sameBits(colourOf(5), Rgb{0.25f, 0.5f, 0.75f}));  // a nameless newmtl makes nothing
  EXPECT_EQ(m.materials[31]->name, "m31");
  EXPECT_TRUE(sameBits(colourOf(31), Rgb{1, 0, 0}));  // the 33rd and 34th changed nothing
  EXPECT_EQ(m.ownedMaterials.size(), 32u);

  // A library that cannot be read leaves the table as it was.
  loadMaterialLibrary(m, testFolder().c_str());
  loadMaterialLibrary(m, (testFolder() + "/missing.mtl").c_str());
  EXPECT_EQ(m.materialCount, 32);

  // usemtl finds the first of two equal names.
  const auto obj = load("twice.obj", "mtllib " + testFolder() +
                                         "/lines.mtl\nusemtl twice\nf 1//1 1//1 1//1\n");
  EXPECT_EQ(obj->faceMaterial[0], obj->materials[2]);
}

TEST(ObjReaderTest, LongLinesAreReadByTheirFirst1023Characters) {
  const std::string pad1020(1020, ' ');
  std::string text;
  text += "#" + std::string(1022, '-') + "v 1 1 1\n";    // the rest is not a line of its own
  text += "v 1 2 3" + std::string(3000, ' ') + "4\n";    // a fourth number far out changes nothing
  text += "v" + std::string(1019, ' ') + "123456\n";     // the number is cut after 1023 characters
  text += "v 7" + std::string(1020, ' ') + "\n";          // exactly 1023 characters
  text += "v 8" + pad1020 + "9\n" + "f 1//1 2//2 3//3\n";  // 1024: the last character is lost
  const auto m = load("long.obj", text);
  ASSERT_EQ(countsOf(*m), (Counts{4, 0, 0, 1, 0}));
  expectVec3s(m->positions, {{1, 2, 3}, {123, 0, 0}, {7, 0, 0}, {8, 0, 0}});
}

TEST(ObjReaderTest, FaceNumbersBeyond32BitsNeverWrap) {
  const auto m = load("huge.obj",
                      "f 4294967297//1 2147483648//1 -2147483648//1\n"
                      "f 99999999999999999999//-99999999999999999999 -2147483647//2147483647 "
                      "0x80000001//1\n"
                      "f 0//-1 2147483647//1 -0x7fffffff//-0x7ffffffe\n"
                      "f 1234567//1 12345678//2 123456//3\n");
  ASSERT_EQ(m->faceCount, 4);
  EXPECT_EQ(m->faceVertexIndex, (std::vector<int32_t>{INT32_MAX, INT32_MAX, INT32_MIN,  //
                                                      INT32_MAX, INT32_MIN, INT32_MAX,  //
                                                      -1, INT32_MAX - 1, INT32_MIN,  //
                                                      1234566, 12345677, 123455}));
  EXPECT_EQ(m->faceNormalIndex, (std::vector<int32_t>{0, 0, 0,                            //
                                                      INT32_MIN, INT32_MAX - 1, 0,        //
                                                      -2, 0, INT32_MIN + 1,  //
                                                      0, 1, 2}));
}

// Fails the test instead of hanging it when a read never returns. Windows has no alarm; there the
// test run's own time limit does it.
struct HangGuard {
#ifndef _WIN32
  HangGuard() { alarm(30); }
  ~HangGuard() { alarm(0); }
#endif
};

// Paths that name something other than a regular file: a device, and where there are FIFOs a FIFO,
// created in `folder`, which no writer will ever open.
std::vector<std::string> oddPaths(const std::string& folder) {
#ifdef _WIN32
  static_cast<void>(folder);
  return {"NUL"};
#else
  const std::string fifo = folder + "/odd.fifo";
  EXPECT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  return {"/dev/zero", "/dev/null", fifo};
#endif
}

TEST(ObjReaderTest, OddFilesOpenOrFailQuietly) {
  [[maybe_unused]] HangGuard guard;
  const std::string folder = testFolder();
  EXPECT_EQ(loadObjModel((folder + "/does-not-exist.obj").c_str()), nullptr);
  EXPECT_EQ(loadObjModel(folder.c_str()), nullptr);
  const std::vector<std::string> odd = oddPaths(folder);
  for (const std::string& path : odd) {
    EXPECT_EQ(loadObjModel(path.c_str()), nullptr) << path;
  }

  for (const std::string& empty :
       {std::string(), std::string("\xEF\xBB\xBF"), std::string("\n\n")}) {
    const auto m = load("empty.obj", empty);
    EXPECT_EQ(countsOf(*m), Counts{});
    EXPECT_TRUE(m->positions.empty());
  }

  // A byte order mark counts only at the very start; a NUL ends what the conversions see.
  const auto m = load("marks.obj", "\xEF\xBB\xBFv 1 2 3\n\xEF\xBB\xBFv 4 5 6\nv 7\0 8 9\nv"sv);
  ASSERT_EQ(m->positionCount, 3);
  expectVec3s(m->positions, {{1, 2, 3}, {7, 0, 0}, {0, 0, 0}});

  // Libraries that are not regular files change nothing and never block.
  writeTestFile("odd.mtl", "newmtl kept\n");
  std::string text = "mtllib " + folder + "/odd.mtl\n";
  for (const std::string& path : odd) {
    text += "mtllib " + path + "\n";
  }
  text += "mtllib " + folder + "\nusemtl kept\nf 1//1 1//1 1//1\n";
  const auto libraries = load("odd.obj", text);
  EXPECT_EQ(libraries->materialCount, 1);
  ASSERT_NE(libraries->faceMaterial[0], nullptr);
  EXPECT_EQ(libraries->faceMaterial[0]->name, "kept");
}

// The most memory loading `path` had in use at once; the model is left in `m`.
std::size_t peakBytesLoading(const std::string& path, std::unique_ptr<ObjModel>& m) {
  m.reset();
  const std::size_t before = liveBytes.load();
  peakBytes = before;
  m = loadObjModel(path.c_str());
  return peakBytes.load() - before;
}

TEST(ObjReaderTest, MemoryStaysBoundedWhateverTheFile) {
  constexpr std::size_t kBound = 2u << 20;
  const std::string folder = testFolder();
  std::string library;
  for (int i = 0; i < 32; ++i) {
    library += "newmtl m" + std::to_string(i) + "\nKd 0 0 " + std::to_string(i) + "\n";
  }
  writeTestFile("many.mtl", library);
  std::string text = "v 0 0 0\nvn 0 1 0\n";
  for (int i = 0; i < 20000; ++i) {
    text += "mtllib " + folder + "/many.mtl\nusemtl m" + std::to_string(i % 32) + "\n";
    if (i % 2000 == 0) {
      text += "f 1//1 1//1 1//1\n";
    }
  }
  const std::string many = writeTestFile("many.obj", text);
  std::unique_ptr<ObjModel> m;
  EXPECT_LT(peakBytesLoading(many, m), kBound);
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(m->faceCount, 10);
  EXPECT_EQ(m->faceMaterial[9]->name, "m16");  // selected from the 18001st library read
  EXPECT_EQ(m->faceMaterial[9]->diffuse.b, 16.0f);
  EXPECT_LE(m->ownedMaterials.size(), 32u + 10u);

  // One endless line, and endless lines of a full list.
  const std::string line = writeTestFile("line.obj", "# " + std::string(16u << 20, 'x'));
  EXPECT_LT(peakBytesLoading(line, m), kBound);
  std::string dropped;
  while (dropped.size() < (16u << 20)) {
    dropped += "v 1.25 2.5 3.75\n";
  }
  const std::string full = writeTestFile("dropped.obj", dropped);
  EXPECT_LT(peakBytesLoading(full, m), kBound);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->positionCount, 4096);
}

}  // namespace
