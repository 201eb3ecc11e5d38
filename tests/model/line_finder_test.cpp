// The 32-byte scan against the plain one on the same file, for every choice of 'v' lines a filter
// can make, and both against the counts known from how the file was written.
#include "model/line_finder.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/temp_files.h"

namespace {

std::vector<std::string> wantedLines(const std::string& path, const LineFilter& filter) {
  std::vector<std::string> lines;
  LineFinder finder;
  EXPECT_TRUE(openLineFinder(finder, path.c_str()));
  readWantedLines(finder, filter, [&lines](const ScanText& line) {
    lines.emplace_back(line.next, std::find(line.next, line.end, '\n'));
    return LineVerdict::kGoOn;
  });
  closeLineFinder(finder);
  return lines;
}

TEST(LineFinderTest, BothScansFindTheSameLinesForEveryFilter) {
  // Every kind of line at every offset from a 32-byte boundary, over more than one block.
  constexpr int kKinds = 12;
  const char* kinds[kKinds] = {"v 1 2 3",  "vp 1",     "v",     "vn 0 1 0", "vt 0 0", "f 1//1 2//1",
                               "mtllib a", "usemtl a", "# v 1", " v 1",     "g",      ""};
  std::string text;
  int lines = 0;
  for (; text.size() < kBlockBytes * 3 / 2; ++lines) {
    text += kinds[lines % kKinds] + std::string(lines % 37, ' ') + "\n";
  }
  const std::string path = writeTestFile("lines.txt", text + "f");  // the last without a newline
  const auto countOf = [lines](int kind) { return (lines - kind + kKinds - 1) / kKinds; };
  for (int choice = 0; choice < 8; ++choice) {
    const LineFilter filter{{'f', 'm', 'u'}, choice >= 4, (choice & 2) != 0, (choice & 1) != 0};
    const int wanted = 1 + countOf(5) + countOf(6) + countOf(7) +
                       (filter.positions ? countOf(0) + countOf(1) + countOf(2) : 0) +
                       (filter.normals ? countOf(3) : 0) + (filter.texcoords ? countOf(4) : 0);
    allowVectorScan(false);
    const std::vector<std::string> plain = wantedLines(path, filter);
    EXPECT_EQ(plain.size(), static_cast<std::size_t>(wanted)) << "filter " << choice;
    if (allowVectorScan(true)) {
      EXPECT_EQ(wantedLines(path, filter), plain) << "filter " << choice;
    }
  }
  if (!allowVectorScan(true)) {
    GTEST_SKIP() << "this processor has no AVX2: only the plain scan was checked";
  }
}

}  // namespace
