// Every corpus file saved into PostgreSQL and into SQLite: each table must arrive in both with
// the same rows, and Northwind's views give the same rows in both. Values are compared in a form
// both destinations can be brought to: numbers as the double SQLite keeps (PostgreSQL keeps
// currency and numeric exact), dates with both their parts, GUIDs and bytes as lower-case hex.

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <map>

#include <gtest/gtest.h>

#include "app/activity_log.h"
#include "app/saving_handler.h"
#include "destinations/postgres/postgres_connection.h"
#include "destinations/postgres/postgres_destination.h"
#include "display/number_text.h"
#include "reader/catalog_walk.h"
#include "salvage/query_views.h"
#include "tests/support/corpus.h"
#include "tests/support/postgres_server.h"
#include "tests/support/sqlite_file.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

// The rows of a table, each in the common form, sorted: the order rows come in is no part of
// what is compared.
struct TableSum {
  std::vector<std::string> rows;
  void sort() { std::sort(rows.begin(), rows.end()); }
};

void addRow(TableSum& table, const std::string& row) {
  table.rows.push_back(row);
}

// The first row one side has and the other lacks, for the failure message.
std::string firstDifference(const TableSum& got, const TableSum& expected) {
  std::vector<std::string> onlyGot;
  std::vector<std::string> onlyExpected;
  std::set_difference(got.rows.begin(), got.rows.end(), expected.rows.begin(), expected.rows.end(),
                      std::back_inserter(onlyGot));
  std::set_difference(expected.rows.begin(), expected.rows.end(), got.rows.begin(), got.rows.end(),
                      std::back_inserter(onlyExpected));
  return "PostgreSQL only: " + (onlyGot.empty() ? "-" : onlyGot[0]) +
         "\nSQLite only:     " + (onlyExpected.empty() ? "-" : onlyExpected[0]);
}

std::string numberText(double value) {
  return shortestText(value);
}

// One value of SQLite in the common form, given the PostgreSQL type of its column.
std::string sqliteValue(sqlite3_stmt* row, int column, const std::string& pgType) {
  const int type = sqlite3_column_type(row, column);
  if (type == SQLITE_NULL) return "<null>";
  if (type == SQLITE_BLOB) {
    return test::hexOf(sqlite3_column_blob(row, column), sqlite3_column_bytes(row, column));
  }
  // SQLite keeps a single as the double of its shortest text; PostgreSQL as the single.
  if (pgType == "real") return shortestText(static_cast<float>(sqlite3_column_double(row, column)));
  if (pgType == "numeric" || pgType == "double precision") {
    return numberText(sqlite3_column_double(row, column));
  }
  std::string text(reinterpret_cast<const char*>(sqlite3_column_text(row, column)),
                   static_cast<size_t>(sqlite3_column_bytes(row, column)));
  if (pgType == "timestamp without time zone") {
    if (text.size() == 10) return text + " 00:00:00";
    if (text.size() == 8) return "1899-12-30 " + text;
    // A finer time (Date/Time Extended) the server keeps to the microsecond, rounded.
    if (text.size() > 26) {
      const long micro = std::lround(std::stod("0" + text.substr(19)) * 1e6);
      std::string fraction = std::to_string(1000000 + micro).substr(1);
      while (fraction.back() == '0')
        fraction.pop_back();
      return fraction.empty() ? text.substr(0, 19) : text.substr(0, 19) + "." + fraction;
    }
  }
  if (pgType == "uuid") {
    std::string hex;
    for (const char c : text) {
      if (std::isxdigit(static_cast<unsigned char>(c)))
        hex += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return hex;
  }
  if (pgType == "bytea") return test::hexOf(text.data(), static_cast<int>(text.size()));
  return text;
}

// One value of PostgreSQL in the common form.
std::string postgresValue(const PGresult* rows, int row, int column, const std::string& pgType) {
  if (PQgetisnull(rows, row, column) != 0) return "<null>";
  std::string text = PQgetvalue(rows, row, column);
  if (pgType == "numeric" || pgType == "double precision")
    return numberText(std::strtod(text.c_str(), nullptr));
  if (pgType == "real") return shortestText(std::strtof(text.c_str(), nullptr));
  if (pgType == "boolean") return text == "t" ? "1" : "0";
  if (pgType == "uuid") {
    std::erase(text, '-');
    return text;
  }
  if (pgType == "bytea") return text.substr(2);  // "\x" and the hex digits
  return text;
}

struct PgColumn {
  std::string name;
  std::string type;
};

std::vector<PgColumn> postgresColumns(const PostgresConnection& db, const std::string& schema,
                                      const std::string& table) {
  const PgResult result = db.query(
      "SELECT attname, format_type(atttypid, NULL) FROM pg_attribute WHERE attrelid = "
      "(quote_ident($1) || '.' || quote_ident($2))::regclass AND attnum > 0 AND NOT attisdropped "
      "ORDER BY attnum",
      {schema, table});
  std::vector<PgColumn> columns;
  for (int i = 0; i < PQntuples(result.get()); ++i)
    columns.push_back({PQgetvalue(result.get(), i, 0), PQgetvalue(result.get(), i, 1)});
  return columns;
}

TableSum postgresSum(const PostgresConnection& db, const std::string& schema,
                     const std::string& table, const std::vector<PgColumn>& columns) {
  std::string list;
  for (const PgColumn& column : columns)
    list += (list.empty() ? "" : ", ") + db.quoteIdentifier(column.name);
  const PgResult rows = db.query("SELECT " + list + " FROM " + db.quoteIdentifier(schema) + "." +
                                 db.quoteIdentifier(table));
  TableSum sum;
  for (int r = 0; r < PQntuples(rows.get()); ++r) {
    std::string row;
    for (size_t c = 0; c < columns.size(); ++c)
      row += postgresValue(rows.get(), r, static_cast<int>(c), columns[c].type) + "|";
    addRow(sum, row);
  }
  return sum;
}

// The rows of a table or view of SQLite, its columns taken in order: a view's columns may
// be named otherwise in PostgreSQL.
TableSum sqliteSum(const test::SqliteFile& file, const std::string& table,
                   const std::vector<PgColumn>& columns) {
  std::string list;
  for (const PgColumn& column : columns)
    list += (list.empty() ? "" : ", ") + test::quoted(column.name);
  if (file.scalar("SELECT type FROM sqlite_master WHERE name = '" + table + "'") == "view") {
    list = "*";
  }
  sqlite3_stmt* statement = nullptr;
  const std::string sql = "SELECT " + list + " FROM " + test::quoted(table);
  EXPECT_EQ(sqlite3_prepare_v2(file.handle(), sql.c_str(), -1, &statement, nullptr), SQLITE_OK)
      << sql;
  TableSum sum;
  while (statement != nullptr && sqlite3_step(statement) == SQLITE_ROW) {
    std::string row;
    for (size_t c = 0; c < columns.size(); ++c)
      row += sqliteValue(statement, static_cast<int>(c), columns[c].type) + "|";
    addRow(sum, row);
  }
  sqlite3_finalize(statement);
  return sum;
}

void save(const test::CorpusFile& file, const DestinationKind& kind, const DestinationPlace& place,
          const std::filesystem::path& logPath, bool views = false) {
  SilentRunHooks hooks;
  RunState run(hooks);
  ActivityLog log(logPath);
  std::unique_ptr<Destination> destination = kind.create(place);
  SalvageContext context{run, &log, destination.get()};
  SavingHandler handler(context);
  walkFile(file.path, handler, run);
  if (views) createQueryViews(context, kind.capabilities().viewDialect);
  destination->close();
}

// Whether two rows of a view are the same, numbers to within a few cents and a hundred-
// thousandth: SQLite computes in doubles from the shortest text of a single where PostgreSQL
// widens the single itself, and the rounding of money to four places then tips a product by
// a cent here and there, and their sums by a few.
bool sameViewRow(const std::string& got, const std::string& expected,
                 const std::vector<PgColumn>& columns) {
  size_t a = 0;
  size_t b = 0;
  for (const PgColumn& column : columns) {
    const size_t aEnd = got.find('|', a);
    const size_t bEnd = expected.find('|', b);
    if (aEnd == std::string::npos || bEnd == std::string::npos) return false;
    const std::string x = got.substr(a, aEnd - a);
    const std::string y = expected.substr(b, bEnd - b);
    const bool number = column.type == "numeric" || column.type == "double precision";
    if (number && x != "<null>" && y != "<null>") {
      const double xValue = std::strtod(x.c_str(), nullptr);
      const double yValue = std::strtod(y.c_str(), nullptr);
      if (std::fabs(xValue - yValue) > 0.035 + 1e-5 * std::fabs(yValue)) return false;
    } else if (x != y) {
      return false;
    }
    a = aEnd + 1;
    b = bEnd + 1;
  }
  return true;
}

// Both kinds of destination, for saving each corpus file into both.
class PostgresCorpusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VANTREL_REQUIRE_CORPUS();
    VANTREL_REQUIRE_POSTGRES();
    std::string problem;
    const auto target = parsePostgresTarget(*test::testPostgresUrl(), problem);
    ASSERT_TRUE(target) << problem;
    postgres_ =
        std::make_unique<PostgresDestinations>(PostgresSaving{*target, true, nullptr, nullptr});
    db_ = std::make_unique<PostgresConnection>(target->conninfo);
    sqlite_ = *destinationRegistry().open(dir_.path().string());
  }

  // Saves each file into PostgreSQL and into SQLite and compares every table; returns the
  // tables and adds the rows compared. `types` collects each column's PostgreSQL type as
  // "file table.column type".
  int compareDestinations(const std::vector<test::CorpusFile>& files, int64_t& rows,
                          std::vector<std::string>* types = nullptr) {
    const PostgresDestinations& postgres = *postgres_;
    const PostgresConnection& db = *db_;
    const test::TempDir& dir = dir_;
    const auto& sqlite = sqlite_;
    int tables = 0;
    for (const auto& file : files) {
      SCOPED_TRACE(file.stem);
      const std::string schema = test::uniqueSchemaName("corpus");
      const auto sqlitePath = dir / "Repair_9-5-7" / (file.stem + ".sqlite");
      save(file, *sqlite, {"Repair_9-5-7", file.stem}, dir / "sqlite.log");
      save(file, postgres, {"Repair_9-5-7", schema}, dir / "postgres.log");

      const test::SqliteFile saved(sqlitePath);
      const auto names = saved.query(
          "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'MSysVantrel%' "
          "AND name NOT LIKE 'sqlite%' ORDER BY name");
      EXPECT_EQ(db.queryValue("SELECT count(*) FROM pg_tables WHERE schemaname = $1 AND tablename "
                              "NOT LIKE 'MSysVantrel%'",
                              {schema}),
                std::to_string(names.size()));
      for (const auto& name : names) {
        SCOPED_TRACE(name[0]);
        const auto columns = postgresColumns(db, schema, name[0]);
        for (const PgColumn& column : columns) {
          if (types != nullptr)
            types->push_back(file.stem + " " + name[0] + "." + column.name + " " + column.type);
        }
        TableSum expected = sqliteSum(saved, name[0], columns);
        TableSum got = postgresSum(db, schema, name[0], columns);
        expected.sort();
        got.sort();
        EXPECT_EQ(got.rows.size(), expected.rows.size());
        EXPECT_TRUE(got.rows == expected.rows) << firstDifference(got, expected);
        ++tables;
        rows += static_cast<int64_t>(got.rows.size());
      }
      db.execute("DROP SCHEMA IF EXISTS " + db.quoteIdentifier(schema) + " CASCADE");
    }
    return tables;
  }

  test::TempDir dir_;
  std::unique_ptr<PostgresDestinations> postgres_;
  std::unique_ptr<PostgresConnection> db_;
  std::unique_ptr<DestinationKind> sqlite_;
};

TEST_F(PostgresCorpusTest, EveryTableArrivesWithTheRowsOfTheSqliteDestination) {
  int64_t rows = 0;
  const int tables = compareDestinations(test::corpusFiles(), rows);
  std::cout << tables << " tables, " << rows << " rows compared\n";
  EXPECT_GE(tables, 200);
}

// The Access 2007 and later files with the types Jet 4 lacks arrive with exact types: Large
// Number as bigint, Date/Time Extended as timestamp (to the microsecond), calculated results
// as their stored values, complex columns as child tables of files and values.
TEST_F(PostgresCorpusTest, AccessTwoThousandSevenTypesArriveWithTheirOwnTypes) {
  std::vector<test::CorpusFile> files;
  for (const auto& file : test::aceFiles()) {
    if (file.stem == "mdbreader-V2016-bigint" || file.stem == "jackcess-extDateTestV2019" ||
        file.stem == "jackcess-calcFieldTestV2010" || file.stem == "jackcess-complexDataTestV2007")
      files.push_back(file);
  }
  if (files.size() < 4) GTEST_SKIP() << "the corpus has no ace/ folder";
  int64_t rows = 0;
  std::vector<std::string> types;
  EXPECT_EQ(compareDestinations(files, rows, &types), 7);  // 3 child tables of complex columns
  for (const char* expected :
       {"mdbreader-V2016-bigint Table.Numeric bigint",
        "jackcess-extDateTestV2019 Table1.DateExt timestamp without time zone",
        "jackcess-calcFieldTestV2010 Table1.LastFirstLen integer",
        "jackcess-calcFieldTestV2010 Table1.AllNames text",
        "jackcess-complexDataTestV2007 Table1.attach-data integer",
        "jackcess-complexDataTestV2007 Table1.multi-value-data text",
        "jackcess-complexDataTestV2007 Table1_attach-data.FileData bytea"}) {
    EXPECT_NE(std::ranges::find(types, std::string(expected)), types.end()) << expected;
  }
}

// The rows of a view sorted by their texts first and their numbers after, so that rows whose
// numbers differ in the last places still pair up.
void sortViewRows(TableSum& sum, const std::vector<PgColumn>& columns) {
  using Key = std::pair<std::string, std::vector<double>>;
  const auto keyOf = [&](const std::string& row) {
    Key key;
    size_t start = 0;
    for (const PgColumn& column : columns) {
      const size_t end = std::min(row.find('|', start), row.size());
      const std::string value = row.substr(start, end - start);
      if ((column.type == "numeric" || column.type == "double precision") && value != "<null>") {
        key.second.push_back(std::strtod(value.c_str(), nullptr));
      } else {
        key.first += value + "|";
      }
      start = end + 1;
    }
    return key;
  };
  std::sort(sum.rows.begin(), sum.rows.end(),
            [&](const std::string& a, const std::string& b) { return keyOf(a) < keyOf(b); });
}

// Northwind (the corpus's and the samples) saved into both destinations: every SQLite view has
// its PostgreSQL twin, and each twin gives the same rows.
TEST_F(PostgresCorpusTest, NorthwindsViewsGiveTheRowsOfTheirSqliteTwins) {
  const PostgresDestinations& postgres = *postgres_;
  const PostgresConnection& db = *db_;
  const test::TempDir& dir = dir_;
  const auto& sqlite = sqlite_;
  std::vector<test::CorpusFile> files;
  for (const auto& file : test::corpusFiles()) {
    if (file.stem == "gabriellogue-Northwind" || file.stem == "mdbtools-nwind")
      files.push_back(file);
  }
  for (const char* sample : {"sample-jet4", "sample-jet3"})
    files.push_back({sample, std::string(VANTREL_SOURCE_DIR "/samples/") + sample + ".mdb", 0});
  ASSERT_EQ(files.size(), 4u);
  for (const auto& file : files) {
    SCOPED_TRACE(file.stem);
    const std::string schema = test::uniqueSchemaName("views");
    save(file, *sqlite, {"Repair_9-5-7", file.stem}, dir / "sqlite.log", true);
    save(file, postgres, {"Repair_9-5-7", schema}, dir / "postgres.log", true);
    const test::SqliteFile saved(dir / "Repair_9-5-7" / (file.stem + ".sqlite"));
    const auto views =
        saved.query("SELECT name FROM sqlite_master WHERE type = 'view' ORDER BY name");
    std::vector<std::vector<std::string>> twins;
    const PgResult listed = db.query(
        "SELECT viewname FROM pg_views WHERE schemaname = $1 ORDER BY viewname COLLATE \"C\"",
        {schema});
    for (int i = 0; i < PQntuples(listed.get()); ++i)
      twins.push_back({PQgetvalue(listed.get(), i, 0)});
    EXPECT_EQ(twins, views);
    if (file.stem == "gabriellogue-Northwind") {
      EXPECT_EQ(views.size(), 21u);
    }
    for (const auto& view : views) {
      SCOPED_TRACE(view[0]);
      const auto columns = postgresColumns(db, schema, view[0]);
      TableSum expected = sqliteSum(saved, view[0], columns);
      TableSum got = postgresSum(db, schema, view[0], columns);
      sortViewRows(expected, columns);
      sortViewRows(got, columns);
      ASSERT_EQ(got.rows.size(), expected.rows.size());
      for (size_t i = 0; i < got.rows.size(); ++i) {
        ASSERT_TRUE(sameViewRow(got.rows[i], expected.rows[i], columns))
            << "PostgreSQL: " << got.rows[i] << "\nSQLite:     " << expected.rows[i];
      }
    }
    // DISTINCTROW over the customers of a join keeps one row per customer, as in Jet.
    if (file.stem == "mdbtools-nwind") {
      const std::string quarterly = db.quoteIdentifier(schema) + ".\"Quarterly Orders\"";
      EXPECT_EQ(db.queryValue("SELECT count(*) FROM " + quarterly),
                db.queryValue("SELECT count(DISTINCT \"CustomerID\") FROM " + quarterly));
    }
    db.execute("DROP SCHEMA IF EXISTS " + db.quoteIdentifier(schema) + " CASCADE");
  }
}

}  // namespace
}  // namespace vantrel
