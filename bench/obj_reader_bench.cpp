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
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "model/obj_reader.h"

namespace {

constexpr int kRuns = 5;
constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kPeakRssTargetMiB = 16.0;

struct Writer {
  std::FILE* file;
  std::vector<char> buffer = std::vector<char>(std::size_t{1} << 20);
  std::size_t used = 0;
  uint64_t written = 0;
  uint32_t seed = 12345;

  void flush() {
    std::fwrite(buffer.data(), 1, used, file);
    written += used;
    used = 0;
  }
  void text(const char* s) {
    for (; *s != '\0'; ++s) {
      buffer[used++] = *s;
    }
  }
  void integer(uint32_t value) {
    used = static_cast<std::size_t>(
        std::to_chars(buffer.data() + used, buffer.data() + buffer.size(), value).ptr -
        buffer.data());
  }
  void number() {
    seed = seed * 1664525u + 1013904223u;
    const float value = static_cast<float>(static_cast<int32_t>(seed >> 8) - (1 << 23)) / 65536.0f;
    buffer[used++] = ' ';
    used =
        static_cast<std::size_t>(std::to_chars(buffer.data() + used, buffer.data() + buffer.size(),
                                               value, std::chars_format::fixed, 6)
                                     .ptr -
                                 buffer.data());
  }
  void endLine() {
    buffer[used++] = '\n';
    if (used + 256 > buffer.size()) {
      flush();
    }
  }
  uint64_t size() const { return written + used; }
};

// Millions of "v" and "vn" lines first, then the triangles.
void writeVerticesFirst(const std::string& path, uint64_t bytes) {
  Writer w{std::fopen(path.c_str(), "wb")};
  w.text("# vertices first, triangles last");
  w.endLine();
  for (const char* kind : {"v", "vn"}) {
    while (w.size() < (kind[1] == '\0' ? bytes / 2 : bytes - 200000)) {
      w.text(kind);
      w.number();
      w.number();
      w.number();
      w.endLine();
    }
  }
  for (uint32_t face = 0; face < 5000; ++face) {
    w.text("f ");
    for (uint32_t k = 0; k < 3; ++k) {
      w.integer(face % 4096 + 1 + k);
      w.text("//");
      w.integer(face % 4096 + 1);
      w.text(k < 2 ? " " : "");
    }
    w.endLine();
  }
  w.flush();
  std::fclose(w.file);
}

// A few vertices, then nothing but triangles written "f a/b/c ...", none of which is stored.
void writeAllFaces(const std::string& path, uint64_t bytes) {
  Writer w{std::fopen(path.c_str(), "wb")};
  for (const char* kind : {"v", "vn", "vt"}) {
    for (int i = 0; i < 3000; ++i) {
      w.text(kind);
      w.number();
      w.number();
      w.number();
      w.endLine();
    }
  }
  for (uint32_t face = 0; w.size() < bytes; ++face) {
    w.text("f");
    for (uint32_t k = 0; k < 3; ++k) {
      const uint32_t n = (face * 7 + k * 13) % 3000 + 1;
      w.text(" ");
      w.integer(n);
      w.text("/");
      w.integer(n);
      w.text("/");
      w.integer(n);
    }
    w.endLine();
  }
  w.flush();
  std::fclose(w.file);
}

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
  const char* tmp = std::getenv("TMPDIR");
  const std::string parent = argc > 1 ? argv[1] : tmp != nullptr ? tmp : "/tmp";
  std::string folder = parent + "/palvetta-bench-XXXXXX";
  if (mkdtemp(folder.data()) == nullptr) {
    std::perror("mkdtemp");
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
