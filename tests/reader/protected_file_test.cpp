// Files protected by a database password or with RC4-encoded pages, written here: the password
// read from the masked header of both versions, and encoded pages read as their plain twin,
// also when the key in the header is damaged.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <limits>

#include "reader/catalog_rows.h"
#include "reader/database_header.h"
#include "reader/rc4_cipher.h"
#include "reader/row_reader.h"
#include "reader/source_database.h"
#include "reader/table_definition.h"
#include "reader/text_decoding.h"
#include "run/result_codes.h"
#include "tests/support/mdb_writer/database_writer.h"
#include "tests/support/page_image.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

namespace mw = mdbwriter;

constexpr std::array<uint8_t, 4> kHeaderMaskKey{0xC7, 0xDA, 0x39, 0x6B};
constexpr int kMaskedAt = 0x18;
constexpr int kMaskedLength = 126;

std::array<uint8_t, 4> littleEndian(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

// Masks or unmasks the header part of page 0, as Jet does.
void toggleHeaderMask(std::span<uint8_t> page0) {
  ASSERT_TRUE(applyRc4(kHeaderMaskKey, page0.subspan(kMaskedAt, kMaskedLength)));
}

// Page 0 of a Jet 4 file with `password` stored under the creation-date mask.
test::PageImage jet4HeaderWith(std::u16string_view password, double created) {
  test::FileImage file(1, 1);
  test::PageImage page = file.page(0);
  page.putDouble(0x72, created);
  const auto mask = littleEndian(static_cast<uint32_t>(
      std::isnan(created)
          ? 0
          : static_cast<int32_t>(std::clamp(created, -2147483648.0, 2147483647.0))));
  for (int i = 0; i < 40; ++i) {
    const size_t unit = static_cast<size_t>(i / 2);
    const uint32_t c = unit < password.size() ? password[unit] : 0;
    page.put8(0x42 + i, ((i % 2 == 0 ? c : c >> 8) & 0xFF) ^ mask[static_cast<size_t>(i % 4)]);
  }
  toggleHeaderMask(page.bytes());
  return page;
}

TEST(DatabasePasswordTest, ReadFromTheMaskedHeaderOfEitherVersion) {
  const CodePageDecoder cp1252(1252);
  // Jet 4: UTF-16 under the mask of the whole days of the creation date, whatever the date.
  for (const double created : {45000.75, -1.5, 1e300, std::numeric_limits<double>::quiet_NaN()}) {
    const auto page = jet4HeaderWith(u"Kennwort\u00e9", created);
    const auto password = headerPassword(page.bytes(), JetVersion::kJet4, cp1252);
    ASSERT_TRUE(password) << created;
    EXPECT_EQ(password->revealed(), "Kennwort\u00e9") << created;
  }
  EXPECT_EQ(headerPassword(jet4HeaderWith(u"", 45000.0).bytes(), JetVersion::kJet4, cp1252),
            std::nullopt)
      << "the mask alone is no password";

  // Jet 3: bytes of the file's code page, 20 at most, no date mask.
  test::FileImage jet3(0, 1);
  test::PageImage& page = jet3.page(0);
  const std::array<uint8_t, 20> stored{'g', 'e', 'h', 0xE9, 'i', 'm', '1', '2', '3', '4',
                                       '5', '6', '7', '8',  '9', '0', 'a', 'b', 'c', 'd'};
  page.putBytes(0x42, stored);
  page.putDouble(0x72, 45000.0);
  toggleHeaderMask(page.bytes());
  auto password = headerPassword(page.bytes(), JetVersion::kJet3, cp1252);
  ASSERT_TRUE(password);
  EXPECT_EQ(password->revealed(), "geh\u00e9im1234567890abcd");

  // A header without the signature holds nothing worth believing.
  page.putBytes(4, std::array<uint8_t, 4>{'J', 'U', 'N', 'K'});
  EXPECT_EQ(headerPassword(page.bytes(), JetVersion::kJet3, cp1252), std::nullopt);
  EXPECT_EQ(
      headerPassword(std::span<const uint8_t>(page.bytes()).first(100), JetVersion::kJet4, cp1252),
      std::nullopt)
      << "a page 0 cut short";
}

// Every user table's rows as text: names, then each field's text and stored bytes.
std::string userRowsOf(const std::filesystem::path& path, DamageSink* damage = nullptr) {
  auto db = openSourceDatabase(path);
  if (!db) return "not opened";
  db->setDamageSink(damage);
  std::string dump;
  for (const CatalogRow& row : readCatalogRows(*db)) {
    if (row.objectType != kObjectTable || row.name.starts_with("MSys")) continue;
    auto table = readTableDefinition(
        *db, {.name = row.name, .objectType = 1, .tdefPage = row.objectId & 0xFFFFFF});
    if (!table) continue;
    readColumns(*db, *table);
    dump += "[" + row.name + "]\n";
    RowCursor cursor;
    while (fetchRow(*db, *table, cursor) == RunResult::kDone) {
      for (const FieldValue& field : cursor.fields)
        dump += field.text + "/" + std::to_string(field.bytes.size()) + "|";
      dump += "\n";
    }
  }
  return dump;
}

struct DamageList : DamageSink {
  std::vector<Damage> seen;
  void noteDamage(const Damage& damage) override { seen.push_back(damage); }
};

class EncodedPagesTest : public ::testing::TestWithParam<mw::JetVersion> {
 protected:
  void SetUp() override {
    mw::TableSpec table;
    table.name = "Orders";
    table.columns = {{.name = "Id", .type = mw::ColumnType::kLong, .autoNumber = true},
                     {.name = "Customer", .type = mw::ColumnType::kText, .size = 40},
                     {.name = "Notes", .type = mw::ColumnType::kMemo}};
    std::vector<mw::Row> rows;
    for (int i = 1; i <= 300; ++i) {
      // Some memos long enough for long-value pages of their own.
      rows.push_back({{int64_t{i}, "Customer " + std::to_string(i),
                       std::string(i % 50 == 0 ? 5000 : 20, static_cast<char>('a' + i % 26))}});
    }
    table.rows = mw::rowsOf(std::move(rows));
    mw::DatabaseSpec spec;
    spec.version = GetParam();
    spec.tables.push_back(std::move(table));
    pageSize = mw::writeDatabase(plain, std::move(spec)).pageSize;
    std::ifstream in(plain, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }

  // The file encoded with `key` (0: left plain); the header says `storedKey`.
  std::filesystem::path encoded(uint32_t key, uint32_t storedKey, const std::string& name) {
    std::vector<uint8_t> file = bytes;
    const auto page0 = std::span(file).first(static_cast<size_t>(pageSize));
    toggleHeaderMask(page0);
    std::ranges::copy(littleEndian(storedKey), page0.begin() + 0x3E);
    toggleHeaderMask(page0);
    for (size_t n = 1; key != 0 && n * static_cast<size_t>(pageSize) < file.size(); ++n) {
      const auto page =
          std::span(file).subspan(n * static_cast<size_t>(pageSize), static_cast<size_t>(pageSize));
      EXPECT_TRUE(applyRc4(littleEndian(key ^ static_cast<uint32_t>(n)), page));
    }
    const auto path = dir / name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    return path;
  }

  test::TempDir dir;
  std::filesystem::path plain = dir / "plain.mdb";
  std::vector<uint8_t> bytes;
  int pageSize = 0;
};

TEST_P(EncodedPagesTest, ReadAsTheirPlainTwinAndADamagedKeyIsNamed) {
  const std::string expected = userRowsOf(plain);
  ASSERT_NE(expected.find("Customer 300"), std::string::npos);

  const auto good = encoded(0x5A17C0DE, 0x5A17C0DE, "encoded.mdb");
  DamageList none;
  EXPECT_EQ(userRowsOf(good, &none), expected);
  EXPECT_TRUE(none.seen.empty());
  auto db = openSourceDatabase(good);
  ASSERT_TRUE(db);
  EXPECT_EQ(db->pageCoding(), (PageCoding{0x5A17C0DE, false}));
  std::array<uint8_t, 2> start{};
  ASSERT_EQ(db->readPageStart(2, start), 2u) << "scans read past the cache, decoded too";
  EXPECT_EQ(start[0], kDefinitionPageType);

  // A key field damaged in a file whose pages are plain: the pages are read as they are.
  const auto plainWithKey = encoded(0, 0x01020304, "plain-key.mdb");
  EXPECT_EQ(userRowsOf(plainWithKey), expected);
  EXPECT_EQ(openSourceDatabase(plainWithKey)->pageCoding(), PageCoding{});

  // A key that fits no page: nothing is made of the garbage, and every page is named.
  const auto wrongKey = encoded(0x5A17C0DE, 0x11111111, "wrong-key.mdb");
  DamageList damage;
  const std::string salvaged = userRowsOf(wrongKey, &damage);
  EXPECT_EQ(salvaged.find("Customer"), std::string::npos) << salvaged;
  ASSERT_FALSE(damage.seen.empty());
  EXPECT_TRUE(std::ranges::all_of(
      damage.seen, [](const Damage& d) { return d.kind == DamageKind::kUndecodedPage; }));
  db = openSourceDatabase(wrongKey);
  EXPECT_EQ(db->pageCoding(), (PageCoding{0x11111111, true}));
  EXPECT_FALSE(db->page(2));
}

INSTANTIATE_TEST_SUITE_P(BothVersions, EncodedPagesTest,
                         ::testing::Values(mw::JetVersion::kJet3, mw::JetVersion::kJet4));

}  // namespace
}  // namespace vantrel
