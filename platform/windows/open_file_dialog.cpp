// The Windows open-file dialog: the common dialog library's wide-character GetOpenFileNameW, so
// that names in every script reach the program, which keeps them in UTF-8.
#include <windows.h>

#include <commdlg.h>
#include <shlwapi.h>

#include <cwchar>
#include <vector>

#include "platform/chosen_file.h"
#include "platform/open_file_dialog.h"
#include "platform/paths.h"
#include "platform/windows/wide_text.h"

namespace {

// The dialog stops at 259 characters, but may hand back longer names where the system allows
// them, and a buffer too small for the answer makes it fail like a cancel. So: room for the
// longest path the wide-character file functions take, and its terminator.
constexpr DWORD kPathChars = 32768;

// Label and pattern pairs, each ending in a NUL, the list ending in an empty label. The second
// label is Japanese for "all files", the same label the Linux dialog shows.
constexpr wchar_t kFilter[] =
    L"Obj File (*.obj)\0*.obj\0"
    L"すべて(*.*)\0*.*\0";

// The pattern of the filter at `index` in kFilter, the first being 0.
const wchar_t* filterPattern(int index) {
  const wchar_t* entry = kFilter;
  for (int i = 0; i < 2 * index + 1; ++i) {
    entry += std::wcslen(entry) + 1;
  }
  return entry;
}

// A filter's pattern, matched as the dialog matches it.
bool filterShows(int index, const std::string& name) {
  const std::filesystem::path native = nativePath(name);
  return !native.empty() && PathMatchSpecW(native.c_str(), filterPattern(index)) != FALSE;
}

std::wstring currentDirectory() {
  const DWORD needed = GetCurrentDirectoryW(0, nullptr);
  std::wstring folder(needed, L'\0');
  const DWORD written = GetCurrentDirectoryW(needed, folder.data());
  folder.resize(written < needed ? written : 0);
  return folder;
}

std::optional<std::string> runDialog() {
  // Cleared, so no name is proposed.
  std::vector<wchar_t> path(kPathChars, L'\0');
  OPENFILENAMEW request = {};
  request.lStructSize = sizeof request;
  request.hwndOwner = nullptr;
  request.lpstrFilter = kFilter;
  request.nFilterIndex = 1;
  request.lpstrFile = path.data();
  request.nMaxFile = kPathChars;
  request.lpstrTitle = L"Obj File";
  request.lpstrDefExt = L"obj";
  request.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&request)) {
    return std::nullopt;
  }
  return narrow(path.data());
}

}  // namespace

std::optional<std::string> chooseObjFile() {
  // The dialog moves the current directory as the user browses, and where it leaves it depends on
  // how the file was chosen: a typed full path leaves it alone. OFN_NOCHANGEDIR does not hold for
  // open dialogs on every version of Windows. So the directory is put back here, whatever the
  // outcome, and a choice then moves it on purpose.
  const std::wstring before = currentDirectory();
  const std::optional<std::string> chosen = runDialog();
  if (!before.empty()) {
    SetCurrentDirectoryW(before.c_str());
  }
  if (!chosen) {
    return std::nullopt;
  }
  return chosenFileToOpen(*chosen);
}

// The common dialog has gone by the time GetOpenFileNameW returns.
void releaseObjFileChooser() {}

bool objFilterShows(const std::string& name) {
  return filterShows(0, name);
}

bool allFilesFilterShows(const std::string& name) {
  return filterShows(1, name);
}
