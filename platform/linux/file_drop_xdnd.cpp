// X11: the drop target's side of XDND, version 5, on the toolkit's window.
//
// The toolkit throws away client messages it does not know and every SelectionNotify, before any
// callback of ours could see them. So hooks on its display's wire-to-event conversion copy the
// XDND events meant for our window as Xlib reads them. A hook leaves the event in Xlib's queue:
// one that swallowed it could let the toolkit sleep with the copy unanswered. Xlib holds the
// display's lock while a hook runs, so a hook makes no Xlib call; it arms a toolkit timer, and the
// protocol runs in the timer's callback, on the main thread between two events.
//
// The toolkit keeps Xlib's default error handler, which ends the process on any error, and a drag
// source may vanish at any moment: every batch of requests runs under a trap that ignores errors.
#include <GL/freeglut.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <glib.h>

#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/linux/current_window_x11.h"
#include "platform/file_drop.h"

// XESetWireToEvent is declared among Xlib's internals, which define min and max as macros: last.
#include <X11/Xlibint.h>
#undef min
#undef max

namespace {

constexpr long kXdndVersion = 5;
// XDND events copied between two runs of the timer. A source waits for each answer before its
// next position, so a drag brings a handful; an event beyond these is lost, and so is that drag.
constexpr int kMaxCopiedEvents = 64;
// The most of a URI list read; the first URI, all that is used, is far shorter.
constexpr long kMaxUriListBytes = 1 << 20;
constexpr int kTypesInEnter = 3;

using WireToEvent = Bool (*)(Display*, XEvent*, xEvent*);

struct XdndAtoms {
  Atom aware, enter, position, status, leave, drop, finished, selection, typeList, copy, uriList,
      property;
};

// The drag in progress, as its XdndEnter described it.
struct Drag {
  Window source = None;
  bool offersUriList = false;
  bool awaitingData = false;  // asked for the URI list, its SelectionNotify not yet here
};

struct DropTarget {
  Display* display = nullptr;
  Window window = None;
  XdndAtoms atoms{};
  FileDropHandler onDrop = nullptr;
  WireToEvent toolkitClientMessage = nullptr;
  WireToEvent toolkitSelectionNotify = nullptr;
  std::array<XEvent, kMaxCopiedEvents> copied{};
  int copiedCount = 0;
  bool timerArmed = false;
  Drag drag;
};

DropTarget target;

struct XFreeDeleter {
  void operator()(void* p) const { XFree(p); }
};

struct GFreeDeleter {
  void operator()(void* p) const { g_free(p); }
};

struct GStrvDeleter {
  void operator()(gchar** p) const { g_strfreev(p); }
};

int ignoreXError(Display* /*display*/, XErrorEvent* /*error*/) {
  return 0;
}

// Errors of the requests made while it lives are ignored; the XSyncs keep the toolkit's errors
// before and after it under the toolkit's handler.
struct XErrorTrap {
  Display* display;
  XErrorHandler previous;
  explicit XErrorTrap(Display* d) : display(d) {
    XSync(display, False);
    previous = XSetErrorHandler(ignoreXError);
  }
  ~XErrorTrap() {
    XSync(display, False);
    XSetErrorHandler(previous);
  }
  XErrorTrap(const XErrorTrap&) = delete;
  XErrorTrap& operator=(const XErrorTrap&) = delete;
};

XdndAtoms internAtoms(Display* display) {
  const auto atom = [display](const char* name) { return XInternAtom(display, name, False); };
  return {atom("XdndAware"),      atom("XdndEnter"),     atom("XdndPosition"),
          atom("XdndStatus"),     atom("XdndLeave"),     atom("XdndDrop"),
          atom("XdndFinished"),   atom("XdndSelection"), atom("XdndTypeList"),
          atom("XdndActionCopy"), atom("text/uri-list"), atom("PALVETTA_DROP")};
}

bool isXdndEvent(const XEvent& event) {
  const XdndAtoms& atoms = target.atoms;
  if (event.type == SelectionNotify) {
    return event.xselection.requestor == target.window &&
           event.xselection.selection == atoms.selection;
  }
  const Atom type = event.xclient.message_type;
  return event.type == ClientMessage && event.xclient.window == target.window &&
         event.xclient.format == 32 &&
         (type == atoms.enter || type == atoms.position || type == atoms.leave ||
          type == atoms.drop);
}

void answerCopiedEvents(int /*unused*/);

// `queued` is what the toolkit's converter made of the event: whether Xlib is to queue it.
Bool copyIfXdnd(Bool queued, const XEvent& event) {
  if (!queued || !isXdndEvent(event) || target.copiedCount == kMaxCopiedEvents) {
    return queued;
  }
  target.copied[target.copiedCount++] = event;
  if (!target.timerArmed) {
    target.timerArmed = true;
    glutTimerFunc(0, answerCopiedEvents, 0);
  }
  return queued;
}

Bool copyClientMessage(Display* display, XEvent* event, xEvent* wire) {
  return copyIfXdnd(target.toolkitClientMessage(display, event, wire), *event);
}

Bool copySelectionNotify(Display* display, XEvent* event, xEvent* wire) {
  return copyIfXdnd(target.toolkitSelectionNotify(display, event, wire), *event);
}

void sendToSource(Atom type, long data1, long data2, long data3, long data4) {
  XEvent message{};
  message.xclient.type = ClientMessage;
  message.xclient.display = target.display;
  message.xclient.window = target.drag.source;
  message.xclient.message_type = type;
  message.xclient.format = 32;
  message.xclient.data.l[0] = static_cast<long>(target.window);
  message.xclient.data.l[1] = data1;
  message.xclient.data.l[2] = data2;
  message.xclient.data.l[3] = data3;
  message.xclient.data.l[4] = data4;
  XSendEvent(target.display, target.drag.source, False, NoEventMask, &message);
}

void finishDrag(bool success) {
  sendToSource(target.atoms.finished, success ? 1 : 0,
               success ? static_cast<long>(target.atoms.copy) : None, 0, 0);
  target.drag = Drag{};
}

// A property of the source or our window, as bytes; nothing when it is missing or of another
// format. Only whole lines are kept of a text cut short at kMaxUriListBytes.
std::optional<std::string> readProperty(Window window, Atom property, Atom type, int format,
                                        bool remove) {
  Atom actualType = None;
  int actualFormat = 0;
  unsigned long items = 0;
  unsigned long bytesAfter = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(target.display, window, property, 0, kMaxUriListBytes / 4,
                                        remove ? True : False, type, &actualType, &actualFormat,
                                        &items, &bytesAfter, &data);
  const std::unique_ptr<unsigned char, XFreeDeleter> owned(data);
  if (remove) {
    XDeleteProperty(target.display, window, property);
  }
  if (status != Success || data == nullptr || actualType != type || actualFormat != format) {
    return std::nullopt;
  }
  // Xlib hands 32-bit items over as longs.
  const std::size_t size = format == 32 ? sizeof(long) : 1;
  std::string bytes(reinterpret_cast<const char*>(data), items * size);
  if (bytesAfter > 0 && format == 8) {
    bytes.resize(bytes.rfind('\n') == std::string::npos ? 0 : bytes.rfind('\n') + 1);
  }
  return bytes;
}

bool typeListHasUriList(Window source) {
  const std::optional<std::string> list =
      readProperty(source, target.atoms.typeList, XA_ATOM, 32, false);
  for (std::size_t at = 0; list && at + sizeof(long) <= list->size(); at += sizeof(long)) {
    long type = 0;
    std::memcpy(&type, list->data() + at, sizeof(long));
    if (static_cast<Atom>(type) == target.atoms.uriList) {
      return true;
    }
  }
  return false;
}

void enter(const XClientMessageEvent& message) {
  target.drag = Drag{};
  const long version = (message.data.l[1] >> 24) & 0xff;
  if (version > kXdndVersion) {
    return;  // a newer protocol than ours: the source is to be ignored
  }
  target.drag.source = static_cast<Window>(message.data.l[0]);
  const bool moreThanThreeTypes = (message.data.l[1] & 1) != 0;
  if (moreThanThreeTypes) {
    target.drag.offersUriList = typeListHasUriList(target.drag.source);
    return;
  }
  for (int i = 0; i < kTypesInEnter; ++i) {
    if (static_cast<Atom>(message.data.l[2 + i]) == target.atoms.uriList) {
      target.drag.offersUriList = true;
    }
  }
}

void position() {
  const bool accept = target.drag.offersUriList;
  sendToSource(target.atoms.status, accept ? 1 : 0, 0, 0,
               accept ? static_cast<long>(target.atoms.copy) : None);
}

void drop(const XClientMessageEvent& message) {
  if (!target.drag.offersUriList) {
    finishDrag(false);
    return;
  }
  target.drag.awaitingData = true;
  XConvertSelection(target.display, target.atoms.selection, target.atoms.uriList,
                    target.atoms.property, target.window, static_cast<Time>(message.data.l[2]));
}

bool isThisMachine(const char* host) {
  return host == nullptr || std::strcmp(host, "localhost") == 0 ||
         std::strcmp(host, g_get_host_name()) == 0;
}

// The file named by the first URI of a text/uri-list, when it is a file of this machine.
std::optional<std::string> firstLocalFile(const std::string& uriList) {
  const std::unique_ptr<gchar*, GStrvDeleter> uris(g_uri_list_extract_uris(uriList.c_str()));
  if (!uris || uris.get()[0] == nullptr) {
    return std::nullopt;
  }
  gchar* host = nullptr;
  const std::unique_ptr<gchar, GFreeDeleter> file(
      g_filename_from_uri(uris.get()[0], &host, nullptr));
  const std::unique_ptr<gchar, GFreeDeleter> ownedHost(host);
  if (!file || !isThisMachine(host)) {
    return std::nullopt;
  }
  return std::string(file.get());
}

std::optional<std::string> receiveData(const XSelectionEvent& event) {
  if (!target.drag.awaitingData) {
    return std::nullopt;
  }
  std::optional<std::string> file;
  if (event.property != None) {
    const std::optional<std::string> uriList =
        readProperty(target.window, event.property, target.atoms.uriList, 8, true);
    file = uriList ? firstLocalFile(*uriList) : std::nullopt;
  }
  finishDrag(file.has_value());
  return file;
}

// Answers one copied event; returns the file a finished drop brought.
std::optional<std::string> answer(const XEvent& event) {
  if (event.type == SelectionNotify) {
    return receiveData(event.xselection);
  }
  const XClientMessageEvent& message = event.xclient;
  const XdndAtoms& atoms = target.atoms;
  if (message.message_type == atoms.enter) {
    enter(message);
  } else if (static_cast<Window>(message.data.l[0]) != target.drag.source ||
             target.drag.source == None) {
    // a message of a drag we do not follow
  } else if (message.message_type == atoms.position) {
    position();
  } else if (message.message_type == atoms.leave) {
    target.drag = Drag{};
  } else if (message.message_type == atoms.drop) {
    drop(message);
  }
  return std::nullopt;
}

void answerCopiedEvents(int /*unused*/) {
  target.timerArmed = false;
  std::optional<std::string> file;
  {
    const XErrorTrap trap(target.display);
    // The trap's requests read events as well: those copied meanwhile are answered in turn.
    while (target.copiedCount > 0) {
      const std::array<XEvent, kMaxCopiedEvents> events = target.copied;
      const int count = std::exchange(target.copiedCount, 0);
      for (int i = 0; i < count; ++i) {
        if (std::optional<std::string> dropped = answer(events[i])) {
          file = std::move(dropped);
        }
      }
    }
  }
  if (file) {
    target.onDrop(*file);
  }
}

}  // namespace

void acceptFileDrops(FileDropHandler onDrop) {
  const auto [display, window] = currentX11Window();
  if (display == nullptr || window == None || target.display != nullptr) {
    return;
  }
  target.display = display;
  target.window = window;
  target.onDrop = onDrop;
  target.atoms = internAtoms(display);
  const long version = kXdndVersion;
  XChangeProperty(display, window, target.atoms.aware, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&version), 1);
  target.toolkitClientMessage = XESetWireToEvent(display, ClientMessage, copyClientMessage);
  target.toolkitSelectionNotify = XESetWireToEvent(display, SelectionNotify, copySelectionNotify);
  XFlush(display);
}
