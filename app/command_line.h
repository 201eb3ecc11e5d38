// The viewer's own command line: palvetta [OPTION]... [FILE]
//
// parseCommandLine reads the arguments, the program's name first, before the toolkit is started,
// so that --help, --version and mistakes are answered without a display. The toolkit's own
// options (kToolkitOptions, the first two with a value) are passed over for glutInit, which takes
// them from the same command line. "--" ends the options, so that a FILE may start with "-". Any
// other argument starting with "-" is an unknown option; a second FILE, or a toolkit option
// without its value, is a mistake too.
//
// answerCommandLine prints what a command line other than `view` asks for and returns the exit
// status: the usage (which lists the controls) or the version on `out` and 0, or the mistake and
// the usage on `err` and 2.
//
// openModelFile loads FILE the way a choice in the open-file dialog loads it: the file's folder
// becomes the current directory, so that its material library is found, and the model replaces
// the one on display, fitted to the floor. When FILE is not a regular file that can be read it
// returns the line for standard error, naming FILE and why, and changes nothing.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "app/viewer_state.h"

enum class CommandLineAction { view, help, version, usageError };

struct CommandLine {
  CommandLineAction action = CommandLineAction::view;
  std::optional<std::string> file;  // view: the model to show first, if one was named
  std::string error;                // usageError: what was wrong
};

inline constexpr const char* kToolkitOptions[] = {"-display", "-geometry", "-direct", "-indirect",
                                                  "-iconic",  "-gldebug",  "-sync"};
inline constexpr int kToolkitOptionsWithValue = 2;

CommandLine parseCommandLine(const std::vector<std::string>& arguments);
int answerCommandLine(const CommandLine& commandLine, std::ostream& out, std::ostream& err);
std::optional<std::string> openModelFile(ViewerState& state, const std::string& file);
