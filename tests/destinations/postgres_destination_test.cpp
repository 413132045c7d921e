// The PostgreSQL destination through the destination interface, against the throw-away server.

#include <libpq-fe.h>

#include <gtest/gtest.h>

#include "destinations/postgres/postgres_connection.h"
#include "destinations/postgres/postgres_destination.h"
#include "reader/column_types.h"
#include "tests/support/postgres_server.h"

namespace vantrel {
namespace {

using Kind = SavedValue::Kind;

class PostgresDestinationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VANTREL_REQUIRE_POSTGRES();
    url_ = *test::testPostgresUrl();
    schema_ = test::uniqueSchemaName("pgdest");
    checker_.emplace(url_);
  }
  void TearDown() override {
    if (checker_) checker_->execute("DROP SCHEMA IF EXISTS \"" + schema_ + "\" CASCADE");
  }

  std::unique_ptr<Destination> open(std::function<bool(std::string_view)> replace = nullptr,
                                    const std::string& extra = "") {
    std::string problem;
    auto target = parsePostgresTarget(url_ + extra, problem);
    EXPECT_TRUE(target) << problem;
    saving_ = PostgresSaving{*target, true, std::move(replace), nullptr};
    factory_.emplace(saving_);
    return factory_->create({"Repair_9-5-7", schema_});
  }

  std::string value(const std::string& sql) { return checker_->queryValue(sql).value_or("<null>"); }
  std::string table(const std::string& name) { return "\"" + schema_ + "\".\"" + name + "\""; }

  std::string url_;
  std::string schema_;
  std::optional<PostgresConnection> checker_;
  PostgresSaving saving_;
  std::optional<PostgresDestinations> factory_;
};

DestinationColumn column(std::string name, int jetType, int precision = 0, int scale = 0) {
  DestinationColumn c;
  c.name = std::move(name);
  c.jetType = jetType;
  c.precision = precision;
  c.scale = scale;
  return c;
}

FieldValue field(Kind kind) {
  FieldValue f;
  f.value.kind = kind;
  return f;
}
// "-123.4500" as the reader gives it: its digits and scale.
FieldValue decimal(std::string_view digits) {
  FieldValue f = field(Kind::Decimal);
  SavedDecimal& decimal = f.value.decimal;
  decimal.negative = digits.starts_with('-');
  if (decimal.negative) digits.remove_prefix(1);
  if (const size_t point = digits.find('.'); point != std::string_view::npos)
    decimal.scale = static_cast<int>(digits.size() - point - 1);
  for (const char c : digits) {
    if (c == '.') continue;
    uint64_t carry = static_cast<uint64_t>(c - '0');
    for (auto word = decimal.magnitude.rbegin(); word != decimal.magnitude.rend(); ++word) {
      const uint64_t product = uint64_t{*word} * 10 + carry;
      *word = static_cast<uint32_t>(product);
      carry = product >> 32;
    }
  }
  return f;
}
FieldValue integer(int64_t n) {
  FieldValue f = field(Kind::Integer);
  f.value.integer = n;
  return f;
}
FieldValue number(double d) {
  FieldValue f = field(Kind::Double);
  f.value.number = d;
  return f;
}
FieldValue text(std::string t) {
  FieldValue f = field(Kind::Text);
  f.text = std::move(t);
  return f;
}

void saveRows(Destination& destination, const TableDescription& table,
              const std::vector<std::vector<FieldValue>>& rows) {
  const TableCreation creation = destination.createTable(table);
  ASSERT_TRUE(creation.tableCreated());
  auto sink = destination.openRows(table, creation);
  for (const auto& row : rows)
    ASSERT_TRUE(sink->write(row));
  sink->finish();
}

// Every kind of value arrives digit for digit, in its exact type; what PostgreSQL cannot hold
// becomes a null in that field and the row is still saved.
TEST_F(PostgresDestinationTest, ValuesArriveExactInTheirTypes) {
  auto destination = open();
  TableDescription values{"Values", {}, {}, "", {}};
  values.columns = {column("currency", kTypeCurrency),
                    column("numeric", kTypeNumeric, 28, 10),
                    column("whole", kTypeNumeric, 28, 0),
                    column("double", kTypeDouble),
                    column("single", kTypeSingle),
                    column("long", kTypeLong),
                    column("byte", kTypeByte),
                    column("flag", kTypeBoolean),
                    column("when", kTypeDateTime),
                    column("guid", kTypeGuid),
                    column("blob", kTypeOle),
                    column("memo", kTypeMemo)};
  FieldValue when = field(Kind::DateTime);
  when.value.dateTime = {SavedDateTime::Parts::DateAndTime, 9999, 12, 31, 23, 59, 59, 0};
  FieldValue timeOnly = field(Kind::DateTime);
  timeOnly.value.dateTime = {SavedDateTime::Parts::Time, 1899, 12, 30, 13, 5, 9, 0};
  FieldValue guid = field(Kind::Guid);
  guid.value.guid = {0x67, 0x45, 0x23, 0x01, 0xAB, 0x89, 0xEF, 0xCD,
                     0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
  FieldValue blob = field(Kind::Bytes);
  blob.bytes = {0x00, 0x5C, 0x0A, 0xFF};
  FieldValue flag = field(Kind::Boolean);
  flag.value.integer = 1;
  const std::vector<std::vector<FieldValue>> rows{
      {decimal("-922337203685477.5808"), decimal("-123456789012345678.0123456789"),
       decimal("9999999999999999999999999999"), number(0.1 + 0.2), number(double(0.15f)),
       integer(-2147483648), integer(255), flag, when, guid, blob,
       text("tab\there\\ line\nbreak \xC3\xA9\xE2\x82\xAC")},
      {decimal("922337203685477.5807"), decimal("0.0000000001"), decimal("-1"), number(-0.0),
       number(3.4028234663852886e38), integer(2147483647), integer(0), field(Kind::Boolean),
       timeOnly, field(Kind::Null), field(Kind::Bytes), text("")},
      // Beyond its column or not text PostgreSQL holds: a null in that field only.
      {decimal("123456789012345678901234567890"), decimal("1.00000000001"), integer(5),
       number(1e300), field(Kind::Null), integer(1LL << 40), integer(70000), field(Kind::Null),
       field(Kind::Null), field(Kind::Null), field(Kind::Null), text(std::string("a\0b", 3))},
  };
  saveRows(*destination, values, rows);
  destination->close();

  const std::string t = table("Values");
  EXPECT_EQ(value("SELECT string_agg(format_type(atttypid, atttypmod), ',' ORDER BY attnum) FROM "
                  "pg_attribute WHERE attrelid = '" +
                  t + "'::regclass AND attnum > 0"),
            "numeric(19,4),numeric(28,10),numeric(28,0),double precision,real,integer,smallint,"
            "boolean,timestamp without time zone,uuid,bytea,text");
  const std::string row =
      "SELECT concat_ws('|', currency, numeric, whole, double, single, long, byte, flag, "
      "\"when\", guid, encode(blob, 'hex'), memo) FROM " +
      t;
  EXPECT_EQ(
      value(row + " WHERE long = -2147483648"),
      "-922337203685477.5808|-123456789012345678.0123456789|9999999999999999999999999999|"
      "0.30000000000000004|0.15|-2147483648|255|t|9999-12-31 23:59:59|"
      "01234567-89ab-cdef-0123-456789abcdef|005c0aff|tab\there\\ line\nbreak \xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(value(row + " WHERE long = 2147483647"),
            "922337203685477.5807|0.0000000001|-1|-0|3.4028235e+38|2147483647|0|f|"
            "1899-12-30 13:05:09|")
      << "an OLE value whose bytes could not be read is null";
  EXPECT_EQ(value(row + " WHERE long IS NULL"), "1e+300");
  EXPECT_EQ(value("SELECT count(*) FROM " + t), "3");
}

// The forms the server reads without parsing text: a date's fraction of a second to the
// nearest microsecond (half to even, as the server rounds text), dates far from 2000 and a
// date that is no calendar date; a calculated column's double in a numeric without bounds and
// its decimal in a double; 64-bit integers. (concat_ws leaves out nulls.)
TEST_F(PostgresDestinationTest, EdgeValuesKeepTheirMeaning) {
  auto destination = open();
  TableDescription edges{"Edges", {}, {}, "", {}};
  edges.columns = {column("long", kTypeLong), column("when", kTypeDateTime),
                   column("calc", kTypeNumeric), column("ratio", kTypeDouble),
                   column("big", kTypeBigInt)};
  const auto date = [](int year, int month, int day, int nanosecond) {
    FieldValue f = field(Kind::DateTime);
    f.value.dateTime = {SavedDateTime::Parts::DateAndTime, year, month, day, 23, 59, 59,
                        nanosecond};
    return f;
  };
  saveRows(*destination, edges,
           {{integer(1), date(1, 1, 1, 1'234'567), number(1e-7), decimal("-0.1"),
             integer(INT64_MIN)},
            {integer(2), date(9999, 12, 31, 999'999'500), number(-123.5), decimal("12345.678901234567890123"),
             integer(INT64_MAX)},
            {integer(3), date(1969, 12, 31, 2'500), number(0), decimal("0.000"), integer(0)},
            {integer(4), date(2023, 2, 29, 3'500), number(1e21), field(Kind::Null),
             field(Kind::Null)}});
  destination->close();
  EXPECT_EQ(value("SELECT string_agg(concat_ws('|', \"when\", calc, ratio, big), ';' ORDER BY "
                  "long) FROM " +
                  table("Edges")),
            "0001-01-01 23:59:59.001235|0.0000001|-0.1|-9223372036854775808;"
            "10000-01-01 00:00:00|-123.5|12345.678901234567|9223372036854775807;"
            "1969-12-31 23:59:59.000002|0|0|0;"
            "1000000000000000000000")
      << "a date that is no calendar date leaves its field null";
}

// Values of megabytes go to the server in pieces while they are escaped: they arrive whole,
// escapes and all, whatever piece boundary falls inside them.
TEST_F(PostgresDestinationTest, LargeValuesArriveWhole) {
  auto destination = open();
  TableDescription large{"Large", {}, {}, "", {}};
  large.columns = {column("long", kTypeLong), column("memo", kTypeMemo), column("blob", kTypeOle)};
  std::string memo;
  for (int i = 0; i < 350000; ++i)
    memo += "ab\tc\\d\ne";
  FieldValue blob = field(Kind::Bytes);
  for (int i = 0; i < 1500000; ++i)
    blob.bytes.push_back(static_cast<uint8_t>(i % 251));
  saveRows(*destination, large, {{integer(1), text(memo), blob}, {integer(2), text("x"), blob}});
  destination->close();

  const std::string t = table("Large");
  EXPECT_EQ(value("SELECT count(*) FROM " + t + " WHERE memo = repeat(E'ab\\tc\\\\d\\ne', 350000)"),
            "1");
  EXPECT_EQ(value("SELECT string_agg(concat_ws(',', long, length(blob), get_byte(blob, 524287), "
                  "get_byte(blob, 1048576), get_byte(blob, 1499999)), ';' ORDER BY long) FROM " +
                  t),
            "1,1500000,199,149,23;2,1500000,199,149,23");
}

// Keys, indexes and relations: the key and indexes exist, an enforced relation is a foreign
// key with the cascades its attribute bits ask for, one whose rows do not match is refused
// with the reason, and every relation is recorded in the catalog table.
TEST_F(PostgresDestinationTest, KeysIndexesAndRelations) {
  auto destination = open();
  TableDescription parent{
      "Parent", {column("Id", kTypeLong), column("Name", kTypeText)}, {0}, "", {}};
  TableDescription child{"Child",
                         {column("Id", kTypeLong), column("ParentId", kTypeLong)},
                         {0},
                         "",
                         {{"MyIndex1", {1}}}};
  saveRows(*destination, parent, {{integer(1), text("one")}, {integer(2), text("two")}});
  saveRows(*destination, child, {{integer(10), integer(1)}, {integer(11), field(Kind::Null)}});
  TableDescription orphan{"Orphan", {column("ParentId", kTypeLong)}, {}, "", {}};
  saveRows(*destination, orphan, {{integer(1)}, {integer(3)}});

  const RelationFieldPair pair{"id", "parentid"};  // names as Jet compares them
  destination->createRelation("ParentChild", "Parent", "Child",
                              kRelationUpdateCascade | kRelationDeleteCascade, {&pair, 1});
  try {
    destination->createRelation("ParentOrphan", "Parent", "Orphan", 0, {&pair, 1});
    FAIL() << "a relation whose rows do not match was created";
  } catch (const DestinationError& error) {
    EXPECT_STREQ(error.what(),
                 "relation [ParentOrphan] cannot be enforced: 1 rows of table [Orphan] have no "
                 "matching row in table [Parent]");
  }
  destination->createRelation("ParentOrphan", "Parent", "Orphan", kRelationDontEnforce, {&pair, 1});
  EXPECT_THROW(destination->createRelation("parentchild", "Parent", "Orphan", 2, {&pair, 1}),
               DestinationError);
  EXPECT_FALSE(destination->holdsNothing());
  destination->close();

  EXPECT_EQ(value("SELECT string_agg(conname || ':' || contype::text || confupdtype::text || "
                  "confdeltype::text, ','"
                  " ORDER BY conname) FROM pg_constraint WHERE connamespace = '\"" +
                  schema_ +
                  "\"'::regnamespace AND conrelid <> 0 AND conrelid::regclass::text NOT LIKE "
                  "'%MSysVantrel%'"),
            "Child_pkey:p  ,ParentChild:fcc,Parent_pkey:p  ");
  EXPECT_EQ(value("SELECT indexname || ' ' || substring(indexdef from 'USING .*') FROM pg_indexes"
                  " WHERE schemaname = '" +
                  schema_ + "' AND tablename = 'Child' AND indexname NOT LIKE '%pkey'"),
            "Child.MyIndex1 USING btree (\"ParentId\")");
  EXPECT_EQ(value("SELECT string_agg(name || ':' || enforced, ',' ORDER BY name) FROM " +
                  table("MSysVantrelRelations")),
            "ParentChild:1,ParentOrphan:0");
}

// After the rows: a unique index they break is made plain and said so, one they keep refuses
// a duplicate; a LONG AutoNumber numbers a row added without it past the highest, and a
// replication ID gets a new one.
TEST_F(PostgresDestinationTest, UniqueIndexesAndAutoNumbersAfterTheRows) {
  auto destination = open();
  TableDescription products{"Products",
                            {column("Id", kTypeLong), column("Name", kTypeText),
                             column("Code", kTypeText), column("Row", kTypeGuid)},
                            {0},
                            "",
                            {{"Name", {1}, {}, true}, {"Code", {2, 1}, {true, false}, true}}};
  products.columns[0].autoNumber = true;
  products.columns[3].autoNumber = true;
  const TableCreation creation = destination->createTable(products);
  auto sink = destination->openRows(products, creation);
  for (const auto& row : std::vector<std::vector<FieldValue>>{
           {integer(7), text("Tea"), text("x"), field(Kind::Null)},
           {integer(9), text("Tea"), text("y"), field(Kind::Null)},
           {integer(-4), text("Tea"), field(Kind::Null), field(Kind::Null)},
           {integer(3), text("Ale"), field(Kind::Null), field(Kind::Null)}})
    ASSERT_TRUE(sink->write(row));
  EXPECT_EQ(sink->finish(), 0);
  EXPECT_EQ(sink->indexNotes(),
            std::vector<std::string>{
                "Not re-created as unique: index [Name] of [Products]: 2 duplicate values"});
  destination->close();

  EXPECT_EQ(value("SELECT string_agg(indexname || ' ' || (indexdef LIKE 'CREATE UNIQUE%') || ' ' "
                  "|| substring(indexdef from '\\((.*)\\)'), '; ' ORDER BY indexname) FROM "
                  "pg_indexes WHERE schemaname = '" +
                  schema_ + "' AND indexname NOT LIKE '%pkey'"),
            "Products.Code true \"Code\" DESC, \"Name\"; Products.Name false \"Name\"");
  // A row without its numbers gets them; the duplicate code is refused.
  EXPECT_EQ(value("INSERT INTO " + table("Products") +
                  " (\"Name\") VALUES ('New') RETURNING \"Id\" || ' ' || (\"Row\" IS NOT NULL)"),
            "10 true");
  EXPECT_THROW(checker_->execute("INSERT INTO " + table("Products") +
                                 " (\"Name\", \"Code\") VALUES ('Tea', 'x')"),
               DestinationError);
}

// Required columns become NOT NULL where the rows allow it, literal defaults the columns'
// defaults, descriptions comments, and every property a row of the catalog table.
TEST_F(PostgresDestinationTest, RequiredDefaultsAndPropertiesAfterTheRows) {
  auto destination = open();
  TableDescription people{
      "People",
      {column("Id", kTypeLong), column("Name", kTypeText), column("Note", kTypeText),
       column("Active", kTypeBoolean), column("Joined", kTypeDateTime),
       column("Count", kTypeInteger), column("Odd", kTypeInteger)},
      {0}};
  people.columns[1].required = true;
  people.columns[2].required = true;
  people.columns[3].defaultValue = JetDefault{JetDefault::Kind::kNumber, "-1"};
  people.columns[4].defaultValue = JetDefault{JetDefault::Kind::kToday};
  people.columns[5].defaultValue = JetDefault{JetDefault::Kind::kBoolean, {}, true};
  // A default the server refuses for the column's type costs only the default.
  people.columns[6].defaultValue = JetDefault{JetDefault::Kind::kText, "many"};
  people.properties = {{std::nullopt, "Description", "Who's who"},
                       {1, "Description", "The full name"},
                       {2, "Format", ">"}};
  const TableCreation creation = destination->createTable(people);
  auto sink = destination->openRows(people, creation);
  for (int64_t id = 1; id <= 3; ++id) {
    ASSERT_TRUE(sink->write(std::vector<FieldValue>{
        integer(id), text("N"), id == 1 ? text("n") : field(Kind::Null), field(Kind::Null),
        field(Kind::Null), field(Kind::Null), field(Kind::Null)}));
  }
  EXPECT_EQ(sink->finish(), 0);
  EXPECT_EQ(sink->indexNotes(), std::vector<std::string>{"Not re-created as required: column "
                                                         "[Note] of [People]: 2 null values"});
  destination->close();

  EXPECT_EQ(value("SELECT string_agg(column_name || ':' || is_nullable || ':' || "
                  "coalesce(column_default, '-'), ' ' ORDER BY ordinal_position) FROM "
                  "information_schema.columns WHERE table_schema = '" +
                  schema_ + "' AND table_name = 'People'"),
            "Id:NO:- Name:NO:- Note:YES:- Active:YES:true Joined:YES:CURRENT_DATE Count:YES:'-1'::"
            "integer Odd:YES:-");
  EXPECT_EQ(value("SELECT obj_description('" + table("People") +
                  "'::regclass) || ' / ' || "
                  "col_description('" +
                  table("People") + "'::regclass, 2)"),
            "Who's who / The full name");
  EXPECT_EQ(value("SELECT string_agg(coalesce(column_name, '') || '.' || property || '=' || value, "
                  "' | ') FROM " +
                  table("MSysVantrelTableProperties")),
            ".Description=Who's who | Name.Description=The full name | Note.Format=>");
  EXPECT_THROW(checker_->execute("INSERT INTO " + table("People") + " (\"Id\") VALUES (9)"),
               DestinationError);
  EXPECT_EQ(value("INSERT INTO " + table("People") +
                  " (\"Id\", \"Name\") VALUES (9, 'Nine') "
                  "RETURNING \"Active\" || ' ' || (\"Joined\" = CURRENT_DATE) || ' ' || \"Count\""),
            "true true -1");
}

// A text keeps its declared length while every value fits it (in characters, not bytes); a
// longer value makes its column text in the middle of the rows, and no row is lost for it.
TEST_F(PostgresDestinationTest, TextColumnsKeepTheirLengthWhileTheValuesFit) {
  auto destination = open();
  DestinationColumn fits = column("Fits", kTypeText);
  fits.size = 2;
  DestinationColumn passed = column("Passed", kTypeText);
  passed.size = 3;
  const TableDescription texts{"Texts", {fits, passed}};
  std::vector<std::vector<FieldValue>> rows;
  for (int i = 0; i < 3000; ++i)
    rows.push_back({text("\xC3\xA9\xE2\x82\xAC"), text(i == 2000 ? "four" : "abc")});
  saveRows(*destination, texts, rows);
  destination->close();

  const std::string t = table("Texts");
  EXPECT_EQ(value("SELECT string_agg(format_type(atttypid, atttypmod), ',' ORDER BY attnum) FROM "
                  "pg_attribute WHERE attrelid = '" +
                  t + "'::regclass AND attnum > 0"),
            "character varying(2),text");
  EXPECT_EQ(value("SELECT count(*) || ' ' || sum(length(\"Passed\")) FROM " + t), "3000 9001");
}

// A second run into the same schema with overwrite No changes nothing; Yes replaces the
// table within the transaction of its new rows.
TEST_F(PostgresDestinationTest, AnExistingTableIsKeptOrReplacedAsAnswered) {
  TableDescription t{"T", {column("Id", kTypeLong)}, {0}, "", {}};
  {
    auto first = open();
    saveRows(*first, t, {{integer(1)}, {integer(2)}});
    first->saveQuery({"Q", "SELECT * FROM T", std::nullopt});
    first->close();
  }
  std::vector<std::string> asked;
  {
    auto second = open([&](std::string_view what) {
      asked.emplace_back(what);
      return false;
    });
    const TableCreation creation = second->createTable(t);
    EXPECT_FALSE(creation.tableCreated());
    ASSERT_EQ(creation.refused.size(), 1u);
    EXPECT_EQ(creation.refused[0], "table [T] (the schema's table of that name is kept)");
    EXPECT_THROW(second->openRows(t, creation), DestinationError);
    EXPECT_TRUE(creation.keptExisting);
    EXPECT_THROW(second->saveQuery({"q", "SELECT 1", std::nullopt}), KeptExisting);
    EXPECT_TRUE(second->holdsNothing()) << "it made nothing: what it kept is the first run's";
    second->close();
  }
  EXPECT_EQ(asked, (std::vector<std::string>{"table [T]", "query [q]"}));
  EXPECT_EQ(value("SELECT string_agg(\"Id\"::text, ',' ORDER BY \"Id\") FROM " + table("T")),
            "1,2");
  EXPECT_EQ(value("SELECT sql FROM " + table("MSysVantrelQueries")), "SELECT * FROM T");

  auto third = open([](std::string_view) { return true; });
  saveRows(*third, t, {{integer(3)}});
  third->close();
  EXPECT_EQ(value("SELECT string_agg(\"Id\"::text, ',') FROM " + table("T")), "3");
}

// The server going away while a table's rows stream in: the table is not left behind half
// made, finish() says why, and closing the destination reports the lost connection.
TEST_F(PostgresDestinationTest, AServerThatGoesAwayLeavesNoHalfTable) {
  const std::string application = "vantrel_" + schema_;
  auto destination = open(nullptr, "?application_name=" + application);
  TableDescription t{"Big", {column("Id", kTypeLong), column("Memo", kTypeMemo)}, {0}, "", {}};
  const TableCreation creation = destination->createTable(t);
  auto sink = destination->openRows(t, creation);
  const std::string memo(1000, 'x');
  for (int i = 0; i < 5000; ++i)
    sink->write(std::vector<FieldValue>{integer(i), text(memo)});
  EXPECT_EQ(value("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE "
                  "application_name = '" +
                  application + "'"),
            "1");
  // A lost server is told at the first write that finds it gone, or at finish() at the latest,
  // as the end of the destination.
  try {
    for (int i = 0; i < 5000; ++i)
      sink->write(std::vector<FieldValue>{integer(i), text(memo)});
    sink->finish();
    FAIL() << "rows into a server that went away were reported saved";
  } catch (const DestinationError& error) {
    EXPECT_EQ(error.fault(), DestinationFault::kConnectionLost) << error.what();
  }
  EXPECT_EQ(value("SELECT to_regclass('" + table("Big") + "')::text"), "<null>");
  EXPECT_THROW(destination->close(), DestinationError);
}

TEST(PostgresTargetTest, APasswordNeverComesFromTheDestination) {
  std::string problem;
  EXPECT_FALSE(parsePostgresTarget("postgresql://u:secret@h:5/d", problem));
  EXPECT_NE(problem.find("PGPASSWORD"), std::string::npos);
  EXPECT_FALSE(parsePostgresTarget("postgresql://u@h/d?password=secret", problem));
  EXPECT_FALSE(parsePostgresTarget("postgresql://h/d?nosuchoption=1", problem));
  const auto target = parsePostgresTarget("postgresql://u@h:5433/db?sslmode=disable", problem);
  ASSERT_TRUE(target);
  EXPECT_EQ(target->display, "postgresql://u@h:5433/db");
  EXPECT_EQ(postgresSchemaName({"Repair_9-5-7", "North wind (2)"}, true), "North wind (2)");
  EXPECT_EQ(postgresSchemaName({"Repair_9-5-7", "North wind (2)"}, false), "repair_9_5_7");
}

// One registry chooses the kind of destination by the address the user gives, and a server is
// never given a file to take its names from.
TEST(DestinationRegistryTest, TheAddressChoosesTheKind) {
  const auto server = destinationRegistry().open("postgresql://u@h:5433/db");
  ASSERT_TRUE(server);
  EXPECT_FALSE((*server)->capabilities().filePerSource);
  EXPECT_EQ((*server)->capabilities().viewDialect, ViewDialect::PostgreSQL);
  const std::string first = (*server)->location({"Repair_9-5-7", "North wind (2)"});
  const std::string second = (*server)->location({"Repair_9-5-7", "Archive"});
  EXPECT_EQ(first, "postgresql://u@h:5433/db schema North wind (2)");
  EXPECT_EQ((*server)->summary({first, second}),
            "postgresql://u@h:5433/db, schemas Archive, North wind (2)");
  EXPECT_FALSE((*server)->exists({"Repair_9-5-7", "Archive"}));

  const auto keyValue = destinationRegistry().open("host=h dbname=d");
  ASSERT_TRUE(keyValue);
  EXPECT_FALSE((*keyValue)->capabilities().filePerSource);

  const auto folder = destinationRegistry().open("/out/a=b");
  ASSERT_TRUE(folder);
  EXPECT_TRUE((*folder)->capabilities().filePerSource);
  EXPECT_EQ((*folder)->capabilities().viewDialect, ViewDialect::SQLite);
  EXPECT_EQ((*folder)->location({"Repair_9-5-7", "North wind (2)"}),
            "/out/a=b/Repair_9-5-7/North wind (2).sqlite");

  const auto refused = destinationRegistry().open("postgresql://u:secret@h/d");
  ASSERT_FALSE(refused);
  EXPECT_NE(refused.error().find("PGPASSWORD"), std::string::npos);
  EXPECT_EQ(refused.error().find("secret"), std::string::npos);
}

}  // namespace
}  // namespace vantrel
