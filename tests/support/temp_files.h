// Files written by a test into a folder of its own, removed when the process ends.
#pragma once

#include <string>
#include <string_view>

// The folder for this test process's files, created at the first call.
const std::string& testFolder();

// Writes `contents` byte for byte to `name` inside testFolder() and returns the full path.
std::string writeTestFile(std::string_view name, std::string_view contents);
