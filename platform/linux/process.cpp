// Linux: file names are bytes, and the terminal that started the viewer already has its output.
#include "platform/process.h"

std::vector<std::string> commandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void attachParentConsole() {}
