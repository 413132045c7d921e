// Every saved query of the corpus, rebuilt from the raw query-catalog rows that another
// reader printed, fed through the builder in stored order as the catalog returns them.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "jetsql/query_builder.h"
#include "jetsql/query_definition_row.h"
#include "tests/support/corpus.h"

namespace vantrel {
namespace {

std::string textOf(const nlohmann::json& value) {
  if (value.is_null()) return {};
  if (value.is_string()) return value.get<std::string>();
  return value.dump();
}

// The column texts of one catalog row, at the positions of the file's version.
std::vector<std::string> columnTextsOf(const nlohmann::json& row, int formatVersion) {
  const std::string attribute = textOf(row["attribute"]);
  const std::string expression = textOf(row["expression"]);
  const std::string flag = textOf(row["flag"]);
  const std::string name1 = textOf(row["name1"]);
  const std::string name2 = textOf(row["name2"]);
  const std::string objectId = textOf(row["objectid"]);
  if (formatVersion == 1) return {attribute, expression, flag, "", name1, name2, objectId};
  return {objectId, attribute, "", name1, name2, expression, flag};
}

struct CorpusQuery {
  std::string file;
  std::string name;
  std::string sql;
};

// Rebuilds every query of one file the way the rebuild does: the whole catalog table is read
// for each query, and the rows whose id matches are fed in.
std::vector<CorpusQuery> rebuildCorpusQueries(const test::CorpusFile& file) {
  const auto dir = file.oracleDir() / "mdbreader";
  std::vector<std::vector<std::string>> catalog;
  std::istringstream lines(test::readTextFile(dir / "queries.jsonl"));
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty())
      catalog.push_back(columnTextsOf(nlohmann::json::parse(line), file.formatVersion));
  }
  std::vector<CorpusQuery> queries;
  const auto objects = nlohmann::json::parse(test::readTextFile(dir / "query_objects.json"));
  for (const auto& object : objects) {
    int64_t queryId = object["id"].get<int64_t>();
    if (file.formatVersion == 0) queryId &= 0xFFFFFF;  // the catalog walk's Jet 3 id
    QueryBuilder builder;
    for (const auto& texts : catalog) {
      const QueryDefinitionRow row = queryRowFromTexts(texts, file.formatVersion);
      if (rowBelongsToQuery(row.objectId, file.formatVersion, queryId)) builder.addRow(row);
    }
    queries.push_back({file.stem, object["name"].get<std::string>(), builder.compose()});
  }
  return queries;
}

std::vector<CorpusQuery> allCorpusQueries() {
  std::vector<CorpusQuery> all;
  for (const auto& file : test::corpusFiles()) {
    if (!std::filesystem::exists(file.oracleDir() / "mdbreader" / "query_objects.json")) continue;
    for (auto& query : rebuildCorpusQueries(file))
      all.push_back(std::move(query));
  }
  return all;
}

const std::string* findQuery(const std::vector<CorpusQuery>& queries, std::string_view file,
                             std::string_view name) {
  for (const auto& query : queries) {
    if (query.file == file && query.name == name) return &query.sql;
  }
  return nullptr;
}

TEST(CorpusQueriesTest, EveryQueryGetsAStatement) {
  VANTREL_REQUIRE_CORPUS();
  const auto queries = allCorpusQueries();
  EXPECT_EQ(queries.size(), 153u);
  for (const auto& query : queries) {
    EXPECT_GT(query.sql.size(), 1u) << query.file << ": " << query.name;
    EXPECT_TRUE(query.sql.ends_with(";")) << query.file << ": " << query.name;
    EXPECT_EQ(query.sql.find("[]"), std::string::npos) << query.file << ": " << query.name;
  }
  // For reading the results by eye: VANTREL_DUMP_QUERIES=<file>.
  if (const char* dump = std::getenv("VANTREL_DUMP_QUERIES"); dump && *dump) {
    std::ofstream out(dump, std::ios::binary);
    for (const auto& query : queries)
      out << "== " << query.file << " | " << query.name << "\n" << query.sql << "\n";
  }
}

TEST(CorpusQueriesTest, KnownQueries) {
  VANTREL_REQUIRE_CORPUS();
  const auto queries = allCorpusQueries();
  const std::vector<std::array<std::string, 3>> known{
      {"mdbtools-nwind", "Ten Most Expensive Products",
       "SELECT DISTINCTROW TOP 10 Products.ProductName AS [TenMostExpensiveProducts], "
       "Products.UnitPrice \r\nFROM [Products] \r\nORDER BY Products.UnitPrice DESC;"},
      {"mdbtools-nwind", "Customers and Suppliers by City",
       "SELECT City, CompanyName, ContactName, \"Customers\" AS [Relationship] \r\nFROM "
       "Customers\r\n UNION SELECT City, CompanyName, ContactName, \"Suppliers\"\r\nFROM Suppliers "
       " "
       "\r\nORDER BY City, CompanyName;"},
      {"jackcess-queryTestV2000", "CrosstabQuery",
       "TRANSFORM Count([Table2].[col2]) AS CountOfcol2  SELECT Table2_1.col1, [Table2].[col3], "
       "Avg(Table2_1.col2) AS [AvgOfcol2] \r\nFROM ([Table1] INNER JOIN [Table2] ON "
       "([Table1].[col1]=[Table2].[col1])) INNER JOIN [Table2] AS [Table2_1] ON "
       "([Table2].[col1]=Table2_1.col3) \r\nWHERE ((([Table1].[col1])>\"10\") And ((Table2_1.col1) "
       "Is Not Null) And ((Avg(Table2_1.col2))>\"10\")) \r\nGROUP BY Table2_1.col1, "
       "[Table2].[col3] \r\nORDER BY [Table2].[col3] PIVOT [Table1].[col1];"},
      {"jackcess-queryTestV1997", "DataDefinitionQuery",
       "CREATE TABLE Table5 (col1 CHAR, col2 CHAR);"},
      {"meza-r", "qryTEST",
       "INSERT INTO [CustomerSessions]([CSessionString], [CKeyword], [CAmount], [CCurrency], "
       "[CEmail])    VALUES ('test', 'TEST', 1.95, 'INR', 'test@test.com') ;"},
      {"psc-brianlockwood-Northwind", "qry_del_Categories",
       "PARAMETERS [pCategoryID] Long;  DELETE*  \r\nFROM [Categories] \r\nWHERE "
       "[CategoryID]=[pCategoryID];"}};
  for (const auto& [file, name, sql] : known) {
    const std::string* rebuilt = findQuery(queries, file, name);
    ASSERT_NE(rebuilt, nullptr) << file << ": " << name;
    EXPECT_EQ(*rebuilt, sql) << file << ": " << name;
  }
}

}  // namespace
}  // namespace vantrel
