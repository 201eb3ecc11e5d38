// Linux: file names are bytes, the terminal that started the viewer already has its output, and
// the GNU C library's heap is told how much freed memory to keep.
#include "platform/process.h"

#include <malloc.h>

namespace {

// Freed memory at the top of the heap is given back beyond this much, and the heap grows by this
// much more than it needs, so that one batch's buffers serve the next.
constexpr int kKeptBytes = 64 << 20;
constexpr int kGrowthBytes = 16 << 20;

}  // namespace

std::vector<std::string> commandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void attachParentConsole() {}

void keepFreedMemory() {
  mallopt(M_TRIM_THRESHOLD, kKeptBytes);
  mallopt(M_TOP_PAD, kGrowthBytes);
}
