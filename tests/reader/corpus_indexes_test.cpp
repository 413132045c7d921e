// Primary keys and indexes of every user table of the corpus, against the index statements
// mdbtools prints (where mdbtools can read them; see ORACLES.md for the files it cannot).

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

#include "reader/catalog_rows.h"
#include "reader/index_reader.h"
#include "tests/support/corpus.h"

namespace vantrel {
namespace {

// Files whose indexes mdbtools reports errors for.
const std::set<std::string> kUnreliableOracle{
    "jackcess-delColTestV2000", "jackcess-delColTestV2003", "jackcess-testIndexCodes-rcc77d55",
    "jackcess-testIndexPropertiesV2000", "jackcess-testIndexPropertiesV2003"};

using KeySets = std::map<std::string, std::set<std::vector<std::string>>>;

// mdbtools' postgres dialect prints names in lower case.
std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::vector<std::string> columnList(const std::string& quoted) {
  std::vector<std::string> names;
  static const std::regex name("\"((?:[^\"]|\"\")*)\"");
  for (auto it = std::sregex_iterator(quoted.begin(), quoted.end(), name); it != std::sregex_iterator(); ++it) {
    names.push_back((*it)[1]);
  }
  return names;
}

TEST(CorpusIndexesTest, PrimaryKeysAndIndexedColumnsMatchMdbtools) {
  VANTREL_REQUIRE_CORPUS();
  int tablesCompared = 0;
  for (const auto& file : test::corpusFiles()) {
    if (kUnreliableOracle.count(file.stem)) continue;
    SCOPED_TRACE(file.stem);
    const std::string schema = test::readTextFile(file.oracleDir() / "mdbtools" / "schema_postgres.sql");
    KeySets expectedKeys;
    std::map<std::string, std::set<std::string>> expectedIndexed;
    static const std::regex pk(R"re(ALTER TABLE "((?:[^"]|"")*)" ADD CONSTRAINT "[^"]*" PRIMARY KEY \(([^)]*)\);)re");
    static const std::regex index(R"re(CREATE (?:UNIQUE )?INDEX "[^"]*" ON "((?:[^"]|"")*)" \(([^)]*)\);)re");
    for (auto it = std::sregex_iterator(schema.begin(), schema.end(), pk); it != std::sregex_iterator(); ++it) {
      expectedKeys[(*it)[1]].insert(columnList((*it)[2]));
    }
    for (auto it = std::sregex_iterator(schema.begin(), schema.end(), index); it != std::sregex_iterator(); ++it) {
      for (const auto& column : columnList((*it)[2])) expectedIndexed[(*it)[1]].insert(column);
    }

    // Only the tables mdbtools lists as user tables (hidden ones it leaves out).
    const std::string listed = "\n" + test::readTextFile(file.oracleDir() / "mdbtools" / "tables.txt");
    auto db = openSourceDatabase(file.path);
    ASSERT_TRUE(db);
    for (const CatalogRow& row : readCatalogRows(*db)) {
      if (row.objectType != kObjectTable || listed.find("\n" + row.name + "\n") == std::string::npos) continue;
      auto table = readTableDefinition(*db, {.name = row.name, .objectType = 1, .tdefPage = row.objectId & 0xFFFFFF});
      if (!table) continue;
      readColumns(*db, *table);
      readIndexes(*db, *table);
      for (const auto& idx : table->indexes) markKeyColumns(*table, idx);
      std::vector<std::string> key;
      std::set<std::string> indexed;
      for (const auto& column : table->columns) {
        if (column.isPrimaryKey) key.push_back(lower(column.name));
        if (column.isIndexed && !column.isPrimaryKey) indexed.insert(lower(column.name));
      }
      SCOPED_TRACE(row.name);
      // mdbtools lists a key's columns in key order, ours come in column order.
      std::set<std::string> ourKey(key.begin(), key.end());
      std::set<std::string> theirKey;
      for (const auto& k : expectedKeys[lower(row.name)]) theirKey.insert(k.begin(), k.end());
      EXPECT_EQ(ourKey, theirKey);
      for (const auto& column : indexed) {
        EXPECT_TRUE(expectedIndexed[lower(row.name)].count(column)) << column << " is not indexed there";
      }
      // And the other way: every column mdbtools indexes is our key or indexed.
      for (const auto& column : expectedIndexed[lower(row.name)]) {
        EXPECT_TRUE(indexed.count(column) || ourKey.count(column)) << column << " is indexed there";
      }
      ++tablesCompared;
    }
  }
  EXPECT_GE(tablesCompared, 150);
}

}  // namespace
}  // namespace vantrel
