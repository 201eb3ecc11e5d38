#include "platform/chosen_file.h"

#include "platform/paths.h"

bool hasExtension(const std::string& path) {
  const std::string name = path.substr(lastComponentStart(path));
  // A leading dot marks a hidden file, or a name such as ".obj" as a whole, not an extension.
  return name.size() > 1 && name.find('.', 1) != std::string::npos;
}

std::optional<std::string> acceptChosenFile(const std::string& path) {
  if (isRegularFile(path)) {
    return path;
  }
  // Nothing to append to a folder's path, nor to a name that has its own extension.
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
  // The folder keeps its separator or drive colon: without them "/", "C:\" and "\" would turn into
  // "", "C:" and "", which name current directories rather than roots.
  if (!enterFolder(std::string_view(path).substr(0, start))) {
    return std::nullopt;
  }
  return path.substr(start);
}

std::optional<std::string> chosenFileToOpen(const std::string& chosen) {
  const std::optional<std::string> file = acceptChosenFile(chosen);
  if (!file) {
    return std::nullopt;
  }
  // Folders the process may not enter, or too deep to be the current directory, still hold files
  // the full path opens.
  const std::optional<std::string> name = enterFolderOf(*file);
  return name ? name : file;
}
