// Reader benchmark: generates two large OBJ files in a temporary folder, times loadObjModel on each
// against `wc -l` on the same file from the page cache, measures the reader's peak resident memory
// in a child process, prints the figures and deletes the files.
//
//   palvetta_bench [--keep] [FOLDER]   FOLDER for the generated files (default $TMPDIR or /tmp);
//                                      --keep leaves them there and prints their folder
//   palvetta_bench --measure FILE...   measures existing files against the 1.0 target
//
// Exit status 0 when every figure is within its target, 1 otherwise.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/obj_files.h"
#include "model/obj_reader.h"

namespace {

constexpr int kRuns = 5;
constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kPeakRssTargetMiB = 16.0;

double seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// Runs a program to its end; returns its wall time and fills in its resource use.
double runChild(const std::vector<std::string>& arguments, bool quiet, rusage& usage) {
  std::vector<char*> argv;
  for (const std::string& a : arguments) {
    argv.push_back(const_cast<char*>(a.c_str()));
  }
  argv.push_back(nullptr);
  std::fflush(stdout);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    if (quiet) {
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, STDOUT_FILENO);
    }
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  wait4(child, &status, 0, &usage);
  const double elapsed = seconds(std::chrono::steady_clock::now() - start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", arguments[0].c_str());
    std::exit(2);
  }
  return elapsed;
}

double timeWc(const std::string& path) {
  rusage usage{};
  return runChild({"wc", "-l", path}, true, usage);
}

double timeLoad(const std::string& path) {
  const auto start = std::chrono::steady_clock::now();
  const auto model = loadObjModel(path.c_str());
  const double elapsed = seconds(std::chrono::steady_clock::now() - start);
  if (!model) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    std::exit(2);
  }
  return elapsed;
}

bool measure(const std::string& self, const std::string& path, double ratioTarget) {
  timeWc(path);  // into the page cache
  double wc = 1e9;
  double load = 1e9;
  for (int run = 0; run < kRuns; ++run) {
    wc = std::min(wc, timeWc(path));
    load = std::min(load, timeLoad(path));
  }
  rusage usage{};
  runChild({self, "--load", path}, false, usage);
  const double peakMiB = static_cast<double>(usage.ru_maxrss) * 1024.0 / kMiB;
  const double ratio = load / wc;
  const double sizeMiB = static_cast<double>(std::filesystem::file_size(path)) / kMiB;
  const bool ok = ratio <= ratioTarget && peakMiB < kPeakRssTargetMiB;
  std::printf(
      "%-20s %6.0f MiB  wc -l %.3f s  loadObjModel %.3f s  ratio %.2f (target <= %.1f)  peak RSS "
      "%.1f MiB (target < %.0f)  %s\n",
      std::filesystem::path(path).filename().c_str(), sizeMiB, wc, load, ratio, ratioTarget,
      peakMiB, kPeakRssTargetMiB, ok ? "ok" : "MISSED");
  return ok;
}

int loadOnce(const char* path) {
  const auto model = loadObjModel(path);
  if (!model) {
    return 1;
  }
  std::printf("%-20s %d positions, %d normals, %d texcoords, %d triangles\n",
              std::filesystem::path(path).filename().c_str(), model->positionCount,
              model->normalCount, model->texcoordCount, model->faceCount);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--load") {
    return loadOnce(argv[2]);
  }
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  if (argc > 2 && std::string(argv[1]) == "--measure") {
    bool ok = true;
    for (int i = 2; i < argc; ++i) {
      ok = measure(self, argv[i], 1.0) && ok;
    }
    return ok ? 0 : 1;
  }
  const bool keep = argc > 1 && std::string(argv[1]) == "--keep";
  if (keep) {
    --argc;
    ++argv;
  }
  const std::string folder = makeBenchFolder(argc > 1 ? argv[1] : nullptr, "palvetta-bench");
  if (folder.empty()) {
    return 2;
  }
  const std::string first = folder + "/vertices-first.obj";
  const std::string second = folder + "/all-faces.obj";
  std::printf("generating in %s ...\n", folder.c_str());
  std::fflush(stdout);
  writeVerticesFirst(first, uint64_t{500} * 1000 * 1000);
  writeAllFaces(second, uint64_t{750} * 1000 * 1000);
  const bool firstOk = measure(self, first, 1.0);
  const bool secondOk = measure(self, second, 2.0);
  if (keep) {
    std::printf("kept %s\n", folder.c_str());
  } else {
    std::filesystem::remove_all(folder);
  }
  return firstOk && secondOk ? 0 : 1;
}
