// The viewer's own command line: palvetta [OPTION]... [FILE]
//
// parseCommandLine reads the arguments, the program's name first, before the toolkit is started,
// so that --help, --version and mistakes are answered without a display. The toolkit's own
// options (kToolkitOptions, each with whether it takes a value) are passed over for glutInit, which
// takes them from the same command line. "--" ends the options, so that a FILE may start with "-".
// Any other argument starting with "-" is an unknown option; a second FILE, or a toolkit option
// without its value, is a mistake too.
//
// --render OUT asks for the picture instead of the window, as an N x N PNG (--size N, from
// kMinPictureSize to kMaxPictureSize, kWindowSize without it) seen from --view
// DISTANCE,YAW,PITCH (three numbers with a dot for the decimals whatever the locale, not yet
// brought within the camera's limits; the start camera without it). --thumbnail OUT is the same
// for a file manager, which would rather keep its icon than show an empty floor: it needs a FILE,
// and is refused when FILE has no triangle to draw. --size and --view without one of them, a size
// out of range or a view that is not three finite numbers are mistakes.
//
// --whole reads every model of the run whole, in the window and in a picture alike.
//
// answerCommandLine prints what a command line other than `view` or `render` asks for and returns
// the exit status: the usage (which lists the controls) or the version on `out` and 0, or the
// mistake and the usage on `err` and 2.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "app/viewer_state.h"
#include "platform/failure.h"

enum class CommandLineAction { view, render, help, version, usageError };

inline constexpr int kMinPictureSize = 16;
inline constexpr int kMaxPictureSize = 4096;
// The window's width and height at 100 %, and a picture's without --size, so that a picture shows
// what the window would.
inline constexpr int kWindowSize = 640;

struct CameraView {
  double distance;
  double yaw;
  double pitch;
};

struct CommandLine {
  CommandLineAction action = CommandLineAction::view;
  std::optional<std::string> file;       // view, render: the model to show, if one was named
  Reading reading = Reading::specified;  // view, render: how every model of the run is read
  std::string error;                     // usageError: what was wrong
  std::string picture;                   // render: the PNG file to write
  bool thumbnail = false;                // render: only a FILE with a triangle to draw is pictured
  std::optional<int> pictureSize;        // render: width and height, kWindowSize when not given
  std::optional<CameraView> view;        // render: the camera, when not the start camera
};

struct ToolkitOption {
  const char* name;
  bool takesValue;
};

inline constexpr ToolkitOption kToolkitOptions[] = {
    {"-display", true}, {"-geometry", true}, {"-direct", false}, {"-indirect", false},
    {"-iconic", false}, {"-gldebug", false}, {"-sync", false}};

CommandLine parseCommandLine(const std::vector<std::string>& arguments);
int answerCommandLine(const CommandLine& commandLine, std::ostream& out, std::ostream& err);
