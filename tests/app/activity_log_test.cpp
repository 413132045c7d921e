#include "app/activity_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "app/log_texts.h"
#include "tests/support/corpus.h"
#include "tests/support/temp_dir.h"

namespace vantrel::test {
namespace {

void writeBytes(const std::filesystem::path& file, size_t count) {
  std::ofstream(file, std::ios::binary) << std::string(count, 'x');
}

TEST(ActivityLogTest, EmptiesAFileAboveTheSizeLimitBetweenRunsOnly) {
  TempDir folder;
  const ActivityLog log(folder / "Activity Log.txt");
  writeBytes(log.path(), 5'242'880);
  log.trimBetweenRuns();
  EXPECT_EQ(log.appendLogLine("a"), 1);
  EXPECT_EQ(std::filesystem::file_size(log.path()), 5'242'881u) << "at the limit: kept";
  EXPECT_EQ(log.appendLogLine("b"), 1);
  EXPECT_EQ(std::filesystem::file_size(log.path()), 5'242'882u) << "a run is never cut";
  log.trimBetweenRuns();
  EXPECT_EQ(log.appendLogLine("c"), 1);
  EXPECT_EQ(readTextFile(log.path()), "c") << "above the limit: emptied before the next run";
}

TEST(ActivityLogTest, TextsArriveWholeInUtf8AndTheFolderIsMade) {
  TempDir folder;
  const ActivityLog log(folder / "new" / "deeper" / "Activity Log.txt");
  const std::string longText = std::string(300, 'L') + " Ünïcode 表 😀";
  EXPECT_EQ(log.appendLogLine(longText), 1);
  EXPECT_EQ(log.appendLogLine("bad \xFF\xC0\x80 end\r\n"), 1);
  EXPECT_EQ(readTextFile(log.path()), longText + "bad \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD end\n");
  EXPECT_EQ(log.clear(), 1);
  EXPECT_EQ(readTextFile(log.path()), "\n");
  EXPECT_EQ(ActivityLog("/proc/no-such-place/Activity Log.txt").appendLogLine("x"), 0);
}

TEST(ActivityLogTest, AppendsFromTwoThreadsLoseNothing) {
  TempDir folder;
  const ActivityLog log(folder / "Activity Log.txt");
  const auto writer = [&](char name) {
    for (int i = 0; i < 1000; ++i) {
      log.appendLogLine(std::string(1, name) + std::to_string(i) + std::string(150, name) + "\r\n");
    }
  };
  std::thread first(writer, 'a');
  std::thread second(writer, 'b');
  first.join();
  second.join();
  std::istringstream lines(readTextFile(log.path()));
  std::map<char, std::set<std::string>> seen;
  for (std::string line; std::getline(lines, line);) {
    ASSERT_EQ(line.size(), std::to_string(std::stoi(line.substr(1))).size() + 151) << line;
    seen[line[0]].insert(line);
  }
  EXPECT_EQ(seen['a'].size(), 1000u);
  EXPECT_EQ(seen['b'].size(), 1000u);
}

TEST(ActivityLogTest, LocationFallsBackFromLogPathToFilePathToTheStateFolder) {
  TempDir folder;
  std::filesystem::create_directories(folder / "logs");
  std::filesystem::create_directories(folder / "app");
  const std::string state = (folder / "state").string();
  const EnvironmentLookup environment = [&](const char* name) -> const char* {
    return std::string_view(name) == "XDG_STATE_HOME" ? state.c_str() : nullptr;
  };
  const auto logFile = [&](std::string filePath, std::string logPath) {
    return ActivityLog::atConfiguredLocation({std::move(filePath), std::move(logPath)}, environment)
        .path();
  };
  EXPECT_EQ(logFile((folder / "app").string(), (folder / "logs").string()),
            folder / "logs" / "Activity Log.txt");
  EXPECT_EQ(logFile((folder / "app").string(), ""), folder / "app" / "Activity Log.txt");
  EXPECT_EQ(logFile((folder / "app").string(), (folder / "missing").string()),
            folder / "app" / "Activity Log.txt");
  EXPECT_EQ(logFile("", ""), folder / "state" / "Vantrel" / "Activity Log.txt");
  EXPECT_EQ(logFile((folder / "missing").string(), ""),
            folder / "state" / "Vantrel" / "Activity Log.txt");
}

TEST(ActivityLogTest, ClearActsOnTheFileWrittenNotTheApplicationFolders) {
  TempDir folder;
  std::filesystem::create_directories(folder / "logs");
  std::filesystem::create_directories(folder / "app");
  std::ofstream(folder / "app" / "Activity Log.txt") << "kept";
  const ActivityLog log =
      ActivityLog::atConfiguredLocation({(folder / "app").string(), (folder / "logs").string()},
                                        [](const char*) -> const char* { return nullptr; });
  EXPECT_EQ(log.appendLogLine("written"), 1);
  EXPECT_EQ(log.clear(), 1);
  EXPECT_EQ(readTextFile(log.path()), "\n");
  EXPECT_EQ(readTextFile(folder / "app" / "Activity Log.txt"), "kept");
}

TEST(ConfigurationTest, FileKeysThenEnvironmentOverrides) {
  TempDir folder;
  std::filesystem::create_directories(folder / "Vantrel");
  std::ofstream(folder / "Vantrel" / "VantrelDB.conf")
      << "# Vantrel\r\n[VantrelDB]\r\n FilePath = /opt/vantrel \r\nLogPath=/var/log/a\r\n"
         "Other=1\r\nno equals sign\r\n";
  const std::string config = folder.path().string();
  const char* logOverride = "/tmp/override";
  const auto withLogOverride = [&](bool set) {
    return [&, set](const char* name) -> const char* {
      const std::string_view key = name;
      if (key == "XDG_CONFIG_HOME") return config.c_str();
      if (key == "VANTREL_LOG_PATH" && set) return logOverride;
      return nullptr;
    };
  };
  Configuration read = loadConfiguration(withLogOverride(false));
  EXPECT_EQ(read.filePath, "/opt/vantrel");
  EXPECT_EQ(read.logPath, "/var/log/a");
  read = loadConfiguration(withLogOverride(true));
  EXPECT_EQ(read.filePath, "/opt/vantrel");
  EXPECT_EQ(read.logPath, "/tmp/override");
  EXPECT_EQ(applicationFolder(read), "/opt/vantrel");
  EXPECT_FALSE(applicationFolder({}).empty());
}

TEST(ConfigurationTest, TheManualIsTheApplicationFoldersOrInDebiansDocumentation) {
  TempDir folder;
  EXPECT_EQ(manualFolder(folder.path()).filename(), "manual");
  EXPECT_EQ(manualFolder(folder.path()).parent_path().parent_path().parent_path().filename(),
            "share")
      << "share/doc/vantrel/manual beside the program's folder";
  std::filesystem::create_directories(folder / "manual");
  EXPECT_EQ(manualFolder(folder.path()), folder / "manual") << "a FilePath folder's own manual";
}

TEST(LogTextsTest, GroupsKeepTheirExactTexts) {
  TempDir folder;
  const ActivityLog log(folder / "Activity Log.txt");
  logStartBanner(log, LogTime{6, 12, 2026, 9, 5, 0});
  const std::vector<std::string> paths{"/data/a.mdb", "/data/b.mdb"};
  logSourceFiles(log, paths);
  const std::vector<LoggedTable> tables{{"Orders", 3, 10}, {"Customers", 2, 5}};
  logFileAnalysis(log, "/data/a.mdb", tables);
  logDestination(log, "/out/a.sqlite", false);
  logDestination(log, "/out/a.sqlite", true);
  logTableTotals(log, "Orders", 3, 10);
  logRepairAborted(log);
  logRunEnd(log, false);
  EXPECT_EQ(readTextFile(log.path()),
            "\n\n\n\n********************************* Start Log File "
            "********************************\n\n*************************Vantrel For "
            "Microsoft Access************************\n\nVersion 1.0\nDate    "
            "6\\12\\2026\nTime    9:5:0\n\n************************* Step 1 :- Source "
            "Files Selection ***********************\n\n"
            "Source Files :\n______________\n\n1-   /data/a.mdb\n2-   /data/b.mdb\n"
            "\n\n\n************************* Step 2 :- Analysis of Files "
            "***********************\n\n"
            "\n\nSelected File For Repairing :   /data/a.mdb\n"
            "Total Tables :                   2\nTotal Records :                  15\n\n"
            "Table Name : Orders\n3 Columns, 10 Records\n\n"
            "Table Name : Customers\n2 Columns, 5 Records\n\n\n"
            "Destination File Path:     /out/a.sqlite\n\n"
            "Destination File Path:  /out/a.sqlite\n\n"
            "Repairing Table :           Orders\nTotal Fields Recovered :    3\n"
            "Total Records Recovered :   10\n\n"
            "\n\n******************* Repairing aborted***********************************"
            "\n\nRepairing Completed successfully");
}

}  // namespace
}  // namespace vantrel::test
