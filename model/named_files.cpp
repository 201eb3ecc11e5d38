#include "model/named_files.h"

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <system_error>
#include <utility>
#include <vector>

#include "model/ascii_case.h"
#include "platform/paths.h"

namespace {

#ifdef _WIN32
constexpr bool kFileSystemIgnoresCase = true;
#else
constexpr bool kFileSystemIgnoresCase = false;
#endif

bool isSeparator(char c) {
  return c == '/' || c == '\\';
}

// A name cut at its separators: what stands before its first component ("/" when it is absolute)
// and its components, none of them empty.
struct SplitName {
  std::string root;
  std::vector<std::string_view> components;
};

std::string rootOf(std::string_view name) {
  const bool first = !name.empty() && isSeparator(name[0]);
#ifdef _WIN32
  // Collapsing the pair that starts a network path would turn it into a path on the current drive.
  if (first && name.size() >= 2 && isSeparator(name[1])) {
    return "//";
  }
  return first ? "/" : "";
#else
  return first && name[0] == '/' ? "/" : "";
#endif
}

SplitName splitName(std::string_view name) {
  SplitName split{rootOf(name), {}};
  std::size_t start = 0;
  while (start < name.size()) {
    std::size_t end = start;
    while (end < name.size() && !isSeparator(name[end])) {
      ++end;
    }
    if (end > start) {
      split.components.push_back(name.substr(start, end - start));
    }
    start = end + 1;
  }
  return split;
}

std::string joined(std::string path, const std::vector<std::string_view>& components) {
  for (std::size_t i = 0; i < components.size(); ++i) {
    if (i > 0) {
      path += '/';
    }
    path += components[i];
  }
  return path;
}

// With its separator, so that a component can be appended; empty for a file in the current folder.
std::string folderOf(std::string_view file) {
  return std::string(file.substr(0, lastComponentStart(file)));
}

bool isFolder(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(nativePath(path), error);
}

// The entries of `folder` spelled like `component` in other cases, smallest first, so that the
// choice among them does not hang on the order the file system lists them in.
std::vector<std::string> otherCases(const std::string& folder, std::string_view component) {
  std::vector<std::string> found;
  std::error_code error;
  std::filesystem::directory_iterator entry(nativePath(folder.empty() ? "." : folder), error);
  for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
    std::string name = utf8Path(entry->path().filename());
    if (name != component && sameLetters(name, component)) {
      found.push_back(std::move(name));
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

// The entry of `folder` that `component` stands for, a folder or (for the last component) a
// regular file: spelled exactly if there is one, else in another case where case is not ignored.
std::string entryFor(const std::string& folder, std::string_view component, bool last) {
  const auto fits = [last](const std::string& path) {
    return last ? isRegularFile(path) : isFolder(path);
  };
  std::string exact = folder + std::string(component);
  if (fits(exact)) {
    return exact;
  }
  if (kFileSystemIgnoresCase) {
    return std::string();
  }
  for (const std::string& name : otherCases(folder, component)) {
    if (fits(folder + name)) {
      return folder + name;
    }
  }
  return std::string();
}

// `folder` with components [from, to) appended, each ending in a separator.
std::string appended(std::string folder, const std::vector<std::string_view>& components,
                     std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; ++i) {
    folder += components[i];
    folder += '/';
  }
  return folder;
}

// Where the run of folders spelled exactly that starts at `from` ends, before the last component.
// Every folder a path passes through is one, so the prefixes that are folders come in one run and
// halving finds its end: a name of thousands of components, such as "../../..", costs a few tests
// instead of one for each component over a path ever longer.
std::size_t exactFoldersEnd(const std::string& folder,
                            const std::vector<std::string_view>& components, std::size_t from) {
  std::size_t known = from;
  std::size_t beyond = components.size();
  while (beyond - known > 1) {
    const std::size_t middle = known + (beyond - known) / 2;
    if (isFolder(appended(folder, components, from, middle))) {
      known = middle;
    } else {
      beyond = middle;
    }
  }
  return known;
}

// `components` matched one by one under `folder`; empty as soon as one has no match.
std::string matchedPath(std::string folder, const std::vector<std::string_view>& components) {
  std::size_t i = 0;
  while (true) {
    const std::size_t end = exactFoldersEnd(folder, components, i);
    folder = appended(std::move(folder), components, i, end);
    i = end;
    const bool last = i + 1 == components.size();
    std::string entry = entryFor(folder, components[i], last);
    if (entry.empty() || last) {
      return entry;
    }
    folder = entry + '/';
    ++i;
  }
}

}  // namespace

std::string findNamedFile(std::string_view namingFile, std::string_view name,
                          std::string_view objFile) {
  const SplitName split = splitName(name);
  if (split.components.empty()) {
    return std::string();
  }
  // The one test a name that is right costs; everything after it lists folders.
  std::string path = besideFile(namingFile, joined(split.root, split.components));
  if (isRegularFile(path)) {
    return path;
  }
  if (!kFileSystemIgnoresCase) {
    path = matchedPath(split.root.empty() ? folderOf(namingFile) : split.root, split.components);
    if (!path.empty()) {
      return path;
    }
  }
  const std::vector<std::string_view> last{split.components.back()};
  for (const std::string_view file : {namingFile, objFile}) {
    path = matchedPath(folderOf(file), last);
    if (!path.empty()) {
      return path;
    }
  }
  return std::string();
}
