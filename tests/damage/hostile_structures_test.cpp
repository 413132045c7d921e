// Structures no healthy file has, made to cost as much as they can: the reader must bound its
// work by the file's size, whatever the structures say.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "tests/damage/damage_database.h"
#include "tests/damage/damage_kinds.h"
#include "tests/damage/salvage_outcome.h"
#include "tests/support/mdb_writer/database_writer.h"
#include "tests/support/temp_dir.h"

namespace vantrel::test {
namespace {

namespace mw = mdbwriter;

void putU16(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  bytes[at] = static_cast<uint8_t>(value);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

void putU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  putU16(bytes, at, value);
  putU16(bytes, at + 2, value >> 16);
}

std::vector<uint8_t> readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void writeBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// A page-list usage map as long as a map row can be, every entry naming the same bitmap page
// with every bit set: it names over thirty million pages, nearly all beyond the file. The
// walk stops at the file's last page and still finds every row.
TEST(HostileStructuresTest, UsageMapNamingPagesBeyondTheFileStillGivesEveryRow) {
  TempDir dir;
  const auto healthyPath = dir / "healthy.mdb";
  const auto manifest = mw::writeDatabase(healthyPath, damageSuiteDatabase(mw::JetVersion::kJet4));
  std::vector<uint8_t> bytes = readBytes(healthyPath);
  const size_t pageSize = 4096;
  const auto mapPage = static_cast<uint32_t>(bytes.size() / pageSize);
  const uint32_t bitmapPage = mapPage + 1;

  std::vector<uint8_t> map(pageSize, 0);
  map[0] = 1;
  map[1] = 1;
  putU16(map, 12, 1);  // one row, from offset 100 to the end of the page
  putU16(map, 14, 100);
  map[100] = 1;  // a page list
  for (size_t at = 101; at + 4 <= pageSize; at += 4)
    putU32(map, at, bitmapPage);
  bytes.insert(bytes.end(), map.begin(), map.end());
  bytes.insert(bytes.end(), pageSize, uint8_t{0xFF});

  const size_t definition =
      static_cast<size_t>(manifest.table("Readings").definitionPage()) * pageSize;
  bytes[definition + 55] = 0;  // the map is row 0 of the new page
  putU16(bytes, definition + 56, mapPage);
  bytes[definition + 58] = static_cast<uint8_t>(mapPage >> 16);
  const auto hostilePath = dir / "hostile.mdb";
  writeBytes(hostilePath, bytes);

  const auto healthy = salvageWithVantrel(healthyPath, dir.path());
  const auto salvaged = salvageWithVantrel(hostilePath, dir.path());
  ASSERT_TRUE(salvaged.contains("Readings"));
  EXPECT_EQ(matchingRows(healthy.at("Readings"), salvaged.at("Readings"), true), 3000);
  EXPECT_EQ(salvaged.at("Readings").rows.size(), 3000u);
}

// A long value whose chain runs through hundreds of links on two pages, each carrying one
// byte: a chain has no more links than the file has pages, and the row keeps its other values.
TEST(HostileStructuresTest, LongValueChainHasNoMoreLinksThanTheFileHasPages) {
  TempDir dir;
  const auto healthyPath = dir / "healthy.mdb";
  mw::writeDatabase(healthyPath, damageSuiteDatabase(mw::JetVersion::kJet4));
  std::vector<uint8_t> bytes = readBytes(healthyPath);
  const PageSurvey survey = surveyPages(bytes);
  const size_t pageSize = 4096;
  const auto chainPage = static_cast<uint32_t>(bytes.size() / pageSize);

  // Rows of five bytes: a link to the next row (a row number is one byte, so 256 rows a
  // page), then one byte of the value. The last row of the first page leads to the second.
  constexpr int kRowsPerPage = 256;
  constexpr int kLinks = 2 * kRowsPerPage;
  for (uint32_t p = 0; p < 2; ++p) {
    std::vector<uint8_t> page(pageSize, 0);
    page[0] = 1;
    page[1] = 1;
    page[4] = 'L';
    page[5] = 'V';
    page[6] = 'A';
    page[7] = 'L';
    putU16(page, 12, kRowsPerPage);
    for (int r = 0; r < kRowsPerPage; ++r) {
      const size_t start = pageSize - 5 * static_cast<size_t>(r + 1);
      putU16(page, 14 + 2 * static_cast<size_t>(r), static_cast<uint32_t>(start));
      const bool lastOfPage = r + 1 == kRowsPerPage;
      page[start] = lastOfPage ? 0 : static_cast<uint8_t>(r + 1);
      putU32(page, start + 1, lastOfPage ? (p == 0 ? chainPage + 1 : 0) : chainPage + p);
      page[start + 4] = 'x';
    }
    bytes.insert(bytes.end(), page.begin(), page.end());
  }
  ASSERT_LT(survey.pageCount + 2, kLinks);

  // The first photo's OLE value now starts that chain: its field is the row's last 12 bytes
  // before the offset table, so it is found by its header's flags.
  const int64_t photosData = survey.dataPagesByOwner.at(survey.userDefinitions.at(2)).front();
  const size_t base = static_cast<size_t>(photosData) * pageSize;
  const int rowStart = (bytes[base + 14] | bytes[base + 15] << 8) & 0x1FFF;
  size_t header = 0;
  for (size_t at = base + static_cast<size_t>(rowStart); at + 12 <= base + pageSize; ++at) {
    const uint32_t length = bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                            static_cast<uint32_t>(bytes[at + 3]) << 24;
    if (length == 500) {  // the first photo is 500 bytes, stored in a chain
      header = at;
      break;
    }
  }
  ASSERT_NE(header, 0u);
  putU32(bytes, header, kLinks);
  bytes[header + 4] = 0;
  putU16(bytes, header + 5, chainPage);
  bytes[header + 7] = static_cast<uint8_t>(chainPage >> 16);
  const auto hostilePath = dir / "hostile.mdb";
  writeBytes(hostilePath, bytes);

  const auto salvaged = salvageWithVantrel(hostilePath, dir.path());
  ASSERT_TRUE(salvaged.contains("Photos"));
  const TableRows& photos = salvaged.at("Photos");
  ASSERT_EQ(photos.rows.size(), 12u);
  EXPECT_EQ(photos.rows[0][1], "Photo 1");
  const std::string picture = photos.rows[0][2].value_or("");
  EXPECT_FALSE(picture.empty());
  EXPECT_LE(picture.size() / 2,
            static_cast<size_t>(survey.pageCount + 2));  // hex: two digits a byte
}

}  // namespace
}  // namespace vantrel::test
