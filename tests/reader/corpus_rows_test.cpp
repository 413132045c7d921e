// Every row of every user table of the corpus, against the rows mdb-reader exported, after
// normalising the forms (numbers as numbers, dates as date-times, GUIDs by their digits).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "display/value_text.h"
#include "reader/catalog_rows.h"
#include "reader/column_types.h"
#include "reader/row_reader.h"
#include "reader/source_passwords.h"
#include "run/walk_end.h"
#include "tests/support/corpus.h"

namespace vantrel {
namespace {

using nlohmann::json;

std::string hexOf(const std::vector<uint8_t>& bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (uint8_t b : bytes) {
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 0xF]);
  }
  return out;
}

// A decimal text without sign noise: "-001.500" and "-1.5" both give "-1.5".
std::string canonicalDecimal(std::string text) {
  bool negative = !text.empty() && text[0] == '-';
  if (negative) text.erase(0, 1);
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0')
      text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  while (text.size() > 1 && text[0] == '0' && text[1] != '.')
    text.erase(0, 1);
  if (text == "0") negative = false;
  return negative ? "-" + text : text;
}

int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Seconds since 1970 of an oracle date "YYYY-MM-DD HH:MM:SS[.mmm]".
std::optional<double> oracleSeconds(const std::string& text) {
  int y, mo, d, h, mi;
  double s;
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%lf", &y, &mo, &d, &h, &mi, &s) != 6) {
    return std::nullopt;
  }
  return static_cast<double>(daysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60) + s;
}

// Seconds since 1970 of our forms "MM/DD/YYYY HH:MM:SS AM", "MM/DD/YYYY " or "HH:MM:SS AM".
std::optional<double> ourSeconds(const std::string& text) {
  int y = 1899, mo = 12, d = 30, h = 0, mi = 0, s = 0;
  char ampm[3] = "AM";
  const bool hasDate = text.find('/') != std::string::npos;
  if (hasDate) {
    const int got =
        std::sscanf(text.c_str(), "%d/%d/%d %d:%d:%d %2s", &mo, &d, &y, &h, &mi, &s, ampm);
    if (got != 3 && got != 7) return std::nullopt;
  } else if (std::sscanf(text.c_str(), "%d:%d:%d %2s", &h, &mi, &s, ampm) != 4) {
    return std::nullopt;
  }
  h %= 12;
  if (std::string(ampm) == "PM") h += 12;
  return static_cast<double>(daysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s);
}

// Whether our field equals the oracle's value for a column of the given type; `why` says how
// they differ otherwise.
bool sameValue(int type, const FieldValue& ours, const json& oracle, std::string& why) {
  const std::string text = fieldText(ColumnDefinition{.type = type}, ours);
  if (oracle.is_null()) {
    why = "oracle null, ours \"" + text + "\"";
    return type == kTypeBoolean ? false : text.empty() && ours.bytes.empty();
  }
  switch (type) {
    case kTypeBoolean:
      why = "boolean";
      return text == (oracle.get<bool>() ? "1" : "0");
    case kTypeByte:
    case kTypeInteger:
    case kTypeLong:
      why = "integer " + text + " vs " + oracle.dump();
      return text == std::to_string(oracle.get<int64_t>());
    case kTypeCurrency:
    case kTypeNumeric:
      why = "decimal " + text + " vs " + oracle.dump();
      return canonicalDecimal(text) == canonicalDecimal(oracle.get<std::string>());
    case kTypeSingle:
    case kTypeDouble: {
      why = "float " + text + " vs " + oracle.dump();
      const double expected = oracle.get<double>();
      const double actual = std::strtod(text.c_str(), nullptr);
      return std::fabs(actual - expected) <= 1e-6 * std::max(1.0, std::fabs(expected));
    }
    case kTypeDateTime: {
      why = "date " + text + " vs " + oracle.dump();
      auto expected = oracleSeconds(oracle.get<std::string>());
      const auto actual = ourSeconds(text);
      // mdb-reader reads a value before 1899-12-30 as one linear count of days; the stored
      // value's whole part is the day and its fraction, taken as positive, the time of day.
      constexpr double kDay0 = -25569.0 * 86400;
      if (expected && *expected < kDay0) {
        const double stored = (*expected - kDay0) / 86400;
        const double day = std::trunc(stored);
        expected = kDay0 + day * 86400 + std::fabs(stored - day) * 86400;
      }
      return expected && actual && std::fabs(*expected - *actual) <= 1.0;
    }
    case kTypeBinary:
    case kTypeOle:
      why = "bytes " + hexOf(ours.bytes).substr(0, 40) + " vs " + oracle.dump().substr(0, 40);
      return hexOf(ours.bytes) == oracle.get<std::string>() &&
             text == (type == kTypeOle ? "OLE DATA" : "");
    case kTypeGuid: {
      why = "guid " + text + " vs " + oracle.dump();
      std::string digits;
      for (char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c)))
          digits.push_back(static_cast<char>(std::tolower(c)));
      }
      std::string expected;
      for (char c : oracle.get<std::string>()) {
        if (c != '-') expected.push_back(c);
      }
      return digits == expected && text.size() == 38 && text.front() == '{';
    }
    default: {
      // Text and memo; a NUL ends our texts (mdb-reader keeps what follows it).
      std::string expected = oracle.get<std::string>();
      expected = expected.substr(0, expected.find('\0'));
      why = "text \"" + text.substr(0, 60) + "\" vs \"" + expected.substr(0, 60) + "\"";
      return text == expected;
    }
  }
}

// Date/Time Extended as mdb-reader writes it: "YYYY.MM.DD HH:MM:SS.nnnnnnnnn".
std::string extendedDateText(const SavedDateTime& date) {
  char text[40];
  std::snprintf(text, sizeof text, "%04d.%02d.%02d %02d:%02d:%02d.%09d", date.year, date.month,
                date.day, date.hour, date.minute, date.second, date.nanosecond);
  return text;
}

// What comparing the rows of some files came to.
struct RowTally {
  int64_t tables = 0, rows = 0, cells = 0, differences = 0, skipped = 0;
  std::vector<std::string> differing;  // "file table row column: why"
};

// Compares every user table of a file with mdb-reader's rows. Calculated columns (both peers
// read the stored bytes wrongly) and complex ones (mdb-reader gives the files behind the key,
// or fails) are not compared here but counted as skipped.
void compareRows(const test::CorpusFile& file, RowTally& tally) {
  auto db = openSourceDatabase(file.path);
  ASSERT_TRUE(db);
  std::map<std::string, int64_t> pages;
  for (const CatalogRow& row : readCatalogRows(*db)) {
    if (row.objectType == kObjectTable) pages[row.name] = row.objectId & 0xFFFFFF;
  }
  const auto oracle =
      json::parse(test::readTextFile(file.oracleDir() / "mdbreader" / "tables.json"));
  for (const auto& described : oracle["tables"]) {
    if (described["kind"] != "user" || !described.contains("file")) continue;
    const std::string name = described["name"];
    SCOPED_TRACE(name);
    ASSERT_TRUE(pages.count(name)) << "not in our catalog";
    auto table = readTableDefinition(*db, {.name = name, .objectType = 1, .tdefPage = pages[name]});
    ASSERT_TRUE(table);
    readColumns(*db, *table);
    // mdb-reader lists columns in column-number order; ours follow the entries.
    std::vector<size_t> ourIndex;
    for (const auto& column : described["columns"]) {
      size_t found = table->columns.size();
      for (size_t i = 0; i < table->columns.size(); ++i) {
        if (table->columns[i].name == column["name"]) found = i;
      }
      ASSERT_LT(found, table->columns.size()) << column["name"];
      ourIndex.push_back(found);
    }
    std::istringstream lines(
        test::readTextFile(file.oracleDir() / "mdbreader" / described["file"].get<std::string>()));
    std::string line;
    RowCursor cursor;
    int64_t rowNumber = 0;
    while (std::getline(lines, line)) {
      if (line.empty()) continue;
      ASSERT_EQ(fetchRow(*db, *table, cursor), RowFetch::kRow) << "row " << rowNumber << " missing";
      const auto values = json::parse(line);
      for (size_t c = 0; c < ourIndex.size(); ++c) {
        const ColumnDefinition& column = table->columns[ourIndex[c]];
        const FieldValue& ours = cursor.fields[ourIndex[c]];
        if (column.isCalculated || column.type == kTypeComplex) {
          ++tally.skipped;
          continue;
        }
        std::string why;
        bool same = false;
        if (column.type == kTypeBigInt) {
          why = "bigint " + std::to_string(ours.value.integer) + " vs " + values[c].dump();
          same = values[c].is_string() && ours.value.kind == SavedValue::Kind::Integer &&
                 std::to_string(ours.value.integer) == values[c].get<std::string>();
        } else if (column.type == kTypeDateTimeExtended) {
          const std::string text = ours.value.kind == SavedValue::Kind::DateTime
                                       ? extendedDateText(ours.value.dateTime)
                                       : std::string();
          why = "extended date " + text + " vs " + values[c].dump();
          same = values[c].is_null()
                     ? text.empty()
                     : values[c].is_string() && text == values[c].get<std::string>();
        } else {
          same = sameValue(column.type, ours, values[c], why);
        }
        ++tally.cells;
        if (!same) {
          ++tally.differences;
          tally.differing.push_back(file.stem + " " + name + " row " + std::to_string(rowNumber) +
                                    " " + column.name + ": " + why);
        }
      }
      ++rowNumber;
    }
    EXPECT_EQ(fetchRow(*db, *table, cursor), RowFetch::kEnd) << "more rows than the oracle";
    tally.rows += rowNumber;
    ++tally.tables;
  }
}

TEST(CorpusRowsTest, EveryUserTableMatchesMdbReader) {
  VANTREL_REQUIRE_CORPUS();
  // Protected files are read as any other: their password protects nothing in the pages,
  // and encoded pages are decoded as they are read.
  auto files = test::corpusFiles();
  std::ranges::copy(test::protectedJetFiles(), std::back_inserter(files));
  RowTally tally;
  for (const auto& file : files) {
    SCOPED_TRACE(file.stem);
    compareRows(file, tally);
  }
  for (const std::string& difference : tally.differing)
    ADD_FAILURE() << difference;
  std::cout << "compared " << tally.tables << " tables, " << tally.rows << " rows, " << tally.cells
            << " cells; " << tally.differences << " differ\n";
  EXPECT_GE(tally.tables, 200);
}

// The Access 2007 and later files, held to a share of equal cells rather than to each cell, so
// that a fault of the peer found later is printed and looked at, not taken for ours.
TEST(CorpusRowsTest, AccessTwoThousandSevenFilesMatchMdbReader) {
  VANTREL_REQUIRE_CORPUS();
  const auto files = test::aceFiles();
  if (files.empty()) GTEST_SKIP() << "the corpus has no ace/ folder";
  RowTally tally;
  for (const auto& file : files) {
    SCOPED_TRACE(file.stem);
    compareRows(file, tally);
  }
  for (const std::string& difference : tally.differing)
    std::cout << "differs: " << difference << "\n";
  const double equal = 100.0 * static_cast<double>(tally.cells - tally.differences) /
                       static_cast<double>(std::max<int64_t>(tally.cells, 1));
  std::cout << "compared " << tally.tables << " tables, " << tally.rows << " rows, " << tally.cells
            << " cells (" << tally.skipped << " calculated or complex left to "
            << "their own checks); " << equal << " % equal\n";
  EXPECT_GE(tally.tables, 145);
  EXPECT_GE(equal, 99.5);
}

struct DamageCount : DamageSink {
  int64_t seen = 0;
  void noteDamage(const Damage&) override { ++seen; }
};

// The encrypted Access 2007 and later files, decrypted with the stated password: each one a
// peer opened matches its rows cell for cell, and the three no peer opened give the tables
// their tests name, without damage. Without a password each says it needs one, and a wrong
// one is refused as wrong.
TEST(CorpusRowsTest, EncryptedFilesMatchMdbReaderWithTheirPassword) {
  VANTREL_REQUIRE_CORPUS();
  const auto files = test::encryptedAceFiles();
  if (files.empty()) GTEST_SKIP() << "the corpus has no encrypted .accdb files";
  const auto passwords = test::corpusPasswords();
  RowTally tally;
  std::vector<std::string> unconfirmedTables;
  for (const auto& file : files) {
    SCOPED_TRACE(file.stem);
    const std::string& password = passwords.at(file.path.filename().string());
    forgetSourcePasswords();
    const auto without = tryOpenSourceDatabase(file.path);
    ASSERT_FALSE(without);
    EXPECT_EQ(without.error(), OpenFailure::kEncrypted);
    giveSourcePassword(file.path, SecretText(password + "x"));
    const auto wrong = tryOpenSourceDatabase(file.path);
    ASSERT_FALSE(wrong);
    EXPECT_EQ(wrong.error(), OpenFailure::kWrongPassword);
    giveSourcePassword(file.path, SecretText(password));
    if (std::filesystem::exists(file.oracleDir() / "mdbreader" / "tables.json")) {
      compareRows(file, tally);
      continue;
    }
    auto db = openSourceDatabase(file.path);
    ASSERT_TRUE(db);
    DamageCount damage;
    db->setDamageSink(&damage);
    for (const CatalogRow& row : readCatalogRows(*db)) {
      // System tables and the flat tables of complex columns are not the ones named.
      if (row.objectType != kObjectTable || row.name.starts_with("MSys") ||
          row.name.starts_with("f_"))
        continue;
      auto table = readTableDefinition(
          *db, {.name = row.name, .objectType = kObjectTable, .tdefPage = row.objectId & 0xFFFFFF});
      ASSERT_TRUE(table) << row.name;
      readColumns(*db, *table);
      int rows = 0;
      for (RowCursor cursor; fetchRow(*db, *table, cursor) == RowFetch::kRow;)
        ++rows;
      unconfirmedTables.push_back(row.name + ":" + std::to_string(rows));
    }
    EXPECT_EQ(damage.seen, 0);
  }
  forgetSourcePasswords();
  for (const std::string& difference : tally.differing)
    ADD_FAILURE() << difference;
  std::cout << "compared " << tally.tables << " tables, " << tally.rows << " rows, " << tally.cells
            << " cells of encrypted files; " << tally.differences << " differ\n";
  EXPECT_EQ(tally.tables, 7) << "the user tables mdb-reader read";
  std::ranges::sort(unconfirmedTables);
  std::string listed;
  for (const auto& table : unconfirmedTables)
    listed += table + " ";
  EXPECT_EQ(listed, "Table1:1 Table1:1 Table_One:1 ") << "the tables jackcess's tests read";
}

}  // namespace
}  // namespace vantrel
