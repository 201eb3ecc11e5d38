#include "tests/support/e2e.h"

#include "tests/support/png_frame.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xcomposite.h>
#include <X11/extensions/XRes.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPollIntervalMs = 20;
const char* const kViewerTitle = "Palvetta";
const char* const kAddedEnvironment[] = {"NO_AT_BRIDGE=1", "DBUS_SESSION_BUS_ADDRESS=disabled:",
                                         "GSETTINGS_BACKEND=memory"};

Display* display() {
  static Display* connection = XOpenDisplay(nullptr);
  return connection;
}

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

Clock::time_point deadlineAfter(int ms) { return Clock::now() + std::chrono::milliseconds(ms); }

int xErrorCount = 0;

int recordXError(Display* /*display*/, XErrorEvent* /*event*/) {
  ++xErrorCount;
  return 0;
}

// A window can vanish between two requests; Xlib's default handler would end the test process on
// the resulting error, so requests on windows we do not own run under this trap.
struct XErrorTrap {
  Display* connection;
  XErrorHandler previous;
  int countBefore;
  explicit XErrorTrap(Display* d) : connection(d) {
    XSync(connection, False);
    countBefore = xErrorCount;
    previous = XSetErrorHandler(recordXError);
  }
  bool failed() {
    XSync(connection, False);
    return xErrorCount != countBefore;
  }
  ~XErrorTrap() {
    XSync(connection, False);
    XSetErrorHandler(previous);
  }
  XErrorTrap(const XErrorTrap&) = delete;
  XErrorTrap& operator=(const XErrorTrap&) = delete;
};

struct XFreeDeleter {
  void operator()(void* p) const { XFree(p); }
};

struct XImageDeleter {
  void operator()(XImage* image) const { XDestroyImage(image); }
};

// Reads a window property of 8-bit or 32-bit items; empty when it is missing or of another type.
std::vector<unsigned char> readProperty(Display* d, Window window, const char* name, Atom type,
                                        int& format, unsigned long& items) {
  Atom actualType = None;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  format = 0;
  items = 0;
  const Atom property = XInternAtom(d, name, False);
  if (XGetWindowProperty(d, window, property, 0, 1024, False, type, &actualType, &format, &items,
                         &after, &data) != Success) {
    return {};
  }
  std::unique_ptr<unsigned char, XFreeDeleter> owned(data);
  if (data == nullptr || actualType != type || items == 0) {
    items = 0;
    return {};
  }
  // Xlib hands 32-bit items over as longs.
  const std::size_t itemSize = format == 32 ? sizeof(long) : static_cast<std::size_t>(format / 8);
  return std::vector<unsigned char>(data, data + items * itemSize);
}

bool hasName(Display* d, Window window, const std::string& name) {
  int format = 0;
  unsigned long items = 0;
  const auto utf8 = readProperty(d, window, "_NET_WM_NAME", XInternAtom(d, "UTF8_STRING", False),
                                 format, items);
  if (format == 8 && std::string(utf8.begin(), utf8.end()) == name) {
    return true;
  }
  const auto legacy = readProperty(d, window, "WM_NAME", XA_STRING, format, items);
  return format == 8 && std::string(legacy.begin(), legacy.end()) == name;
}

bool isViewable(Display* d, Window window) {
  XWindowAttributes attributes;
  return XGetWindowAttributes(d, window, &attributes) != 0 && attributes.map_state == IsViewable;
}

void collectWindows(Display* d, Window parent, std::vector<Window>& windows) {
  Window root = 0;
  Window parentOfParent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(d, parent, &root, &parentOfParent, &children, &count) == 0) {
    return;
  }
  std::unique_ptr<Window, XFreeDeleter> owned(children);
  for (unsigned int i = 0; i < count; ++i) {
    windows.push_back(children[i]);
    collectWindows(d, children[i], windows);
  }
}

// A viewable window named `name`, belonging to `pid` unless pid is -1; 0 when there is none.
Window findWindow(const std::string& name, pid_t pid) {
  Display* d = display();
  if (d == nullptr) {
    return 0;
  }
  XErrorTrap trap(d);
  std::vector<Window> windows;
  collectWindows(d, DefaultRootWindow(d), windows);
  for (Window window : windows) {
    if (hasName(d, window, name) && (pid == -1 || windowPid(window) == pid) &&
        isViewable(d, window)) {
      return window;
    }
  }
  return 0;
}

bool containsClearColour(const Frame& frame) {
  return countNotClear(frame) < frame.width * frame.height;
}

// Scales one channel of a pixel value to 0 ... 255 whatever the visual's mask.
int channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) {
    return 0;
  }
  int shift = 0;
  while (((mask >> shift) & 1UL) == 0) {
    ++shift;
  }
  const unsigned long maximum = mask >> shift;
  return static_cast<int>(((pixel & mask) >> shift) * 255UL / maximum);
}

std::vector<std::string> viewerEnvironment() {
  std::vector<std::string> entries;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    bool replaced = false;
    for (const char* added : kAddedEnvironment) {
      const std::string_view addedName(added, std::strchr(added, '=') - added + 1);
      replaced = replaced || text.starts_with(addedName);
    }
    if (!replaced) {
      entries.push_back(text);
    }
  }
  for (const char* added : kAddedEnvironment) {
    entries.emplace_back(added);
  }
  return entries;
}

}  // namespace

pid_t spawnViewer(const std::string& binary, const std::string& workingDir,
                  const std::vector<std::string>& arguments, const std::string& errorFile) {
  // Everything the child needs is prepared here: between fork and exec only calls that are safe
  // in a copy of a multi-threaded process may run.
  std::vector<std::string> environment = viewerEnvironment();
  std::vector<char*> envp;
  for (std::string& entry : environment) {
    envp.push_back(entry.data());
  }
  envp.push_back(nullptr);
  std::string program = binary;
  std::vector<std::string> argumentCopies = arguments;
  std::vector<char*> argv = {program.data()};
  for (std::string& argument : argumentCopies) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);
  const pid_t parent = getpid();

  const pid_t pid = fork();
  if (pid == 0) {
    // Should the test process die first, the viewer goes with it.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) {
      _exit(127);
    }
    if (!workingDir.empty() && chdir(workingDir.c_str()) != 0) {
      _exit(127);
    }
    if (!errorFile.empty()) {
      const int fd = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0 || dup2(fd, 2) < 0) {
        _exit(127);
      }
      close(fd);
    }
    execvpe(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  return pid < 0 ? -1 : pid;
}

ViewerProcess startViewer(const std::string& binary, const std::string& workingDir,
                          const std::vector<std::string>& arguments, const std::string& errorFile) {
  ViewerProcess viewer;
  Display* d = display();
  if (d == nullptr || (viewer.pid = spawnViewer(binary, workingDir, arguments, errorFile)) < 0) {
    return viewer;
  }
  waitFor(
      [&] {
        int status = 0;
        if (waitpid(viewer.pid, &status, WNOHANG) == viewer.pid) {
          viewer.pid = -1;  // ended before showing its window; nothing is left to stop
          return true;
        }
        const Window window = findWindow(kViewerTitle, viewer.pid);
        viewer.window = window != 0 && containsClearColour(captureWindow(window)) ? window : 0;
        return viewer.window != 0;
      },
      kViewerStartTimeoutMs);
  if (viewer.window != 0) {
    XErrorTrap trap(d);
    XCompositeRedirectWindow(d, viewer.window, CompositeRedirectAutomatic);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(d, viewer.window, &attributes) != 0) {
      XWarpPointer(d, None, viewer.window, 0, 0, 0, 0, attributes.width / 2, attributes.height / 2);
    }
  }
  return viewer;
}

void stopViewer(ViewerProcess& viewer) {
  if (viewer.pid > 0) {
    kill(viewer.pid, SIGTERM);
    const auto deadline = deadlineAfter(kViewerStopTimeoutMs);
    bool reaped = false;
    while (!reaped && Clock::now() < deadline) {
      const pid_t result = waitpid(viewer.pid, nullptr, WNOHANG);
      reaped = result == viewer.pid || (result < 0 && errno == ECHILD);
      if (!reaped) {
        sleepMs(kPollIntervalMs);
      }
    }
    if (!reaped) {
      kill(viewer.pid, SIGKILL);
      while (waitpid(viewer.pid, nullptr, 0) < 0 && errno == EINTR) {
      }
    }
  }
  viewer.pid = -1;
  viewer.window = 0;
}

Frame captureWindow(unsigned long window) {
  Frame frame;
  Display* d = display();
  if (d == nullptr || window == 0) {
    return frame;
  }
  XErrorTrap trap(d);
  XWindowAttributes attributes;
  if (XGetWindowAttributes(d, window, &attributes) == 0 || attributes.map_state != IsViewable) {
    return frame;
  }
  std::unique_ptr<XImage, XImageDeleter> image(
      XGetImage(d, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap));
  if (!image || trap.failed()) {
    return frame;
  }
  frame.width = attributes.width;
  frame.height = attributes.height;
  frame.rgb.resize(3 * static_cast<std::size_t>(frame.width) * frame.height);
  for (int row = 0; row < frame.height; ++row) {
    // X counts rows from the top, Frame from the bottom.
    const std::size_t start = 3 * static_cast<std::size_t>(frame.height - 1 - row) * frame.width;
    for (int x = 0; x < frame.width; ++x) {
      const unsigned long pixel = XGetPixel(image.get(), x, row);
      const std::size_t i = start + 3 * static_cast<std::size_t>(x);
      frame.rgb[i] = static_cast<uint8_t>(channel(pixel, image->red_mask));
      frame.rgb[i + 1] = static_cast<uint8_t>(channel(pixel, image->green_mask));
      frame.rgb[i + 2] = static_cast<uint8_t>(channel(pixel, image->blue_mask));
    }
  }
  return frame;
}

bool runTool(const std::string& shellCommand) {
  std::string quoted = "'";
  for (char c : shellCommand) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  quoted += "'";
  const std::string command = "timeout 20 sh -c " + quoted;
  const int status = std::system(command.c_str());
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

CommandResult runCommand(const std::string& shellCommand) {
  CommandResult result;
  FILE* pipe = popen(shellCommand.c_str(), "r");
  if (pipe == nullptr) {
    return result;
  }
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    result.output.append(buffer, n);
  }
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
  const auto deadline = deadlineAfter(timeoutMs);
  while (!condition()) {
    if (Clock::now() > deadline) {
      return false;
    }
    sleepMs(kPollIntervalMs);
  }
  return true;
}

unsigned long waitForWindow(const std::string& name, int timeoutMs, pid_t owner) {
  Window window = 0;
  waitFor([&] { return (window = findWindow(name, owner)) != 0; }, timeoutMs);
  return window;
}

bool windowNamed(unsigned long window, const std::string& name) {
  XErrorTrap trap(display());
  return hasName(display(), window, name);
}

long windowPid(unsigned long window) {
  XResClientIdSpec clientId;
  clientId.client = window;
  clientId.mask = XRES_CLIENT_ID_PID_MASK;
  long count = 0;
  XResClientIdValue* values = nullptr;
  if (XResQueryClientIds(display(), 1, &clientId, &count, &values) != Success) {
    return -1;
  }
  long pid = -1;
  for (long i = 0; i < count; ++i) {
    const pid_t found = XResGetClientPid(&values[i]);
    pid = found > 0 ? found : pid;
  }
  XResClientIdsDestroy(count, values);
  return pid;
}

bool pressUntilGone(const std::string& key, const std::string& name, pid_t owner) {
  // A key pressed while the window is still being set up may fall through; pressed again, it
  // counts. Another press of the same key once the window is gone changes nothing, so how long
  // each press is given does not decide the outcome.
  constexpr int kPressAgainMs = 2000;
  const auto deadline = deadlineAfter(kDialogTimeoutMs);
  do {
    if (!key.empty() && !runTool("xdotool key " + key)) {
      return false;
    }
    if (waitFor([&] { return findWindow(name, owner) == 0; }, kPressAgainMs)) {
      return true;
    }
  } while (Clock::now() < deadline);
  return false;
}

bool waitForCapture(unsigned long window, const std::function<bool(const Frame&)>& condition,
                    int timeoutMs, Frame& last) {
  return waitFor([&] { return condition(last = captureWindow(window)); }, timeoutMs);
}

::testing::AssertionResult showsBaseline(unsigned long window, const std::string& name) {
  const Frame baseline = baselineFrame(name);
  Frame last;
  if (baseline.width > 0 &&
      waitForCapture(
          window, [&](const Frame& frame) { return countMismatches(frame, baseline) == 0; },
          kFrameTimeoutMs, last)) {
    return ::testing::AssertionSuccess();
  }
  return matchesBaseline(last, name);
}

::testing::AssertionResult redrawShowsBaseline(const ViewerProcess& viewer,
                                               const std::string& name) {
  const Frame before = captureWindow(viewer.window);
  const std::string at = " mousemove --window " + std::to_string(viewer.window) + " 320 ";
  Frame last;
  if (!runTool("xdotool" + at + "300 mousedown 1" + at + "310 mouseup 1") ||
      !waitForCapture(
          viewer.window, [&](const Frame& frame) { return countMismatches(frame, before) > 0; },
          kFrameTimeoutMs, last)) {
    return ::testing::AssertionFailure() << "a zoom drag did not redraw the viewer";
  }
  if (!runTool("xdotool" + at + "310 mousedown 1" + at + "300 mouseup 1")) {
    return ::testing::AssertionFailure() << "xdotool failed";
  }
  return showsBaseline(viewer.window, name);
}
