#include "tests/support/temp_files.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

struct TestFolder {
  std::string path;
  TestFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "palvetta-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot create a test folder");
    }
    path = pattern;
  }
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
