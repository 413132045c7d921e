// mdbtools, a peer reader, reads every database the writer makes, and its rows are the rows
// the writer was given.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <numeric>

#include "tests/mdb_writer/test_tables.h"
#include "tests/mdb_writer/written_database.h"
#include "tests/support/mdb_writer/query_builder.h"
#include "tests/support/mdbtools.h"
#include "tools/mkdb/spec_json.h"

namespace vantrel::test {
namespace {

using namespace mdbwriter;
using mdbwriter::JetFormat;
using mdbwriter::JetVersion;

// What mdb-export prints for a value, when it can print it.
struct Expected {
  enum Kind { kText, kEmpty, kUnshowable } kind = kText;
  std::string text;
};

std::string hexOf(const Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (uint8_t b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
}

std::string printed(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string decimalText(int64_t unscaled, int scale) {
  const bool negative = unscaled < 0;
  std::string digits = std::to_string(negative ? -unscaled : unscaled);
  if (scale > 0) {
    if (digits.size() <= static_cast<size_t>(scale)) {
      digits.insert(0, static_cast<size_t>(scale) + 1 - digits.size(), '0');
    }
    digits.insert(digits.size() - static_cast<size_t>(scale), 1, '.');
  }
  if (negative) digits.insert(digits.begin(), '-');
  return digits;
}

// "YYYY-MM-DD HH:MM:SS" of a day count from 1899-12-30, for days from 0 on.
std::string dateText(double days) {
  const auto day = static_cast<int64_t>(days);
  const auto seconds = static_cast<int64_t>((days - static_cast<double>(day)) * 86400.0 + 0.5);
  // Days from 1970-01-01, then the civil date.
  int64_t z = day - 25569 + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  char text[128];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld",
                static_cast<long long>(y), static_cast<long long>(m), static_cast<long long>(d),
                static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                static_cast<long long>(seconds % 60));
  return text;
}

Expected expectedOf(const Value& value, const ColumnSpec& column, JetVersion version) {
  if (column.type == ColumnType::kBoolean) {
    return {Expected::kText, isNull(value) || !std::get<bool>(value) ? "0" : "1"};
  }
  if (isNull(value)) return {Expected::kEmpty, ""};
  switch (column.type) {
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
      return {Expected::kText, std::to_string(std::get<int64_t>(value))};
    case ColumnType::kCurrency:
      return {Expected::kText, decimalText(std::get<Currency>(value).tenThousandths, 4)};
    case ColumnType::kSingle:
      return {Expected::kText,
              printed("%.8g", static_cast<double>(static_cast<float>(std::get<double>(value))))};
    case ColumnType::kDouble:
      return {Expected::kText, printed("%.16g", std::get<double>(value))};
    case ColumnType::kDateTime: {
      // mdbtools prints any date before 1899-12-30 as 1900-01-00.
      const double days = std::get<DateTime>(value).days;
      if (days < 0) return {Expected::kUnshowable, "1900-01-00 00:00:00"};
      return {Expected::kText, dateText(days)};
    }
    case ColumnType::kBinary:
    case ColumnType::kOle: {
      const Bytes& bytes = std::get<Bytes>(value);
      if (bytes.empty()) return {Expected::kEmpty, ""};
      return {Expected::kText, hexOf(bytes)};
    }
    case ColumnType::kText:
    case ColumnType::kMemo: {
      const std::string& text = std::get<std::string>(value);
      return {text.empty() ? Expected::kEmpty : Expected::kText, text};
    }
    case ColumnType::kGuid: {
      // mdbtools 1.0 leaves out the fourth dash, and -b hex hexes the text.
      std::string text = guidText(std::get<Guid>(value));
      text.erase(24, 1);
      return {Expected::kText, hexOf(Bytes(text.begin(), text.end()))};
    }
    case ColumnType::kNumeric: {
      // Jet 3 has no numeric type in Access 97; mdbtools reads no scale there and prints
      // the unscaled number.
      const int scale = version == JetVersion::kJet4 ? column.scale : 0;
      return {Expected::kText, decimalText(std::get<Decimal>(value).unscaled, scale)};
    }
    default:
      return {Expected::kText, ""};
  }
}

// Compares mdb-export's records with the rows written (live rows, live columns).
void expectRows(const std::vector<CsvRecord>& records, const TableSpec& table,
                const std::vector<Row>& rows, JetVersion version) {
  std::vector<size_t> live;
  CsvRecord header;
  for (size_t c = 0; c < table.columns.size(); ++c) {
    if (table.columns[c].deleted) continue;
    live.push_back(c);
    header.push_back(table.columns[c].name);
  }
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records[0], header);
  size_t r = 1;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].deleted) continue;
    ASSERT_LT(r, records.size()) << "row " << i << " missing";
    const CsvRecord& record = records[r++];
    ASSERT_EQ(record.size(), live.size());
    for (size_t k = 0; k < live.size(); ++k) {
      const ColumnSpec& column = table.columns[live[k]];
      const Expected expected = expectedOf(rows[i].values[live[k]], column, version);
      const std::string where = "row " + std::to_string(i) + " column " + column.name;
      switch (expected.kind) {
        case Expected::kText:
          EXPECT_EQ(record[k], expected.text) << where;
          break;
        // A CSV field cannot tell an empty value from a null.
        case Expected::kEmpty:
          EXPECT_EQ(record[k].value_or(""), "") << where;
          break;
        case Expected::kUnshowable:
          EXPECT_EQ(record[k], expected.text) << where;
          break;
      }
    }
  }
  EXPECT_EQ(r, records.size()) << "mdb-export printed more rows than were written";
}

class MdbtoolsTest : public ::testing::TestWithParam<JetVersion> {
 protected:
  void SetUp() override { VANTREL_REQUIRE_MDBTOOLS(); }
  JetVersion version() const { return GetParam(); }
  DatabaseSpec spec() const { return {.version = version()}; }
};

TEST_P(MdbtoolsTest, ExportsEveryColumnTypeAsWritten) {
  DatabaseSpec s = spec();
  s.tables.push_back(allTypesTable(version()));
  WrittenDatabase db(std::move(s));
  EXPECT_EQ(runCommand({"mdb-ver", db.path().string()}).out,
            version() == JetVersion::kJet4 ? "JET4\n" : "JET3\n");
  expectRows(mdbExport(db.path(), "All Types"), allTypesTable(version()), allTypesRows(version()),
             version());
}

TEST_P(MdbtoolsTest, ReadsLongValuesInEveryStorageForm) {
  DatabaseSpec s = spec();
  TableSpec table = longValuesTable();
  table.rows = rowsOf(longValuesRows(version()));
  s.tables.push_back(table);
  WrittenDatabase db(std::move(s));
  expectRows(mdbExport(db.path(), "Long Values"), longValuesTable(), longValuesRows(version()),
             version());

  const TableManifest& written = db.manifest().table("Long Values");
  for (const LongValueColumnManifest& column : written.longValueColumns) {
    if (column.column.ends_with("InRow")) {
      EXPECT_TRUE(column.pages.empty()) << column.column;
    } else {
      EXPECT_FALSE(column.pages.empty()) << column.column;
    }
  }
  // Chains of every value: at least one page per piece.
  const size_t pageRow = version() == JetVersion::kJet4 ? 4076 : 2036;
  int64_t pieces = 0;
  for (const Row& row : longValuesRows(version())) {
    const auto& bytes = std::get<Bytes>(row.values[8]);
    pieces += bytes.empty() ? 1 : static_cast<int64_t>((bytes.size() - 1) / (pageRow - 4) + 1);
  }
  const auto& oleChain =
      std::find_if(written.longValueColumns.begin(), written.longValueColumns.end(),
                   [](const auto& c) { return c.column == "OleChain"; });
  EXPECT_GE(oleChain->pages.count(), pieces / 2);
}

TEST_P(MdbtoolsTest, SkipsDeletedRowsAndColumns) {
  DatabaseSpec s = spec();
  TableSpec table{.name = "Edited"};
  table.columns = {{.name = "Id", .type = ColumnType::kLong},
                   {.name = "Dropped", .type = ColumnType::kDouble, .deleted = true},
                   {.name = "Name", .type = ColumnType::kText, .size = 20},
                   {.name = "OldNote", .type = ColumnType::kText, .size = 20, .deleted = true},
                   {.name = "Price", .type = ColumnType::kCurrency},
                   {.name = "Memo", .type = ColumnType::kMemo}};
  std::vector<Row> rows;
  for (int64_t i = 0; i < 40; ++i) {
    rows.push_back({{i, 2.5 * static_cast<double>(i), "name " + std::to_string(i),
                     "old " + std::to_string(i), Currency{i * 100}, varyingText(100, size_t(i))},
                    i % 3 == 1});
  }
  table.rows = rowsOf(rows);
  s.tables.push_back(table);
  WrittenDatabase db(std::move(s));
  expectRows(mdbExport(db.path(), "Edited"), table, rows, version());
  EXPECT_EQ(db.manifest().table("Edited").rowCount, 27);
  EXPECT_EQ(db.manifest().table("Edited").deletedRowCount, 13);
  const std::string schema = runCommand({"mdb-schema", db.path().string()}).out;
  EXPECT_EQ(schema.find("Dropped"), std::string::npos);
  EXPECT_NE(schema.find("[Price]"), std::string::npos);
}

TEST_P(MdbtoolsTest, FollowsUsageMapsOfBothKinds) {
  const bool jet4 = version() == JetVersion::kJet4;
  // Enough rows to span more pages than an inline map covers (512 or 1024 pages), and
  // on Jet 3 more than one bitmap page of a page list covers (16352 pages).
  const int64_t big = jet4 ? 12000 : 140000;
  const auto numbered = [](int64_t count, size_t width) {
    auto next = std::make_shared<int64_t>(0);
    return RowSource([=](Row& row) {
      if (*next >= count) return false;
      const int64_t id = (*next)++;
      row.values = {id, varyingText(width, static_cast<size_t>(id))};
      return true;
    });
  };
  DatabaseSpec s = spec();
  const auto table = [&](std::string name, int64_t rows, size_t width, UsageMapKind kind) {
    TableSpec t{.name = std::move(name), .rows = numbered(rows, width), .usageMap = kind};
    t.columns = {{.name = "Id", .type = ColumnType::kLong},
                 {.name = "Text", .type = ColumnType::kText, .size = 255}};
    s.tables.push_back(t);
  };
  table("Inline", 50, 20, UsageMapKind::kInline);
  table("Listed", 50, 20, UsageMapKind::kPageList);
  table("Big", big, 250, UsageMapKind::kAutomatic);
  WrittenDatabase db(std::move(s));

  EXPECT_EQ(db.manifest().table("Inline").usageMap.type, 0);
  EXPECT_EQ(db.manifest().table("Listed").usageMap.type, 1);
  const TableManifest& bigTable = db.manifest().table("Big");
  EXPECT_EQ(bigTable.usageMap.type, 1);
  EXPECT_GT(bigTable.dataPages.count(), jet4 ? 512 : 16352);
  if (!jet4) {
    EXPECT_EQ(bigTable.usageMap.bitmapPages.size(), 2u);
  }

  for (const auto& [name, rows] :
       {std::pair<std::string, int64_t>{"Inline", 50}, {"Listed", 50}, {"Big", big}}) {
    const auto records = mdbExport(db.path(), name);
    ASSERT_EQ(static_cast<int64_t>(records.size()), rows + 1) << name;
    int64_t sum = 0;
    for (size_t i = 1; i < records.size(); ++i)
      sum += std::stoll(records[i][0].value_or("-1"));
    EXPECT_EQ(sum, rows * (rows - 1) / 2) << name;
    EXPECT_EQ(records.back()[1], varyingText(name == "Big" ? 250 : 20, size_t(rows - 1)));
  }
}

TEST_P(MdbtoolsTest, ListsTablesSchemaIndexesAndRelations) {
  DatabaseSpec s = spec();
  TableSpec customers{.name = "Customers"};
  customers.columns = {{.name = "Id", .type = ColumnType::kLong, .autoNumber = true},
                       {.name = "Region", .type = ColumnType::kText, .size = 10},
                       {.name = "Name", .type = ColumnType::kText, .size = 40}};
  customers.indexes = {
      {.name = "PrimaryKey", .columns = {{"Id"}}, .kind = IndexKind::kPrimaryKey},
      {.name = "ByRegionName", .columns = {{"Region"}, {"Name", true}}, .unique = true}};
  TableSpec orders{.name = "Orders"};
  orders.columns = {{.name = "OrderId", .type = ColumnType::kLong},
                    {.name = "CustomerId", .type = ColumnType::kLong},
                    {.name = "Region", .type = ColumnType::kText, .size = 10}};
  orders.indexes = {
      {.name = "PrimaryKey", .columns = {{"OrderId"}}, .kind = IndexKind::kPrimaryKey},
      {.name = "CustomersOrders",
       .columns = {{"CustomerId"}},
       .kind = IndexKind::kForeignKey,
       .referencedTable = "Customers"}};
  s.tables = {customers, orders};
  s.relations = {
      {"CustomersOrders", "Orders", {"CustomerId"}, "Customers", {"Id"}, 0},
      {"RegionName", "Orders", {"Region", "CustomerId"}, "Customers", {"Region", "Id"}, 2}};
  WrittenDatabase db(std::move(s));

  EXPECT_EQ(runCommand({"mdb-tables", "-1", db.path().string()}).out, "Customers\nOrders\n");
  EXPECT_EQ(linesOf(runCommand({"mdb-tables", "-1", "-S", db.path().string()}).out).size(), 6u);
  const CommandResult schema =
      runCommand({"mdb-schema", "--indexes", "--relations", db.path().string(), "postgres"});
  EXPECT_EQ(schema.exitCode, 0) << schema.err;
  for (const char* expected :
       {"\"customers_pkey\" PRIMARY KEY (\"id\")", "\"orders_pkey\" PRIMARY KEY (\"orderid\")",
        "CREATE UNIQUE INDEX \"customers_byregionname_idx\"",
        "FOREIGN KEY (\"customerid\") REFERENCES \"Customers\"(\"id\")"}) {
    EXPECT_NE(schema.out.find(expected), std::string::npos) << expected << "\n" << schema.out;
  }
  const auto relations = mdbExport(db.path(), "MSysRelationships");
  ASSERT_EQ(relations.size(), 4u);
  EXPECT_EQ(relations[2],
            (CsvRecord{"RegionName", "2", "2", "0", "Orders", "Region", "Customers", "Region"}));
  EXPECT_EQ(relations[3],
            (CsvRecord{"RegionName", "2", "2", "1", "Orders", "CustomerId", "Customers", "Id"}));
}

TEST_P(MdbtoolsTest, ReadsSavedQueriesRowByRow) {
  DatabaseSpec s = spec();
  TableSpec orders{.name = "Orders"};
  orders.columns = {{.name = "Id", .type = ColumnType::kLong},
                    {.name = "Amount", .type = ColumnType::kCurrency}};
  s.tables = {orders};
  QueryDescription select{.name = "Big Orders",
                          .distinct = true,
                          .tables = {{"Orders", ""}},
                          .columns = {{"Orders.Id"}, {"Sum(Orders.Amount)", "Total"}},
                          .where = "Orders.Amount>100",
                          .groupBy = {"Orders.Id"},
                          .orderBy = {{"Orders.Id", true}}};
  QueryDescription update{.name = "Raise",
                          .kind = QueryKind::kUpdate,
                          .parameters = {{"Rate", kParameterCurrency}},
                          .tables = {{"Orders", ""}},
                          .columns = {{"[Amount]*[Rate]", "", "Orders.Amount"}}};
  QueryDescription ddl{.name = "Make Log",
                       .kind = QueryKind::kDataDefinition,
                       .sql = "CREATE TABLE Log (Msg TEXT(100))"};
  s.queries = {buildQuery(select), buildQuery(update), buildQuery(ddl)};
  WrittenDatabase db(std::move(s));

  EXPECT_EQ(runCommand({"mdb-queries", "-L", "-1", db.path().string()}).out,
            "Big Orders\nRaise\nMake Log\n");
  // mdb-queries rebuilds plain selections only, and without column aliases.
  const std::string sql = runCommand({"mdb-queries", db.path().string(), "Big Orders"}).out;
  EXPECT_NE(sql.find("SELECT DISTINCT Orders.Id,Sum(Orders.Amount) FROM [Orders] "
                     "WHERE Orders.Amount>100 ORDER BY Orders.Id DESC"),
            std::string::npos)
      << sql;

  // The raw rows: ObjectId, Attribute, Order, Name1, Name2, Expression, Flag.
  const auto records = mdbExport(db.path(), "MSysQueries");
  size_t r = 1;
  for (const auto& q : {select, update, ddl}) {
    const std::string id = std::to_string(db.manifest().object(q.name).id);
    for (const QueryRow& row : buildQuery(q).rows) {
      ASSERT_LT(r, records.size());
      const CsvRecord& record = records[r++];
      EXPECT_EQ(record[0], id);
      EXPECT_EQ(record[1], std::to_string(row.attribute));
      EXPECT_EQ(record[3], row.name1);
      EXPECT_EQ(record[4], row.name2);
      EXPECT_EQ(record[5], row.expression);
      EXPECT_EQ(record[6], row.flag ? std::optional(std::to_string(*row.flag)) : std::nullopt);
    }
  }
  EXPECT_EQ(r, records.size());
}

TEST_P(MdbtoolsTest, ReadsDefinitionsOverSeveralPages) {
  TableSpec wide{.name = "Wide"};
  Row row;
  for (int i = 0; i < 200; ++i) {
    const bool text = i % 3 != 0;  // (a Jet 3 fixed area must stay below 512 bytes)
    wide.columns.push_back({.name = "Column number " + std::to_string(i) + std::string(40, 'x'),
                            .type = text ? ColumnType::kText : ColumnType::kLong,
                            .size = text ? 8 : 0});
    row.values.push_back(text ? Value{std::to_string(i)} : Value{int64_t{i} * 1000});
  }
  wide.indexes = {{.name = "First", .columns = {{wide.columns[0].name}}}};
  wide.rows = rowsOf({row, row});
  DatabaseSpec s = spec();
  s.tables.push_back(wide);
  WrittenDatabase db(std::move(s));
  EXPECT_GE(db.manifest().table("Wide").definitionPages.size(), 6u);
  expectRows(mdbExport(db.path(), "Wide"), wide, {row, row}, version());
}

TEST_P(MdbtoolsTest, CatalogListsEveryObject) {
  DatabaseSpec s = spec();
  s.tables.push_back(allTypesTable(version()));
  s.queries.push_back(
      buildQuery({.name = "Everything", .selectAll = true, .tables = {{"All Types", ""}}}));
  s.relations.push_back({"Self", "All Types", {"Whole"}, "All Types", {"Whole"}, 0});
  WrittenDatabase db(std::move(s));
  const auto records = mdbExport(db.path(), "MSysObjects");
  ASSERT_EQ(records.size(), db.manifest().objects.size() + 1);
  for (size_t i = 0; i < db.manifest().objects.size(); ++i) {
    const ObjectManifest& object = db.manifest().objects[i];
    EXPECT_EQ(records[i + 1][0], std::to_string(object.id));
    EXPECT_EQ(records[i + 1][2], object.name);
    EXPECT_EQ(records[i + 1][3], std::to_string(object.type));
  }
  EXPECT_EQ(db.manifest().object("All Types").id,
            db.manifest().table("All Types").definitionPage());
}

// The samples the repository ships read back whole: every table's rows and every query.
TEST_P(MdbtoolsTest, ReadsTheSamples) {
  std::ifstream in(VANTREL_SOURCE_DIR "/samples/sample.json");
  const nlohmann::json description = nlohmann::json::parse(in);
  const DatabaseSpec sample = mkdb::specFromJson(description, version());
  const std::string path = std::string(VANTREL_SOURCE_DIR "/samples/sample-") +
                           (version() == JetVersion::kJet4 ? "jet4" : "jet3") + ".mdb";
  std::string tables;
  for (const TableSpec& table : sample.tables) {
    tables += table.name + "\n";
    std::vector<Row> rows;
    Row row;
    while (table.rows(row))
      rows.push_back(row);
    expectRows(mdbExport(path, table.name), table, rows, version());
  }
  EXPECT_EQ(runCommand({"mdb-tables", "-1", path}).out, tables);
  std::string queries;
  for (const SavedQuery& query : sample.queries)
    queries += query.name + "\n";
  EXPECT_EQ(runCommand({"mdb-queries", "-L", "-1", path}).out, queries);
}

INSTANTIATE_TEST_SUITE_P(BothVersions, MdbtoolsTest,
                         ::testing::Values(JetVersion::kJet3, JetVersion::kJet4),
                         [](const auto& test) { return versionName(test.param); });

}  // namespace
}  // namespace vantrel::test
