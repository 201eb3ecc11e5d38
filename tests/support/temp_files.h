// Files written by a test into a folder of its own, removed when the process ends.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

// The folder for this test process's files, created at the first call.
const std::string& testFolder();

// Writes `contents` byte for byte to `name` inside testFolder() and returns the full path.
std::string writeTestFile(std::string_view name, std::string_view contents);

// The bytes of any file, empty when it cannot be read.
std::string readTestFile(const std::filesystem::path& path);

// A fixture for tests that move the current directory, as choosing a file does: each test starts
// in `startFolder` and the directory is put back there afterwards.
class CurrentDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override { startFolder = std::filesystem::current_path(); }
  void TearDown() override { std::filesystem::current_path(startFolder); }
  std::filesystem::path startFolder;
};
