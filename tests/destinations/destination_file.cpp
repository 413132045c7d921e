#include <gtest/gtest.h>
#include <sqlite3.h>

#include "tests/destinations/destination_file.h"

namespace vantrel::test {

std::vector<std::vector<std::string>> queryRows(const std::filesystem::path& file,
                                                const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot open " + file.string());
  }
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    const std::string message = sqlite3_errmsg(db);
    sqlite3_close(db);
    throw std::runtime_error(message + " in " + sql);
  }
  std::vector<std::vector<std::string>> rows;
  while (sqlite3_step(statement) == SQLITE_ROW) {
    auto& row = rows.emplace_back();
    for (int i = 0; i < sqlite3_column_count(statement); ++i) {
      const auto* text = sqlite3_column_text(statement, i);
      row.push_back(text == nullptr ? "NULL" : reinterpret_cast<const char*>(text));
    }
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

std::string queryValue(const std::filesystem::path& file, const std::string& sql) {
  const auto rows = queryRows(file, sql);
  return rows.empty() || rows[0].empty() ? "(no row)" : rows[0][0];
}

}  // namespace vantrel::test
