#include "tests/support/xdnd_source.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <tuple>

namespace {

constexpr long kXdndVersion = 5;
constexpr int kPollMs = 20;

struct Source {
  Display* d;
  Window window;
  Window target;
  std::vector<Atom> types;
  std::string data;
  Atom atom(const char* name) const { return XInternAtom(d, name, False); }
};

void send(const Source& s, const char* type, long l1, long l2 = 0, long l3 = 0, long l4 = 0) {
  XEvent event{};
  event.xclient = {ClientMessage, 0, False, s.d, s.target, s.atom(type), 32, {}};
  long* data = event.xclient.data.l;
  std::tie(data[0], data[1], data[2], data[3], data[4]) =
      std::tuple(static_cast<long>(s.window), l1, l2, l3, l4);
  XSendEvent(s.d, s.target, False, NoEventMask, &event);
  XFlush(s.d);
}

void answerRequest(const Source& s, const XSelectionRequestEvent& request) {
  XEvent reply{};
  reply.xselection = {SelectionNotify, 0,    False,       s.d, request.requestor, request.selection,
                      request.target,  None, request.time};
  for (const Atom type : s.types) {
    if (type == request.target && request.property != None) {
      XChangeProperty(s.d, request.requestor, request.property, type, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(s.data.data()),
                      static_cast<int>(s.data.size()));
      reply.xselection.property = request.property;
    }
  }
  XSendEvent(s.d, request.requestor, False, NoEventMask, &reply);
  XFlush(s.d);
}

// Answers data requests until the message `type` comes, and hands its first flag to `flag`; false
// when it does not come in time.
bool waitForMessage(const Source& s, const char* type, bool& flag) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kDragTimeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    while (XPending(s.d) > 0) {
      XEvent event;
      XNextEvent(s.d, &event);
      if (event.type == SelectionRequest) {
        answerRequest(s, event.xselectionrequest);
      } else if (event.type == ClientMessage && event.xclient.message_type == s.atom(type)) {
        flag = (event.xclient.data.l[1] & 1) != 0;
        return true;
      }
    }
    pollfd connection{ConnectionNumber(s.d), POLLIN, 0};
    poll(&connection, 1, kPollMs);
  }
  return false;
}

}  // namespace

DragResult dragAndDrop(unsigned long target, const std::vector<std::string>& types,
                       const std::string& data, DragEnd end) {
  DragResult result;
  std::unique_ptr<Display, decltype(&XCloseDisplay)> owned(XOpenDisplay(nullptr), XCloseDisplay);
  Display* d = owned.get();
  if (d == nullptr) {
    return result;
  }
  const XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  Source s{d, XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0), target, {}, data};
  for (const std::string& type : types) {
    s.types.push_back(s.atom(type.c_str()));
  }
  XChangeProperty(d, s.window, s.atom("XdndTypeList"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(s.types.data()),
                  static_cast<int>(s.types.size()));
  XSetSelectionOwner(d, s.atom("XdndSelection"), s.window, CurrentTime);
  unsigned char* aware = nullptr;
  Atom awareType = None;
  int format = 0;
  unsigned long items = 0;
  unsigned long after = 0;
  XGetWindowProperty(d, target, s.atom("XdndAware"), 0, 1, False, XA_ATOM, &awareType, &format,
                     &items, &after, &aware);
  const std::unique_ptr<unsigned char, decltype(&XFree)> ownedAware(aware, XFree);
  if (items != 1) {
    XSetErrorHandler(previous);
    return result;
  }
  // With no window manager the target is the root's child: its place is on the screen.
  XWindowAttributes at{};
  XGetWindowAttributes(d, target, &at);
  const long middle = static_cast<long>(at.x + at.width / 2) << 16 | (at.y + at.height / 2);
  const long moreThanThree = types.size() > 3 ? 1 : 0;
  const auto type = [&s](std::size_t i) { return i < s.types.size() ? s.types[i] : None; };
  send(s, "XdndEnter", kXdndVersion << 24 | moreThanThree, type(0), type(1), type(2));
  send(s, "XdndPosition", 0, middle, CurrentTime, s.atom("XdndActionCopy"));
  if (end == DragEnd::vanish) {
    XDestroyWindow(d, s.window);  // in the server's hands together with the messages
  } else if (result.answered = waitForMessage(s, "XdndStatus", result.accepted); result.accepted) {
    send(s, "XdndDrop", 0, CurrentTime);
    result.finished = waitForMessage(s, "XdndFinished", result.succeeded);
  } else {
    send(s, "XdndLeave", 0);
  }
  XSync(d, False);
  owned.reset();
  XSetErrorHandler(previous);
  return result;
}

std::string fileUri(const std::string& path) {
  std::string uri = "file://";
  for (const unsigned char c : path) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       std::strchr("/-._~", c) != nullptr;
    char escaped[4];
    std::snprintf(escaped, sizeof escaped, "%%%02X", c);
    uri += plain ? std::string(1, static_cast<char>(c)) : std::string(escaped);
  }
  return uri;
}
