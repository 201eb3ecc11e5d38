// Windows: UTF-8 names in, wide-character file calls out, with both separators Windows accepts and
// drive prefixes.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdint>

#include "platform/paths.h"
#include "platform/windows/wide_text.h"

namespace {

bool hasDrive(std::string_view path) {
  const char c = path.size() >= 2 && path[1] == ':' ? path[0] : '\0';
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Opens `path` with `access` and keeps it open only when it is a file on disk, which also tells a
// file from a device such as NUL or CON, found under any folder.
HANDLE openIfRegular(std::string_view path, DWORD access, DWORD flags, long long& bytes) {
  const std::filesystem::path native = nativePath(path);
  if (native.empty()) {
    return INVALID_HANDLE_VALUE;
  }
  const HANDLE file =
      CreateFileW(native.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, flags, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return INVALID_HANDLE_VALUE;
  }
  BY_HANDLE_FILE_INFORMATION information;
  if (GetFileType(file) != FILE_TYPE_DISK || GetFileInformationByHandle(file, &information) == 0 ||
      (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
  }
  bytes =
      static_cast<long long>((static_cast<unsigned long long>(information.nFileSizeHigh) << 32) |
                             information.nFileSizeLow);
  return file;
}

}  // namespace

std::filesystem::path nativePath(std::string_view utf8) {
  return std::filesystem::path(widen(utf8).value_or(std::wstring()));
}

std::string utf8Path(const std::filesystem::path& path) {
  return narrow(path.native()).value_or(std::string());
}

bool isRegularFile(std::string_view path) {
  // Opening for the attributes alone reads nothing; backup semantics let a folder open, to be
  // turned away by the test rather than by an error.
  long long bytes = 0;
  const HANDLE file = openIfRegular(path, FILE_READ_ATTRIBUTES, FILE_FLAG_BACKUP_SEMANTICS, bytes);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  CloseHandle(file);
  return true;
}

int openRegularFile(const char* path, long long& bytes) {
  const HANDLE file = openIfRegular(path, GENERIC_READ, FILE_ATTRIBUTE_NORMAL, bytes);
  if (file == INVALID_HANDLE_VALUE) {
    return -1;
  }
  // The descriptor owns the handle from here on: closing it closes both.
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(file);
  }
  return fd;
}

// After the last separator, or after a drive ("C:name" is name in the current folder of drive C).
std::size_t lastComponentStart(std::string_view path) {
  const std::size_t separator = path.find_last_of("\\/");
  if (separator != std::string_view::npos) {
    return separator + 1;
  }
  return hasDrive(path) ? 2 : 0;
}

bool enterFolder(std::string_view folder) {
  const std::filesystem::path native = nativePath(folder);
  return !native.empty() && SetCurrentDirectoryW(native.c_str()) != 0;
}
