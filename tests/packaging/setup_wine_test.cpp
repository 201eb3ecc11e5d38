// The finished Windows program under Wine: the resources in palvetta.exe, the notices beside it,
// the setup program's installs and uninstalls for everyone, for one user and into a folder given
// with /D=, the zip, the launch through the .obj registration, and the first window at 150 %.
//
// The Windows build and its setup program are found in PALVETTA_WINDOWS_BUILD, the Wine prefix in
// WINEPREFIX, or a fresh one is made here. Wine's shell reads only machine-wide classes, so the
// launch runs the command the install registered for everyone, as Explorer would. winemenubuilder
// is off: it would copy the Start-menu shortcut into this machine's own desktop menus.

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/e2e.h"
#include "tests/support/png_frame.h"
#include "tests/support/temp_files.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWaitMs = 30000;
constexpr int kPollMs = 200;
const std::string kClasses = "HKLM\\Software\\Classes\\";
const std::string kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Palvetta";

// Runs `command` through sh and returns its standard output, or nullopt when it fails.
std::optional<std::string> output(const std::string& command) {
  const CommandResult result = runCommand("timeout 120 " + command + " 2> /dev/null");
  return result.status == 0 ? std::optional(result.output) : std::nullopt;
}

// A value's data as `reg query` shows it ("" for the default value), or nullopt when missing.
std::optional<std::string> regValue(const std::string& key, const std::string& name = "") {
  const std::string which = name.empty() ? " /ve" : " /v " + shellQuoted(name);
  const std::optional<std::string> text = output("wine reg query " + shellQuoted(key) + which);
  if (!text) {
    return std::nullopt;
  }
  // "    NAME    REG_TYPE    DATA"
  const std::size_t type = text->find("    REG_");
  if (type == std::string::npos) {
    return std::nullopt;
  }
  const std::size_t data = text->find("    ", text->find(' ', type + 4)) + 4;
  return text->substr(data, text->find_first_of("\r\n", data) - data);
}

bool keyExists(const std::string& key) {
  return output("wine reg query " + shellQuoted(key)).has_value();
}

fs::path driveC() {
  return fs::path(std::getenv("WINEPREFIX")) / "drive_c";
}

// Every file and folder of drive C: but the temporary ones, and the lines of the registry's
// software branches.
std::set<std::string> prefixState() {
  std::set<std::string> state;
  for (const auto& entry : fs::recursive_directory_iterator(driveC())) {
    const fs::path path = entry.path().lexically_relative(driveC());
    if (std::none_of(path.begin(), path.end(),
                     [](const fs::path& part) { return part == "temp" || part == "Temp"; })) {
      state.insert(path.string());
    }
  }
  for (const char* root : {"HKLM\\Software", "HKCU\\Software"}) {
    const std::string file = shellQuoted(testFolder() + "/export.reg");
    const std::optional<std::string> text =
        output("wine reg export " + shellQuoted(root) + " " + file +
               " /y > /dev/null && iconv -f UTF-16 " + file);
    EXPECT_TRUE(text) << root;
    // Each value with its key; Wine keeps state of its own under Software\Wine, and writes the
    // machine's network interfaces under NetworkCards whenever it looks at them.
    std::istringstream lines(text.value_or(""));
    std::string key;
    for (std::string line; std::getline(lines, line);) {
      std::erase(line, '\r');
      key = line.starts_with('[') ? line : key;
      if (!key.starts_with("[HKEY_CURRENT_USER\\Software\\Wine\\") &&
          key.find("\\NetworkCards") == std::string::npos && !line.empty()) {
        state.insert(key == line ? key : key + " " + line);
      }
    }
  }
  return state;
}

// The lines in `a` that are not in `b`.
std::string missingFrom(const std::set<std::string>& a, const std::set<std::string>& b) {
  std::string lines;
  for (const std::string& line : a) {
    lines += b.contains(line) ? "" : line + "\n";
  }
  return lines;
}

// The words of a Windows command line, quoted or not, each "%1" replaced by `file`. A backslash
// is a path's, not an escape.
std::vector<std::string> commandWords(const std::string& command, const std::string& file) {
  std::istringstream in(command);
  std::vector<std::string> words;
  for (std::string word; in >> std::quoted(word, '"', '\0');) {
    words.push_back(word == "%1" ? file : word);
  }
  return words;
}

template <typename Condition>
bool waitUntil(Condition condition) {
  for (int waited = 0; !condition(); waited += kPollMs) {
    if (waited > kWaitMs) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  return true;
}

class SetupWineTest : public ViewerFixture {
 protected:
  void SetUp() override {
    const char* build = std::getenv("PALVETTA_WINDOWS_BUILD");
    ASSERT_NE(build, nullptr) << "PALVETTA_WINDOWS_BUILD names no Windows build";
    windowsBuild = build;
    setenv("LC_ALL", "C.UTF-8", 1);
    setenv("WINEDEBUG", "-all", 0);
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d", 1);
    if (std::getenv("WINEPREFIX") == nullptr) {
      setenv("WINEPREFIX", (testFolder() + "/wine").c_str(), 1);
      ownPrefix = true;
    }
    ASSERT_TRUE(output(ownPrefix ? "wineboot --init" : "wineboot"));
  }

  void TearDown() override {
    ViewerFixture::TearDown();
    if (ownPrefix) {
      EXPECT_TRUE(output("wineserver --kill"));
    }
  }

  fs::path setupProgram() const {
    return windowsBuild / "cpack" / ("palvetta-" PALVETTA_VERSION "-win64.exe");
  }

  // The licence and the third-party notices with Windows line ends, the latter with a sign of each
  // licence: freeglut's, the MinGW-w64 runtime's and winpthreads', and GCC's runtime exception.
  static void expectNotices(const fs::path& folder) {
    EXPECT_NE(readTestFile(folder / "LICENSE.txt")
                  .find("\r\nCopyright (c) 2026 the Palvetta developers\r\n"),
              std::string::npos);
    const std::string notices = readTestFile(folder / "THIRD-PARTY-NOTICES.txt");
    for (const char* sign : {"Copyright (c) 1999-2000 Pawel W. Olszta", "License: ZPL-2.1\r\n",
                             "Files: mingw-w64-libraries/winpthreads/*",
                             "GCC RUNTIME LIBRARY EXCEPTION\r\n\r\nVersion 3.1"}) {
      EXPECT_NE(notices.find(sign), std::string::npos) << sign;
    }
  }

  // Every file, folder and registry value as in `before`.
  static void expectPrefixAsBefore(const std::set<std::string>& before) {
    const std::set<std::string> after = prefixState();
    EXPECT_EQ(missingFrom(after, before), "") << "left behind";
    EXPECT_EQ(missingFrom(before, after), "") << "taken away";
  }

  // Runs the uninstaller as Apps & features' silent removal would, and waits for it to finish
  // (it runs from a copy of itself in the temporary folder).
  bool uninstall(const std::string& root, const fs::path& folder) {
    // sh keeps the backslashes inside the command's double quotes.
    const std::optional<std::string> command =
        regValue(root + "\\" + kUninstallKey, "QuietUninstallString");
    return command && output("wine " + *command) && waitUntil([&] {
             return !fs::exists(folder) && !keyExists(root + "\\Software\\Palvetta");
           });
  }

  // Waits for the viewer's frame to match the baseline `name`.
  ::testing::AssertionResult showsBaseline(const std::string& name) {
    const Frame baseline = baselineFrame(name);
    Frame seen;
    waitUntil([&] { return countMismatches(seen = captureWindow(viewer.window), baseline) == 0; });
    return matchesBaseline(seen, name);
  }

  fs::path windowsBuild;
  bool ownPrefix = false;
};

TEST_F(SetupWineTest, TheProgramCarriesItsIconVersionAndManifest) {
  const std::string exe = shellQuoted((windowsBuild / "app" / "palvetta.exe").string());
  const std::optional<std::string> list = output("wrestool -l " + exe);
  ASSERT_TRUE(list);
  EXPECT_NE(list->find("--type=14 --name='GLUT_ICON'"), std::string::npos) << *list;
  std::string version = output("wrestool -x --raw --type=16 " + exe).value_or("");
  std::erase(version, '\0');
  EXPECT_NE(version.find("FileDescriptionPalvetta"), std::string::npos);
  EXPECT_NE(version.find("ProductNamePalvetta"), std::string::npos);
  EXPECT_NE(version.find(std::string("ProductVersion") + PALVETTA_VERSION), std::string::npos);
  const std::string manifest = output("wrestool -x --raw --type=24 " + exe).value_or("");
  for (const char* part : {">PerMonitorV2, PerMonitor</dpiAwareness>", ">true/pm</dpiAware>",
                           "level=\"asInvoker\"", "name=\"Microsoft.Windows.Common-Controls\""}) {
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
  }
}

TEST_F(SetupWineTest, ForEveryoneItOffersItselfForObjFilesAndLeavesNothingBehind) {
  const std::string otherObj = kClasses + "OtherViewer.obj\\shell\\open\\command";
  ASSERT_TRUE(
      output("wine reg add " + shellQuoted(kClasses + ".obj") + " /ve /d OtherViewer.obj /f"));
  ASSERT_TRUE(output("wine reg add " + shellQuoted(otherObj) + " /ve /d 'notepad.exe \"%1\"' /f"));
  ASSERT_TRUE(fs::exists(setupProgram())) << "no setup program in " << windowsBuild / "cpack";
  const std::set<std::string> before = prefixState();

  ASSERT_TRUE(output("wine " + shellQuoted(setupProgram().string()) + " /S /AllUsers"));
  const fs::path folder = driveC() / "Program Files" / "Palvetta";
  EXPECT_TRUE(fs::exists(folder / "palvetta.exe"));
  expectNotices(folder);
  // The shortcut keeps its arguments in UTF-16.
  const std::string shortcut =
      readTestFile(driveC() / "ProgramData/Microsoft/Windows/Start Menu/Programs/Palvetta.lnk");
  EXPECT_NE(shortcut.find(std::string("-\0-\0w\0h\0o\0l\0e\0", 14)), std::string::npos);
  EXPECT_EQ(regValue(kClasses + ".obj"), "OtherViewer.obj");
  EXPECT_EQ(regValue(kClasses + ".obj\\OpenWithProgids", "Palvetta.obj"), "");
  EXPECT_EQ(regValue(kClasses + "Applications\\palvetta.exe", "FriendlyAppName"), "Palvetta");
  EXPECT_EQ(regValue(kClasses + "Applications\\palvetta.exe\\SupportedTypes", ".obj"), "");
  EXPECT_EQ(regValue("HKLM\\Software\\RegisteredApplications", "Palvetta"),
            "Software\\Palvetta\\Capabilities");
  EXPECT_EQ(regValue("HKLM\\Software\\Palvetta\\Capabilities\\FileAssociations", ".obj"),
            "Palvetta.obj");
  EXPECT_TRUE(regValue("HKLM\\" + kUninstallKey, "UninstallString"));

  const std::optional<std::string> open = regValue(kClasses + "Palvetta.obj\\shell\\open\\command");
  ASSERT_TRUE(open);
  EXPECT_EQ(*open, "\"C:\\Program Files\\Palvetta\\palvetta.exe\" --whole \"%1\"");
  const fs::path models = fs::path(testFolder()) / "my modèles";
  fs::create_directories(models);
  for (const char* name : {"trophy.obj", "trophy.mtl"}) {
    fs::copy_file(fs::path(PALVETTA_EXAMPLES) / name, models / name,
                  fs::copy_options::skip_existing);
  }
  viewer =
      startViewer("wine", testFolder(), commandWords(*open, windowsPath(models / "trophy.obj")));
  ASSERT_NE(viewer.window, 0UL) << "the viewer's window did not appear";
  EXPECT_TRUE(showsBaseline("trophy_whole_640"));
  stopViewer(viewer);

  ASSERT_TRUE(uninstall("HKLM", folder));
  expectPrefixAsBefore(before);
  EXPECT_TRUE(output("wine reg delete " + shellQuoted(kClasses + "OtherViewer.obj") + " /f"));
  EXPECT_TRUE(output("wine reg delete " + shellQuoted(kClasses + ".obj") + " /f"));
}

TEST_F(SetupWineTest, TheZipHoldsTheProgramAndItsNotices) {
  const std::string name = "palvetta-" PALVETTA_VERSION "-win64";
  const fs::path zip = windowsBuild / "cpack" / (name + ".zip");
  std::istringstream list(
      output(std::string(CMAKE_COMMAND) + " -E tar tf " + shellQuoted(zip.string())).value_or(""));
  const std::set<std::string> files{std::istream_iterator<std::string>(list), {}};
  EXPECT_EQ(files, (std::set<std::string>{name + "/LICENSE.txt", name + "/THIRD-PARTY-NOTICES.txt",
                                          name + "/palvetta.exe"}));
}

// A "just me" install makes %LOCALAPPDATA%\Programs when it is missing, and its uninstall takes it
// away again with everything else.
TEST_F(SetupWineTest, ForJustMeItWritesItsKeysForTheUserAndTakesThemAway) {
  // C:\users\NAME\AppData\Local, without its drive.
  std::string local = output("wine cmd /c echo %LOCALAPPDATA%").value_or("C:\\");
  local = local.substr(3, local.find('\r') - 3);
  std::string localFolder = local;
  std::replace(localFolder.begin(), localFolder.end(), '\\', '/');
  std::error_code notEmpty;
  fs::remove(driveC() / localFolder / "Programs", notEmpty);
  const std::set<std::string> before = prefixState();

  ASSERT_TRUE(output("wine " + shellQuoted(setupProgram().string()) + " /S /CurrentUser"));
  const fs::path folder = driveC() / localFolder / "Programs" / "Palvetta";
  EXPECT_TRUE(fs::exists(folder / "palvetta.exe")) << folder;
  EXPECT_EQ(regValue("HKCU\\Software\\Classes\\Palvetta.obj\\shell\\open\\command"),
            "\"C:\\" + local + "\\Programs\\Palvetta\\palvetta.exe\" --whole \"%1\"");
  EXPECT_TRUE(regValue("HKCU\\" + kUninstallKey, "QuietUninstallString"));
  EXPECT_FALSE(keyExists("HKLM\\" + kUninstallKey));

  ASSERT_TRUE(uninstall("HKCU", folder));
  expectPrefixAsBefore(before);
}

// /D= gives the folder, spaces and all, unquoted and last as NSIS wants it; a folder it found there
// stays after the uninstall.
TEST_F(SetupWineTest, TheFolderGivenWithDIsUsedRecordedAndTakenAway) {
  const fs::path found = driveC() / "Palvetta tests";
  fs::create_directories(found);
  const std::set<std::string> before = prefixState();

  // sh passes the words apart, and Wine joins them with a space.
  ASSERT_TRUE(output("wine " + shellQuoted(setupProgram().string()) +
                     " /S /AllUsers '/D=C:\\Palvetta' 'tests\\My Viewer'"));
  const fs::path folder = found / "My Viewer";
  EXPECT_TRUE(fs::exists(folder / "palvetta.exe"));
  expectNotices(folder);
  const std::string windowsFolder = "C:\\Palvetta tests\\My Viewer";
  EXPECT_EQ(regValue("HKLM\\" + kUninstallKey, "InstallLocation"), windowsFolder);
  EXPECT_EQ(regValue(kClasses + "Palvetta.obj\\shell\\open\\command"),
            "\"" + windowsFolder + "\\palvetta.exe\" --whole \"%1\"");

  ASSERT_TRUE(uninstall("HKLM", folder));
  expectPrefixAsBefore(before);
  fs::remove(found);
}

TEST_F(SetupWineTest, AtOneHundredAndFiftyPercentTheFirstWindowIs960PixelsAndSharp) {
  const std::string desktop = shellQuoted("HKCU\\Control Panel\\Desktop");
  ASSERT_TRUE(output("wine reg add " + desktop + " /v LogPixels /t REG_DWORD /d 144 /f"));
  const fs::path torus = fs::path(PALVETTA_EXAMPLES) / "torus.obj";
  viewer = startViewer("wine", testFolder(),
                       {(windowsBuild / "app" / "palvetta.exe").string(), windowsPath(torus)});
  EXPECT_TRUE(output("wine reg delete " + desktop + " /v LogPixels /f"));
  ASSERT_NE(viewer.window, 0UL) << "the viewer's window did not appear";
  EXPECT_TRUE(showsBaseline("torus_960"));
}

}  // namespace
