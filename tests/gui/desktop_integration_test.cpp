#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "gui/desktop_registration.h"
#include "gui/start_options.h"
#include "tests/support/temp_dir.h"

namespace vantrel::gui {
namespace {

std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(DesktopRegistrationTest, RegisterMakesVantrelTheDefaultAndUnregisterGivesTheFileBack) {
  test::TempDir dir;
  const DesktopPlaces places{dir.path() / "data" / "applications",
                             dir.path() / "config" / "mimeapps.list"};
  const std::string before =
      "# the user's own\n"
      "[Default Applications]\n"
      "text/plain=editor.desktop\n"
      "application/vnd.ms-access=base.desktop\n"
      "\n"
      "[Added Associations]\n"
      "application/x-msaccess=base.desktop;\n";
  std::filesystem::create_directories(places.mimeApps.parent_path());
  std::ofstream(places.mimeApps) << before;

  ASSERT_EQ(registerDesktopEntry(places, "/opt/my tools/vantrel", "vantrel"), std::nullopt);
  const std::string entry = readAll(places.applications / "vantrel.desktop");
  EXPECT_NE(entry.find("Exec=\"/opt/my tools/vantrel\" %F\n"), std::string::npos);
  EXPECT_NE(entry.find("MimeType=application/vnd.ms-access;application/x-msaccess;"
                       "application/msaccess;\n"),
            std::string::npos);
  EXPECT_EQ(readAll(places.mimeApps),
            "# the user's own\n"
            "[Default Applications]\n"
            "application/x-msaccess=vantrel.desktop;\n"
            "application/msaccess=vantrel.desktop;\n"
            "text/plain=editor.desktop\n"
            "application/vnd.ms-access=vantrel.desktop;\n"
            "\n"
            "[Added Associations]\n"
            "application/vnd.ms-access=vantrel.desktop;\n"
            "application/msaccess=vantrel.desktop;\n"
            "application/x-msaccess=vantrel.desktop;base.desktop;\n");

  ASSERT_EQ(unregisterDesktopEntry(places), std::nullopt);
  EXPECT_FALSE(std::filesystem::exists(places.applications / "vantrel.desktop"));
  EXPECT_EQ(readAll(places.mimeApps),
            "# the user's own\n"
            "[Default Applications]\n"
            "text/plain=editor.desktop\n"
            "\n"
            "[Added Associations]\n"
            "application/x-msaccess=base.desktop;\n");
}

TEST(DesktopRegistrationTest, ProgramPathsAreQuotedForTheExecKey) {
  const std::string entry = desktopEntryText("/a/$b\\c\"d%e", "vantrel");
  EXPECT_NE(entry.find("Exec=\"/a/\\\\$b\\\\\\\\c\\\\\"d%%e\" %F\n"), std::string::npos) << entry;
}

TEST(StartOptionsTest, ModesFilesAndUnknownOptions) {
  EXPECT_EQ(parseStartOptions({}).mode, StartOptions::Mode::Windows);
  const StartOptions files = parseStartOptions({"a.mdb", "--embedding", "--", "--b.mdb"});
  EXPECT_EQ(files.mode, StartOptions::Mode::Windows);
  EXPECT_EQ(files.files, (std::vector<std::string>{"a.mdb", "--b.mdb"}));
  EXPECT_EQ(parseStartOptions({"--automation"}).mode, StartOptions::Mode::Automation);
  EXPECT_EQ(parseStartOptions({"--register"}).mode, StartOptions::Mode::Register);
  EXPECT_EQ(parseStartOptions({"--unregister"}).mode, StartOptions::Mode::Unregister);
  EXPECT_EQ(parseStartOptions({"--version"}).mode, StartOptions::Mode::Version);
  EXPECT_EQ(parseStartOptions({"--frobnicate"}).error, "unknown option --frobnicate");
}

}  // namespace
}  // namespace vantrel::gui
