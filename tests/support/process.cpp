#include "tests/support/process.h"

#ifdef _WIN32
#include <cstdlib>

int runShell(const std::string& shellCommand) {
  return std::system(shellCommand.c_str());
}
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "tests/support/wait.h"

extern char** environ;

namespace {

// The test's environment with `added` in place of the entries of the same names.
std::vector<std::string> environmentWith(const std::vector<std::string>& added) {
  std::vector<std::string> entries;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view text = *entry;
    bool replaced = false;
    for (const std::string& addition : added) {
      replaced = replaced || text.starts_with(addition.substr(0, addition.find('=') + 1));
    }
    if (!replaced) {
      entries.emplace_back(text);
    }
  }
  entries.insert(entries.end(), added.begin(), added.end());
  return entries;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) {
    pointers.push_back(text.data());
  }
  pointers.push_back(nullptr);
  return pointers;
}

// Puts `file` on descriptor `fd` in the child; false when it cannot be opened.
bool redirect(int fd, const std::string& file, int flags) {
  if (file.empty()) {
    return true;
  }
  const int opened = open(file.c_str(), flags, 0644);
  if (opened < 0 || dup2(opened, fd) < 0) {
    return false;
  }
  close(opened);
  return true;
}

}  // namespace

std::string shellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

std::string windowsPath(const std::filesystem::path& path) {
  std::string text = "Z:" + std::filesystem::absolute(path).string();
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

pid_t startProcess(const std::vector<std::string>& command, const ProcessSetup& setup) {
  // Everything the child needs is prepared here: between fork and exec only calls that are safe
  // in a copy of a multi-threaded process may run.
  std::vector<std::string> environment = environmentWith(setup.addedEnvironment);
  std::vector<std::string> arguments = command;
  const std::vector<char*> envp = pointersTo(environment);
  const std::vector<char*> argv = pointersTo(arguments);
  const pid_t parent = getpid();

  const pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent ||
        (!setup.workingDir.empty() && chdir(setup.workingDir.c_str()) != 0) ||
        !redirect(0, setup.inputFile, O_RDONLY) ||
        !redirect(2, setup.errorFile, O_WRONLY | O_CREAT | O_TRUNC) ||
        (setup.outputFd >= 0 && dup2(setup.outputFd, 1) < 0)) {
      _exit(127);
    }
    execvpe(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  return pid < 0 ? -1 : pid;
}

int waitForExit(pid_t pid) {
  int status = 0;
  pid_t result;
  while ((result = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
  }
  return result == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void stopProcess(pid_t pid) {
  if (pid <= 0) {
    return;
  }
  kill(pid, SIGTERM);
  const bool reaped = waitFor(
      [pid] {
        const pid_t result = waitpid(pid, nullptr, WNOHANG);
        return result == pid || (result < 0 && errno == ECHILD);
      },
      kViewerStopTimeoutMs);
  if (!reaped) {
    kill(pid, SIGKILL);
    waitForExit(pid);
  }
}

int runShell(const std::string& shellCommand) {
  const pid_t pid = startProcess({"sh", "-c", shellCommand});
  return pid < 0 ? -1 : waitForExit(pid);
}

bool runTool(const std::string& shellCommand) {
  return runShell("timeout 20 sh -c " + shellQuoted(shellCommand)) == 0;
}

CommandResult runCommand(const std::string& shellCommand) {
  CommandResult result;
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) {
    return result;
  }
  ProcessSetup setup;
  setup.outputFd = ends[1];
  const pid_t pid = startProcess({"sh", "-c", shellCommand}, setup);
  close(ends[1]);
  if (pid < 0) {
    close(ends[0]);
    return result;
  }
  char buffer[4096];
  for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) != 0;) {
    if (n > 0) {
      result.output.append(buffer, static_cast<std::size_t>(n));
    } else if (errno != EINTR) {
      break;
    }
  }
  close(ends[0]);
  result.status = waitForExit(pid);
  return result;
}
#endif
