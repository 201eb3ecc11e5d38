// Windows: the Unicode command line, as Explorer passes it for "Open with" and for a file dropped
// onto the program, converted to UTF-8; and the parent's console for a GUI-subsystem program.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <memory>

#include "platform/process.h"
#include "platform/windows/wide_text.h"

namespace {

struct LocalFreeDeleter {
  void operator()(LPWSTR* block) const { LocalFree(block); }
};

// A handle the parent gave us: a console, or output redirected to a file or a pipe.
bool isConnected(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

std::vector<std::string> commandLineArguments(int /*argc*/, char** /*argv*/) {
  int count = 0;
  const std::unique_ptr<LPWSTR, LocalFreeDeleter> wide(
      CommandLineToArgvW(GetCommandLineW(), &count));
  std::vector<std::string> arguments;
  if (!wide) {
    return arguments;
  }
  for (int i = 0; i < count; ++i) {
    arguments.push_back(narrow(wide.get()[i]).value_or(std::string()));
  }
  return arguments;
}

void attachParentConsole() {
  static bool done = false;
  if (done) {
    return;
  }
  done = true;
  const bool outConnected = isConnected(STD_OUTPUT_HANDLE);
  const bool errConnected = isConnected(STD_ERROR_HANDLE);
  if ((outConnected && errConnected) || !AttachConsole(ATTACH_PARENT_PROCESS)) {
    return;
  }
  // The C runtime set its streams up before the console was there; point them at it.
  FILE* reopened = nullptr;
  if (!outConnected) {
    freopen_s(&reopened, "CONOUT$", "w", stdout);
  }
  if (!errConnected) {
    freopen_s(&reopened, "CONOUT$", "w", stderr);
  }
}

// The software renderer's buffers are a Linux matter: Windows draws through its own driver.
void keepFreedMemory() {}
