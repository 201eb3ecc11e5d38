// Whole-reading benchmark: the whole reading against the fastest readers, fast_obj and
// tinyobjloader, on two files generated in a temporary folder: a 440 MB OBJ (2 M positions with
// normals and texture coordinates, 4 M triangles written v/t/n, as exporters write a mesh), and a
// 300 MB mix of the examples over and over with generated v//n quads, v/t triangles and polygons
// of 5 to 8 corners (bench/obj_files.h). For each file it reads it from the page cache with each
// reader in fresh processes, in turns, and in the same turns the viewer makes a small picture of
// it, `palvetta --render OUT --size 64 --whole FILE`, timed from its start to its exit. It compares
// the medians of the whole reading's and fast_obj's reading times, the picture's time with
// fast_obj's reading, and the readings' peak memory, prints the figures with tinyobjloader's in a
// table, and deletes the folder. Each reader counts the triangles it read (fast_obj keeps polygons
// whole: a polygon of n corners counts n - 2), so that one that read nothing shows.
//
//   palvetta_whole_bench [RUNS] [FOLDER]   RUNS per reader (default 5), FOLDER for the files
//   palvetta_whole_bench --read whole|fast_obj|tinyobjloader FILE   one reading, its time in ms
//                                                                   and triangles on standard
//                                                                   output
//   palvetta_whole_bench --write sheet|mix FILE   writes one of the files and keeps it
//
// Built without fast_obj (scripts/fetch-bench-peers.sh fetches it), it measures the rest, checks
// no figure and exits with 2. Otherwise exit status 0 when every figure is within its target, 1
// otherwise.
#include <tiny_obj_loader.h>

#ifdef PALVETTA_FAST_OBJ
#include <fast_obj.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/child_runs.h"
#include "bench/obj_files.h"
#include "model/whole_reader.h"

namespace {

constexpr int kDefaultRuns = 5;
// 1001 x 2000 corners: 2 M positions, 4 M triangles, about 440 MB.
constexpr uint32_t kColumns = 1001;
constexpr uint32_t kRows = 2000;
constexpr uint64_t kMixBytes = 300'000'000;
constexpr double kTimeTarget = 0.8;     // of fast_obj's reading time
constexpr double kMemoryTarget = 1.0;   // of fast_obj's peak memory
constexpr double kPictureTarget = 1.3;  // the picture, start to exit, of fast_obj's reading time
constexpr int kPictureSize = 64;

#ifdef PALVETTA_FAST_OBJ
constexpr bool kHaveFastObj = true;
#else
constexpr bool kHaveFastObj = false;
#endif

using Clock = std::chrono::steady_clock;

long long readWhole(const char* file) {
  std::unique_ptr<ObjModel> model;
  return loadWholeObjModel(file, model) ? -1 : model->faceCount;
}

long long readTinyObjLoader(const char* file) {
  tinyobj::attrib_t attrib;
  std::vector<tinyobj::shape_t> shapes;
  std::vector<tinyobj::material_t> materials;
  std::string warning;
  std::string error;
  // Its materials are found beside the file, as the other readers find them.
  const std::string folder = std::filesystem::path(file).parent_path().string() + "/";
  if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warning, &error, file, folder.c_str())) {
    return -1;
  }
  long long triangles = 0;
  for (const tinyobj::shape_t& shape : shapes) {
    triangles += static_cast<long long>(shape.mesh.num_face_vertices.size());
  }
  return triangles;
}

long long readFastObj([[maybe_unused]] const char* file) {
#ifdef PALVETTA_FAST_OBJ
  fastObjMesh* mesh = fast_obj_read(file);
  if (mesh == nullptr) {
    return -1;
  }
  long long triangles = 0;
  for (unsigned int face = 0; face < mesh->face_count; ++face) {
    triangles += mesh->face_vertices[face] >= 3 ? mesh->face_vertices[face] - 2 : 0;
  }
  fast_obj_destroy(mesh);
  return triangles;
#else
  return -1;
#endif
}

// One reading in this process; prints its time in ms and the triangles read on standard output.
// Each time takes in freeing what was read, as a reader's own end does.
int readOnce(const std::string& reader, const char* file) {
  const Clock::time_point start = Clock::now();
  const long long triangles = reader == "whole"           ? readWhole(file)
                              : reader == "tinyobjloader" ? readTinyObjLoader(file)
                                                          : readFastObj(file);
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  if (triangles < 0) {
    return 1;
  }
  std::printf("%.3f %lld\n", ms, triangles);
  return 0;
}

std::string fastObjName() {
#ifdef PALVETTA_FAST_OBJ
  return "fast_obj " + std::to_string(FAST_OBJ_VERSION_MAJOR) + "." +
         std::to_string(FAST_OBJ_VERSION_MINOR);
#else
  return "fast_obj";
#endif
}

struct Figures {
  std::vector<double> ms;
  std::vector<double> peakMiB;
  long long triangles = 0;
};

void readInChild(const std::string& self, const std::string& reader, const std::string& file,
                 const std::string& folder, Figures& figures) {
  const std::string output = folder + "/" + reader + ".txt";
  const Run run = runChild({self, "--read", reader, file}, output);
  std::ifstream in(output);
  double ms = 0.0;
  in >> ms >> figures.triangles;
  figures.ms.push_back(ms);
  figures.peakMiB.push_back(run.peakMiB);
}

// A table row: the median and range of the times, the range of peak memory, the triangles read
// (none for the picture, which reads through the whole reading).
void row(const std::string& what, const Figures& f, bool reads) {
  if (f.ms.empty()) {
    std::printf("  %-30s not built in\n", what.c_str());
    return;
  }
  std::printf("  %-30s %9.0f  %6.0f-%-6.0f %8.1f-%-8.1f %10s\n", what.c_str(), median(f.ms),
              *std::min_element(f.ms.begin(), f.ms.end()),
              *std::max_element(f.ms.begin(), f.ms.end()),
              *std::min_element(f.peakMiB.begin(), f.peakMiB.end()),
              *std::max_element(f.peakMiB.begin(), f.peakMiB.end()),
              reads ? std::to_string(f.triangles).c_str() : "");
}

bool ratio(const char* what, double ours, double theirs, double target) {
  const bool ok = ours <= target * theirs;
  std::printf("  %-50s %6.3f  (target <= %.2f)  %s\n", what, ours / theirs, target,
              ok ? "ok" : "MISSED");
  return ok;
}

// Runs every reader and the picture on `file` in turns, prints its table and says whether every
// figure is within its target.
bool measure(const std::string& self, const std::string& file, const std::string& folder,
             int runs) {
  std::printf("%s: %.0f MB\n", file.c_str(),
              static_cast<double>(std::filesystem::file_size(file)) / 1e6);
  Figures whole;
  Figures fastObj;
  Figures tiny;
  Figures picture;
  readInChild(self, "whole", file, folder, whole);  // into the page cache
  whole = {};
  const std::vector<std::string> render = {
      PALVETTA_BINARY, "--render", folder + "/picture.png", "--size", std::to_string(kPictureSize),
      "--whole",       file};
  for (int i = 0; i < runs; ++i) {
    readInChild(self, "whole", file, folder, whole);
    if (kHaveFastObj) {
      readInChild(self, "fast_obj", file, folder, fastObj);
    }
    readInChild(self, "tinyobjloader", file, folder, tiny);
    const Run run = runChild(render, "");
    picture.ms.push_back(run.ms);
    picture.peakMiB.push_back(run.peakMiB);
  }
  std::printf("  %-30s %9s  %-13s %-17s %10s\n", "", "median ms", "range ms", "peak MiB range",
              "triangles");
  row("whole reading", whole, true);
  row(fastObjName(), fastObj, true);
  row("tinyobjloader 2.0.0rc10", tiny, true);
  row("picture, start to exit", picture, false);
  if (!kHaveFastObj) {
    return false;
  }
  const double wholeMiB = *std::max_element(whole.peakMiB.begin(), whole.peakMiB.end());
  const double fastObjMiB = *std::min_element(fastObj.peakMiB.begin(), fastObj.peakMiB.end());
  const bool timeOk = ratio("whole reading / fast_obj's, medians", median(whole.ms),
                            median(fastObj.ms), kTimeTarget);
  const bool pictureOk = ratio("picture / fast_obj's reading, medians", median(picture.ms),
                               median(fastObj.ms), kPictureTarget);
  const bool memoryOk =
      ratio("peak memory, whole's largest / fast_obj's least", wholeMiB, fastObjMiB, kMemoryTarget);
  return timeOk && pictureOk && memoryOk;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--read") {
    return readOnce(argv[2], argv[3]);
  }
  if (argc == 4 && std::string(argv[1]) == "--write") {
    // Keeps one of the files, to look into a reading with a profiler.
    if (std::string(argv[2]) == "mix") {
      writeExampleMix(argv[3], PALVETTA_EXAMPLES, kMixBytes);
    } else {
      writeWholeMesh(argv[3], kColumns, kRows);
    }
    return 0;
  }
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRuns;
  const std::string folder = makeBenchFolder(argc > 2 ? argv[2] : nullptr, "palvetta-whole-bench");
  if (folder.empty()) {
    return 2;
  }
  std::printf("median of %d runs, fresh processes, from the page cache\n", runs);
  // One file at a time, so that only one is in the page cache.
  const std::string sheet = folder + "/sheet.obj";
  writeWholeMesh(sheet, kColumns, kRows);
  bool ok = measure(self, sheet, folder, runs);
  std::filesystem::remove(sheet);
  const std::string mix = folder + "/mix.obj";
  writeExampleMix(mix, PALVETTA_EXAMPLES, kMixBytes);
  ok = measure(self, mix, folder, runs) && ok;
  std::filesystem::remove_all(folder);
  if (!kHaveFastObj) {
    std::printf("fast_obj is not built in (scripts/fetch-bench-peers.sh): no figure checked\n");
    return 2;
  }
  return ok ? 0 : 1;
}
