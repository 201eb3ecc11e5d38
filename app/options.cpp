#include "app/options.h"

#include <charconv>
#include <cmath>
#include <ostream>
#include <system_error>
#include <utility>

namespace {

constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "Usage: palvetta [OPTION]... [FILE]\n"
    "  or:  palvetta --render OUT.png [--size N] [--view DISTANCE,YAW,PITCH] [--whole]\n"
    "                [FILE]\n"
    "Shows the Wavefront OBJ model FILE, coloured by its MTL materials, standing on a\n"
    "checkerboard floor. Without FILE the viewer starts with the floor alone.\n"
    "By default it reads a small subset of OBJ: triangles written v//n, at most 4096,\n"
    "and says on standard error what it left out of FILE; --whole draws every face.\n"
    "\n"
    "Options:\n"
    "  --help            show this help and exit\n"
    "  --version         show the version and exit\n"
    "  --whole           read every model of this run whole, at any size: faces\n"
    "                    written v, v/t, v//n or v/t/n, polygons, relative numbers;\n"
    "                    the model is centred on the floor and fitted in height too\n"
    "  -display DISPLAY  the X display to use; the window toolkit's other options are\n"
    "                    passed on to it as well\n"
    "  --render OUT.png  write the picture the window would show first to OUT.png\n"
    "                    instead of opening the window; needs no display\n"
    "  --size N          the picture's width and height, 16 to 4096 (default 640)\n"
    "  --view DISTANCE,YAW,PITCH\n"
    "                    the camera, for example 15,-30,-30 (the start camera)\n"
    "  --thumbnail OUT.png\n"
    "                    like --render, but writes nothing for a FILE with no triangle\n"
    "                    to draw\n"
    "\n"
    "Controls:\n"
    "  l                 choose an OBJ file in a dialog and show it\n"
    "  drop a file       show the OBJ file dropped on the window from a file manager\n"
    "  right-drag        orbit the camera around the floor\n"
    "  left-drag         move the camera away (drag down) or nearer (drag up)\n"
    "  Escape            stop reading a model read whole; the model shown stays\n"
    "Closing the window ends the program.\n";

bool isPictureOption(const std::string& argument) {
  return argument == "--render" || argument == "--thumbnail" || argument == "--size" ||
         argument == "--view";
}

const ToolkitOption* findToolkitOption(const std::string& argument) {
  for (const ToolkitOption& option : kToolkitOptions) {
    if (argument == option.name) {
      return &option;
    }
  }
  return nullptr;
}

CommandLine mistake(std::string error) {
  CommandLine commandLine;
  commandLine.action = CommandLineAction::usageError;
  commandLine.error = std::move(error);
  return commandLine;
}

// A whole decimal number within the picture sizes.
std::optional<int> pictureSize(const std::string& text) {
  int size = 0;
  const char* end = text.data() + text.size();
  const std::from_chars_result result = std::from_chars(text.data(), end, size);
  if (result.ec != std::errc() || result.ptr != end || size < kMinPictureSize ||
      size > kMaxPictureSize) {
    return std::nullopt;
  }
  return size;
}

// Three finite numbers separated by commas; from_chars reads them the same in every locale.
std::optional<CameraView> cameraView(const std::string& text) {
  double values[3] = {};
  const char* next = text.data();
  const char* end = text.data() + text.size();
  for (int i = 0; i < 3; ++i) {
    const std::from_chars_result result = std::from_chars(next, end, values[i]);
    if (result.ec != std::errc() || !std::isfinite(values[i])) {
      return std::nullopt;
    }
    const char expected = i < 2 ? ',' : '\0';
    if ((result.ptr == end ? '\0' : *result.ptr) != expected) {
      return std::nullopt;
    }
    next = result.ptr + 1;
  }
  return CameraView{values[0], values[1], values[2]};
}

// Stores the value of a picture option; says what is wrong with it, if anything.
Failure takePictureOption(CommandLine& commandLine, const std::string& option,
                          const std::string& value) {
  if (option == "--size") {
    commandLine.pictureSize = pictureSize(value);
    if (!commandLine.pictureSize) {
      return "--size takes a whole number from 16 to 4096, not '" + value + "'";
    }
  } else if (option == "--view") {
    commandLine.view = cameraView(value);
    if (!commandLine.view) {
      return "--view takes DISTANCE,YAW,PITCH as three numbers, not '" + value + "'";
    }
  } else if (!commandLine.picture.empty()) {
    return "only one picture can be written, but '" + value + "' is a second";
  } else {
    commandLine.picture = value;
    commandLine.thumbnail = option == "--thumbnail";
  }
  return std::nullopt;
}

// The mistakes that only the whole command line shows.
CommandLine checkPictureOptions(CommandLine commandLine) {
  if (commandLine.action != CommandLineAction::view) {
    return commandLine;
  }
  if (commandLine.picture.empty()) {
    const bool pictureOptionGiven = commandLine.pictureSize || commandLine.view;
    return pictureOptionGiven ? mistake("--size and --view go with --render or --thumbnail")
                              : commandLine;
  }
  if (commandLine.thumbnail && !commandLine.file) {
    return mistake("--thumbnail needs the FILE to picture");
  }
  commandLine.action = CommandLineAction::render;
  return commandLine;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine commandLine;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      if (commandLine.file) {
        return mistake("only one FILE can be shown, but '" + argument + "' is a second");
      }
      commandLine.file = argument;
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "--help") {
      commandLine.action = CommandLineAction::help;
    } else if (argument == "--version") {
      commandLine.action = CommandLineAction::version;
    } else if (argument == "--whole") {
      commandLine.reading = Reading::whole;
    } else if (isPictureOption(argument)) {
      if (++i == arguments.size() || arguments[i].empty()) {
        return mistake("option '" + argument + "' needs a value");
      }
      if (const Failure failure = takePictureOption(commandLine, argument, arguments[i])) {
        return mistake(*failure);
      }
    } else if (const ToolkitOption* option = findToolkitOption(argument)) {
      if (option->takesValue && ++i == arguments.size()) {
        return mistake("option '" + argument + "' needs a value");
      }
    } else {
      return mistake("unknown option '" + argument + "'");
    }
  }
  return checkPictureOptions(std::move(commandLine));
}

int answerCommandLine(const CommandLine& commandLine, std::ostream& out, std::ostream& err) {
  switch (commandLine.action) {
    case CommandLineAction::help:
      out << kUsage;
      return 0;
    case CommandLineAction::version:
      out << "palvetta " << PALVETTA_VERSION << '\n';
      return 0;
    case CommandLineAction::usageError:
      err << "palvetta: " << commandLine.error << '\n' << kUsage;
      return kExitUsage;
    case CommandLineAction::view:
    case CommandLineAction::render:
      break;
  }
  return 0;
}
