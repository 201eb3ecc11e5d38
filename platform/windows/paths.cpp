// The Windows form of the chosen-file rules: UTF-8 names in, wide-character file calls out, with
// both separators Windows accepts and drive prefixes.
#include <windows.h>

#include "platform/chosen_file.h"
#include "platform/windows/wide_text.h"

namespace {

bool hasDrive(const std::string& path) {
  const char c = path.size() >= 2 && path[1] == ':' ? path[0] : '\0';
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Where the last component starts: after the last separator, or after a drive ("C:name" is
// name in the current folder of drive C).
std::size_t lastComponentStart(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  if (separator != std::string::npos) {
    return separator + 1;
  }
  return hasDrive(path) ? 2 : 0;
}

// Opening for the attributes alone reads nothing, and also tells a file on disk from a device
// such as NUL or CON, which Windows finds under any folder.
bool isRegularFile(const std::string& path) {
  const std::optional<std::wstring> wide = widen(path);
  if (!wide || wide->empty()) {
    return false;
  }
  const HANDLE file = CreateFileW(wide->c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  BY_HANDLE_FILE_INFORMATION information;
  const bool regular = GetFileType(file) == FILE_TYPE_DISK &&
                       GetFileInformationByHandle(file, &information) != 0 &&
                       (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  CloseHandle(file);
  return regular;
}

}  // namespace

bool hasExtension(const std::string& path) {
  const std::string name = path.substr(lastComponentStart(path));
  // A leading dot marks a name such as ".obj" as a whole, not an extension.
  return name.size() > 1 && name.find('.', 1) != std::string::npos;
}

std::optional<std::string> acceptChosenFile(const std::string& path) {
  if (isRegularFile(path)) {
    return path;
  }
  if (lastComponentStart(path) == path.size() || hasExtension(path)) {
    return std::nullopt;
  }
  std::string extended = path + "." + kDefaultExtension;
  if (isRegularFile(extended)) {
    return extended;
  }
  return std::nullopt;
}

std::optional<std::string> enterFolderOf(const std::string& path) {
  const std::size_t start = lastComponentStart(path);
  if (start == 0) {
    return path;  // already relative to the current directory
  }
  // The folder keeps its separator or drive colon: without them "C:\" and "\" would turn into
  // "C:" and "", which name current directories rather than roots.
  const std::optional<std::wstring> folder = widen(std::string_view(path).substr(0, start));
  if (!folder || SetCurrentDirectoryW(folder->c_str()) == 0) {
    return std::nullopt;
  }
  return path.substr(start);
}
