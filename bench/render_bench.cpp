// Picture benchmark: times `palvetta --render OUT --size 256 FILE` from process start until it
// ends with the PNG written, for the torus example and for a 350 MB OBJ with its triangles last
// (generated in a temporary folder and read from the page cache, then deleted), with the peak
// memory of each. Then it runs the same steps in fresh processes of its own, timed one by one, to
// show where the time goes.
//
//   palvetta_render_bench [RUNS] [FOLDER]    RUNS per figure (default 11), FOLDER for the big
//                                            file (default $TMPDIR or /tmp)
//
// Exit status 0 when both medians are within their targets and the big file costs no more memory
// than the torus plus kReaderMemoryMiB, 1 otherwise.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/load_command.h"
#include "bench/child_runs.h"
#include "bench/obj_files.h"
#include "platform/offscreen_picture.h"
#include "view/scene.h"

namespace {

constexpr int kDefaultRuns = 11;
constexpr int kSize = 256;
constexpr uint64_t kBigFileBytes = uint64_t{350} * 1000 * 1000;
constexpr double kTorusTargetMs = 250.0;
constexpr double kBigFileTargetMs = 400.0;
constexpr double kReaderMemoryMiB = 16.0;
constexpr int kSteps = 6;
constexpr const char* kStepNames[kSteps] = {"start to main",   "read", "EGL start",
                                            "draw, read back", "PNG",  "exit"};

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The step times of one --steps run: each step's end in ms since its parent forked, then the exit.
Run runSteps(const std::string& self, const std::string& file, const std::string& folder) {
  const std::string stepsFile = folder + "/steps.txt";
  const auto forked = Clock::now().time_since_epoch();
  const std::string startNs =
      std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(forked).count());
  Run run = runChild({self, "--steps", startNs, file, folder + "/steps.png"}, stepsFile);
  std::ifstream in(stepsFile);
  double previous = 0.0;
  for (double end = 0.0; in >> end; previous = end) {
    run.steps.push_back(end - previous);
  }
  run.steps.push_back(run.ms - previous);
  return run;
}

bool measure(const std::string& label, const std::string& self, const std::string& file,
             const std::string& folder, int runs, double targetMs, double& peakMiB) {
  const std::string picture = folder + "/render.png";
  const std::vector<std::string> command = {PALVETTA_BINARY,       "--render", picture, "--size",
                                            std::to_string(kSize), file};
  runChild(command, "");  // into the page cache
  std::vector<double> times;
  std::vector<double> cpuTimes;
  std::vector<double> peaks;
  std::vector<std::vector<double>> steps(kSteps);
  for (int i = 0; i < runs; ++i) {
    const Run run = runChild(command, "");
    times.push_back(run.ms);
    cpuTimes.push_back(run.cpuMs);
    peaks.push_back(run.peakMiB);
    const Run stepped = runSteps(self, file, folder);
    for (int s = 0; s < kSteps && s < static_cast<int>(stepped.steps.size()); ++s) {
      steps[s].push_back(stepped.steps[s]);
    }
  }
  peakMiB = *std::max_element(peaks.begin(), peaks.end());
  const double ms = median(times);
  const bool ok = ms < targetMs;
  std::printf(
      "%-26s median %6.1f ms (min %.1f, max %.1f; target < %.0f), CPU %.1f ms, peak RSS %.1f MiB "
      " %s\n",
      label.c_str(), ms, *std::min_element(times.begin(), times.end()),
      *std::max_element(times.begin(), times.end()), targetMs, median(cpuTimes), peakMiB,
      ok ? "ok" : "MISSED");
  std::printf("%-26s", "  medians of the steps:");
  for (int s = 0; s < kSteps; ++s) {
    std::printf(" %s %.1f%s", kStepNames[s], steps[s].empty() ? 0.0 : median(steps[s]),
                s + 1 < kSteps ? "," : " ms\n");
  }
  return ok;
}

// One picture as --render makes it, printing the end of each step in ms since `startNs`.
int steps(const char* startNs, const std::string& file, const std::string& picture) {
  const Clock::time_point start{std::chrono::nanoseconds(std::atoll(startNs))};
  std::printf("%.3f\n", msSince(start));
  ViewerState state;
  std::string note;
  if (loadModel(state, file, LoadWay::named, note)) {
    return 1;
  }
  std::printf("%.3f\n", msSince(start));
  OffscreenContext context;
  if (openOffscreenContext(kSize, kSize, context)) {
    return 1;
  }
  std::printf("%.3f\n", msSince(start));
  initRenderState();
  reshape(kSize, kSize);
  drawScene(state.camera, state.model.get(), state.floorOffset, Frames::one);
  const Picture frame = readOffscreenPicture(kSize, kSize);
  std::printf("%.3f\n", msSince(start));
  if (writePngPicture(picture, frame)) {
    return 1;
  }
  std::printf("%.3f\n", msSince(start));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--steps") {
    return steps(argv[2], argv[3], argv[4]);
  }
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRuns;
  const std::string folder = makeBenchFolder(argc > 2 ? argv[2] : nullptr, "palvetta-render-bench");
  if (folder.empty()) {
    return 2;
  }
  const std::string big = folder + "/triangles-last.obj";
  std::printf("generating %s ...\n", big.c_str());
  writeVerticesFirst(big, kBigFileBytes);

  double torusPeak = 0.0;
  double bigPeak = 0.0;
  const bool torusOk = measure("torus.obj, 256 px", self, PALVETTA_EXAMPLES "/torus.obj", folder,
                               runs, kTorusTargetMs, torusPeak);
  const bool bigOk =
      measure("350 MB, triangles last", self, big, folder, runs, kBigFileTargetMs, bigPeak);
  const bool memoryOk = bigPeak <= torusPeak + kReaderMemoryMiB;
  std::printf("the big file's peak memory is %.1f MiB above the torus's (target <= %.0f)  %s\n",
              bigPeak - torusPeak, kReaderMemoryMiB, memoryOk ? "ok" : "MISSED");
  std::filesystem::remove_all(folder);
  return torusOk && bigOk && memoryOk ? 0 : 1;
}
