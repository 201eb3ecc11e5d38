// Open-file benchmark: how long the user waits, measured on the real viewer and its real GTK file
// chooser, driven like a person drives them. Run it on an X server of its own, as the tests run:
//
//   bash -c 'source scripts/xvfb.sh && build/bench/palvetta_open_bench [RUNS]'
//
// RUNS measured runs follow one warm-up run (default 6). Each run starts a fresh viewer in a
// folder holding two example models and loads a model three times, once each way of choosing:
// Return on a path pasted into the location field, Return on a file selected in the list, and a
// double-click on it. The order of the three ways turns with every run, so each comes first,
// second and third equally often. Figures:
//   start    process start -> first frame
//   open     "l" -> chooser painted, at the first press (GTK starts) and at later presses
//   choice   the key or click that chooses -> the model's finished frame
// A frame is finished when the window shows the committed baseline of the model (tests/data/
// frames, as the end-to-end tests compare), with no chooser over it. Times come from the X
// server's damage reports, each checked with one capture of the window; the timed input is sent
// through XTest. Needs xdotool and xclip, as the end-to-end tests do.
//
// Prints min/median/max per figure; exit status 1 when a run fails or a choice misses its target.

// Before X11's headers, whose macros clash with GoogleTest's names.
#include "tests/support/chooser.h"
#include "tests/support/e2e.h"
#include "tests/support/png_frame.h"
#include "tests/support/temp_files.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDefaultRuns = 6;
constexpr int kWays = 3;
constexpr double kChoiceTargetMs = 100.0;
constexpr int kWindowSize = 640;
constexpr int kTimeoutMs = 20000;
constexpr int kSettleMs = 400;  // lets GTK and the viewer go quiet before the next input
constexpr int kDoubleClickGapMs = 60;
const char* const kChooserTitle = "Obj File";
const char* const kViewerTitle = "Palvetta";
// In name order, as the chooser lists them.
const char* const kModels[] = {"blocks", "torus"};
constexpr int kModelCount = 2;

enum Way { kTypedPath, kSelectedFile, kDoubleClick };
const char* const kWayNames[] = {"Return on a typed path", "Return on a selected file",
                                 "double-click on a file"};

double msBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

int ignoreXError(Display* /*display*/, XErrorEvent* /*event*/) {
  return 0;
}

// The benchmark's own X connection: it learns of every new top-level window, watches each for
// drawing, and sends input. Windows may vanish at any time, so X errors are ignored.
struct Watcher {
  Display* d = nullptr;
  int damageEvent = 0;
  std::map<Window, Damage> damages;

  bool open() {
    d = XOpenDisplay(nullptr);
    int damageError = 0;
    int xtest[4];
    if (d == nullptr || !XDamageQueryExtension(d, &damageEvent, &damageError) ||
        !XTestQueryExtension(d, &xtest[0], &xtest[1], &xtest[2], &xtest[3])) {
      return false;
    }
    XSetErrorHandler(ignoreXError);
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    XSync(d, False);
    return true;
  }

  // Handles one event: new top-level windows are watched for drawing, and a drawing into a window
  // is reported once and then cleared. Returns the window drawn into, or 0.
  Window handle(const XEvent& event) {
    if (event.type == CreateNotify) {
      damages[event.xcreatewindow.window] =
          XDamageCreate(d, event.xcreatewindow.window, XDamageReportNonEmpty);
    } else if (event.type == DestroyNotify) {
      damages.erase(event.xdestroywindow.window);
    } else if (event.type == damageEvent + XDamageNotify) {
      const auto& notify = reinterpret_cast<const XDamageNotifyEvent&>(event);
      XDamageSubtract(d, notify.damage, None, None);
      XFlush(d);
      return notify.drawable;
    }
    return 0;
  }

  // Handles events until `until`, or until `drawn(window)` is true for a window just drawn into;
  // returns the time that drawing was reported.
  std::optional<Clock::time_point> watch(Clock::time_point until,
                                         const std::function<bool(Window)>& drawn) {
    while (Clock::now() < until) {
      if (XPending(d) == 0) {
        pollfd connection{ConnectionNumber(d), POLLIN, 0};
        poll(&connection, 1, 10);
        continue;
      }
      XEvent event;
      XNextEvent(d, &event);
      const auto at = Clock::now();
      const Window window = handle(event);
      if (window != 0 && drawn && drawn(window)) {
        return at;
      }
    }
    return std::nullopt;
  }

  std::optional<Clock::time_point> waitForDrawing(const std::function<bool(Window)>& drawn) {
    return watch(Clock::now() + std::chrono::milliseconds(kTimeoutMs), drawn);
  }

  // Lets the events that are still coming be handled, so that the next figure starts clean.
  void settle() { watch(Clock::now() + std::chrono::milliseconds(kSettleMs), nullptr); }

  void key(KeySym symbol, bool press) {
    XTestFakeKeyEvent(d, XKeysymToKeycode(d, symbol), press ? True : False, CurrentTime);
  }
  void tap(KeySym symbol) {
    key(symbol, true);
    key(symbol, false);
    XFlush(d);
  }
  void click() {
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XFlush(d);
  }
  void moveTo(int x, int y) {
    XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
    XSync(d, False);
  }
};

struct Figures {
  std::vector<double> start;
  std::vector<double> firstOpen;
  std::vector<double> laterOpen;
  std::vector<double> choice[kWays];
};

struct Bench {
  Watcher x;
  std::string folder;  // the viewer's working folder, holding the models
  Frame floorOnly;
  Frame modelFrames[kModelCount];

  static bool isViewerShowing(Window window, const Frame& baseline) {
    return windowNamed(window, kViewerTitle) &&
           countMismatches(captureWindow(window), baseline) == 0;
  }

  // "l" over the viewer -> the chooser's first painting.
  std::optional<double> openChooser(Window& chooser) {
    const auto pressed = Clock::now();
    x.tap(XK_l);
    const auto painted = x.waitForDrawing([&](Window window) {
      chooser = window;
      return windowNamed(window, kChooserTitle);
    });
    if (!painted) {
      return std::nullopt;
    }
    return msBetween(pressed, *painted);
  }

  // Brings the chooser to the moment of choosing `model` the given way, makes the choice, and
  // times it to the finished frame.
  std::optional<double> choose(Window chooser, Way way, int model) {
    const std::string path = folder + "/" + kModels[model] + ".obj";
    int rowX = 0;
    int rowY = 0;
    // The models are listed in name order, so model 0 is the first file and model 1 the last.
    if (way == kTypedPath ? !pasteIntoLocation(chooser, path)
                          : !selectFile(chooser, model == 1, rowX, rowY)) {
      return std::nullopt;
    }
    x.settle();
    if (way == kDoubleClick) {
      x.moveTo(rowX, rowY);
      x.click();
      x.watch(Clock::now() + std::chrono::milliseconds(kDoubleClickGapMs), nullptr);
    }
    const auto chosen = Clock::now();
    if (way == kDoubleClick) {
      x.click();
    } else {
      x.tap(XK_Return);
    }
    const auto shown = x.waitForDrawing(
        [&](Window window) { return isViewerShowing(window, modelFrames[model]); });
    if (!shown) {
      return std::nullopt;
    }
    return msBetween(chosen, *shown);
  }

  // One viewer from start to stop. Returns false when something did not happen as it should.
  bool run(int turn, Figures& figures) {
    const auto started = Clock::now();
    ViewerProcess viewer;
    viewer.pid = spawnViewer(PALVETTA_BINARY, folder);
    const auto firstFrame =
        x.waitForDrawing([&](Window window) { return isViewerShowing(window, floorOnly); });
    bool ok = viewer.pid > 0 && firstFrame.has_value();
    if (ok) {
      figures.start.push_back(msBetween(started, *firstFrame));
      x.moveTo(kWindowSize / 2, kWindowSize / 2);
    }
    for (int i = 0; ok && i < kWays; ++i) {
      x.settle();
      Window chooser = 0;
      const auto opened = openChooser(chooser);
      ok = opened.has_value();
      if (ok) {
        (i == 0 ? figures.firstOpen : figures.laterOpen).push_back(*opened);
        const Way way = static_cast<Way>((turn + i) % kWays);
        // Each load changes the picture: torus, blocks, torus.
        const auto chosen = choose(chooser, way, 1 - i % 2);
        ok = chosen.has_value();
        if (ok) {
          figures.choice[way].push_back(*chosen);
        } else {
          std::fprintf(stderr, "run in order %d: %s did not show the model\n", turn,
                       kWayNames[way]);
        }
        x.moveTo(kWindowSize / 2, kWindowSize / 2);
      }
    }
    stopViewer(viewer);
    x.settle();
    return ok;
  }
};

bool prepareModels(Bench& bench) {
  bench.folder = testFolder() + "/models";
  std::filesystem::create_directories(bench.folder);
  for (const char* model : kModels) {
    for (const char* extension : {".obj", ".mtl"}) {
      std::filesystem::copy_file(std::string(PALVETTA_EXAMPLES) + "/" + model + extension,
                                 bench.folder + "/" + model + extension);
    }
  }
  bench.floorOnly = baselineFrame("floor_640");
  for (int m = 0; m < kModelCount; ++m) {
    bench.modelFrames[m] = baselineFrame(std::string(kModels[m]) + "_640");
    if (bench.modelFrames[m].width == 0) {
      return false;
    }
  }
  return bench.floorOnly.width > 0 && chooserStartsInWorkingFolder(testFolder() + "/home");
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

void print(const char* what, const std::vector<double>& values) {
  if (values.empty()) {
    std::printf("%-44s no figures\n", what);
    return;
  }
  const auto [low, high] = std::minmax_element(values.begin(), values.end());
  std::printf("%-44s %7.1f %7.1f %7.1f   (%zu runs)\n", what, *low, median(values), *high,
              values.size());
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRuns;
  Bench bench;
  if (!bench.x.open()) {
    std::fprintf(stderr, "needs an X server with the DAMAGE and XTEST extensions: run it under "
                         "scripts/xvfb.sh\n");
    return 1;
  }
  if (!prepareModels(bench)) {
    std::fprintf(stderr, "cannot prepare the example models and their baselines\n");
    return 1;
  }
  Figures warmUp;
  Figures figures;
  int failed = bench.run(0, warmUp) ? 0 : 1;
  for (int turn = 0; turn < runs; ++turn) {
    failed += bench.run(turn, figures) ? 0 : 1;
  }
  const bool ok = failed == 0;
  if (!ok) {
    std::fprintf(stderr, "%d of %d runs failed; figures are only of the steps that succeeded\n",
                 failed, runs + 1);
  }
  std::printf("%-44s %7s %7s %7s\n", "ms", "min", "median", "max");
  print("process start -> first frame", figures.start);
  print("\"l\" -> chooser painted, first press", figures.firstOpen);
  print("\"l\" -> chooser painted, later presses", figures.laterOpen);
  bool onTarget = true;
  for (int way = 0; way < kWays; ++way) {
    print((std::string("choice -> frame, ") + kWayNames[way]).c_str(), figures.choice[way]);
    onTarget =
        onTarget && !figures.choice[way].empty() && median(figures.choice[way]) <= kChoiceTargetMs;
  }
  std::printf("target: choice -> frame median <= %.0f ms for each way\n", kChoiceTargetMs);
  return ok && onTarget ? 0 : 1;
}
