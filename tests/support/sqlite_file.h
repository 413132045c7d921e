#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vantrel::test {

// A destination file opened read-only, to look at what was saved.
class SqliteFile {
 public:
  explicit SqliteFile(const std::filesystem::path& path);
  ~SqliteFile();
  SqliteFile(const SqliteFile&) = delete;
  SqliteFile& operator=(const SqliteFile&) = delete;

  sqlite3* handle() const { return db_; }
  // Every row of a query, each value as text ("" for NULL); a query that fails is a test
  // failure.
  std::vector<std::vector<std::string>> query(const std::string& sql) const;
  // The first value of the first row, or "".
  std::string scalar(const std::string& sql) const;

 private:
  sqlite3* db_ = nullptr;
};

// An SQL identifier in double quotes.
std::string quoted(const std::string& name);

// Bytes as lower-case hex digits, as the oracles write binary values.
std::string hexOf(const void* data, int size);

}  // namespace vantrel::test
