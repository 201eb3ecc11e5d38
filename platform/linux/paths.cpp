// Linux: names are bytes, handed to the system as they are.
#include "platform/paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens `path` with `flags` and keeps it open only when it is a regular file.
int openIfRegular(const char* path, int flags, long long& bytes) {
  const int fd = open(path, flags | O_CLOEXEC);
  if (fd < 0) {
    return -1;
  }
  struct stat status;
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(fd);
    return -1;
  }
  bytes = status.st_size;
  return fd;
}

}  // namespace

std::filesystem::path nativePath(std::string_view utf8) {
  return std::filesystem::path(utf8);
}

std::string utf8Path(const std::filesystem::path& path) {
  return path.native();
}

bool isRegularFile(std::string_view path) {
  // O_PATH reads nothing and needs no right to read: the file's kind is all that is asked.
  long long bytes = 0;
  const int fd = openIfRegular(std::string(path).c_str(), O_PATH, bytes);
  if (fd < 0) {
    return false;
  }
  close(fd);
  return true;
}

int openRegularFile(const char* path, long long& bytes) {
  // Non-blocking, so that opening a FIFO does not wait for a writer; the check then turns it away
  // like every other file that is not regular.
  return openIfRegular(path, O_RDONLY | O_NONBLOCK, bytes);
}

std::size_t lastComponentStart(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

bool enterFolder(std::string_view folder) {
  return chdir(std::string(folder).c_str()) == 0;
}
