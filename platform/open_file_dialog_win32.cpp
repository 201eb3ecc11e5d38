// The Windows open-file dialog: the common dialog library's GetOpenFileNameA, which leaves the
// current directory at the chosen file's folder because OFN_NOCHANGEDIR is not set.
#include <windows.h>

#include <commdlg.h>

#include "platform/open_file_dialog.h"

namespace {

// Room for a path of 255 characters and its terminator; cleared, so no name is proposed.
constexpr DWORD kPathBytes = 256;

// Label and pattern pairs, each ending in a NUL, the list ending in an empty label. The second
// label is the Japanese "all files" label of the Linux dialog in Shift_JIS bytes, the code page
// the A-functions take it in.
constexpr char kFilter[] =
    "Obj File (*.obj)\0*.obj\0"
    "\x82\xb7\x82\xd7\x82\xc4(*.*)\0*.*\0";

}  // namespace

std::optional<std::string> chooseObjFile() {
  char path[kPathBytes] = {};
  OPENFILENAMEA request = {};
  request.lStructSize = sizeof request;
  request.hwndOwner = nullptr;
  request.lpstrFilter = kFilter;
  request.nFilterIndex = 1;
  request.lpstrFile = path;
  request.nMaxFile = kPathBytes;
  request.lpstrTitle = "Obj File";
  request.lpstrDefExt = "obj";
  request.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;  // 0x1804
  if (!GetOpenFileNameA(&request)) {
    return std::nullopt;
  }
  return std::string(path);
}

// The common dialog has gone by the time GetOpenFileNameA returns.
void releaseObjFileChooser() {}
