#include "platform/chosen_file.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isRegularFile(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string lastComponent(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool hasExtension(const std::string& path) {
  const std::string name = lastComponent(path);
  // A leading dot marks a hidden file, not an extension.
  return name.size() > 1 && name.find('.', 1) != std::string::npos;
}

std::optional<std::string> acceptChosenFile(const std::string& path) {
  if (isRegularFile(path)) {
    return path;
  }
  if (path.empty() || path.back() == '/' || hasExtension(path)) {
    return std::nullopt;
  }
  std::string extended = path + "." + kDefaultExtension;
  if (isRegularFile(extended)) {
    return extended;
  }
  return std::nullopt;
}

std::optional<std::string> enterFolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return path;  // already relative to the current directory
  }
  const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  if (chdir(folder.c_str()) != 0) {
    return std::nullopt;
  }
  return path.substr(slash + 1);
}
