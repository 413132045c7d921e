#include "tests/damage/salvage_outcome.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <unordered_map>

#include "app/analysis_handler.h"
#include "app/saving_handler.h"
#include "destinations/sqlite/dao_database.h"
#include "reader/catalog_walk.h"
#include "run/catalog_summary.h"
#include "run/run_state.h"
#include "tests/support/mdbtools.h"
#include "tests/support/sqlite_file.h"

namespace vantrel::test {

namespace {

constexpr size_t kMaxExportBytes = 64 << 20;
constexpr int kMaxExportMemoryKib = 2 << 20;
constexpr char kSeparator = '\x1f';

TableRows readDestinationTable(sqlite3* db, const std::string& name) {
  TableRows table;
  sqlite3_stmt* statement = nullptr;
  const std::string info = "PRAGMA table_info(" + quoted(name) + ")";
  if (sqlite3_prepare_v2(db, info.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
    while (sqlite3_step(statement) == SQLITE_ROW) {
      const std::string column = reinterpret_cast<const char*>(sqlite3_column_text(statement, 1));
      const std::string type = reinterpret_cast<const char*>(sqlite3_column_text(statement, 2));
      table.columns.push_back(column);
      if (type == "LONGTEXT" || type == "OLEOBJECT") table.longValueColumns.insert(column);
      if (type == "LONGTEXT" || type.starts_with("TEXT")) table.textColumns.insert(column);
    }
  }
  sqlite3_finalize(statement);
  const std::string select = "SELECT * FROM " + quoted(name) + " ORDER BY rowid";
  if (sqlite3_prepare_v2(db, select.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
    while (sqlite3_step(statement) == SQLITE_ROW) {
      auto& row = table.rows.emplace_back();
      for (int c = 0; c < sqlite3_column_count(statement); ++c) {
        switch (sqlite3_column_type(statement, c)) {
          case SQLITE_NULL:
            row.emplace_back();
            break;
          case SQLITE_BLOB:
            row.emplace_back(
                hexOf(sqlite3_column_blob(statement, c), sqlite3_column_bytes(statement, c)));
            break;
          default:
            row.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, c)));
        }
      }
    }
  }
  sqlite3_finalize(statement);
  return table;
}

class SavingListHooks : public SilentRunHooks {
 public:
  explicit SavingListHooks(std::vector<std::string>* lines) : lines_(lines) {}
  void appendSavingListLine(int, std::string_view text) override {
    if (lines_ != nullptr) lines_->emplace_back(text);
  }

 private:
  std::vector<std::string>* lines_;
};

// A row's values in the order of `columns`, as one text; columns the row's table lacks
// read as missing.
std::string rowKey(const TableRows& table, size_t row, const std::vector<std::string>& columns) {
  std::string key;
  for (const std::string& column : columns) {
    const auto at = std::find(table.columns.begin(), table.columns.end(), column);
    if (at == table.columns.end() ||
        static_cast<size_t>(at - table.columns.begin()) >= table.rows[row].size()) {
      key += "\x03missing";
    } else {
      const auto& value = table.rows[row][static_cast<size_t>(at - table.columns.begin())];
      // An empty text and a null are one thing to both readers' outputs.
      key += value && !value->empty() ? *value : std::string();
    }
    key += kSeparator;
  }
  return key;
}

}  // namespace

std::map<std::string, TableRows> salvageWithVantrel(const std::filesystem::path& file,
                                                    const std::filesystem::path& workDir,
                                                    std::vector<std::string>* savingList,
                                                    DamageSink* damage) {
  static std::atomic<int> counter{0};
  const auto destinationPath = workDir / ("salvaged-" + std::to_string(++counter) + ".sqlite");
  {
    SavingListHooks hooks(savingList);
    RunState run(hooks);
    CDaoDatabase destination;
    destination.Create(destinationPath);
    SalvageContext context{run, nullptr, &destination};
    SavingHandler handler(context);
    walkFile(file, handler, run, damage);
    try {
      destination.Close();
    } catch (const CDaoException&) {
    }
  }
  std::map<std::string, TableRows> tables;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(destinationPath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    std::vector<std::string> names;
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(
        db,
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'MSysVantrel%' "
        "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
        -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW) {
      names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    }
    sqlite3_finalize(statement);
    for (const std::string& name : names)
      tables[name] = readDestinationTable(db, name);
  }
  sqlite3_close(db);
  std::error_code ignored;
  std::filesystem::remove(destinationPath, ignored);
  return tables;
}

std::map<std::string, int64_t> tableDefinitionPages(const std::filesystem::path& file) {
  SilentRunHooks hooks;
  RunState run(hooks);
  CatalogSummary summary;
  AnalysisHandler handler(summary);
  std::map<std::string, int64_t> pages;
  if (auto db = openSourceDatabase(file, &run)) walkCatalog(*db, handler);
  for (const auto& table : summary.tables)
    pages[table.name] = table.objectId;
  return pages;
}

std::string recoveredTableName(int64_t definitionPage) {
  return "Recovered_Table_" + std::to_string(definitionPage);
}

std::string lostDefinitionTableName(int64_t definitionPage) {
  return "Recovered_Rows_" + std::to_string(definitionPage);
}

namespace {

// Runs an mdbtools program with a time limit, a memory limit and a limit on its output: a
// reader that loops on a damaged file may print without end or take all the memory it can.
CommandResult runBounded(const std::string& program, std::vector<std::string> arguments,
                         int seconds) {
  std::string script = "set -o pipefail; ulimit -v " + std::to_string(kMaxExportMemoryKib) +
                       "; timeout -s KILL " + std::to_string(seconds) + " " + program;
  for (size_t i = 1; i <= arguments.size(); ++i)
    script += " \"$" + std::to_string(i) + "\"";
  script += " | head -c " + std::to_string(kMaxExportBytes);
  arguments.insert(arguments.begin(), {"bash", "-c", script, program});
  return runCommand(arguments);
}

}  // namespace

std::optional<TableRows> exportWithMdbtools(const std::filesystem::path& file,
                                            const std::string& table,
                                            const std::set<std::string>& longValueColumns,
                                            int seconds) {
  const CommandResult result = runBounded(
      "mdb-export",
      {"-D", "%Y-%m-%d %H:%M:%S", "-T", "%Y-%m-%d %H:%M:%S", "-b", "hex", file.string(), table},
      seconds);
  if (result.exitCode != 0) return std::nullopt;
  const std::vector<CsvRecord> records = parseCsv(result.out);
  if (records.empty()) return std::nullopt;
  TableRows rows;
  for (const auto& name : records[0])
    rows.columns.push_back(name.value_or(""));
  for (const std::string& column : rows.columns) {
    if (longValueColumns.contains(column)) rows.longValueColumns.insert(column);
  }
  rows.rows.assign(records.begin() + 1, records.end());
  return rows;
}

std::optional<std::vector<std::string>> mdbtoolsTables(const std::filesystem::path& file) {
  const CommandResult result = runBounded("mdb-tables", {"-1", file.string()}, 20);
  if (result.exitCode != 0) return std::nullopt;
  std::vector<std::string> tables;
  for (const std::string& line : linesOf(result.out)) {
    if (!line.empty()) tables.push_back(line);
  }
  return tables;
}

int64_t matchingRows(const TableRows& healthy, const TableRows& salvaged, bool withLongValues) {
  std::vector<std::string> columns;
  for (const std::string& column : healthy.columns) {
    if (withLongValues || !healthy.longValueColumns.contains(column)) columns.push_back(column);
  }
  std::unordered_map<std::string, int64_t> available;
  for (size_t r = 0; r < healthy.rows.size(); ++r)
    ++available[rowKey(healthy, r, columns)];
  int64_t matched = 0;
  for (size_t r = 0; r < salvaged.rows.size(); ++r) {
    const auto it = available.find(rowKey(salvaged, r, columns));
    if (it != available.end() && it->second > 0) {
      --it->second;
      ++matched;
    }
  }
  return matched;
}

namespace {

// The non-empty text values of a healthy row, sorted.
std::vector<std::string> textValues(const TableRows& table, size_t row) {
  std::vector<std::string> values;
  for (size_t c = 0; c < table.columns.size() && c < table.rows[row].size(); ++c) {
    const auto& value = table.rows[row][c];
    if (table.textColumns.contains(table.columns[c]) && value && !value->empty()) {
      values.push_back(*value);
    }
  }
  std::ranges::sort(values);
  return values;
}

}  // namespace

int64_t rowsWithText(const TableRows& healthy) {
  int64_t rows = 0;
  for (size_t r = 0; r < healthy.rows.size(); ++r)
    rows += textValues(healthy, r).empty() ? 0 : 1;
  return rows;
}

int64_t matchingTextRows(const TableRows& healthy, const TableRows& salvaged) {
  // Every salvaged row's values, sorted, and the rows each value occurs in.
  std::vector<std::vector<std::string>> values(salvaged.rows.size());
  std::unordered_map<std::string, std::vector<size_t>> rowsOfValue;
  for (size_t r = 0; r < salvaged.rows.size(); ++r) {
    for (const auto& value : salvaged.rows[r]) {
      if (value && !value->empty()) values[r].push_back(*value);
    }
    std::ranges::sort(values[r]);
    for (size_t i = 0; i < values[r].size(); ++i) {
      if (i == 0 || values[r][i] != values[r][i - 1]) rowsOfValue[values[r][i]].push_back(r);
    }
  }
  std::vector<bool> used(salvaged.rows.size(), false);
  int64_t matched = 0;
  for (size_t r = 0; r < healthy.rows.size(); ++r) {
    const std::vector<std::string> wanted = textValues(healthy, r);
    if (wanted.empty()) continue;
    const auto candidates = rowsOfValue.find(wanted.front());
    if (candidates == rowsOfValue.end()) continue;
    for (size_t candidate : candidates->second) {
      if (used[candidate] || !std::ranges::includes(values[candidate], wanted)) continue;
      used[candidate] = true;
      ++matched;
      break;
    }
  }
  return matched;
}

std::string describeRow(const TableRows& table, size_t row) {
  std::string text;
  for (size_t c = 0; c < table.columns.size() && c < table.rows[row].size(); ++c) {
    const auto& value = table.rows[row][c];
    text += (c == 0 ? "" : ", ") + table.columns[c] + "=" + (value ? value->substr(0, 40) : "NULL");
  }
  return text;
}

}  // namespace vantrel::test
