#include "tests/damage/damage_database.h"

#include <string>

#include "tests/support/mdb_writer/query_builder.h"

namespace vantrel::test {

namespace mw = mdbwriter;

namespace {

// A text of `length` characters that differs from row to row.
std::string rowText(int row, size_t length) {
  static constexpr char kWords[] = "lorem ipsum dolor sit amet consectetur adipiscing elit ";
  std::string text = "#" + std::to_string(row) + " ";
  while (text.size() < length)
    text += kWords[(text.size() * 7 + static_cast<size_t>(row)) % (sizeof kWords - 1)];
  return text.substr(0, length);
}

mw::TableSpec customers() {
  mw::TableSpec table;
  table.name = "Customers";
  table.columns = {
      {.name = "Id", .type = mw::ColumnType::kLong},
      {.name = "Name", .type = mw::ColumnType::kText, .size = 60, .compressedText = true},
      {.name = "City", .type = mw::ColumnType::kText, .size = 30},
      {.name = "Balance", .type = mw::ColumnType::kCurrency},
      {.name = "Since", .type = mw::ColumnType::kDateTime},
      {.name = "Active", .type = mw::ColumnType::kBoolean},
      {.name = "Notes", .type = mw::ColumnType::kMemo, .compressedText = true}};
  table.indexes = {{.name = "PrimaryKey", .columns = {{"Id"}}, .kind = mw::IndexKind::kPrimaryKey}};
  std::vector<mw::Row> rows;
  for (int i = 1; i <= 400; ++i) {
    // Most notes stay in the row; some fill a long-value page, some need a chain of them.
    const size_t noteLength = i % 10 == 0 ? 1500 : i % 10 == 5 ? 9000 : 20;
    rows.push_back({{int64_t{i}, "Customer " + rowText(i, 30), rowText(i * 3, 12),
                     mw::Currency{i * 12345}, mw::dateTime(2000 + i % 20, 1 + i % 12, 1 + i % 28),
                     i % 3 == 0, i % 7 == 0 ? mw::Value{} : mw::Value{rowText(i, noteLength)}}});
  }
  table.rows = mw::rowsOf(std::move(rows));
  return table;
}

mw::TableSpec readings() {
  mw::TableSpec table;
  table.name = "Readings";
  table.usageMap = mw::UsageMapKind::kPageList;
  table.columns = {{.name = "Id", .type = mw::ColumnType::kLong},
                   {.name = "Sensor", .type = mw::ColumnType::kText, .size = 20},
                   {.name = "Value", .type = mw::ColumnType::kDouble},
                   {.name = "TakenAt", .type = mw::ColumnType::kDateTime}};
  std::vector<mw::Row> rows;
  for (int i = 1; i <= kReadingCount; ++i) {
    rows.push_back({{int64_t{i}, "S" + std::to_string(i % 17), i * 0.25 - 100.0,
                     mw::dateTime(2020, 1 + i % 12, 1 + i % 28, i % 24, i % 60, 0)},
                    false,
                    isMovedReading(i)});
  }
  table.rows = mw::rowsOf(std::move(rows));
  return table;
}

mw::TableSpec photos() {
  mw::TableSpec table;
  table.name = "Photos";
  table.columns = {{.name = "Id", .type = mw::ColumnType::kLong},
                   {.name = "Caption", .type = mw::ColumnType::kText, .size = 40},
                   {.name = "Picture",
                    .type = mw::ColumnType::kOle,
                    .longValues = mw::LongValueStorage::kChain}};
  std::vector<mw::Row> rows;
  for (int i = 1; i <= 12; ++i) {
    mw::Bytes picture(static_cast<size_t>(500 * i * i));
    for (size_t b = 0; b < picture.size(); ++b)
      picture[b] = static_cast<uint8_t>(b * 31 + static_cast<size_t>(i));
    rows.push_back({{int64_t{i}, "Photo " + std::to_string(i), std::move(picture)}});
  }
  table.rows = mw::rowsOf(std::move(rows));
  return table;
}

}  // namespace

mw::DatabaseSpec damageSuiteDatabase(mw::JetVersion version) {
  mw::DatabaseSpec spec;
  spec.version = version;
  spec.tables.push_back(customers());
  spec.tables.push_back(readings());
  spec.tables.push_back(photos());
  spec.tables.push_back(
      {.name = "Empty", .columns = {{.name = "Id", .type = mw::ColumnType::kLong}}});
  mw::QueryDescription query{.name = "RichCustomers",
                             .tables = {{"Customers", ""}},
                             .columns = {{"Customers.Name"}, {"Customers.Balance"}},
                             .where = "Customers.Balance>1000"};
  spec.queries.push_back(mw::buildQuery(query));
  return spec;
}

mw::DatabaseSpec damageSuiteDatabase(SuiteFormat format) {
  mw::DatabaseSpec spec = damageSuiteDatabase(format == SuiteFormat::kJet3 ? mw::JetVersion::kJet3
                                                                           : mw::JetVersion::kJet4);
  if (format == SuiteFormat::kAce) spec.aceVersion = 2;
  return spec;
}

const char* suiteFormatName(SuiteFormat format) {
  switch (format) {
    case SuiteFormat::kJet3:
      return "Jet3";
    case SuiteFormat::kJet4:
      return "Jet4";
    case SuiteFormat::kAce:
      return "Ace";
  }
  return "";
}

}  // namespace vantrel::test
