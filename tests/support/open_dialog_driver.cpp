#include "tests/support/open_dialog_driver.h"

#include <commdlg.h>
#include <dlgs.h>

#include "tests/support/wait.h"

namespace {

// The file-name field: a combo box in the dialog of today, an edit field in the old-style one.
HWND fileNameField(HWND dialog) {
  const HWND combo = GetDlgItem(dialog, cmb13);
  return combo != nullptr ? combo : GetDlgItem(dialog, edt1);
}

std::wstring windowText(HWND window) {
  const auto length = static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const auto copied = static_cast<int>(
      SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

void pressButton(HWND dialog, int id) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace

HWND waitForOpenDialog(int timeoutMs) {
  HWND dialog = nullptr;
  waitFor(
      [&] {
        // The dialog class: a message box of the dialog's own has no title, but keep to dialogs.
        dialog = FindWindowW(L"#32770", L"Obj File");
        return dialog != nullptr && IsWindowVisible(dialog);
      },
      timeoutMs);
  return dialog != nullptr && IsWindowVisible(dialog) ? dialog : nullptr;
}

bool typeNameAndOpen(HWND dialog, const std::wstring& name) {
  const HWND field = fileNameField(dialog);
  if (field == nullptr) {
    return false;
  }
  SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
  pressButton(dialog, IDOK);
  return true;
}

void pressCancel(HWND dialog) {
  pressButton(dialog, IDCANCEL);
}

bool waitForDialogClosed(HWND dialog, int timeoutMs) {
  return waitFor([dialog] { return !IsWindow(dialog); }, timeoutMs);
}

std::vector<std::wstring> fileTypeLabels(HWND dialog, int& selected) {
  const HWND list = GetDlgItem(dialog, cmb1);
  std::vector<std::wstring> labels;
  selected = -1;
  if (list == nullptr) {
    return labels;
  }
  const auto count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const auto length = SendMessageW(list, CB_GETLBTEXTLEN, i, 0);
    if (length < 0) {
      continue;
    }
    std::wstring label(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(label.data()));
    label.resize(static_cast<std::size_t>(length));
    labels.push_back(label);
  }
  selected = static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
  return labels;
}

std::wstring fileNameText(HWND dialog) {
  const HWND field = fileNameField(dialog);
  return field != nullptr ? windowText(field) : std::wstring();
}
