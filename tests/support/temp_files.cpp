#include "tests/support/temp_files.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace {

#ifdef _WIN32
// No mkdtemp: random names until one is new, always six digits long as mkdtemp's are, so that
// tests of long paths see the same length in every run.
std::string makeFolder() {
  std::random_device entropy;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string number = std::to_string(100000 + entropy() % 900000);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("palvetta-test-" + number);
    std::error_code error;
    if (std::filesystem::create_directory(folder, error)) {
      return folder.string();
    }
  }
  throw std::runtime_error("cannot create a test folder");
}
#else
std::string makeFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "palvetta-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a test folder");
  }
  return pattern;
}
#endif

struct TestFolder {
  std::string path = makeFolder();
  ~TestFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

}  // namespace

const std::string& testFolder() {
  static TestFolder folder;
  return folder.path;
}

std::string writeTestFile(std::string_view name, std::string_view contents) {
  const std::string path = testFolder() + "/" + std::string(name);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  if (!out) {
    throw std::runtime_error("cannot write " + path);
  }
  return path;
}

std::string readTestFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
