// Frame benchmark: one frame of a whole model of 1 M triangles, drawn by the viewer through its
// display lists (a frame of many), through vertex arrays (a single frame) and vertex by vertex in
// immediate mode, each timed to the finished frame in an offscreen context (Mesa's software
// renderer where there is no GPU), in turns. Prints the medians, whether every way gave the same
// pixels, and the process's resident memory before and after the lists were made and at its peak
// (VmHWM), so that a run with `arrays` (no lists) gives the lists' cost; exit status 1 when the
// pixels differ.
//
//   palvetta_frame_bench [FRAMES [arrays]]   FRAMES each way (default 7)
#include <GL/gl.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/child_runs.h"
#include "bench/sphere_model.h"
#include "model/normalize.h"
#include "platform/offscreen_picture.h"
#include "platform/process.h"
#include "tests/support/immediate_model.h"
#include "view/scene.h"

namespace {

constexpr int kSize = 640;
constexpr int kDefaultFrames = 7;
// A sphere of 500 rings of 1000 quads: 1 M triangles, in bands of two materials.
constexpr int kRings = 500;
constexpr int kSegments = 1000;
constexpr int kRingsPerBand = 25;

void drawThroughLists(const ViewerState& state) {
  drawScene(state.camera, state.model.get(), state.floorOffset, Frames::many);
}

void drawThroughArrays(const ViewerState& state) {
  drawScene(state.camera, state.model.get(), state.floorOffset, Frames::one);
}

// A figure of /proc/self/status, such as "VmHWM:  123456 kB", in MB; 0 where there is none.
double statusMb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string name;
  while (status >> name) {
    double kb = 0.0;
    if (name == field && status >> kb) {
      return kb / 1024.0;
    }
  }
  return 0.0;
}

double frameMs(const ViewerState& state, void (*draw)(const ViewerState&), Picture& picture) {
  const auto start = std::chrono::steady_clock::now();
  draw(state);
  glFinish();
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  picture = readOffscreenPicture(kSize, kSize);
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultFrames;
  const bool withLists = !(argc > 2 && std::strcmp(argv[2], "arrays") == 0);
  keepFreedMemory();  // as the viewer does: the renderer's buffers come back without page faults
  ViewerState state;
  state.model = bandedSphere(kRings, kSegments, kRingsPerBand);
  state.floorOffset = placeWholeModel(state.model.get(), 5.0f);
  OffscreenContext context;
  if (const Failure failure = openOffscreenContext(kSize, kSize, context)) {
    std::fprintf(stderr, "no offscreen context: %s\n", failure->c_str());
    return 2;
  }
  initRenderState();
  reshape(kSize, kSize);
  std::vector<double> lists;
  std::vector<double> arrays;
  std::vector<double> immediate;
  Picture fromLists;
  Picture fromArrays;
  Picture fromImmediate;
  frameMs(state, drawThroughArrays, fromArrays);  // the renderer compiles its shaders at the first
  const double rssBefore = statusMb("VmRSS:");
  double firstListsMs = 0.0;
  if (withLists) {
    firstListsMs = frameMs(state, drawThroughLists, fromLists);  // makes the lists
  }
  const double rssAfter = statusMb("VmRSS:");
  for (int i = 0; i < frames; ++i) {
    if (withLists) {
      lists.push_back(frameMs(state, drawThroughLists, fromLists));
    }
    arrays.push_back(frameMs(state, drawThroughArrays, fromArrays));
    immediate.push_back(frameMs(state, drawSceneImmediately, fromImmediate));
  }
  const bool same =
      fromArrays.rgb == fromImmediate.rgb && (!withLists || fromLists.rgb == fromArrays.rgb);
  std::printf("%d triangles, %d x %d, median of %d frames: ", state.model->faceCount, kSize, kSize,
              frames);
  if (withLists) {
    std::printf("lists %.1f ms (%.2f x arrays; the first, making them, %.1f ms), ", median(lists),
                median(lists) / median(arrays), firstListsMs);
  }
  std::printf("arrays %.1f ms, immediate mode %.1f ms (arrays %.2f x); same pixels: %s\n",
              median(arrays), median(immediate), median(arrays) / median(immediate),
              same ? "yes" : "NO");
  std::printf("resident: %.0f MB before the lists, %.0f MB after; peak (VmHWM) %.0f MB\n",
              rssBefore, rssAfter, statusMb("VmHWM:"));
  state.model.reset();  // with its context
  return same ? 0 : 1;
}
