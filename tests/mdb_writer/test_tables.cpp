#include "tests/mdb_writer/test_tables.h"

namespace vantrel::test {

using mdbwriter::Bytes;
using mdbwriter::ColumnType;
using mdbwriter::Currency;
using mdbwriter::Decimal;
using mdbwriter::JetVersion;
using mdbwriter::LongValueStorage;
using mdbwriter::Row;
using mdbwriter::Value;

std::string varyingText(size_t length, size_t seed) {
  static constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyz 0123456789";
  std::string text(length, ' ');
  for (size_t i = 0; i < length; ++i)
    text[i] = kLetters[(i * 7 + seed) % kLetters.size()];
  return text;
}

Bytes varyingBytes(size_t length, size_t seed) {
  Bytes bytes(length);
  // No zero bytes: mdbtools stops binary values at the first one.
  for (size_t i = 0; i < length; ++i)
    bytes[i] = static_cast<uint8_t>(1 + (i * 13 + seed) % 255);
  return bytes;
}

mdbwriter::TableSpec allTypesTable(JetVersion version) {
  mdbwriter::TableSpec table{.name = "All Types"};
  table.columns = {
      {.name = "Flag", .type = ColumnType::kBoolean},
      {.name = "Tiny", .type = ColumnType::kByte},
      {.name = "Small", .type = ColumnType::kInteger},
      {.name = "Whole", .type = ColumnType::kLong},
      {.name = "Money", .type = ColumnType::kCurrency},
      {.name = "Single", .type = ColumnType::kSingle},
      {.name = "Double", .type = ColumnType::kDouble},
      {.name = "When", .type = ColumnType::kDateTime},
      {.name = "Raw", .type = ColumnType::kBinary, .size = 40},
      {.name = "Title", .type = ColumnType::kText, .size = 80, .compressedText = true},
      {.name = "Picture", .type = ColumnType::kOle},
      {.name = "Notes", .type = ColumnType::kMemo, .compressedText = true},
      {.name = "Key", .type = ColumnType::kGuid},
      {.name = "Amount", .type = ColumnType::kNumeric, .precision = 18, .scale = 3},
  };
  table.indexes = {{.name = "ByWhole", .columns = {{"Whole"}}, .unique = true}};
  table.rows = mdbwriter::rowsOf(allTypesRows(version));
  return table;
}

std::vector<Row> allTypesRows(JetVersion version) {
  const bool jet4 = version == JetVersion::kJet4;
  const auto guid = mdbwriter::parseGuid;
  std::vector<Row> rows;
  rows.push_back({{true, int64_t{255}, int64_t{-32768}, int64_t{-2147483648LL}, Currency{-15000},
                   0.1, 123.456, mdbwriter::dateTime(2005, 7, 4, 12, 0, 0), Bytes{1, 2, 3, 0xFF},
                   std::string(jet4 ? "Grüße € 中文 \"quoted\"" : "Grüße € \"quoted\""),
                   Bytes{0xDE, 0xAD, 0x00, 0xBE, 0xEF}, std::string("short memo, with, commas"),
                   guid("{8E39276A-BCA8-4AC4-891E-49911D8438DD}"), Decimal{-123456789012345}}});
  rows.push_back(
      {{false, int64_t{0}, int64_t{32767}, int64_t{2147483647LL}, Currency{1234567890123}, -3.5e20,
        1e-300, mdbwriter::dateTime(1850, 3, 1, 6, 30, 15), Bytes{0x7F}, std::string(""), Bytes{},
        std::string(""), guid("00000000-0000-0000-0000-000000000001"), Decimal{0}}});
  rows.push_back({std::vector<Value>(14)});
  rows.push_back({{true, int64_t{7}, int64_t{-1}, int64_t{-1}, Currency{1}, 1.0 / 3, 2.0 / 3,
                   mdbwriter::dateTime(1899, 12, 30), varyingBytes(40), varyingText(80),
                   varyingBytes(5000, 3), varyingText(9000, 5),
                   guid("{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}"), Decimal{999999999999999999}}});
  rows.push_back({{false, int64_t{128}, int64_t{1000}, int64_t{65536}, Currency{0}, 1e-7, -0.0,
                   mdbwriter::dateTime(2024, 2, 29, 23, 59, 59), Bytes{0x41},
                   std::string("line one\r\nline two"), Bytes{0x01},
                   std::string(jet4 ? "Ünïcödé ŧext ✓" : "Ünïcödé text"), Value{}, Decimal{5}}});
  rows.push_back({{true, Value{}, int64_t{0}, Value{}, Currency{-1}, Value{}, 1e300,
                   mdbwriter::DateTime{0.25}, Value{}, std::string("x"), Value{}, Value{},
                   guid("{01234567-89AB-CDEF-0123-456789ABCDEF}"), Decimal{-1}}});
  return rows;
}

mdbwriter::TableSpec longValuesTable() {
  mdbwriter::TableSpec table{.name = "Long Values"};
  table.columns = {{.name = "Id", .type = ColumnType::kLong}};
  const std::pair<const char*, LongValueStorage> forms[] = {
      {"Automatic", LongValueStorage::kAutomatic},
      {"InRow", LongValueStorage::kInRow},
      {"SinglePage", LongValueStorage::kSinglePage},
      {"Chain", LongValueStorage::kChain}};
  for (const auto& [name, storage] : forms) {
    table.columns.push_back({.name = std::string("Memo") + name,
                             .type = ColumnType::kMemo,
                             .compressedText = true,
                             .longValues = storage});
    table.columns.push_back(
        {.name = std::string("Ole") + name, .type = ColumnType::kOle, .longValues = storage});
  }
  return table;
}

std::vector<Row> longValuesRows(JetVersion version) {
  const bool jet4 = version == JetVersion::kJet4;
  const size_t pageRow = jet4 ? 4076 : 2036;
  // In the row, a Jet 3 field must stay below 256 bytes, a Jet 4 row within its page.
  const std::vector<size_t> inRow = {0, 1, 30, jet4 ? size_t{1000} : size_t{200}};
  const std::vector<size_t> onePage = {0, 1, 65, 500, pageRow};
  const std::vector<size_t> any = {
      0,    1, 64, 65, 1024, 1025, pageRow, pageRow + 1, 2 * (pageRow - 4), 2 * (pageRow - 4) + 1,
      30000};
  std::vector<Row> rows;
  for (size_t i = 0; i < any.size(); ++i) {
    Row row{{int64_t(i)}};
    for (int form = 0; form < 4; ++form) {
      const std::vector<size_t>& lengths = form == 1 ? inRow : form == 2 ? onePage : any;
      const size_t length = lengths[i % lengths.size()];
      // Memo lengths are characters: text above 1024 characters is stored as UTF-16 in Jet 4.
      const size_t characters =
          jet4 && length > 1024 && form != 0 && form != 3 ? length / 2 : length;
      row.values.push_back(varyingText(characters, i + static_cast<size_t>(form)));
      row.values.push_back(varyingBytes(length, i * 3 + static_cast<size_t>(form)));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace vantrel::test
