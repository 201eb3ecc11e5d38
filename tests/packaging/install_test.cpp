// What `cmake --install` lays out, and the Debian package CPack makes of it, checked with the
// tools a desktop and Debian check them with. Both work on this build folder, so they show the
// installed tree and the package of exactly the program under test.
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/window_identity.h"
#include "tests/support/e2e.h"
#include "tests/support/png_frame.h"
#include "tests/support/temp_files.h"

namespace {

// Standard output and error together.
CommandResult run(const std::string& command) {
  return runCommand(command + " 2>&1");
}

// The value of `key` in the [Desktop Entry] group; empty when it is missing.
std::string entryValue(const std::string& desktopFile, const std::string& key) {
  std::ifstream file(desktopFile);
  std::string line;
  while (std::getline(file, line)) {
    if (line.starts_with(key + "=")) {
      return line.substr(key.size() + 1);
    }
  }
  return "";
}

TEST(InstallTest, TheInstalledDesktopEntryValidatesAndStartsTheInstalledProgram) {
  const std::string prefix = testFolder() + "/prefix";
  const CommandResult install =
      run(std::string(CMAKE_COMMAND) + " --install " + PALVETTA_BUILD_DIR + " --prefix " + prefix);
  ASSERT_EQ(install.status, 0) << install.output;

  const std::string entry = prefix + "/share/applications/palvetta.desktop";
  const CommandResult validation = run("desktop-file-validate " + entry);
  EXPECT_EQ(validation.status, 0);
  EXPECT_EQ(validation.output, "");
  // The entry names the program by its name on the PATH, with the file it is to open, read whole.
  EXPECT_EQ(entryValue(entry, "Exec"), "palvetta --whole %f");
  const CommandResult version = run("PATH=" + prefix + "/bin palvetta --version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.output, std::string("palvetta ") + PALVETTA_VERSION + "\n");
  EXPECT_EQ(entryValue(entry, "StartupWMClass"), kWindowClassName);
  EXPECT_EQ(entryValue(entry, "MimeType"), "model/obj;");
  EXPECT_TRUE(std::filesystem::is_regular_file(prefix + "/share/icons/hicolor/scalable/apps/" +
                                               entryValue(entry, "Icon") + ".svg"));

  // The thumbnailer entry runs the installed program the way a thumbnail service fills it in, and
  // its preview is what opening the file shows: the whole model.
  const std::string thumbnailer = prefix + "/share/thumbnailers/palvetta.thumbnailer";
  EXPECT_EQ(entryValue(thumbnailer, "MimeType"), "model/obj;");
  std::string exec = entryValue(thumbnailer, "Exec");
  for (const auto& [code, value] :
       {std::pair<std::string, std::string>{"%o", testFolder() + "/thumbnail.png"},
        {"%s", "640"},
        {"%i", std::string(PALVETTA_EXAMPLES) + "/trophy.obj"}}) {
    ASSERT_NE(exec.find(code), std::string::npos) << exec;
    exec.replace(exec.find(code), code.size(), value);
  }
  const CommandResult thumbnail =
      run("env -u DISPLAY ASAN_OPTIONS=detect_leaks=0 PATH=" + prefix + "/bin " + exec);
  EXPECT_EQ(thumbnail.status, 0) << exec << ": " << thumbnail.output;
  EXPECT_TRUE(matchesBaseline(readPngFrame(testFolder() + "/thumbnail.png"), "trophy_whole_640"));

  const CommandResult manual =
      run("MANWIDTH=80 man --warnings -l " + prefix + "/share/man/man1/palvetta.1.gz");
  EXPECT_EQ(manual.status, 0);
  EXPECT_NE(manual.output.find("palvetta - view a Wavefront OBJ model"), std::string::npos)
      << manual.output;
  EXPECT_EQ(manual.output.find("warning"), std::string::npos) << manual.output;
}

TEST(InstallTest, TheDebianPackageHoldsTheProgramItsDesktopFilesAndItsLibraries) {
  const std::string folder = testFolder() + "/package";
  const CommandResult pack = run(std::string(CPACK_COMMAND) + " --config " + PALVETTA_BUILD_DIR +
                                 "/CPackConfig.cmake -B " + folder);
  ASSERT_EQ(pack.status, 0) << pack.output;
  const std::string deb = folder + "/palvetta_" + PALVETTA_VERSION + "_amd64.deb";
  ASSERT_TRUE(std::filesystem::is_regular_file(deb)) << pack.output;

  const CommandResult contents = run("dpkg-deb --contents " + deb);
  ASSERT_EQ(contents.status, 0) << contents.output;
  for (const char* file :
       {" ./usr/bin/palvetta\n", " ./usr/share/applications/palvetta.desktop\n",
        " ./usr/share/icons/hicolor/scalable/apps/palvetta.svg\n",
        " ./usr/share/icons/hicolor/48x48/apps/palvetta.png\n",
        " ./usr/share/man/man1/palvetta.1.gz\n", " ./usr/share/doc/palvetta/changelog.gz\n",
        " ./usr/share/thumbnailers/palvetta.thumbnailer\n"}) {
    EXPECT_NE(contents.output.find(file), std::string::npos) << file << contents.output;
  }
  // Nothing of the build's tests, benchmarks or examples.
  EXPECT_EQ(contents.output.find("test"), std::string::npos) << contents.output;

  // The dependencies are read from the program itself, so the libraries it links are there.
  const CommandResult depends = run("dpkg-deb --field " + deb + " Depends");
  for (const char* package :
       {"libc6", "libglut3", "libgtk-3-0", "libx11-6", "libegl1", "libpng16-16"}) {
    EXPECT_NE(depends.output.find(package), std::string::npos) << package << ": " << depends.output;
  }

  // Debian's own check of a package finds nothing to warn about.
  const CommandResult lintian = run("lintian --fail-on error,warning " + deb);
  EXPECT_EQ(lintian.status, 0) << lintian.output;

  // The copyright file names the licence and carries its text as Debian's format writes it: each
  // line indented by a space, an empty one written " .".
  const CommandResult copyright =
      run("dpkg-deb --fsys-tarfile " + deb + " | tar -xO ./usr/share/doc/palvetta/copyright");
  for (const char* part : {"\nFiles: *\nCopyright: 2026 the Palvetta developers\nLicense: Expat\n"
                           " Permission is hereby granted, free of charge, to any person",
                           " portions of the Software.\n .\n THE SOFTWARE IS PROVIDED \"AS IS\""}) {
    EXPECT_NE(copyright.output.find(part), std::string::npos) << part << copyright.output;
  }
}

}  // namespace
