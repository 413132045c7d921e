// Over every real database of the corpus: the version, and the definitions of the catalog,
// the query catalog and the relations table, against what two other readers make of them.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>

#include "reader/source_database.h"
#include "reader/table_definition.h"
#include "tests/support/corpus.h"

namespace vantrel {
namespace {

int typeCodeOf(const std::string& oracleType) {
  static const std::map<std::string, int> codes{
      {"boolean", 1}, {"byte", 2},   {"integer", 3},  {"long", 4},    {"currency", 5},
      {"float", 6},   {"double", 7}, {"datetime", 8}, {"binary", 9},  {"text", 10},
      {"ole", 11},    {"memo", 12},  {"repid", 15},   {"numeric", 16}};
  const auto it = codes.find(oracleType);
  return it == codes.end() ? -1 : it->second;
}

// (name, type) of the columns in column-number order, as the oracle lists them.
using ColumnList = std::vector<std::pair<std::string, int>>;

std::optional<ColumnList> oracleColumns(const nlohmann::json& tables, const std::string& name) {
  for (const auto& table : tables["tables"]) {
    if (table["name"] != name || !table.contains("columns")) continue;
    ColumnList columns;
    for (const auto& column : table["columns"]) {
      columns.emplace_back(column["name"].get<std::string>(),
                           typeCodeOf(column["type"].get<std::string>()));
    }
    return columns;
  }
  return std::nullopt;
}

ColumnList ourColumns(const TableDefinition& table) {
  auto columns = table.columns;
  std::stable_sort(columns.begin(), columns.end(),
                   [](const auto& a, const auto& b) { return a.columnNumber < b.columnNumber; });
  ColumnList list;
  for (const auto& column : columns)
    list.emplace_back(column.name, column.type);
  return list;
}

// The header line of an mdbtools export: the column names in column-number order.
std::vector<std::string> csvHeader(const std::filesystem::path& csv) {
  const std::string text = test::readTextFile(csv);
  std::vector<std::string> names;
  std::string line = text.substr(0, text.find('\n'));
  size_t start = 0;
  while (start <= line.size()) {
    const size_t comma = line.find(',', start);
    names.push_back(line.substr(start, comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return names;
}

TEST(CorpusDefinitionsTest, SystemTableDefinitionsMatchBothOracles) {
  VANTREL_REQUIRE_CORPUS();
  const auto files = test::corpusFiles();
  ASSERT_EQ(files.size(), 76u);
  int compared = 0;
  for (const auto& file : files) {
    SCOPED_TRACE(file.stem);
    auto db = openSourceDatabase(file.path);
    ASSERT_TRUE(db);
    EXPECT_EQ(db->formatVersion(), file.formatVersion);
    if (file.formatVersion == 0) {
      EXPECT_EQ(db->codePageDecoder().codePage(), 1252);
    }
    const auto tables =
        nlohmann::json::parse(test::readTextFile(file.oracleDir() / "mdbreader" / "tables.json"));
    const std::vector<std::pair<int, std::string>> systemTables{
        {2, "MSysObjects"}, {4, "MSysQueries"}, {5, "MSysRelationships"}};
    for (const auto& [page, name] : systemTables) {
      SCOPED_TRACE(name);
      const auto expected = oracleColumns(tables, name);
      if (!expected) continue;
      auto table = readTableDefinition(*db, {.name = name, .objectType = 1, .tdefPage = page});
      ASSERT_TRUE(table);
      readColumns(*db, *table);
      EXPECT_EQ(ourColumns(*table), *expected);
      const auto csv = file.oracleDir() / "mdbtools" / "sys" / (name + ".csv");
      if (std::filesystem::exists(csv)) {
        std::vector<std::string> names;
        for (const auto& [columnName, type] : ourColumns(*table))
          names.push_back(columnName);
        EXPECT_EQ(names, csvHeader(csv));
      }
      if (file.formatVersion == 1) {
        // Jet 4 lists the entries in alphabetical order.
        EXPECT_TRUE(std::is_sorted(table->columns.begin(), table->columns.end(),
                                   [](const auto& a, const auto& b) { return a.name < b.name; }));
      }
      ++compared;
    }
  }
  EXPECT_GE(compared, 200);
}

TEST(CorpusDefinitionsTest, EveryUserTableDefinitionMatchesTheOracle) {
  VANTREL_REQUIRE_CORPUS();
  int compared = 0;
  for (const auto& file : test::corpusFiles()) {
    SCOPED_TRACE(file.stem);
    auto db = openSourceDatabase(file.path);
    ASSERT_TRUE(db);
    const auto oracle =
        nlohmann::json::parse(test::readTextFile(file.oracleDir() / "mdbreader" / "tables.json"));
    // The catalog rows give each user table's definition page.
    const auto objects =
        test::readTextFile(file.oracleDir() / "mdbtools" / "sys" / "MSysObjects.csv");
    for (const auto& name : oracle["user"]) {
      const std::string tableName = name.get<std::string>();
      const auto expected = oracleColumns(oracle, tableName);
      if (!expected) continue;
      // Find "Id,ParentId,"Name",1," in the export: the id's low 24 bits are the page.
      const std::string needle = ",\"" + tableName + "\",1,";
      const size_t at = objects.find(needle);
      ASSERT_NE(at, std::string::npos) << tableName;
      const size_t lineStart = objects.rfind('\n', at) + 1;
      const int64_t id = std::stoll(objects.substr(lineStart));
      auto table =
          readTableDefinition(*db, {.name = tableName, .objectType = 1, .tdefPage = id & 0xFFFFFF});
      ASSERT_TRUE(table) << tableName;
      readColumns(*db, *table);
      EXPECT_EQ(ourColumns(*table), *expected) << tableName;
      ++compared;
    }
  }
  EXPECT_GE(compared, 200);
}

}  // namespace
}  // namespace vantrel
