// Textured-model benchmark: generates, in a temporary folder, a height field of about 500 000
// triangles in four groups (about 46 MB of OBJ, corners written v/t/n) with one MTL of four
// materials, each with a `map_Kd` image: a 4096 x 4096 JPEG and three 2048 x 2048 PNGs, one of
// them with alpha. Then, in turns and in fresh processes, from the page cache, it has the viewer
// draw it read whole, `palvetta --render OUT --size 512 --whole FILE`, and the yardstick, f3d, draw
// it into a 512 x 512 picture, on the X display this benchmark inherits. Each run is timed from its
// start to its exit, with its peak memory; the medians are compared and the folder deleted.
//
//   palvetta_textured_bench [RUNS] [--keep] [FOLDER]   RUNS of each (default 5), FOLDER for the
//                                                      files, --keep leaves them and the pictures
//
// Exit status 0 when every figure is within its target, 1 otherwise, 2 when it cannot run (f3d or
// the display missing, a program failing).
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/child_runs.h"
#include "bench/obj_files.h"

namespace {

constexpr int kDefaultRuns = 5;
constexpr const char* kPeer = "/usr/bin/f3d";
constexpr int kPictureSize = 512;
constexpr double kTimeTarget = 0.5;     // of the peer's time
constexpr double kMemoryTarget = 0.75;  // of the peer's peak memory
// Four square grids of 251 x 251 corners, side by side: 4 x 2 x 250 x 250 = 500 000 triangles. Each
// group has corners of its own, so that every image covers its quarter once, in 0 ... 1.
constexpr int kCorners = 251;
constexpr float kQuarter = 4.0f;  // the side of a group, in model units

// Each image between two colours of its own, so that a picture shows which landed where.
struct Material {
  const char* name;
  const char* image;
  int size;
  int channels;
  float dark[3];
  float light[3];
};
constexpr Material kMaterials[4] = {
    {"ground", "ground.jpg", 4096, 3, {70, 45, 25}, {190, 150, 100}},
    {"moss", "moss.png", 2048, 3, {25, 60, 20}, {120, 190, 70}},
    {"rock", "rock.png", 2048, 3, {55, 55, 60}, {170, 170, 175}},
    {"leaves", "leaves.png", 2048, 4, {120, 40, 10}, {240, 160, 40}}};

// The whole folder goes when the benchmark ends, also through runChild's exit on a failure.
std::string folderToRemove;
void removeFolder() {
  if (!folderToRemove.empty()) {
    std::filesystem::remove_all(folderToRemove);
  }
}

uint32_t nextRandom(uint32_t& seed) {
  seed = seed * 1664525u + 1013904223u;
  return seed;
}

// Octaves of value noise, cells of `largest` pixels down to 2, in 0 ... 1: smooth shapes with
// detail at every scale, which is what keeps photographs and painted textures from compressing to
// nothing.
std::vector<float> smoothNoise(int size, int largest, uint32_t seed) {
  std::vector<float> out(static_cast<std::size_t>(size) * static_cast<std::size_t>(size), 0.0f);
  float amplitude = 1.0f;
  float total = 0.0f;
  for (int cell = largest; cell >= 2; cell /= 2, amplitude *= 0.65f) {
    const int n = size / cell + 2;
    std::vector<float> lattice(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
    for (float& value : lattice) {
      value = static_cast<float>(nextRandom(seed) >> 8) / 16777216.0f;
    }
    std::vector<int> column(static_cast<std::size_t>(size));
    std::vector<float> weight(static_cast<std::size_t>(size));
    for (int x = 0; x < size; ++x) {
      const float t = (static_cast<float>(x % cell) + 0.5f) / static_cast<float>(cell);
      column[static_cast<std::size_t>(x)] = x / cell;
      weight[static_cast<std::size_t>(x)] = t * t * (3.0f - 2.0f * t);
    }
    for (int y = 0; y < size; ++y) {
      const float* top = &lattice[static_cast<std::size_t>(y / cell) * static_cast<std::size_t>(n)];
      const float* bottom = top + n;
      const float wy = weight[static_cast<std::size_t>(y)];
      float* row = &out[static_cast<std::size_t>(y) * static_cast<std::size_t>(size)];
      for (int x = 0; x < size; ++x) {
        const int c = column[static_cast<std::size_t>(x)];
        const float wx = weight[static_cast<std::size_t>(x)];
        const float upper = top[c] + (top[c + 1] - top[c]) * wx;
        const float lower = bottom[c] + (bottom[c + 1] - bottom[c]) * wx;
        row[x] += amplitude * (upper + (lower - upper) * wy);
      }
    }
    total += amplitude;
  }
  for (float& value : out) {
    value /= total;
  }
  return out;
}

uint8_t toByte(float value) {
  return static_cast<uint8_t>(std::clamp(value, 0.0f, 255.0f));
}

// Two noises mixed between two colours, with a fine grain of `grain` levels; the alpha, when there
// is one, cuts holes where a third noise is low.
void writeImage(const std::string& folder, const Material& material, uint32_t seed, int grain) {
  const int size = material.size;
  const std::vector<float> shade = smoothNoise(size, size / 8, seed);
  const std::vector<float> hue = smoothNoise(size, size / 4, seed * 7 + 1);
  std::vector<float> holes;
  if (material.channels == 4) {
    holes = smoothNoise(size, size / 16, seed * 13 + 5);
  }
  std::vector<uint8_t> pixels(shade.size() * static_cast<std::size_t>(material.channels));
  uint32_t random = seed;
  for (std::size_t i = 0; i < shade.size(); ++i) {
    const float brightness = 0.4f + 1.3f * shade[i];
    for (int k = 0; k < 3; ++k) {
      const float base = material.dark[k] + (material.light[k] - material.dark[k]) * hue[i];
      const float noise =
          grain > 0 ? static_cast<float>(static_cast<int>(nextRandom(random) >> 24) % grain) : 0.0f;
      pixels[i * static_cast<std::size_t>(material.channels) + static_cast<std::size_t>(k)] =
          toByte(base * brightness + noise);
    }
    if (material.channels == 4) {
      pixels[i * 4 + 3] = holes[i] < 0.4f ? 0 : toByte((holes[i] - 0.4f) * 2550.0f);
    }
  }
  const std::string path = folder + "/" + material.image;
  const bool jpeg = path.ends_with(".jpg");
  const int written =
      jpeg ? stbi_write_jpg(path.c_str(), size, size, material.channels, pixels.data(), 90)
           : stbi_write_png(path.c_str(), size, size, material.channels, pixels.data(),
                            size * material.channels);
  if (written == 0) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(2);
  }
}

// Rolling hills: the height and its slopes along x and z.
void hill(float x, float z, float& height, float& dx, float& dz) {
  height = 0.4f * std::sin(1.1f * x) * std::cos(0.9f * z) + 0.08f * std::sin(5.0f * x + 3.0f * z);
  dx = 0.44f * std::cos(1.1f * x) * std::cos(0.9f * z) + 0.4f * std::cos(5.0f * x + 3.0f * z);
  dz = -0.36f * std::sin(1.1f * x) * std::sin(0.9f * z) + 0.24f * std::cos(5.0f * x + 3.0f * z);
}

void writeModel(const std::string& folder) {
  {
    std::FILE* mtl = std::fopen((folder + "/terrain.mtl").c_str(), "wb");
    for (const Material& material : kMaterials) {
      std::fprintf(mtl, "newmtl %s\nKa 0 0 0\nKd 1 1 1\nKs 0 0 0\nmap_Kd %s\n\n", material.name,
                   material.image);
    }
    std::fclose(mtl);
  }
  ObjWriter w{std::fopen((folder + "/terrain.obj").c_str(), "wb")};
  w.text("# a textured height field in four groups, written as exporters write meshes");
  w.endLine();
  w.text("mtllib terrain.mtl");
  w.endLine();
  const float step = kQuarter / static_cast<float>(kCorners - 1);
  for (int group = 0; group < 4; ++group) {
    const float x0 = static_cast<float>(group % 2) * kQuarter - kQuarter;
    const float z0 = static_cast<float>(group / 2) * kQuarter - kQuarter;
    w.text("o ");
    w.text(kMaterials[group].name);
    w.endLine();
    for (int list = 0; list < 3; ++list) {
      for (int r = 0; r < kCorners; ++r) {
        for (int c = 0; c < kCorners; ++c) {
          const float x = x0 + step * static_cast<float>(c);
          const float z = z0 + step * static_cast<float>(r);
          float height = 0.0f;
          float dx = 0.0f;
          float dz = 0.0f;
          hill(x, z, height, dx, dz);
          const float length = std::sqrt(1.0f + dx * dx + dz * dz);
          if (list == 0) {
            w.text("v");
            w.decimal(x, 4);
            w.decimal(height, 4);
            w.decimal(z, 4);
          } else if (list == 1) {
            w.text("vt");
            w.decimal(static_cast<float>(c) / static_cast<float>(kCorners - 1), 3);
            w.decimal(1.0f - static_cast<float>(r) / static_cast<float>(kCorners - 1), 3);
          } else {
            w.text("vn");
            w.decimal(-dx / length, 3);
            w.decimal(1.0f / length, 3);
            w.decimal(-dz / length, 3);
          }
          w.endLine();
        }
      }
    }
    w.text("usemtl ");
    w.text(kMaterials[group].name);
    w.endLine();
    writeGridTriangles(w, static_cast<uint32_t>(group * kCorners * kCorners + 1), kCorners,
                       kCorners);
  }
  w.flush();
  std::fclose(w.file);
}

// In a process of its own, so that the images' buffers never add to the measured processes'
// peaks: a child's peak memory starts at what it shared with this process when it was forked.
int generate(const std::string& folder) {
  std::vector<std::function<void()>> jobs = {[&] { writeModel(folder); }};
  for (int m = 0; m < 4; ++m) {
    // More grain in the JPEG: at quality 90 a photograph of that size is several MB.
    jobs.push_back([&folder, m] {
      writeImage(folder, kMaterials[m], static_cast<uint32_t>(101 + m), m == 0 ? 32 : 0);
    });
  }
  std::vector<std::thread> threads;
  const unsigned workers = std::max(1u, std::thread::hardware_concurrency());
  std::atomic<std::size_t> next = 0;
  for (unsigned t = 0; t < workers; ++t) {
    threads.emplace_back([&jobs, &next] {
      for (std::size_t job = next++; job < jobs.size(); job = next++) {
        jobs[job]();
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  return 0;
}

struct Figures {
  std::vector<double> ms;
  std::vector<double> cpuMs;
  std::vector<double> peakMiB;
};

void add(Figures& figures, const Run& run) {
  figures.ms.push_back(run.ms);
  figures.cpuMs.push_back(run.cpuMs);
  figures.peakMiB.push_back(run.peakMiB);
}

void line(const char* what, const std::vector<double>& values, const char* unit) {
  std::printf("  %-32s median %8.1f %s  (%.1f-%.1f)\n", what, median(values), unit,
              *std::min_element(values.begin(), values.end()),
              *std::max_element(values.begin(), values.end()));
}

bool ratio(const char* what, double ours, double peer, double target) {
  const bool ok = ours <= target * peer;
  std::printf("%-24s palvetta/f3d %.3f (target <= %.2f)  %s\n", what, ours / peer, target,
              ok ? "ok" : "MISSED");
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--generate") {
    return generate(argv[2]);
  }
  int runs = kDefaultRuns;
  bool keep = false;
  const char* parent = nullptr;
  bool runsGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--keep") {
      keep = true;
    } else if (!runsGiven && !argument.empty() &&
               argument.find_first_not_of("0123456789") == std::string::npos) {
      runs = std::max(1, std::atoi(argv[i]));
      runsGiven = true;
    } else {
      parent = argv[i];
    }
  }
  if (access(kPeer, X_OK) != 0) {
    std::fprintf(stderr, "%s is not installed (Debian's f3d package: install-deps.sh test)\n",
                 kPeer);
    return 2;
  }
  if (std::getenv("DISPLAY") == nullptr) {
    std::fprintf(stderr, "f3d draws on an X display and DISPLAY is not set: run it on an Xvfb\n");
    return 2;
  }
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string folder = makeBenchFolder(parent, "palvetta-textured-bench");
  if (folder.empty()) {
    return 2;
  }
  if (!keep) {
    folderToRemove = folder;
    std::atexit(removeFolder);
  }
  const std::string file = folder + "/terrain.obj";
  std::printf("generating %s ...\n", file.c_str());
  runChild({self, "--generate", folder}, "");
  std::printf("OBJ %.1f MB, %d triangles;",
              static_cast<double>(std::filesystem::file_size(file)) / 1e6,
              8 * (kCorners - 1) * (kCorners - 1));
  for (const Material& material : kMaterials) {
    std::printf(
        " %s %.1f MB", material.image,
        static_cast<double>(std::filesystem::file_size(folder + "/" + material.image)) / 1e6);
  }
  std::printf("\n");

  const std::string size = std::to_string(kPictureSize);
  const std::vector<std::string> ours = {
      PALVETTA_BINARY, "--render", folder + "/palvetta.png", "--size", size, "--whole", file};
  // No configuration file, so that a user's settings do not change what is measured; the camera
  // raised from its side view of the field, which costs nothing, so that its picture shows the
  // images.
  const std::vector<std::string> peer = {kPeer,
                                         "--dry-run",
                                         "--camera-azimuth-angle=-30",
                                         "--camera-elevation-angle=40",
                                         "--resolution=" + size + "," + size,
                                         "--output=" + folder + "/f3d.png",
                                         file};
  const std::string output = folder + "/output.txt";
  runChild(ours, output);  // the files into the page cache, the programs' libraries too
  runChild(peer, output);
  Figures a;
  Figures b;
  for (int i = 0; i < runs; ++i) {
    add(a, runChild(ours, output));
    add(b, runChild(peer, output));
  }
  std::printf("%d runs of each, start to exit, in turns:\n", runs);
  line("palvetta --render --whole, time", a.ms, "ms");
  line("f3d --output, time", b.ms, "ms");
  // Processor time moves less than wall time with whatever else the machine runs.
  line("palvetta, processor time", a.cpuMs, "ms");
  line("f3d, processor time", b.cpuMs, "ms");
  line("palvetta, peak memory", a.peakMiB, "MiB");
  line("f3d, peak memory", b.peakMiB, "MiB");
  const bool timeOk = ratio("time, medians", median(a.ms), median(b.ms), kTimeTarget);
  const bool memoryOk =
      ratio("peak memory, medians", median(a.peakMiB), median(b.peakMiB), kMemoryTarget);
  if (keep) {
    std::printf("kept %s\n", folder.c_str());
  }
  return timeOk && memoryOk ? 0 : 1;
}
