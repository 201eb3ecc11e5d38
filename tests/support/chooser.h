// Driving the viewer's GTK file chooser from outside, shared by the end-to-end tests and the
// open-file benchmark.
//
// Clipboard serves a text as the X clipboard until stopped: typing a path races the chooser's
// completion, a pasted one does not. Typing it into the location field is pasteIntoLocation's job.
//
// chooserStartsInWorkingFolder points GTK's data, configuration and cache folders at `folder` and
// turns GTK's recent files off there, so that every chooser opens in the viewer's working folder
// with its files listed in name order, not in an empty list of recent files.
//
// focusFileList and selectedRow assume a list of a few files in a chooser of GTK's default size.
// selectedRow finds the highlighted row of the chooser's file list in a capture of its window and
// gives the middle of that row in root coordinates; false when no row is highlighted.
#pragma once

#include <sys/types.h>

#include <string>

struct Clipboard {
  pid_t pid = -1;
  bool serve(const std::string& text);
  void stop();
  ~Clipboard() { stop(); }
};

bool chooserStartsInWorkingFolder(const std::string& folder);

// Opens the chooser's location field with Ctrl+L and pastes the clipboard into it. The keys are
// held a moment, as a person holds them: a release within microseconds of the press reaches the
// field before GTK has finished building it.
bool pasteIntoLocation();

bool selectedRow(unsigned long chooserWindow, int& rootX, int& rootY);

// Clicks an empty part of the chooser's file list, which gives the list the keyboard focus; Home
// then selects the first file. GTK remembers within a process whether
// the location field was open, and then that field has the focus.
bool focusFileList(unsigned long chooserWindow);
