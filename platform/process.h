// The program's command line, the console its messages go to, and how it keeps freed memory.
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
//
// keepFreedMemory asks the C library to keep memory freed at the top of the heap, up to a few tens
// of megabytes, for the next allocations rather than give it back to the system at once. Mesa's
// software renderer allocates and frees large buffers for every batch of a large model's
// triangles; given back each time, they came back as fresh pages, zeroed one page fault at a time,
// which took a third of the time of a 4 M-triangle picture. Call it first thing in main. It does
// nothing on Windows.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> commandLineArguments(int argc, char** argv);
void attachParentConsole();
void keepFreedMemory();
