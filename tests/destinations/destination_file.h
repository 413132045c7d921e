#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "destinations/sqlite/dao_database.h"
#include "tests/support/temp_dir.h"

namespace vantrel::test {

// Reads a destination back through its own SQLite connection. Values come as texts, null as
// "NULL"; ask for typeof() in the query to see storage classes.
std::vector<std::vector<std::string>> queryRows(const std::filesystem::path& file,
                                                const std::string& sql);
std::string queryValue(const std::filesystem::path& file, const std::string& sql);

// A new destination database in a temporary folder.
class DestinationTest : public ::testing::Test {
 protected:
  DestinationTest() { database.Create(file); }

  std::vector<std::vector<std::string>> rows(const std::string& sql) const {
    return queryRows(file, sql);
  }
  std::string value(const std::string& sql) const { return queryValue(file, sql); }
  // Runs each statement, expecting all to succeed.
  void execute(std::initializer_list<std::string_view> statements) {
    for (const auto statement : statements)
      database.Execute(statement);
  }

  TempDir folder;
  std::filesystem::path file = folder / "Orders.sqlite";
  CDaoDatabase database;
};

}  // namespace vantrel::test
