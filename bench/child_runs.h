// What the benchmarks share for timing whole processes: one run of a program to its end, with its
// wall time, processor time and peak memory, and the median of a set of figures. POSIX only.
#pragma once

#include <chrono>
#include <string>
#include <vector>

struct Run {
  double ms = 0.0;
  double cpuMs = 0.0;  // user and system time of all its threads
  double peakMiB = 0.0;
  std::vector<double> steps;  // for benchmarks that time steps inside the run
};

// Runs a program to its end, its standard output into the file `output` when that is not empty.
// A program that fails ends the benchmark with status 2.
Run runChild(std::vector<std::string> arguments, const std::string& output);

double median(std::vector<double> values);

