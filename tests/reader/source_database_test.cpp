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
    EXPECT_EQ(db->currentPage, 0);
    EXPECT_EQ(db->u32At(0x14), 0x3F3F3F3F) << "page 0 is read again";
  }
  FileImage unmarked(1, 3);
  unmarked.page(0).put32(0x14, 7);
  auto db = openSourceDatabase(writeFile(dir, unmarked.bytes()));
  ASSERT_TRUE(db);
  EXPECT_EQ(db->formatVersion(), 1);
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
    loadPage(*db, 1);
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
  EXPECT_EQ(readPage(*db, db->pageBuffer(), 2), 2048u);
  EXPECT_EQ(readPage(*db, db->pageBuffer(), 3), 0u) << "a last page cut short";
  EXPECT_EQ(readPage(*db, db->pageBuffer(), 4), 0u);
  EXPECT_EQ(readPage(*db, db->pageBuffer(), -1), 0u);
  EXPECT_EQ(readPage(*db, db->pageBuffer(), int64_t{1} << 40), 0u);
  EXPECT_EQ(db->pageCount(), 3);
}

TEST(LoadPageTest, PageZeroIsAlwaysReadAgainOtherCurrentPagesAreNot) {
  TempDir dir;
  FileImage file(0, 3);
  file.page(1).put8(100, 0x11);
  auto db = openSourceDatabase(writeFile(dir, file.bytes()));
  ASSERT_TRUE(db);
  ASSERT_EQ(loadPage(*db, 0), 2048u);
  db->pageBuffer()[0x14] = 0x99;
  EXPECT_EQ(loadPage(*db, 0), 2048u);
  EXPECT_EQ(db->byteAt(0x14), 0) << "page 0 read again";

  ASSERT_EQ(loadPage(*db, 1), 2048u);
  db->pageBuffer()[100] = 0x22;
  EXPECT_EQ(loadPage(*db, 1), 2048u);
  EXPECT_EQ(db->byteAt(100), 0x22) << "the current page is kept";
  EXPECT_EQ(loadPage(*db, 2), 2048u);
  EXPECT_EQ(loadPage(*db, 1), 2048u);
  EXPECT_EQ(db->byteAt(100), 0x11);
}

TEST(LoadPageTest, AltPageAndSwapKeepTheCurrentPage) {
  TempDir dir;
  FileImage file(1, 3);
  file.page(1).put8(10, 1);
  file.page(2).put8(10, 2);
  auto db = openSourceDatabase(writeFile(dir, file.bytes()));
  ASSERT_TRUE(db);
  loadPage(*db, 1);
  EXPECT_EQ(readAltPage(*db, 2), 4096u);
  EXPECT_EQ(db->byteAt(10), 1);
  swapPageBuffers(*db);
  EXPECT_EQ(db->byteAt(10), 2);
  EXPECT_EQ(db->currentPage, 1);
  swapPageBuffers(*db);
  EXPECT_EQ(db->byteAt(10), 1);
}

TEST(PositionReadersTest, ReadsStayInsideThePage) {
  TempDir dir;
  FileImage file(0, 2);
  file.page(1).put32(2044, 0x04030201).put32(0, 0xFFFFFFFF);
  auto db = openSourceDatabase(writeFile(dir, file.bytes()));
  ASSERT_TRUE(db);
  loadPage(*db, 1);
  const int size = db->pageSize();
  EXPECT_EQ(db->u24At(size - 4), 0x030201);
  EXPECT_EQ(db->u24At(size - 3), -1) << "three bytes remain, but the bound is four";
  EXPECT_EQ(db->u16At(size - 2), 0x0403);
  EXPECT_EQ(db->u16At(size - 1), -1);
  EXPECT_EQ(db->u32At(size - 4), 0x04030201);
  EXPECT_EQ(db->u32At(size - 3), -1);
  EXPECT_EQ(db->u32At(0), 0xFFFFFFFFll) << "a u32 keeps its high bit";
  EXPECT_EQ(db->byteAt(size), -1);
  EXPECT_EQ(db->byteAt(-1), -1);
  EXPECT_EQ(db->u16At(-2), -1);
  EXPECT_EQ(db->u24At(-1), -1);
  // The masked reader maps a negative position into the page, and stays bounded.
  EXPECT_EQ(u16AtMasked(db->page(), -4096 + 2044), 0x0201);
  EXPECT_EQ(u16AtMasked(db->page(), -1), -1) << "0xFFF is beyond a Jet 3 page";
  EXPECT_EQ(u16AtMasked(db->page(), 5000), -1);
  EXPECT_EQ(u32Of(db->page(), 2045), -1);
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
