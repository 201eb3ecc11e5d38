// Whole-reading benchmark: generates a 440 MB OBJ in a temporary folder (2 M positions with normals
// and texture coordinates, 4 M triangles written v/t/n), and reads it from the page cache with the
// whole reading and with tinyobjloader, each in fresh processes, in turns; in the same turns the
// viewer makes a small picture of it, `palvetta --render OUT --size 64 --whole FILE`, timed from
// its start to its exit. It compares the medians of the reading times, and of the picture's time
// with tinyobjloader's reading, and the peak memory of the readings, prints the figures and deletes
// the folder.
//
//   palvetta_whole_bench [RUNS] [FOLDER]   RUNS per reader (default 5), FOLDER for the file
//   palvetta_whole_bench --read whole|peer FILE   one reading, its time in ms on standard output
//
// Exit status 0 when every figure is within its target, 1 otherwise.
#include <tiny_obj_loader.h>

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
constexpr double kTimeTarget = 0.2;     // of the peer's reading time
constexpr double kMemoryTarget = 0.75;  // of the peer's peak memory
// The viewer's own start-to-exit picture of the file, against the peer's reading time.
constexpr double kPictureTarget = 0.35;
constexpr int kPictureSize = 64;

using Clock = std::chrono::steady_clock;

// One reading in this process; prints its time in ms and what it read on standard output.
int readOnce(const std::string& reader, const char* file) {
  const Clock::time_point start = Clock::now();
  long long triangles = 0;
  if (reader == "whole") {
    std::unique_ptr<ObjModel> model;
    if (loadWholeObjModel(file, model)) {
      return 1;
    }
    triangles = model->faceCount;
  } else {
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warning;
    std::string error;
    if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warning, &error, file)) {
      return 1;
    }
    for (const tinyobj::shape_t& shape : shapes) {
      triangles += static_cast<long long>(shape.mesh.num_face_vertices.size());
    }
  }
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  std::printf("%.3f %lld\n", ms, triangles);
  return 0;
}

struct Figures {
  std::vector<double> readMs;
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
  figures.readMs.push_back(ms);
  figures.peakMiB.push_back(run.peakMiB);
}

bool report(const char* what, double whole, double peer, double target, const char* unit) {
  const bool ok = whole <= target * peer;
  std::printf("%-28s whole %8.1f %s  tinyobjloader %8.1f %s  ratio %.3f (target <= %.2f)  %s\n",
              what, whole, unit, peer, unit, whole / peer, target, ok ? "ok" : "MISSED");
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--read") {
    return readOnce(argv[2], argv[3]);
  }
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRuns;
  const std::string folder = makeBenchFolder(argc > 2 ? argv[2] : nullptr, "palvetta-whole-bench");
  if (folder.empty()) {
    return 2;
  }
  const std::string file = folder + "/mesh.obj";
  std::printf("generating %s ...\n", file.c_str());
  writeWholeMesh(file, kColumns, kRows);
  std::printf("%.0f MB\n", static_cast<double>(std::filesystem::file_size(file)) / 1e6);

  Figures whole;
  Figures peer;
  Figures picture;
  readInChild(self, "whole", file, folder, whole);  // into the page cache
  whole = {};
  const std::vector<std::string> render = {
      PALVETTA_BINARY, "--render", folder + "/picture.png", "--size", std::to_string(kPictureSize),
      "--whole",       file};
  for (int i = 0; i < runs; ++i) {
    readInChild(self, "whole", file, folder, whole);
    readInChild(self, "peer", file, folder, peer);
    const Run run = runChild(render, "");
    picture.readMs.push_back(run.ms);
    picture.peakMiB.push_back(run.peakMiB);
  }
  std::printf("triangles read: whole %lld, tinyobjloader %lld\n", whole.triangles, peer.triangles);
  const bool timeOk = report("reading, median of runs", median(whole.readMs), median(peer.readMs),
                             kTimeTarget, "ms");
  const bool memoryOk =
      report("peak memory, largest", *std::max_element(whole.peakMiB.begin(), whole.peakMiB.end()),
             *std::min_element(peer.peakMiB.begin(), peer.peakMiB.end()), kMemoryTarget, "MiB");
  const bool pictureOk = report("picture, start to exit", median(picture.readMs),
                                median(peer.readMs), kPictureTarget, "ms");
  std::printf("%-28s peak memory %.1f MiB\n", "",
              *std::max_element(picture.peakMiB.begin(), picture.peakMiB.end()));
  std::filesystem::remove_all(folder);
  return timeOk && memoryOk && pictureOk ? 0 : 1;
}
