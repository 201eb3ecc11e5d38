// Windows: WM_DROPFILES on the toolkit's window, found through the current OpenGL context.
//
// The toolkit's window procedure is wrapped by one of ours that takes WM_DROPFILES and hands every
// other message on unchanged. The toolkit registered its window class with the ANSI functions, so
// the wrapper is installed and calls on with them too: the Unicode ones would convert the text of
// the toolkit's messages.
#include <windows.h>

#include <shellapi.h>

#include <optional>
#include <string>

#include "platform/file_drop.h"
#include "platform/windows/wide_text.h"

namespace {

FileDropHandler dropHandler = nullptr;
WNDPROC toolkitProcedure = nullptr;

// The first dropped name, as long as it is (no MAX_PATH limit), in UTF-8.
std::optional<std::string> firstDroppedFile(HDROP drop) {
  const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
  if (length == 0) {
    return std::nullopt;
  }
  std::wstring name(length + 1, L'\0');
  if (DragQueryFileW(drop, 0, name.data(), length + 1) != length) {
    return std::nullopt;
  }
  name.resize(length);
  return narrow(name);
}

LRESULT CALLBACK dropProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_DROPFILES) {
    return CallWindowProcA(toolkitProcedure, window, message, wParam, lParam);
  }
  const HDROP drop = reinterpret_cast<HDROP>(wParam);
  const std::optional<std::string> file = firstDroppedFile(drop);
  DragFinish(drop);
  if (file) {
    dropHandler(*file);
  }
  return 0;
}

}  // namespace

void acceptFileDrops(FileDropHandler onDrop) {
  const HWND window = WindowFromDC(wglGetCurrentDC());
  if (window == nullptr || toolkitProcedure != nullptr) {
    return;
  }
  dropHandler = onDrop;
  toolkitProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(dropProcedure)));
  DragAcceptFiles(window, TRUE);
}
