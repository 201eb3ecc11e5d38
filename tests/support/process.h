// Starting programs from tests: the viewer, the tools that drive it (xdotool, xclip, xprop), Wine,
// shell commands whose output a test reads. Every child is started one way, by startProcess; the
// rest wait for it in the ways tests need.
//
// A child started here gets SIGTERM should the test process die first, so none is left behind.
// On Windows, where only the tests that need no display run, there is runShell alone.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/types.h>

// What a child gets other than the test's own: NAME=VALUE entries that replace or add to the
// environment, a working folder, and files or a descriptor for its standard streams.
struct ProcessSetup {
  std::vector<std::string> addedEnvironment;
  std::string workingDir;  // the test's own when empty
  std::string inputFile;   // standard input, the test's own when empty
  std::string errorFile;   // standard error, the test's own when empty
  int outputFd = -1;       // standard output, the test's own when -1
};

// Starts `command`, its program looked up in PATH when the name has no slash; the child's PID, or
// -1 when it could not be started.
pid_t startProcess(const std::vector<std::string>& command, const ProcessSetup& setup = {});

// Waits for the child to end and reaps it; its exit status, -1 when it did not exit by itself.
int waitForExit(pid_t pid);

// SIGTERM, then SIGKILL if it has not ended after kViewerStopTimeoutMs; reaps the child. Does
// nothing for a PID of -1.
void stopProcess(pid_t pid);

// Runs `shellCommand` through sh under `timeout 20`; true when it exits with 0. Its output goes
// where the test's goes.
bool runTool(const std::string& shellCommand);

struct CommandResult {
  int status = -1;     // the exit status; -1 when the command did not end by itself
  std::string output;  // what it wrote on standard output
};

// Runs `shellCommand` through sh, without a time limit of its own, and collects its output.
CommandResult runCommand(const std::string& shellCommand);

// `text` as one word of a shell command, whatever it holds.
std::string shellQuoted(const std::string& text);

// A path as programs under Wine name it: Wine shows the whole file system as drive Z:.
std::string windowsPath(const std::filesystem::path& path);
#endif

// Runs `shellCommand` through the system's shell and waits for it; its exit status, -1 when it did
// not exit by itself. Its output goes where the test's goes.
int runShell(const std::string& shellCommand);
