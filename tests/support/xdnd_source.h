// A drag source of the XDND protocol in plain Xlib, dropping on a window as a file manager would.
//
// dragAndDrop opens a connection of its own to DISPLAY, owns XdndSelection from an unmapped
// window, and sends XdndEnter offering `types` and one XdndPosition at the middle of `target`; a
// target without XdndAware gets nothing, as file managers send it nothing. It answers a request
// for any offered type with `data`, whenever it comes. When the target accepts the position it
// drops, then waits for XdndFinished; when it refuses, it leaves. With `vanish` its window is gone
// right after the position, before the target can answer, as when a source crashes. Every wait
// ends after kDragTimeoutMs. X errors (a window that is gone) are ignored.
#pragma once

#include <string>
#include <vector>

constexpr int kDragTimeoutMs = 20000;

struct DragResult {
  bool answered = false;   // the target answered the position
  bool accepted = false;   // ... and would take the drop
  bool finished = false;   // XdndFinished came after the drop
  bool succeeded = false;  // ... saying the target took the data
};

enum class DragEnd { complete, vanish };

DragResult dragAndDrop(unsigned long target, const std::vector<std::string>& types,
                       const std::string& data, DragEnd end = DragEnd::complete);

// The file: URI of an absolute `path`, its bytes outside the unreserved set percent-encoded.
std::string fileUri(const std::string& path);
