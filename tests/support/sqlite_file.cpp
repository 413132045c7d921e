#include "tests/support/sqlite_file.h"

#include <gtest/gtest.h>

namespace vantrel::test {

SqliteFile::SqliteFile(const std::filesystem::path& path) {
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "cannot open " << path;
  }
}

SqliteFile::~SqliteFile() {
  sqlite3_close(db_);
}

std::vector<std::vector<std::string>> SqliteFile::query(const std::string& sql) const {
  std::vector<std::vector<std::string>> rows;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sqlite3_errmsg(db_) << " in " << sql;
    return rows;
  }
  while (sqlite3_step(statement) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int c = 0; c < sqlite3_column_count(statement); ++c) {
      const auto* text = sqlite3_column_text(statement, c);
      row.push_back(text ? reinterpret_cast<const char*>(text) : "");
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(statement);
  return rows;
}

std::string SqliteFile::scalar(const std::string& sql) const {
  const auto rows = query(sql);
  return rows.empty() || rows[0].empty() ? "" : rows[0][0];
}

std::string quoted(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string hexOf(const void* data, int size) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  const auto* bytes = static_cast<const uint8_t*>(data);
  for (int i = 0; i < size; ++i) {
    out.push_back(kHex[bytes[i] >> 4]);
    out.push_back(kHex[bytes[i] & 0xF]);
  }
  return out;
}

}  // namespace vantrel::test
