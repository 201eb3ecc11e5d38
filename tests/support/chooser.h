// Driving the viewer's GTK file chooser from outside, shared by the end-to-end tests and the
// open-file benchmark.
//
// chooserStartsInWorkingFolder points GTK's data, configuration and cache folders at `folder` and
// turns GTK's recent files off there, so that every chooser opens in the viewer's working folder
// with its files listed in name order, not in an empty list of recent files.
#pragma once

#include <string>

bool chooserStartsInWorkingFolder(const std::string& folder);

// Serves `text` as the X clipboard and presses Ctrl+V in the chooser, which opens its location
// field with the text (typing a path would race the chooser's completion). True once the chooser
// has fetched the text and enabled its Open button: GTK does that 150 ms after the last change to
// the field, and until then Return does nothing.
bool pasteIntoLocation(unsigned long chooserWindow, const std::string& text);

// Whether the location field shows a completion GTK has added after the pasted text, selected, as
// the "/" it adds to a folder's name once it has listed the folder's parent. Return before that
// takes the completion instead of opening the folder, and the list stays where it was.
bool locationShowsCompletion(unsigned long chooserWindow);

// Selects the first file of the chooser's list, or the last, and gives the middle of its row in
// root coordinates; false when the chooser does not show it selected within kDialogTimeoutMs. A
// click on an empty part of the list gives the list the keyboard focus: a left one for the first
// file, since GTK may have left the keyboard in the location field; a middle one for the last,
// which a left one would spoil for a double-click that follows. Home, then End for the last,
// select. Assumes a list of a few files in a chooser of GTK's default size.
bool selectFile(unsigned long chooserWindow, bool last, int& rootX, int& rootY);
