// Where the password of encrypted sources comes from: a file's first line, or the answer of
// the one question asked for each file; a file's own password wins over the one for all.

#include <gtest/gtest.h>

#include <fstream>

#include "app/password_sources.h"
#include "reader/source_passwords.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

TEST(PasswordSourcesTest, AFileGivesItsFirstLineOrSaysWhyNot) {
  test::TempDir dir;
  const auto write = [&dir](const char* name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return dir / name;
  };
  EXPECT_EQ(passwordFromFile(write("crlf.txt", "geheim \r\nsecond\n"))->revealed(), "geheim ");
  EXPECT_EQ(passwordFromFile(write("bare.txt", "S\xC3\xA9same"))->revealed(), "S\xC3\xA9same");
  EXPECT_FALSE(passwordFromFile(write("empty.txt", "")));
  EXPECT_FALSE(passwordFromFile(write("blank.txt", "\nsecond\n")));
  EXPECT_FALSE(passwordFromFile(write("long.txt", std::string(5000, 'x'))));
  EXPECT_FALSE(passwordFromFile(dir / "missing.txt"));

  forgetSourcePasswords();
  EXPECT_TRUE(giveStatedPassword(dir / "missing.txt")) << "a reason, and nothing given";
  EXPECT_FALSE(sourcePasswordFor(dir / "any.accdb"));
  EXPECT_FALSE(giveStatedPassword(dir / "crlf.txt"));
  EXPECT_EQ(sourcePasswordFor(dir / "any.accdb")->revealed(), "geheim ");
  giveSourcePassword(dir / "own.accdb", SecretText("own"));
  EXPECT_EQ(sourcePasswordFor(dir / "." / "own.accdb")->revealed(), "own") << "any spelling";
  forgetSourcePasswords();
}

TEST(PasswordSourcesTest, EachFileIsAskedForOnce) {
  test::TempDir dir;
  forgetSourcePasswords();
  std::vector<std::string> asked;
  setSourcePasswordAsker([&asked](const std::filesystem::path& file) -> std::optional<SecretText> {
    asked.push_back(file.filename().string());
    if (file.filename() == "skipped.accdb") return std::nullopt;
    return SecretText("typed");
  });
  for (int time = 0; time < 2; ++time) {
    EXPECT_EQ(sourcePasswordOrAsk(dir / "locked.accdb")->revealed(), "typed");
    EXPECT_FALSE(sourcePasswordOrAsk(dir / "skipped.accdb"));
  }
  EXPECT_EQ(asked, (std::vector<std::string>{"locked.accdb", "skipped.accdb"}));
  setSourcePasswordAsker(nullptr);
  forgetSourcePasswords();
}

}  // namespace
}  // namespace vantrel
