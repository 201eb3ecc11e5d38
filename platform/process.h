// The program's command line and the console its messages go to.
//
// commandLineArguments returns every argument, the program's name first, as UTF-8. On Linux these
// are argv's bytes as they are. On Windows argv is in the ANSI code page, which cannot spell every
// file name, so the arguments are read again from the process's Unicode command line; argc and
// argv are then not used.
//
// attachParentConsole makes standard output and error reach the console of the program that
// started this one, where they have nowhere else to go: a Windows program built for the GUI
// subsystem starts without a console. Output already redirected to a file or pipe stays there. It
// does nothing on Linux, and nothing when there is no such console.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> commandLineArguments(int argc, char** argv);
void attachParentConsole();
