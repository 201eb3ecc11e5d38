// Open-file benchmark: how long the user waits, measured on the real viewer and its real GTK file
// chooser, driven like a person drives them, on an Xvfb of the benchmark's own.
//
//   palvetta_open_bench [RUNS]   RUNS measured runs after one warm-up run (default 6)
//
// Each run starts a fresh viewer in a folder holding two example models and loads a model three
// times, once each way of choosing: Return on a path pasted into the location field, Return on a
// file selected in the list, and a double-click on it. The order of the three ways turns with
// every run, so each comes first, second and third equally often. Figures:
//   start    process start -> first frame
//   open     "l" -> chooser painted, at the first press (GTK starts) and at later presses
//   choice   the key or click that chooses -> the model's finished frame
// A frame is finished when the window shows exactly the picture this process renders from the
// same file: the model drawn and no chooser over it. Times come from the X server's damage
// reports, each checked with one capture of the window; the timed input is sent through XTest.
// Needs xdotool and xclip, as the end-to-end tests do.
//
// Prints min/median/max per figure; exit status 1 when a run fails or a choice misses its target.

// Before X11's headers, whose macros clash with GoogleTest's names.
#include "model/normalize.h"
#include "model/obj_reader.h"
#include "tests/support/chooser.h"
#include "tests/support/e2e.h"
#include "tests/support/gl_test_window.h"
#include "tests/support/temp_files.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>


extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDefaultRuns = 6;
constexpr int kWays = 3;
constexpr double kChoiceTargetMs = 100.0;
constexpr int kWindowSize = 640;
constexpr int kTimeoutMs = 20000;
constexpr int kSettleMs = 400;  // lets GTK and the viewer go quiet before the next input
constexpr int kDoubleClickGapMs = 60;
constexpr int kSelectionAttempts = 10;
constexpr float kModelSize = 5.0f;
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

void sleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// An Xvfb with a display number of its own choosing. It is stopped when this process ends, by the
// signal it asked for: connections that toolkit and helpers close at exit must find it alive.
struct PrivateXvfb {
  pid_t pid = -1;

  bool start() {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
      return false;
    }
    const pid_t parent = getpid();
    pid = fork();
    if (pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() != parent || dup2(pipeEnds[1], 3) < 0) {
        _exit(127);
      }
      const int quiet = open("/dev/null", O_WRONLY);
      dup2(quiet, 1);
      dup2(quiet, 2);
      execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-noreset",
             "-nolisten", "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(pipeEnds[1]);
    std::string number;
    char c = 0;
    while (pid > 0 && read(pipeEnds[0], &c, 1) == 1 && c != '\n') {
      number += c;
    }
    close(pipeEnds[0]);
    if (number.empty()) {
      return false;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    setenv("GDK_BACKEND", "x11", 1);
    return true;
  }
};

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

  std::string nameOf(Window window) {
    char* name = nullptr;
    std::string result;
    if (XFetchName(d, window, &name) != 0 && name != nullptr) {
      result = name;
      XFree(name);
    }
    if (result.empty()) {
      XTextProperty text{};
      const Atom utf8Name = XInternAtom(d, "_NET_WM_NAME", False);
      if (XGetTextProperty(d, window, &text, utf8Name) != 0 && text.value != nullptr) {
        result.assign(reinterpret_cast<const char*>(text.value), text.nitems);
        XFree(text.value);
      }
    }
    return result;
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

// Starts the viewer in `folder` with the environment the end-to-end tests give it; its PID or -1.
pid_t spawnViewer(const std::string& folder) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  char program[] = PALVETTA_BINARY;
  char* argv[] = {program, nullptr};
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, program, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  return failed == 0 ? pid : -1;
}

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
  Clipboard clipboard;

  bool isViewerShowing(Window window, const Frame& expected) {
    return x.nameOf(window) == kViewerTitle && sameFrame(captureWindow(window), expected);
  }

  // "l" over the viewer -> the chooser's first painting.
  std::optional<double> openChooser(Window& chooser) {
    const auto pressed = Clock::now();
    x.tap(XK_l);
    const auto painted = x.waitForDrawing([&](Window window) {
      chooser = window;
      return x.nameOf(window) == kChooserTitle;
    });
    if (!painted) {
      return std::nullopt;
    }
    return msBetween(pressed, *painted);
  }

  // Selects the file in the given row of the list with the keyboard, and waits until the chooser
  // shows it selected: a double-click goes where the highlight is.
  bool selectRow(Window chooser, int row) {
    x.tap(XK_Home);
    int firstX = 0;
    int firstY = -1;
    int rowX = 0;
    int rowY = -1;
    for (int attempt = 0; attempt < kSelectionAttempts; ++attempt) {
      x.settle();
      if (firstY < 0 && selectedRow(chooser, firstX, firstY) && row > 0) {
        for (int down = 0; down < row; ++down) {
          x.tap(XK_Down);
        }
        continue;
      }
      // Rows lie one below the other, so a later row's highlight lies lower.
      if (firstY >= 0 && selectedRow(chooser, rowX, rowY) && (row == 0 || rowY > firstY)) {
        return true;
      }
    }
    std::fprintf(stderr, "the chooser did not show row %d selected\n", row);
    return false;
  }

  // Brings the chooser to the moment of choosing `model` the given way, makes the choice, and
  // times it to the finished frame.
  std::optional<double> choose(Window chooser, Way way, int model) {
    const std::string path = folder + "/" + kModels[model] + ".obj";
    if (way == kTypedPath) {
      if (!clipboard.serve(path) || !pasteIntoLocation()) {
        return std::nullopt;
      }
    } else if (!focusFileList(chooser) || !selectRow(chooser, model)) {
      return std::nullopt;
    }
    x.settle();
    if (way == kDoubleClick) {
      int rowX = 0;
      int rowY = 0;
      selectedRow(chooser, rowX, rowY);
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
    clipboard.stop();
    if (!shown) {
      return std::nullopt;
    }
    return msBetween(chosen, *shown);
  }

  // One viewer from start to stop. Returns false when something did not happen as it should.
  bool run(int turn, Figures& figures) {
    const auto started = Clock::now();
    ViewerProcess viewer;
    viewer.pid = spawnViewer(folder);
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
        sleepMs(200);
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
  const std::filesystem::path start = std::filesystem::current_path();
  std::filesystem::current_path(bench.folder);
  bench.floorOnly = renderViewerFrame(ViewerState{});
  for (int m = 0; m < kModelCount; ++m) {
    ViewerState loaded;
    loaded.model = loadObjModel((std::string(kModels[m]) + ".obj").c_str());
    if (!loaded.model) {
      return false;
    }
    loaded.floorOffset = normalizeModel(loaded.model.get(), kModelSize);
    bench.modelFrames[m] = renderViewerFrame(loaded);
  }
  std::filesystem::current_path(start);
  return chooserStartsInWorkingFolder(testFolder() + "/home");
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
  for (const char* setting :
       {"NO_AT_BRIDGE=1", "DBUS_SESSION_BUS_ADDRESS=disabled:", "GSETTINGS_BACKEND=memory"}) {
    putenv(const_cast<char*>(setting));
  }
  PrivateXvfb xvfb;
  Bench bench;
  if (!xvfb.start() || !bench.x.open()) {
    std::fprintf(stderr, "cannot start Xvfb with the DAMAGE and XTEST extensions\n");
    return 1;
  }
  if (!prepareModels(bench)) {
    std::fprintf(stderr, "cannot prepare the example models\n");
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
