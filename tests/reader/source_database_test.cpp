#include "reader/source_database.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "reader/database_header.h"
#include "run/run_state.h"
#include "tests/support/page_image.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

using test::FileImage;
using test::TempDir;

std::filesystem::path writeFile(const TempDir& dir, const std::vector<uint8_t>& bytes,
                                const std::string& name = "db.mdb") {
  const auto path = dir / name;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return path;
}

TEST(OpenSourceDatabaseTest, VersionFieldDecidesWhenItIsZeroOrOne) {
  TempDir dir;
  FileImage jet4(1, 3);
  // Page 2 read as a 2048-byte page would carry the Jet 3 mark; the field alone decides.
  jet4.page(1).put16(2, 0x4356);
  auto db = openSourceDatabase(writeFile(dir, jet4.bytes()));
  ASSERT_TRUE(db);
  EXPECT_EQ(db->formatVersion(), 1);
  EXPECT_EQ(db->pageSize(), 4096);
  EXPECT_EQ(db->pageCount(), 3);

  FileImage jet3(0, 3);
  db = openSourceDatabase(writeFile(dir, jet3.bytes(), "jet3.mdb"));
  ASSERT_TRUE(db);
  EXPECT_EQ(db->formatVersion(), 0);
  EXPECT_EQ(db->pageSize(), 2048);
}

TEST(OpenSourceDatabaseTest, DamagedVersionFieldIsDecidedByPagesTwoAndFour) {
  TempDir dir;
  for (int markedPage : {2, 4}) {
    FileImage file(0, 6);
    file.page(0).put32(0x14, 0x3F3F3F3F);
    file.page(markedPage).put16(2, 0x4356);
    auto db = openSourceDatabase(writeFile(dir, file.bytes()));
    ASSERT_TRUE(db);
    EXPECT_EQ(db->formatVersion(), 0) << "mark on page " << markedPage;
    EXPECT_EQ(u32Of(db->page(0).bytes(), 0x14), 0x3F3F3F3F) << "page 0 is read again";
  }
  FileImage unmarked(1, 3);
  unmarked.page(0).put32(0x14, 7);
  auto db = openSourceDatabase(writeFile(dir, unmarked.bytes()));
  ASSERT_TRUE(db);
  EXPECT_EQ(db->formatVersion(), 1);
}

// An Access 2007 and later header over Jet 4 pages: version byte 0x14 (0x15 may hold more).
FileImage aceFile(int versionByte, int pageCount) {
  FileImage file(1, pageCount);
  const std::string_view signature = "Standard ACE DB";
  file.page(0).putBytes(
      4, std::span(reinterpret_cast<const uint8_t*>(signature.data()), signature.size()));
  file.page(0).put32(0x14, 0x100 | static_cast<uint32_t>(versionByte));
  for (int n = 1; n < pageCount; ++n)
    file.page(n).put8(0, 1).put8(1, 1);
  return file;
}

TEST(OpenSourceDatabaseTest, AccessTwoThousandSevenAndLaterOpenAsJet4UnlessEncrypted) {
  TempDir dir;
  for (const auto& [versionByte, told] : {std::pair{2, 2}, {6, 6}, {0, 2}}) {
    SilentRunHooks hooks;
    RunState run(hooks);
    auto db = openSourceDatabase(writeFile(dir, aceFile(versionByte, 4).bytes(), "a.accdb"), &run);
    ASSERT_TRUE(db) << versionByte;
    EXPECT_TRUE(db->isJet4());
    EXPECT_EQ(db->pageSize(), 4096);
    EXPECT_EQ(db->aceVersion(), told) << "a damaged version byte still reads as ACE";
    EXPECT_EQ(run.sourceFormatVersion.load(), told);
    EXPECT_FALSE(db->databasePassword());
  }

  // Office encryption described in the header: refused when the pages do not read as pages,
  // opened when they do (the description is then a damaged field).
  FileImage encrypted = aceFile(3, 6);
  encrypted.page(0).put16(0x299, 0xC6).put16(0x29B, 4).put16(0x29D, 2);
  auto plain = tryOpenSourceDatabase(writeFile(dir, encrypted.bytes(), "plain.accdb"));
  ASSERT_TRUE(plain);
  EXPECT_EQ((*plain)->aceVersion(), 3);
  for (int n = 1; n < 6; ++n)
    encrypted.page(n).put8(0, 0x5A).put8(1, 0xC3);
  const auto refused = tryOpenSourceDatabase(writeFile(dir, encrypted.bytes(), "enc.accdb"));
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error(), OpenFailure::kEncryptionUnknown) << "no kind Access writes";
  // The CryptoAPI kind whose fields lie beyond the description's length cannot be decrypted
  // with any password.
  encrypted.page(0).put16(0x299, 0x10).put32(0x29F, 0x04).put32(0x2A3, 0x8C);
  const auto damaged = tryOpenSourceDatabase(writeFile(dir, encrypted.bytes(), "damaged.accdb"));
  ASSERT_FALSE(damaged);
  EXPECT_EQ(damaged.error(), OpenFailure::kEncryptionDamaged);
  // A Jet file's header never describes Office encryption, whatever those bytes hold.
  FileImage jet4(1, 3);
  jet4.page(0).put16(0x299, 0xC6).put16(0x29B, 4).put16(0x29D, 2);
  EXPECT_TRUE(tryOpenSourceDatabase(writeFile(dir, jet4.bytes(), "jet4.mdb")));
}

TEST(OpenSourceDatabaseTest, FilesThatCannotBeOpened) {
  TempDir dir;
  EXPECT_FALSE(openSourceDatabase(dir / "missing.mdb"));
  EXPECT_FALSE(openSourceDatabase(dir.path())) << "a folder is no database";
  EXPECT_FALSE(openSourceDatabase(writeFile(dir, std::vector<uint8_t>(2047, 0))));
  EXPECT_FALSE(openSourceDatabase(writeFile(dir, {}, "empty.mdb")));
  EXPECT_TRUE(openSourceDatabase(writeFile(dir, std::vector<uint8_t>(2048, 0), "one.mdb")));
}

TEST(OpenSourceDatabaseTest, OpensReadOnlyFilesAndLeavesThemUnchanged) {
  TempDir dir;
  FileImage file(1, 2);
  const auto path = writeFile(dir, file.bytes());
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  struct stat before {};
  ASSERT_EQ(stat(path.c_str(), &before), 0);
  {
    SilentRunHooks hooks;
    RunState run(hooks);
    auto db = openSourceDatabase(path, &run);
    ASSERT_TRUE(db);
    EXPECT_EQ(run.sourceFormatVersion.load(), 1);
    db->page(1);
  }
  struct stat after {};
  ASSERT_EQ(stat(path.c_str(), &after), 0);
  EXPECT_EQ(before.st_mode, after.st_mode);
  EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);
  EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
}

TEST(ReadPageTest, LastPartialPageAndPagesBeyondTheEndReadNothing) {
  TempDir dir;
  FileImage file(0, 3);
  auto bytes = file.bytes();
  bytes.resize(bytes.size() + 1000, 0xAB);
  auto db = openSourceDatabase(writeFile(dir, bytes));
  ASSERT_TRUE(db);
  EXPECT_EQ(db->page(2).bytes().size(), 2048u);
  EXPECT_FALSE(db->page(3)) << "a last page cut short";
  EXPECT_FALSE(db->page(4));
  EXPECT_FALSE(db->page(-1));
  EXPECT_FALSE(db->page(int64_t{1} << 40));
  EXPECT_EQ(db->pageCount(), 3);
}

TEST(PageSourceTest, ViewsStayAsReadWhileTheCacheStaysBounded) {
  TempDir dir;
  const int pages = static_cast<int>(PageSource::kCachedPages) * 3;
  FileImage file(1, pages);
  for (int n = 1; n < pages; ++n)
    file.page(n).put32(100, static_cast<uint32_t>(n));
  auto db = openSourceDatabase(writeFile(dir, file.bytes()));
  ASSERT_TRUE(db);
  const PageView first = db->page(1);
  ASSERT_TRUE(first);
  EXPECT_EQ(first.number(), 1);
  for (int n = 2; n < pages; ++n)
    EXPECT_EQ(u32Of(db->page(n).bytes(), 100), n);
  EXPECT_EQ(u32Of(first.bytes(), 100), 1) << "a view outlives its place in the cache";
  EXPECT_EQ(u32Of(db->page(1).bytes(), 100), 1);
  EXPECT_EQ(db->pagesRead(), pages - 1) << "a page read again counts once";

  db->close();
  EXPECT_FALSE(db->page(pages - 1)) << "nothing is read from a closed file, cached or not";
  EXPECT_EQ(u32Of(first.bytes(), 100), 1);
}

TEST(PositionReadersTest, ReadsStayInsideThePage) {
  TempDir dir;
  FileImage file(0, 2);
  file.page(1).put32(2044, 0x04030201).put32(0, 0xFFFFFFFF);
  auto db = openSourceDatabase(writeFile(dir, file.bytes()));
  ASSERT_TRUE(db);
  const PageView view = db->page(1);
  const auto page = view.bytes();
  const int size = db->pageSize();
  EXPECT_EQ(u24Of(page, size - 4), 0x030201);
  EXPECT_EQ(u24Of(page, size - 3), -1) << "three bytes remain, but the bound is four";
  EXPECT_EQ(u16Of(page, size - 2), 0x0403);
  EXPECT_EQ(u16Of(page, size - 1), -1);
  EXPECT_EQ(u32Of(page, size - 4), 0x04030201);
  EXPECT_EQ(u32Of(page, size - 3), -1);
  EXPECT_EQ(u32Of(page, 0), 0xFFFFFFFFll) << "a u32 keeps its high bit";
  EXPECT_EQ(byteOf(page, size), -1);
  EXPECT_EQ(byteOf(page, -1), -1);
  EXPECT_EQ(u16Of(page, -2), -1);
  EXPECT_EQ(u24Of(page, -1), -1);
  // The masked reader maps a negative position into the page, and stays bounded.
  EXPECT_EQ(u16AtMasked(page, -4096 + 2044), 0x0201);
  EXPECT_EQ(u16AtMasked(page, -1), -1) << "0xFFF is beyond a Jet 3 page";
  EXPECT_EQ(u16AtMasked(page, 5000), -1);
  EXPECT_EQ(u32Of(page, 2045), -1);
}

TEST(OpenSourceDatabaseTest, Jet3CodePageComesFromTheMaskedHeader) {
  TempDir dir;
  // An all-zero header decodes to the mask itself; masking 1251 with it stores 1251. (Real
  // files, masked by Access, are checked over the corpus.)
  const std::vector<uint8_t> zeros(2048, 0);
  const int mask = headerCodePage(zeros);
  FileImage file(0, 2);
  file.page(0).put8(0x3C, static_cast<uint32_t>((mask & 0xFF) ^ 0xE3));
  file.page(0).put8(0x3D, static_cast<uint32_t>((mask >> 8) ^ 0x04));
  auto db = openSourceDatabase(writeFile(dir, file.bytes()));
  ASSERT_TRUE(db);
  EXPECT_EQ(db->codePageDecoder().codePage(), 1251);
  const std::vector<uint8_t> stored{0xC4, 0xE0};  // "Да" in Windows-1251
  EXPECT_EQ(db->decodeText(stored), "Да");

  file.page(0).put8(0x3C, static_cast<uint32_t>((mask & 0xFF) ^ 0x39));  // 1337: no such page
  file.page(0).put8(0x3D, static_cast<uint32_t>((mask >> 8) ^ 0x05));
  db = openSourceDatabase(writeFile(dir, file.bytes(), "unknown.mdb"));
  ASSERT_TRUE(db);
  EXPECT_EQ(db->codePageDecoder().codePage(), 1252);
}

}  // namespace
}  // namespace vantrel
