// The SQLite destination's tables and row sinks: refused statements, rows written in the
// background with their refusals counted, rows of a sink never finished left out, and the
// file's Required columns, defaults and properties.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <optional>

#include "tests/destinations/destination_file.h"

namespace vantrel::test {
namespace {

DestinationColumn column(std::string name, int jetType, int size = 0) {
  return {.name = std::move(name), .jetType = jetType, .size = size};
}

// T(Id LONG key, Name TEXT(20) indexed, Ole OLEOBJECT).
TableDescription keyed(std::string name) {
  return {.name = std::move(name),
          .columns = {column("Id", 4), column("Name", 10, 20), column("Ole", 11)},
          .primaryKey = {0},
          .indexes = {{"MyIndex1", {1}}}};
}

std::vector<FieldValue> row(int64_t id, std::string name, size_t oleBytes = 0) {
  std::vector<FieldValue> fields(3);
  fields[0].value = {.kind = SavedValue::Kind::Integer, .integer = id};
  fields[1].text = std::move(name);
  fields[1].value.kind = SavedValue::Kind::Text;
  fields[2].bytes.assign(oleBytes, 0xAB);
  if (oleBytes > 0) fields[2].value.kind = SavedValue::Kind::Bytes;
  return fields;
}

class RowSinkTest : public DestinationTest {
 protected:
  std::string indexCount(const std::string& table) const {
    return value(
        "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL "
        "AND tbl_name = '" +
        table + "'");
  }
};

TEST_F(RowSinkTest, ManyRowsAreSavedInOrderAndRefusalsCounted) {
  const TableDescription table = keyed("T");
  const TableCreation creation = database.createTable(table);
  EXPECT_TRUE(creation.refused.empty());
  EXPECT_EQ(creation.columnCreated, (std::vector<bool>{true, true, true}));
  auto sink = database.openRows(table, creation);
  int64_t refusedAtOnce = 0;
  for (int i = 0; i < 5000; ++i) {
    // Every tenth row repeats a key; a few rows carry megabytes, filling batches by size, and
    // two more than a batch holds, which go in without a copy (one of them refused).
    const int64_t id = i % 10 == 9 ? i - 1 : i;
    const size_t ole = i == 2501 || i == 2519 ? 9 << 20 : i % 1000 == 1 ? 3 << 20 : 0;
    if (!sink->write(row(id, "n" + std::to_string(i), ole))) ++refusedAtOnce;
  }
  EXPECT_EQ(refusedAtOnce + sink->finish(), 500);
  EXPECT_EQ(value("SELECT count(*) FROM T"), "4500");
  EXPECT_EQ(value("SELECT group_concat(Name) FROM (SELECT Name FROM T WHERE Id IN (7, 8, 10) "
                  "ORDER BY Id)"),
            "n7,n8,n10");
  EXPECT_EQ(value("SELECT sum(length(Ole)) FROM T"), std::to_string(5 * (3 << 20) + (9 << 20)));
  // The large row with a repeated key came after the rows handed over before it: it is the
  // one refused.
  EXPECT_EQ(value("SELECT Name FROM T WHERE Id = 2518"), "n2518");
  // The index, built once the rows were in, holds every row.
  EXPECT_EQ(indexCount("T"), "1");
  EXPECT_EQ(value("PRAGMA integrity_check"), "ok");
}

TEST_F(RowSinkTest, RowsOfASinkNeverFinishedAreNotSaved) {
  const TableDescription dropped = keyed("Dropped");
  const TableDescription kept = keyed("Kept");
  database.createTable(dropped);
  database.createTable(kept);
  {
    auto sink = database.openRows(dropped, {{true, true, true}, {}});
    for (int i = 0; i < 3000; ++i)
      sink->write(row(i, "x"));
  }
  auto sink = database.openRows(kept, {{true, true, true}, {}});
  sink->write(row(1, "y"));
  EXPECT_EQ(sink->finish(), 0);
  EXPECT_EQ(value("SELECT count(*) FROM Dropped"), "0");
  EXPECT_EQ(indexCount("Dropped"), "1");
  EXPECT_EQ(value("SELECT count(*) FROM Kept"), "1");
}

// After the rows: a unique index they break is made plain and said so, one they keep refuses
// a duplicate; a LONG AutoNumber key numbers a row added without it past the highest.
TEST_F(RowSinkTest, UniqueIndexesAndTheAutoNumberKeyAfterTheRows) {
  TableDescription products{
      .name = "Products",
      .columns = {column("Id", 4), column("Name", 10, 20), column("Code", 10, 20)},
      .primaryKey = {0},
      .indexes = {{"Name", {1}, {}, true}, {"Code", {2, 1}, {true, false}, true}}};
  products.columns[0].autoNumber = true;
  const TableCreation creation = database.createTable(products);
  EXPECT_TRUE(creation.refused.empty());
  auto sink = database.openRows(products, creation);
  const auto product = [](int64_t id, std::string name, std::optional<std::string> code) {
    std::vector<FieldValue> fields(3);
    fields[0].value = {.kind = SavedValue::Kind::Integer, .integer = id};
    fields[1].text = std::move(name);
    fields[1].value.kind = SavedValue::Kind::Text;
    if (code) {
      fields[2].text = *code;
      fields[2].value.kind = SavedValue::Kind::Text;
    }
    return fields;
  };
  sink->write(product(7, "Tea", "x"));
  sink->write(product(9, "Tea", "y"));
  sink->write(product(4, "Tea", std::nullopt));
  sink->write(product(3, "Ale", std::nullopt));
  EXPECT_EQ(sink->finish(), 0);
  EXPECT_EQ(sink->indexNotes(),
            std::vector<std::string>{
                "Not re-created as unique: index [Name] of [Products]: 2 duplicate values"});
  database.Close();

  EXPECT_EQ(value("SELECT group_concat(sql, '; ') FROM sqlite_master WHERE type = 'index' AND "
                  "sql IS NOT NULL"),
            "CREATE INDEX \"Products.Name\" ON \"Products\" (\"Name\"); CREATE UNIQUE INDEX "
            "\"Products.Code\" ON \"Products\" (\"Code\" DESC, \"Name\")");
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
  const auto run = [raw](const char* sql) {
    return sqlite3_exec(raw, sql, nullptr, nullptr, nullptr);
  };
  EXPECT_EQ(run("INSERT INTO Products (Name, Code) VALUES ('Tea', 'x')"), SQLITE_CONSTRAINT);
  EXPECT_EQ(run("INSERT INTO Products (Name) VALUES ('New')"), SQLITE_OK);
  sqlite3_close(raw);
  EXPECT_EQ(value("SELECT Id FROM Products WHERE Name = 'New'"), "10");
}

TEST_F(RowSinkTest, RefusedStatementsAreNamedAndATableNotCreatedTakesNoRows) {
  TableDescription twice = keyed("T");
  twice.columns.push_back(column("id", 4));
  const TableCreation creation = database.createTable(twice);
  ASSERT_EQ(creation.refused.size(), 1u);
  EXPECT_EQ(creation.refused[0].rfind("ALTER TABLE [T] ADD [id] LONG; (", 0), 0u)
      << creation.refused[0];
  EXPECT_EQ(creation.columnCreated, (std::vector<bool>{true, true, true, false}));

  // A second table of the name is refused whole: neither its columns nor its rows go into
  // the first.
  TableDescription other = keyed("t");
  other.columns.push_back(column("Extra", 4));
  const TableCreation again = database.createTable(other);
  EXPECT_FALSE(again.tableCreated());
  EXPECT_EQ(again.refused.back(), "ALTER TABLE [t] ADD [Extra] LONG; (table [t] was not created)");
  EXPECT_THROW(database.openRows(other, again), DestinationError);
  EXPECT_EQ(value("SELECT count(*) FROM pragma_table_info('T')"), "3");
}

// A table of the file's properties: Name is Required and every row has one, Note is Required
// but two rows lack it, and the defaults come in each kind SQLite spells its own way.
TEST_F(RowSinkTest, RequiredColumnsTheRowsAllowDefaultsAndPropertiesAfterTheRows) {
  TableDescription people{
      .name = "People",
      .columns = {column("Id", 4), column("Name", 10, 20), column("Note", 10, 20),
                  column("Active", 1), column("Joined", 8), column("Seen", 8),
                  column("Kind", 10, 9)},
      .primaryKey = {0},
      .indexes = {{"Name", {1}, {}, true}}};
  people.columns[1].required = true;
  people.columns[2].required = true;
  people.columns[3].defaultValue = JetDefault{JetDefault::Kind::kNumber, "-1"};
  people.columns[4].defaultValue = JetDefault{JetDefault::Kind::kDateTime, "2001-02-03 00:00:00"};
  people.columns[5].defaultValue = JetDefault{JetDefault::Kind::kNow};
  people.columns[6].defaultValue = JetDefault{JetDefault::Kind::kText, "it's"};
  people.properties = {{std::nullopt, "Description", "Who is who"},
                       {1, "Caption", "Full name"},
                       {2, "ValidationRule", "Like \"N*\""}};
  const TableCreation creation = database.createTable(people);
  EXPECT_TRUE(creation.refused.empty());
  auto sink = database.openRows(people, creation);
  const auto person = [](int64_t id, std::string name, bool note) {
    std::vector<FieldValue> fields(7);
    fields[0].value = {.kind = SavedValue::Kind::Integer, .integer = id};
    fields[1].text = std::move(name);
    fields[1].value.kind = SavedValue::Kind::Text;
    if (note) {
      fields[2].text = "n";
      fields[2].value.kind = SavedValue::Kind::Text;
    }
    return fields;
  };
  for (int64_t id = 1; id <= 4; ++id)
    sink->write(person(id, "N" + std::to_string(id), id > 2));
  EXPECT_EQ(sink->finish(), 0);
  EXPECT_EQ(sink->indexNotes(), std::vector<std::string>{"Not re-created as required: column "
                                                         "[Note] of [People]: 2 null values"});
  database.Close();

  EXPECT_EQ(
      value("SELECT group_concat(name || ':' || \"notnull\" || ':' || ifnull(dflt_value, '-'),"
            " ' ') FROM pragma_table_info('People')"),
      "Id:1:- Name:1:- Note:0:- Active:0:1 Joined:0:'2001-02-03 00:00:00' "
      "Seen:0:datetime('now', 'localtime') Kind:0:'it''s'");
  // The rebuild kept the rows and the unique index made after it.
  EXPECT_EQ(value("SELECT count(*) FROM People"), "4");
  EXPECT_EQ(value("SELECT count(*) FROM sqlite_master WHERE sql LIKE 'CREATE UNIQUE INDEX%'"), "1");
  EXPECT_EQ(value("SELECT group_concat(table_name || '.' || ifnull(column_name, '') || '.' || "
                  "property || '=' || value, ' | ') FROM MSysVantrelTableProperties"),
            "People..Description=Who is who | People.Name.Caption=Full name | "
            "People.Note.ValidationRule=Like \"N*\"");

  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(raw, "INSERT INTO People (Id) VALUES (9)", nullptr, nullptr, nullptr),
            SQLITE_CONSTRAINT);
  EXPECT_EQ(sqlite3_exec(raw, "INSERT INTO People (Id, Name) VALUES (9, 'Nine')", nullptr, nullptr,
                         nullptr),
            SQLITE_OK);
  sqlite3_close(raw);
  EXPECT_EQ(value("SELECT Active || ' ' || Joined || ' ' || length(Seen) || ' ' || Kind FROM "
                  "People WHERE Id = 9"),
            "1 2001-02-03 00:00:00 19 it's");
}

}  // namespace
}  // namespace vantrel::test
