// The command line, run as the real executable.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/support/corpus.h"
#include "tests/support/process.h"
#include "tests/support/table_fixture.h"

namespace vantrel {
namespace {

using test::runProcess;

const std::string kCli = test::builtProgram("vantrel-cli");

// A small Jet 4 file with one table on page 3: an id and a text with awkward characters.
std::filesystem::path writeFixture(const test::TempDir& dir) {
  test::TableFixture t(1, {{.name = "Id", .type = 4, .size = 4, .fixed = true, .number = 0},
                           {.name = "Text", .type = 10, .size = 100, .fixed = false, .number = 1}});
  t.setUsageMap(test::inlineUsageMap(4, {4}));
  auto row = [&](uint32_t id, std::u16string text) {
    return t.row({.columnCount = 2,
                  .fixedArea = test::le32(id),
                  .variableFields = {test::utf16Le(text)},
                  .presentColumns = {0, 1}});
  };
  t.addDataPage(4, {{row(1, u"plain")}, {row(2, u"a,\"b\"\tc\nd")}, {row(3, u"Größe")}});
  t.spec.rowCount = 3;
  auto db = t.open();
  const auto path = dir / "fixture.mdb";
  std::filesystem::copy_file(db->file().path(), path);
  return path;
}

TEST(CliTest, UsageErrorsNameTheWordAndTheNearest) {
  const auto usageError = [](std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), kCli);
    const auto result = runProcess(arguments);
    EXPECT_EQ(result.exitCode, 2) << arguments[1];
    EXPECT_TRUE(result.out.empty()) << result.out;
    return result.err;
  };
  EXPECT_EQ(
      usageError({}),
      "vantrel-cli: a verb is needed: info, rows, analyze, table, ole, query, relation, repair, "
      "help (see vantrel-cli --help)\n");
  EXPECT_EQ(usageError({"tabel", "x.mdb", "T"}),
            "vantrel-cli: unknown verb \"tabel\" (did you mean \"table\"?) (see vantrel-cli "
            "--help)\n");
  EXPECT_EQ(usageError({"frobnicate"}),
            "vantrel-cli: unknown verb \"frobnicate\" (see vantrel-cli --help)\n");
  EXPECT_EQ(usageError({"--bogus"}),
            "vantrel-cli: unknown option \"--bogus\" (see vantrel-cli --help)\n");
  EXPECT_NE(usageError({"table", "--fromat=json", "x.mdb", "T"})
                .find("unknown option \"--fromat\" for table (did you mean \"--format\"?)"),
            std::string::npos);
  EXPECT_NE(usageError({"help", "reapir"}).find("(did you mean \"repair\"?)"), std::string::npos);
  // Values are words: the enumeration's numbers are no values.
  EXPECT_NE(usageError({"rows", "x.mdb", "--tdef", "3", "--format", "1"})
                .find("--format: 1 not in {tsv,csv,json}"),
            std::string::npos);
  EXPECT_NE(usageError({"repair", "--out", "o", "--overwrite", "0", "x.mdb"}).find("--overwrite"),
            std::string::npos);
  EXPECT_NE(usageError({"repair", "--out", "o", "--jobs", "0", "x.mdb"})
                .find("0 is not a whole number of at least 1"),
            std::string::npos);
  EXPECT_NE(usageError({"table", "x.mdb", "T", "--format", "json", "--binary", "raw"})
                .find("raw bytes cannot be written in JSON"),
            std::string::npos);
  usageError({"info"});
  usageError({"rows", "x.mdb"});  // --table or --tdef is needed
}

TEST(CliTest, HelpTellsEveryVerbWithValuesInWords) {
  const auto help = runProcess({kCli, "help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out, runProcess({kCli, "--help"}).out);
  const auto table = runProcess({kCli, "help", "table"});
  EXPECT_EQ(table.exitCode, 0);
  EXPECT_EQ(table.out, runProcess({kCli, "table", "--help"}).out);
  for (const char* shown : {"Usage: vantrel-cli table [OPTIONS] FILE NAME", "--format tsv|csv|json",
                            "--binary hex|base64|raw", "--limit N", "-q,--quiet", "-v,--verbose"})
    EXPECT_NE(table.out.find(shown), std::string::npos) << shown;
  EXPECT_EQ(table.out.find("->"), std::string::npos) << "no parser internals";
  EXPECT_EQ(runProcess({kCli, "-V"}).out, runProcess({kCli, "--version"}).out);

  const auto all = runProcess({kCli, "--help-all"});
  EXPECT_EQ(all.exitCode, 0);
  for (const char* verb : {"info", "rows", "analyze", "table", "query", "relation", "repair"}) {
    EXPECT_NE(all.out.find("\nvantrel-cli " + std::string(verb) + " [OPTIONS] "), std::string::npos)
        << verb;
  }
  for (const char* section :
       {"\nExit status:\n  0 ", "\nEnvironment:\n", "\nFiles:\n", "\nExamples:\n"})
    EXPECT_NE(all.out.find(section), std::string::npos) << section;
}

TEST(CliTest, FilesThatCannotBeOpenedGiveOneLineAndStatusOne) {
  test::TempDir dir;
  const auto result = runProcess({kCli, "info", (dir / "missing.mdb").string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(result.out.empty());
  ASSERT_FALSE(result.err.empty());
  EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line";
}

// A destination on a read-only mount says so, for the folder itself and for a folder still to
// be made inside it, also when run as root, whom permissions do not stop. The mount is made
// read-only in a mount namespace of the test's own; where none can be made, the test is
// skipped.
TEST(CliTest, AReadOnlyDestinationIsReportedAsOne) {
  test::TempDir dir;
  const auto source = writeFixture(dir);
  const auto readOnly = dir / "read-only";
  std::filesystem::create_directory(readOnly);
  const std::string unshare = "/usr/bin/unshare";
  if (!std::filesystem::exists(unshare)) GTEST_SKIP() << "no " << unshare;
  constexpr int kNoNamespace = 77;
  const std::string script =
      "mount --bind \"$1\" \"$1\" && mount -o remount,bind,ro \"$1\" || exit " +
      std::to_string(kNoNamespace) + "\nshift\nexec \"$@\"";
  for (const auto& out : {readOnly, readOnly / "new" / "folder"}) {
    const auto result =
        runProcess({"/usr/bin/env", "VANTREL_LOG_PATH=" + dir.path().string(), unshare, "--mount",
                    "--map-root-user", "/bin/sh", "-c", script, "sh", readOnly.string(), kCli,
                    "repair", "--out", out.string(), source.string()});
    if (result.exitCode == kNoNamespace || result.err.starts_with("unshare:")) {
      GTEST_SKIP() << "no mount namespace: " << result.err;
    }
    EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
    EXPECT_NE((result.out + result.err).find("Read-only file system"), std::string::npos)
        << result.out << result.err;
    EXPECT_EQ((result.out + result.err).find("No such file or directory"), std::string::npos);
  }
  EXPECT_TRUE(std::filesystem::is_empty(readOnly));
}

TEST(CliTest, InfoShowsFormatAndDefinitions) {
  test::TempDir dir;
  const auto file = writeFixture(dir);
  const auto result = runProcess({kCli, "info", file.string(), "--tdef", "3"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("Access 2000"), std::string::npos);
  EXPECT_NE(result.out.find("page size:   4096"), std::string::npos);
  EXPECT_NE(result.out.find("Definition on page 3"), std::string::npos);
  EXPECT_NE(result.out.find("Text"), std::string::npos);
}

TEST(CliTest, RowsInEveryFormat) {
  test::TempDir dir;
  const auto file = writeFixture(dir).string();
  const auto tsv = runProcess({kCli, "rows", file, "--tdef", "3"});
  EXPECT_EQ(tsv.exitCode, 0) << tsv.err;
  EXPECT_EQ(tsv.out, "Id\tText\n1\tplain\n2\ta,\"b\"\\tc\\nd\n3\tGröße\n");

  const auto csv =
      runProcess({kCli, "rows", file, "--tdef", "3", "--format", "CSV", "--limit", "2"});
  EXPECT_EQ(csv.out, "Id,Text\r\n1,plain\r\n2,\"a,\"\"b\"\"\tc\nd\"\r\n");

  const auto json = runProcess({kCli, "rows", file, "--tdef", "3", "--format", "json"});
  std::vector<nlohmann::json> lines;
  size_t start = 0;
  while (start < json.out.size()) {
    const size_t end = json.out.find('\n', start);
    lines.push_back(nlohmann::json::parse(json.out.substr(start, end - start)));
    start = end + 1;
  }
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], nlohmann::json({{"format", 1}, {"columns", {"Id", "Text"}}}));
  EXPECT_EQ(lines[2], nlohmann::json({2, "a,\"b\"\tc\nd"}));
  EXPECT_EQ(lines[3], nlohmann::json({3, "Größe"}));
}

TEST(CliTest, RowsFindTablesThroughTheCatalog) {
  VANTREL_REQUIRE_CORPUS();
  const auto file = (*test::corpusDir() / "jet3" / "mdbtools-nwind.mdb").string();
  const auto result = runProcess({kCli, "rows", file, "--table", "Shippers"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out.substr(0, result.out.find('\n')), "ShipperID\tCompanyName\tPhone");
  EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 4);
  const auto missing = runProcess({kCli, "rows", file, "--table", "NoSuchTable"});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.err.find("NoSuchTable"), std::string::npos);
}

}  // namespace
}  // namespace vantrel
