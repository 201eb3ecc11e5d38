// palvetta_dialog_driver: presses the buttons of a running viewer's open-file dialog for the
// end-to-end tests, which run the Windows viewer under Wine and cannot reach into its dialog from
// outside. Waits for the dialog titled "Obj File", then
//   palvetta_dialog_driver open PATH   writes PATH into the file-name field and presses Open.
// (Escape, which cancels, is pressed as a person presses it, through the X server.)
// Exits with 0 once the dialog has closed, 1 on a wrong command line, 2 when no dialog appeared,
// 3 when it did not close.
#include <windows.h>

#include <shellapi.h>

#include <memory>
#include <string>

#include "tests/support/open_dialog_driver.h"
#include "tests/support/wait.h"

namespace {

struct LocalMemoryFree {
  void operator()(LPWSTR* arguments) const { LocalFree(arguments); }
};

}  // namespace

int main() {
  int count = 0;
  const std::unique_ptr<LPWSTR, LocalMemoryFree> arguments(
      CommandLineToArgvW(GetCommandLineW(), &count));
  if (!arguments || count != 3 || std::wstring(arguments.get()[1]) != L"open") {
    return 1;
  }
  const HWND dialog = waitForOpenDialog(kDialogTimeoutMs);
  if (dialog == nullptr) {
    return 2;
  }
  if (!typeNameAndOpen(dialog, arguments.get()[2])) {
    return 3;
  }
  return waitForDialogClosed(dialog, kDialogTimeoutMs) ? 0 : 3;
}
