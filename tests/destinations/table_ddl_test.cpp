#include "destinations/sqlite/table_ddl.h"

#include <gtest/gtest.h>

#include "destinations/sqlite/dao_database.h"
#include "jetsql/jet_ddl_text.h"
#include "tests/support/sqlite_file.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

using Statements = std::vector<std::string>;

ColumnDefinition column(std::string name, int type, int size = 4, int key = 0, int indexed = 0) {
  ColumnDefinition c;
  c.name = std::move(name);
  c.type = type;
  c.size = size;
  c.isPrimaryKey = key;
  c.isIndexed = indexed;
  return c;
}

TableDefinition table(std::vector<ColumnDefinition> columns, int keyColumns = 0) {
  TableDefinition t;
  t.columns = std::move(columns);
  t.columnCount = static_cast<int>(t.columns.size());
  t.primaryKeyColumnCount = keyColumns;
  return t;
}

// The statements as the log would name them.
Statements ddlTexts(const TableDefinition& table, std::string_view name, int formatVersion) {
  Statements texts;
  for (const JetDdlStatement& statement :
       tableDdl(describeTable(table, name, formatVersion)).statements)
    texts.push_back(jetDdlText(statement));
  return texts;
}

std::optional<std::string> typeText(const ColumnDefinition& column, int formatVersion) {
  const auto type =
      sqliteColumnType(describeTable(table({column}), "T", formatVersion).columns.front());
  if (!type) return std::nullopt;
  std::string text(jetTypeName(type->type));
  if (type->size) text += "(" + std::to_string(*type->size) + ")";
  return text;
}

TEST(TableDdlTest, OrdersExample) {
  const auto orders =
      table({column("ID", 4, 4, 1, 1), column("Name", 10, 100), column("Total", 5, 8, 0, 1)}, 1);
  EXPECT_EQ(ddlTexts(orders, "Orders", 1),
            (Statements{"CREATE TABLE [Orders]([ID] LONG);",
                        "ALTER TABLE [Orders] ADD PRIMARY KEY ([ID]);",
                        "ALTER TABLE [Orders] ADD [Name] TEXT(50);",
                        "ALTER TABLE [Orders] ADD [Total] CURRENCY;"}));
}

TEST(TableDdlTest, CompoundKeyComesLastAndKeyColumnsGetNoIndex) {
  const auto orders =
      table({column("A", 4, 4, 1, 1), column("B", 10, 20, 1, 1), column("C", 4)}, 2);
  EXPECT_EQ(
      ddlTexts(orders, "Orders", 0),
      (Statements{"CREATE TABLE [Orders]([A] LONG);", "ALTER TABLE [Orders] ADD [B] TEXT(20);",
                  "ALTER TABLE [Orders] ADD [C] LONG;",
                  "ALTER TABLE [Orders] ADD Constraint [PK_Orders] PRIMARY KEY ([A], [B]);"}));
}

IndexDefinition fileIndex(std::string name, int type, std::vector<std::pair<int, int>> keys,
                          int flags = 0) {
  IndexDefinition index;
  index.name = std::move(name);
  index.indexType = type;
  index.flags = flags;
  for (const auto& [columnNumber, ascending] : keys) {
    index.keyColumnNumbers[static_cast<size_t>(index.keyCount)] = columnNumber + 1;
    index.keyOrders[static_cast<size_t>(index.keyCount++)] = static_cast<uint8_t>(ascending);
  }
  return index;
}

// Each index of the file keeps its name, its columns in key order, each key's direction and
// its uniqueness; the key, relationship sides and indexes over a column without a type are
// no index of their own, and a name the key holds or another index took is numbered.
TEST(TableDdlTest, IndexesAsTheFileDefinesThem) {
  auto t = table({column("Id", 4, 4, 1, 1), column("P", 4), column("Q", 10, 20), column("Odd", 13),
                  column("R", 4)},
                 1);
  for (int i = 0; i < 5; ++i)
    t.columns[static_cast<size_t>(i)].columnNumber = i;
  t.indexes = {fileIndex("PrimaryKey", 1, {{0, 1}}, 1), fileIndex("PQ", 0, {{2, 1}, {1, 0}}, 1),
               fileIndex("Relation", 2, {{1, 1}}),      fileIndex("OverOdd", 0, {{3, 1}}),
               fileIndex("primarykey", 0, {{4, 0}}),    fileIndex("", 0, {{4, 1}}),
               fileIndex("pq", 0, {{1, 1}}, 1)};
  const TableDescription description = describeTable(t, "T", 0);
  Statements texts;
  for (const CreateIndexStatement& index :
       indexStatements(description, {true, true, true, true, true}))
    texts.push_back(jetDdlText(index));
  EXPECT_EQ(texts, (Statements{"CREATE UNIQUE INDEX PQ ON [T]([Q], [P] DESC)",
                               "CREATE INDEX primarykey_2 ON [T]([R] DESC)",
                               "CREATE INDEX Index6 ON [T]([R])",
                               "CREATE UNIQUE INDEX pq_2 ON [T]([P])"}));
  // An index over a column that was not created is not made.
  EXPECT_EQ(indexStatements(description, {true, false, true, true, true}).size(), 2u);
  // A LONG AutoNumber that is the whole key numbers the rows; elsewhere it is a LONG.
  t.columns[0].isAutoNumber = true;
  t.columns[4].isAutoNumber = true;
  EXPECT_EQ(jetDdlText(*wholeTableStatement(describeTable(t, "T", 0))),
            "CREATE TABLE [T]([Id] COUNTER, [P] LONG, [Q] TEXT(20), [R] LONG);");
}

TEST(TableDdlTest, TypeTextsAndTextLengthsByVersion) {
  const std::vector<std::pair<ColumnDefinition, std::string>> cases{
      {column("C", 1, 0), "BIT"},          {column("C", 2, 1), "BYTE"},
      {column("C", 3, 2), "INT"},          {column("C", 4), "LONG"},
      {column("C", 5, 8), "CURRENCY"},     {column("C", 6), "SINGLE"},
      {column("C", 7, 8), "DOUBLE"},       {column("C", 8, 8), "DATE"},
      {column("C", 11, 0), "OLEOBJECT"},   {column("C", 12, 0), "MEMO"},
      {column("C", 16, 17), "DOUBLE"},     {column("C", 15, 16), "GUID"},
      {column("C", 9, 255), "BINARY(255)"}};
  for (const auto& [c, text] : cases)
    EXPECT_EQ(typeText(c, 1), text) << c.type;
  EXPECT_EQ(typeText(column("C", 10, 101), 1), "TEXT(50)");
  EXPECT_EQ(typeText(column("C", 10, 101), 0), "TEXT(101)");
  for (int type : {0, 13, 14, 17, 99})
    EXPECT_FALSE(typeText(column("C", type), 1)) << type;
}

TEST(TableDdlTest, ColumnsWithoutTypeAreLeftOutAndNamed) {
  const auto t =
      table({column("Odd", 13), column("Id", 4, 4, 1, 1), column("Odder", 17, 4, 0, 1)}, 1);
  EXPECT_EQ(ddlTexts(t, "T", 1), (Statements{"CREATE TABLE [T]([Id] LONG);",
                                             "ALTER TABLE [T] ADD PRIMARY KEY ([Id]);"}));
  EXPECT_EQ(describeTable(t, "T", 1).columnsWithoutType(), (Statements{"Odd", "Odder"}));
}

TEST(TableDdlTest, NamesGoInAsTheyStand) {
  const auto t = table(
      {column("Repaired Field", 4), column("Repaired Field", 4), column("it's [odd", 10, 10)});
  EXPECT_EQ(ddlTexts(t, "My Table", 0),
            (Statements{"CREATE TABLE [My Table]([Repaired Field] LONG);",
                        "ALTER TABLE [My Table] ADD [Repaired Field] LONG;",
                        "ALTER TABLE [My Table] ADD [it's [odd] TEXT(10);"}));
}

TEST(TableDdlTest, OneStatementMakesEveryColumnAndARefusedOneFallsBackToEachAlone) {
  const auto orders =
      table({column("ID", 4, 4, 1, 1), column("Odd", 13), column("Name", 10, 100)}, 1);
  const TableDescription description = describeTable(orders, "Orders", 1);
  EXPECT_EQ(jetDdlText(*wholeTableStatement(description)),
            "CREATE TABLE [Orders]([ID] LONG, [Name] TEXT(50));");

  test::TempDir dir;
  CDaoDatabase db;
  db.Create(dir / "out.sqlite");
  const TableCreation made = db.createTable(description);
  EXPECT_EQ(made.columnCreated, (std::vector<bool>{true, false, true}));
  EXPECT_TRUE(made.refused.empty());
  EXPECT_EQ(db.createTable(describeTable(table({column("ID", 4)}), "Keyless", 1)).columnCreated,
            std::vector<bool>{true});

  // Two columns of one name: the whole table is refused, then each column is tried alone.
  const TableCreation twice =
      db.createTable(describeTable(table({column("A", 4), column("a", 4)}), "Twice", 1));
  EXPECT_EQ(twice.columnCreated, (std::vector<bool>{true, false}));
  ASSERT_EQ(twice.refused.size(), 1u);
  EXPECT_EQ(twice.refused[0].rfind("ALTER TABLE [Twice] ADD [a] LONG; (", 0), 0u);
  db.Close();
  const test::SqliteFile saved(dir / "out.sqlite");
  EXPECT_EQ(saved.scalar("SELECT sql FROM sqlite_schema WHERE name = 'Orders'"),
            "CREATE TABLE \"Orders\" (\"ID\" LONG NOT NULL, \"Name\" TEXT(50), CONSTRAINT "
            "\"PrimaryKey\" PRIMARY KEY (\"ID\"))");
}

// The engine runs the statements as structures and names them as text in the log: each text
// reads back as the statement that ran, and a statement no text could state is refused as its
// text would be.
TEST(TableDdlTest, StatementsAndTheirTextsAgree) {
  const auto awkward = table(
      {column("Id]x", 4, 4, 1, 1), column("[Note]]", 10, 40, 1, 1), column("it's", 10, 20, 0, 1)},
      2);
  for (const JetDdlStatement& statement :
       tableDdl(describeTable(awkward, "Odd]] [Table", 1)).statements) {
    const std::string text = jetDdlText(statement);
    EXPECT_EQ(jetDdlText(parseJetDdl(text)), text);
    EXPECT_EQ(parseJetDdl(text).index(), statement.index()) << text;
  }
  EXPECT_EQ(jetDdlText(CreateIndexStatement{"Odd name", "T", {"C"}}),
            "CREATE INDEX [Odd name] ON [T]([C])");

  test::TempDir dir;
  CDaoDatabase db;
  db.Create(dir / "out.sqlite");
  const auto refusal = [&](const auto& run) -> std::string {
    try {
      run();
    } catch (const CDaoException& error) {
      return error.what();
    }
    return "";
  };
  const JetDdlStatement unnamed = CreateTableStatement{"T", {{"", {JetType::Long, {}}}}};
  EXPECT_EQ(refusal([&] { db.Execute(unnamed); }), "empty name where a column name was expected");
  EXPECT_EQ(refusal([&] { db.Execute(unnamed); }),
            refusal([&] { db.Execute(std::string_view("CREATE TABLE [T]([] LONG);")); }));
  const JetDdlStatement zero =
      AddColumnStatement{"T", {std::string("a\0b", 3), {JetType::Long, {}}}};
  EXPECT_EQ(refusal([&] { db.Execute(zero); }), "a name may not contain a zero character");
  EXPECT_EQ(db.createTable(describeTable(table({column("Id", 4)}), "T", 1)).refused.size(), 0u);
}

}  // namespace
}  // namespace vantrel
