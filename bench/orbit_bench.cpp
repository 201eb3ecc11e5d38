// Orbit benchmark: how fast a whole model of 4 M triangles turns under a right-drag, drawn in its
// simplified form, against frames of the full model, in a 640 x 640 offscreen context (Mesa's
// software renderer where there is no GPU). The model is a sphere in bands of two materials,
// placed as the whole reading places a model and simplified as it is, which is timed; the heap
// keeps freed memory as the viewer's does. Then, each frame timed to its finish (glFinish): the
// full model's first frame, which makes its display lists; FRAMES full frames with the camera
// turned a little each frame but no drag; the first frame of the drag, which makes the simplified
// model's lists; and FRAMES frames of the drag, the camera turned by the pointer's motion as the
// window's motion callback turns it. Prints the simplified model's triangles and time, the frame
// times, the drag's frames per second, and how far the simplified model's picture is from the
// full model's at the same camera: of the full model's pixels, those whose colour differs (at all,
// and by more than shading's rounding) and those inside one outline only, and the largest distance
// between the outlines in pixels. Exit status 1 when the drag runs at fewer than 10 frames a
// second.
//
//   palvetta_orbit_bench [FRAMES]   FRAMES each way (default 20)
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bench/child_runs.h"
#include "bench/sphere_model.h"
#include "model/normalize.h"
#include "model/simplified_model.h"
#include "platform/offscreen_picture.h"
#include "platform/process.h"
#include "view/scene.h"

namespace {

constexpr int kSize = 640;
constexpr int kDefaultFrames = 20;
// The viewer's model size (app/load_command.cpp).
constexpr float kModelSize = 5.0f;
// A sphere of 1000 rings of 2000 quads: 4 M triangles, in bands of two materials.
constexpr int kRings = 1000;
constexpr int kSegments = 2000;
constexpr int kRingsPerBand = 50;
// The pointer's step between frames of the drag, window pixels: 3 degrees of yaw, and a degree of
// pitch up and down by turns.
constexpr int kStepX = 3;
constexpr int kStepY = 1;
constexpr double kLeastDragFps = 10.0;
// A channel's change that shading's rounding makes, out of 255, rather than a band moved.
constexpr int kSlightChange = 8;

double msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

double frameMs(const CameraState& camera, const ObjModel* model, float floorOffset) {
  const auto start = std::chrono::steady_clock::now();
  drawScene(camera, model, floorOffset, Frames::many);
  glFinish();
  return msSince(start);
}

Picture still(const CameraState& camera, const ObjModel* model, float floorOffset) {
  drawScene(camera, model, floorOffset, Frames::many);
  return readOffscreenPicture(kSize, kSize);
}

// Pixel i's colour differs between two pictures of the same size.
bool differs(const Picture& a, const Picture& b, std::size_t i) {
  return a.rgb[3 * i] != b.rgb[3 * i] || a.rgb[3 * i + 1] != b.rgb[3 * i + 1] ||
         a.rgb[3 * i + 2] != b.rgb[3 * i + 2];
}

// Where a picture shows the model: the pixels that differ from the scene drawn without it.
std::vector<bool> modelPixels(const Picture& picture, const Picture& empty) {
  std::vector<bool> mask(static_cast<std::size_t>(kSize) * kSize);
  for (std::size_t i = 0; i < mask.size(); ++i) {
    mask[i] = differs(picture, empty, i);
  }
  return mask;
}

// The distance in pixels from (x, y) to the nearest pixel of `mask`, searched ring by ring; the
// picture's diagonal when the mask is empty.
double distanceToMask(const std::vector<bool>& mask, int x, int y) {
  double best = std::hypot(kSize, kSize);
  for (int ring = 1; ring < kSize && ring < best; ++ring) {
    for (int dy = -ring; dy <= ring; ++dy) {
      const int step = (dy == -ring || dy == ring) ? 1 : 2 * ring;  // the ring's edge only
      for (int dx = -ring; dx <= ring; dx += step) {
        const int px = x + dx;
        const int py = y + dy;
        if (px >= 0 && py >= 0 && px < kSize && py < kSize &&
            mask[static_cast<std::size_t>(py) * kSize + static_cast<std::size_t>(px)]) {
          best = std::min(best, std::hypot(dx, dy));
        }
      }
    }
  }
  return best;
}

struct Difference {
  std::size_t modelPixels = 0;  // the full model's
  std::size_t differing = 0;    // pixels whose colour differs
  std::size_t shifted = 0;      // of those, by more than kSlightChange in a channel
  std::size_t oneSide = 0;      // pixels inside one outline only
  double farthest = 0.0;        // pixels from a pixel of one model to the nearest of the other
};

Difference difference(const Picture& full, const Picture& simple, const Picture& empty) {
  const std::vector<bool> inFull = modelPixels(full, empty);
  const std::vector<bool> inSimple = modelPixels(simple, empty);
  Difference d;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * kSize + static_cast<std::size_t>(x);
      d.differing += differs(full, simple, i) ? 1 : 0;
      for (std::size_t c = 3 * i; c < 3 * i + 3; ++c) {
        if (std::abs(full.rgb[c] - simple.rgb[c]) > kSlightChange) {
          ++d.shifted;
          break;
        }
      }
      d.modelPixels += inFull[i] ? 1 : 0;
      if (inFull[i] != inSimple[i]) {
        ++d.oneSide;
        d.farthest = std::max(d.farthest, distanceToMask(inFull[i] ? inSimple : inFull, x, y));
      }
    }
  }
  return d;
}

double sum(const std::vector<double>& values) {
  double total = 0.0;
  for (const double value : values) {
    total += value;
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  keepFreedMemory();  // as the viewer does, without which a full frame takes about twice as long
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultFrames;
  std::unique_ptr<ObjModel> model = bandedSphere(kRings, kSegments, kRingsPerBand);
  const float floorOffset = placeWholeModel(model.get(), kModelSize);
  const auto simplifying = std::chrono::steady_clock::now();
  model->simplified = simplifiedModel(*model);
  const double simplifyMs = msSince(simplifying);
  if (!model->simplified) {
    std::fprintf(stderr, "no simplified model of %d triangles\n", model->faceCount);
    return 1;
  }
  OffscreenContext context;
  if (const Failure failure = openOffscreenContext(kSize, kSize, context)) {
    std::fprintf(stderr, "no offscreen context: %s\n", failure->c_str());
    return 2;
  }
  initRenderState();
  reshape(kSize, kSize);

  CameraState camera;
  const Picture empty = still(camera, nullptr, floorOffset);  // the renderer compiles its shaders
  const double firstFullMs = frameMs(camera, model.get(), floorOffset);  // makes the lists
  const Picture full = still(camera, model.get(), floorOffset);
  std::vector<double> fullFrames;
  for (int i = 0; i < frames; ++i) {
    placeCamera(camera, camera.cameraDistance, camera.cameraYaw - kStepX,
                camera.cameraPitch - (i % 2 == 0 ? kStepY : -kStepY));
    fullFrames.push_back(frameMs(camera, model.get(), floorOffset));
  }

  camera = CameraState();
  int x = kSize / 2;
  int y = kSize / 2;
  cameraButton(camera, kRightButton, kButtonDown, x, y);
  const double firstDragMs =
      frameMs(camera, model.get(), floorOffset);  // makes the simplified lists
  const Picture simple = still(camera, model.get(), floorOffset);
  std::vector<double> dragFrames;
  for (int i = 0; i < frames; ++i) {
    x += kStepX;
    y += i % 2 == 0 ? kStepY : -kStepY;
    cameraMotion(camera, x, y);
    dragFrames.push_back(frameMs(camera, model.get(), floorOffset));
  }
  cameraButton(camera, kRightButton, kButtonUp, x, y);

  const double dragFps = 1000.0 * frames / sum(dragFrames);
  const Difference d = difference(full, simple, empty);
  std::printf("%d triangles, simplified to %d in %.0f ms; %d x %d, %d frames each way\n",
              model->faceCount, model->simplified->faceCount, simplifyMs, kSize, kSize, frames);
  std::printf("full model: first frame, making the lists, %.0f ms; then %.1f ms a frame (median)\n",
              firstFullMs, median(fullFrames));
  std::printf(
      "drag: first frame, making the simplified model's lists, %.0f ms; then %.1f frames a "
      "second, %.1f ms a frame (median), %.1f x as fast as the full model's\n",
      firstDragMs, dragFps, median(dragFrames), median(fullFrames) / median(dragFrames));
  std::printf(
      "simplified against full, same camera, %zu pixels of the model: colour differs at %zu "
      "(%.1f%%), by more than %d of 255 at %zu (%.1f%%); outlines at %zu, at most %.1f pixels "
      "apart\n",
      d.modelPixels, d.differing, 100.0 * d.differing / std::max<std::size_t>(d.modelPixels, 1),
      kSlightChange, d.shifted, 100.0 * d.shifted / std::max<std::size_t>(d.modelPixels, 1),
      d.oneSide, d.farthest);
  model.reset();  // with its context
  return dragFps >= kLeastDragFps ? 0 : 1;
}
