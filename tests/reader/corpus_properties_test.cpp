// Over every real database of the corpus: each table's property block (the catalog's LvProp),
// against what mdb-prop prints of it.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "reader/catalog_rows.h"
#include "reader/lost_column_names.h"
#include "reader/object_properties.h"
#include "reader/row_reader.h"
#include "reader/source_database.h"
#include "reader/table_definition.h"
#include "tests/support/corpus.h"

namespace vantrel {
namespace {

// group name -> property name -> value as mdb-prop prints it; "" names the object's group.
using PrintedProperties = std::map<std::string, std::map<std::string, std::string>>;

PrintedProperties parsePrinted(const std::string& text) {
  PrintedProperties groups;
  std::istringstream lines(text);
  std::string line, group;
  while (std::getline(lines, line)) {
    if (line.starts_with("name: ")) {
      group = line.substr(6) == "(none)" ? "" : line.substr(6);
      groups[group];
    } else if (line.starts_with("\t") && line.find(": ") != std::string::npos) {
      const size_t colon = line.find(": ");
      groups[group][line.substr(1, colon - 1)] = line.substr(colon + 2);
    }
  }
  return groups;
}

// The values mdb-prop prints as they are stored: texts and yes/no.
std::optional<std::string> printedForm(const StoredProperty& property) {
  const SavedValue& value = property.value.value;
  if (value.kind == SavedValue::Kind::Boolean) return value.integer != 0 ? "yes" : "no";
  if (value.kind == SavedValue::Kind::Text) return property.value.text;
  return std::nullopt;
}

// Table name -> its oracle file's stem, as status.json maps them.
std::map<std::string, std::string> oracleStems(const std::filesystem::path& oracleDir) {
  std::map<std::string, std::string> stems;
  const auto status =
      nlohmann::json::parse(test::readTextFile(oracleDir / "mdbtools" / "status.json"));
  for (const auto& table : status["tables"]) {
    const std::filesystem::path file = table["file"].get<std::string>();
    stems[table["name"].get<std::string>()] = file.stem().string();
  }
  return stems;
}

TEST(CorpusPropertiesTest, EveryTablesPropertiesMatchTheOracle) {
  VANTREL_REQUIRE_CORPUS();
  int tables = 0, values = 0, named = 0, inferable = 0, namedColumns = 0, allColumns = 0;
  for (const auto& file : test::corpusFiles()) {
    SCOPED_TRACE(file.stem);
    auto db = openSourceDatabase(file.path);
    ASSERT_TRUE(db);
    const auto stems = oracleStems(file.oracleDir());
    const auto rows = readCatalogRows(*db);
    // mdb-prop prints the first object of a name: a form called like its table hides it.
    std::map<std::string, int> objectsNamed;
    for (const CatalogRow& row : rows)
      ++objectsNamed[row.name];
    for (const CatalogRow& row : rows) {
      const int64_t page = row.objectId & 0xFFFFFF;
      const auto stem = stems.find(row.name);
      if (row.objectType != kObjectTable || isSystemTable(page, row.flags) || stem == stems.end() ||
          objectsNamed[row.name] > 1) {
        continue;
      }
      const auto printedFile =
          file.oracleDir() / "mdbtools" / "props" / ("table-" + stem->second + ".txt");
      if (!std::filesystem::exists(printedFile)) continue;
      SCOPED_TRACE(row.name);
      const PrintedProperties printed = parsePrinted(test::readTextFile(printedFile));
      const auto block = tableProperties(*db, page);
      // (mdb-prop prints some other object's block for a row that stores none.)
      ASSERT_EQ(block.has_value(), !row.propertyBytes.empty());
      if (!block) continue;
      ++tables;
      EXPECT_FALSE(block->damaged);
      std::map<std::string, std::map<std::string, std::string>> ours;
      for (const PropertyGroup& group : block->groups) {
        auto& properties = ours[group.name];
        for (const StoredProperty& property : group.properties) {
          if (auto text = printedForm(property)) properties[property.name] = *text;
        }
      }
      for (const auto& [group, properties] : printed) {
        ASSERT_TRUE(ours.contains(group)) << group;
        for (const auto& [name, text] : properties) {
          const auto found = ours[group].find(name);
          if (found == ours[group].end()) continue;  // numbers and binary print differently
          EXPECT_EQ(found->second, text) << group << "." << name;
          ++values;
        }
      }
      // A lost definition's columns named from the block: stand-in names on the real
      // columns, in column order (as the inference gives them); every name given must be
      // the column's own. The groups are not in the columns' order in about one table in
      // six here, so their order alone would misname columns.
      const auto table =
          openTable(*db, {.name = row.name, .objectType = kObjectTable, .tdefPage = page});
      if (!table) continue;
      auto columns = table->definition.columns;
      std::ranges::sort(columns, {}, &ColumnDefinition::columnNumber);
      std::vector<std::string> real;
      for (size_t i = 0; i < columns.size(); ++i) {
        real.push_back(columns[i].name);
        columns[i].name = "Field" + std::to_string(i + 1);
      }
      ++inferable;
      const int given = nameColumnsFromProperties(columns, *block);
      if (given > 0) ++named;
      namedColumns += given;
      allColumns += static_cast<int>(columns.size());
      for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name != "Field" + std::to_string(i + 1)) {
          EXPECT_EQ(columns[i].name, real[i]);
        }
      }
    }
  }
  std::printf(
      "%d tables, %d property values; lost names given in %d of %d tables (%d of %d columns)\n",
      tables, values, named, inferable, namedColumns, allColumns);
  EXPECT_GT(tables, 100);
}

// A calculated column's result is read as the type its properties give, not as the type its
// definition declares: a currency result of a column declared a double stays exact.
TEST(CorpusPropertiesTest, CalculatedResultsTakeTheirTypeFromTheProperties) {
  VANTREL_REQUIRE_CORPUS();
  const auto files = test::aceFiles();
  const auto file =
      std::ranges::find(files, "jackcess-calcFieldTestV2010", &test::CorpusFile::stem);
  if (file == files.end()) GTEST_SKIP() << "the corpus has no ace/ folder";
  auto db = openSourceDatabase(file->path);
  ASSERT_TRUE(db);
  std::optional<OpenedTable> table;
  for (const CatalogRow& row : readCatalogRows(*db)) {
    if (row.name == "Table1" && row.objectType == kObjectTable) {
      table = openTable(
          *db, {.name = row.name, .objectType = kObjectTable, .tdefPage = row.objectId & 0xFFFFFF});
    }
  }
  ASSERT_TRUE(table);
  const auto& columns = table->definition.columns;
  const auto salary = std::ranges::find(columns, "MonthlySalary", &ColumnDefinition::name);
  ASSERT_NE(salary, columns.end());
  EXPECT_EQ(salary->calculatedResultType, 5);
  EXPECT_EQ(salary->calculatedExpression, "[Salary]/12");
  const auto at = static_cast<size_t>(salary - columns.begin());
  std::vector<std::string> salaries;
  while (fetchRow(*db, table->definition, table->cursor) == RowFetch::kRow) {
    const FieldValue& field = table->cursor.fields[at];
    if (field.value.kind != SavedValue::Kind::Null) {
      EXPECT_EQ(field.value.kind, SavedValue::Kind::Decimal);
      salaries.push_back(decimalText(field.value.decimal));
    }
  }
  EXPECT_NE(std::ranges::find(salaries, "83333.3333"), salaries.end());
}

// A block cut anywhere, or with a byte changed anywhere, reads as far as it holds together.
TEST(CorpusPropertiesTest, DamagedBlocksGiveWhatPrecedesTheDamage) {
  VANTREL_REQUIRE_CORPUS();
  const auto files = test::corpusFiles();
  const auto file = std::ranges::find(files, "jackcess-delTestV2000", &test::CorpusFile::stem);
  ASSERT_NE(file, files.end());
  auto db = openSourceDatabase(file->path);
  ASSERT_TRUE(db);
  std::vector<uint8_t> stored;
  for (CatalogRow& row : readCatalogRows(*db)) {
    if (row.name == "Table") stored = std::move(row.propertyBytes);
  }
  const auto whole = parsePropertyBlock(stored, *db);
  ASSERT_TRUE(whole);
  ASSERT_FALSE(whole->damaged);
  ASSERT_EQ(whole->columnGroups().size(), 2U);
  for (size_t cut = 0; cut < stored.size(); ++cut) {
    const auto block = parsePropertyBlock(std::span(stored).first(cut), *db);
    if (cut < 4) {
      EXPECT_FALSE(block);
      continue;
    }
    ASSERT_TRUE(block);
    EXPECT_LE(block->groups.size(), whole->groups.size());
  }
  for (size_t at = 4; at < stored.size(); ++at) {
    for (const uint8_t changed : {uint8_t{0}, uint8_t{0xFF}}) {
      auto bytes = stored;
      bytes[at] = changed;
      const auto block = parsePropertyBlock(bytes, *db);
      ASSERT_TRUE(block);
      EXPECT_LE(block->groups.size(), whole->groups.size() + 1);
    }
  }
}

}  // namespace
}  // namespace vantrel
