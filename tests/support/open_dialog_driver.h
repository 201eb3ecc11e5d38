// Drives the viewer's open-file dialog on Windows through its own controls, as a person at the
// keyboard would but without depending on where anything is drawn: finds the window titled
// "Obj File", writes a name into its file-name field and presses Open, or presses Cancel. Works
// from another thread of the dialog's process and from another process alike.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The open dialog's window titled "Obj File"; nullptr when none appears within `timeoutMs`.
HWND waitForOpenDialog(int timeoutMs);

// Writes `name` into the file-name field and presses Open; returns once the dialog has handled the
// press: it has then closed on a file, or moved into a folder and stays open. False when the
// dialog has no file-name field.
bool typeNameAndOpen(HWND dialog, const std::wstring& name);

// Presses Cancel, as the Escape key does.
void pressCancel(HWND dialog);

// True once `dialog` is gone, false when it is still there after `timeoutMs`.
bool waitForDialogClosed(HWND dialog, int timeoutMs);

// The labels of the dialog's file-type list in their order, and the index of the one selected.
std::vector<std::wstring> fileTypeLabels(HWND dialog, int& selected);

// The text in the file-name field.
std::wstring fileNameText(HWND dialog);
