// What paths.h says the same way on every platform, over each platform's primitives.
#include "platform/paths.h"

std::string besideFile(std::string_view file, std::string_view name) {
  const std::size_t folderEnd = lastComponentStart(file);
  if (folderEnd == 0 || nativePath(name).has_root_path()) {
    return std::string(name);
  }
  std::string path(file.substr(0, folderEnd));
  path += name;
  return path;
}
