// Protected files written here: the password from the masked header of both versions, and
// encoded pages read as their plain twin, also when the key in the header is damaged.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <limits>

#include "reader/catalog_rows.h"
#include "reader/rc4_cipher.h"
#include "reader/row_reader.h"
#include "reader/source_database.h"
#include "reader/source_passwords.h"
#include "reader/table_definition.h"
#include "tests/support/corpus.h"
#include "tests/support/mdb_writer/database_writer.h"
#include "tests/support/page_image.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

namespace mw = mdbwriter;

std::array<uint8_t, 4> littleEndian(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

// Masks or unmasks the header part of page 0 with Jet's fixed key.
void toggleHeaderMask(std::span<uint8_t> page0) {
  ASSERT_TRUE(applyRc4(littleEndian(0x6B39DAC7), page0.subspan(0x18, 126)));
}

TEST(DatabasePasswordTest, ReadFromTheMaskedHeaderOfEitherVersion) {
  const CodePageDecoder cp1252(1252);
  // Jet 4: UTF-16 under the whole days of the creation date, whatever is stored there.
  const auto jet4Header = [](std::u16string_view stored, double created, int32_t days) {
    test::PageImage page = test::FileImage(1, 1).page(0);
    page.putDouble(0x72, created);
    const auto mask = littleEndian(static_cast<uint32_t>(days));
    for (int i = 0; i < 40; ++i) {
      const char16_t unit = static_cast<size_t>(i / 2) < stored.size() ? stored[i / 2] : 0;
      page.put8(0x42 + i, ((i % 2 == 0 ? unit : unit >> 8) & 0xFF) ^ mask[i % 4]);
    }
    toggleHeaderMask(page.bytes());
    return page;
  };
  for (const auto& [created, days] : {std::pair{45000.75, 45000},
                                      {-1.5, -1},
                                      {1e300, INT32_MAX},
                                      {std::numeric_limits<double>::quiet_NaN(), 0}}) {
    const auto page = jet4Header(u"Kennwort\u00e9", created, days);
    const auto password = headerPassword(page.bytes(), JetVersion::kJet4, cp1252);
    ASSERT_TRUE(password) << created;
    EXPECT_EQ(password->revealed(), "Kennwort\u00e9") << created;
  }
  EXPECT_FALSE(headerPassword(jet4Header(u"", 45000.0, 45000).bytes(), JetVersion::kJet4, cp1252))
      << "the mask alone is no password";

  // Jet 3: 20 bytes of the file's code page, no date mask.
  test::PageImage page = test::FileImage(0, 1).page(0);
  page.putBytes(0x42, std::array<uint8_t, 20>{'g', 'e', 'h', 0xE9, 'i', 'm', '1', '2', '3', '4',
                                              '5', '6', '7', '8',  '9', '0', 'a', 'b', 'c', 'd'});
  page.putDouble(0x72, 45000.0);
  toggleHeaderMask(page.bytes());
  EXPECT_EQ(headerPassword(page.bytes(), JetVersion::kJet3, cp1252)->revealed(),
            "geh\u00e9im1234567890abcd");
  // A header without the signature holds nothing worth believing.
  page.putBytes(4, std::array<uint8_t, 4>{'J', 'U', 'N', 'K'});
  EXPECT_FALSE(headerPassword(page.bytes(), JetVersion::kJet3, cp1252));
}

struct DamageList : DamageSink {
  std::vector<Damage> seen;
  void noteDamage(const Damage& damage) override { seen.push_back(damage); }
};

// The rows of the file's table "Orders" as text, each field's text and stored size.
std::string ordersOf(const std::filesystem::path& path, DamageList* damage = nullptr) {
  auto db = openSourceDatabase(path);
  db->setDamageSink(damage);
  std::string dump;
  for (const CatalogRow& row : readCatalogRows(*db)) {
    if (row.name != "Orders") continue;
    auto table = readTableDefinition(
        *db, {.name = row.name, .objectType = kObjectTable, .tdefPage = row.objectId & 0xFFFFFF});
    if (!table) return dump;
    readColumns(*db, *table);
    for (RowCursor cursor; fetchRow(*db, *table, cursor) == RowFetch::kRow; dump += "\n") {
      for (const FieldValue& field : cursor.fields)
        dump += field.text + "/" + std::to_string(field.bytes.size()) + "|";
    }
  }
  return dump;
}

TEST(EncodedPagesTest, ReadAsTheirPlainTwinAndADamagedKeyIsNamed) {
  for (const auto version : {mw::JetVersion::kJet3, mw::JetVersion::kJet4}) {
    SCOPED_TRACE(static_cast<int>(version));
    test::TempDir dir;
    mw::TableSpec table{.name = "Orders",
                        .columns = {{.name = "Customer", .type = mw::ColumnType::kText},
                                    {.name = "Notes", .type = mw::ColumnType::kMemo}}};
    std::vector<mw::Row> rows;
    for (int i = 1; i <= 300; ++i) {
      // Some memos on long-value pages of their own.
      rows.push_back({{"Customer " + std::to_string(i), std::string(i % 50 ? 20 : 5000, 'm')}});
    }
    table.rows = mw::rowsOf(std::move(rows));
    const auto plain = dir / "plain.mdb";
    const int pageSize = mw::writeDatabase(plain, {.version = version, .tables = {table}}).pageSize;
    const std::string expected = ordersOf(plain);
    ASSERT_NE(expected.find("Customer 300"), std::string::npos);

    // The file encoded with `key` (0: left plain) under a header that says `storedKey`.
    const auto encoded = [&](uint32_t key, uint32_t storedKey) {
      std::ifstream in(plain, std::ios::binary);
      std::vector<uint8_t> file(std::istreambuf_iterator<char>(in), {});
      const auto size = static_cast<size_t>(pageSize);
      toggleHeaderMask(std::span(file).first(size));
      std::ranges::copy(littleEndian(storedKey), file.begin() + 0x3E);
      toggleHeaderMask(std::span(file).first(size));
      for (size_t n = 1; key != 0 && n * size < file.size(); ++n)
        applyRc4(littleEndian(key ^ static_cast<uint32_t>(n)),
                 std::span(file).subspan(n * size, size));
      const auto path = dir / ("encoded" + std::to_string(storedKey) + ".mdb");
      std::ofstream(path, std::ios::binary)
          .write(reinterpret_cast<const char*>(file.data()),
                 static_cast<std::streamsize>(file.size()));
      return path;
    };
    DamageList none;
    EXPECT_EQ(ordersOf(encoded(0x5A17C0DE, 0x5A17C0DE), &none), expected);
    EXPECT_TRUE(none.seen.empty());
    auto db = openSourceDatabase(encoded(0x5A17C0DE, 0x5A17C0DE));
    std::array<uint8_t, 2> start{};
    ASSERT_EQ(db->readPageStart(2, start), 2u) << "scans read past the cache, decoded too";
    EXPECT_EQ(start[0], kDefinitionPageType);

    // A damaged key field in a file whose pages are plain: they are read as they are.
    EXPECT_EQ(ordersOf(encoded(0, 0x01020304)), expected);

    // A key that fits no page: nothing is made of the garbage, and the pages are named.
    DamageList damage;
    EXPECT_EQ(ordersOf(encoded(0x5A17C0DE, 0x11111111), &damage), "");
    ASSERT_FALSE(damage.seen.empty());
    EXPECT_TRUE(std::ranges::all_of(
        damage.seen, [](const Damage& d) { return d.kind == DamageKind::kUndecodedPage; }));
  }
}

// An encrypted file whose header is damaged: a damaged password check leaves the pages to tell
// a right password from a wrong one, and a page that does not decrypt is named, not read; a
// damaged description is told as such, whatever the password.
TEST(EncryptedPagesTest, ADamagedHeaderIsToldAndUndecryptedPagesAreNamed) {
  VANTREL_REQUIRE_CORPUS();
  const auto source = *test::corpusDir() / "protected" / "mdbreader-office-agile-4.4.accdb";
  if (!std::filesystem::exists(source)) GTEST_SKIP() << "no agile file in the corpus";
  std::ifstream in(source, std::ios::binary);
  std::vector<uint8_t> file(std::istreambuf_iterator<char>(in), {});
  test::TempDir dir;
  const auto write = [&dir, &file](const char* name) {
    const auto path = dir / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    return path;
  };
  constexpr size_t kPage = 4096;
  const std::string_view header(reinterpret_cast<const char*>(file.data()), kPage);
  const size_t check = header.find("encryptedVerifierHashValue=\"");
  ASSERT_NE(check, std::string_view::npos);
  file[check + 28] = '*';
  const size_t lastPage = file.size() / kPage - 1;
  std::fill_n(file.begin() + static_cast<std::ptrdiff_t>(lastPage * kPage), 32, 0xA5);
  const auto damaged = write("damaged.accdb");

  giveSourcePassword(damaged, SecretText("password"));
  auto db = openSourceDatabase(damaged);
  ASSERT_TRUE(db);
  DamageList damage;
  db->setDamageSink(&damage);
  int rows = 0;
  for (const CatalogRow& row : readCatalogRows(*db)) {
    if (row.name != "Table1") continue;
    auto table = readTableDefinition(
        *db, {.name = row.name, .objectType = kObjectTable, .tdefPage = row.objectId & 0xFFFFFF});
    ASSERT_TRUE(table);
    readColumns(*db, *table);
    for (RowCursor cursor; fetchRow(*db, *table, cursor) == RowFetch::kRow;)
      ++rows;
  }
  EXPECT_EQ(rows, 3);
  EXPECT_FALSE(db->page(static_cast<int64_t>(lastPage)));
  ASSERT_FALSE(damage.seen.empty());
  EXPECT_EQ(damage.seen.back().kind, DamageKind::kUndecodedPage);
  EXPECT_EQ(damage.seen.back().page, static_cast<int64_t>(lastPage));

  giveSourcePassword(damaged, SecretText("passwort"));
  const auto wrong = tryOpenSourceDatabase(damaged);
  ASSERT_FALSE(wrong);
  EXPECT_EQ(wrong.error(), OpenFailure::kWrongPassword);

  // The description cut short of its XML.
  file[0x299] = 40;
  file[0x29A] = 0;
  const auto cut = write("cut.accdb");
  giveSourcePassword(cut, SecretText("password"));
  const auto refused = tryOpenSourceDatabase(cut);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error(), OpenFailure::kEncryptionDamaged);
  forgetSourcePasswords();
}

}  // namespace
}  // namespace vantrel
