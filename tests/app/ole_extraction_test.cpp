// OLE Object values handed out as files: the payloads of real databases' wrappers, the names
// the files get, and wrappers cut or changed anywhere.

#include "app/ole_extraction.h"

#include <gtest/gtest.h>

#include <fstream>

#include "app/object_listing.h"
#include "app/object_tree.h"
#include "reader/ole_payload.h"
#include "tests/support/corpus.h"
#include "tests/support/temp_dir.h"

namespace vantrel {
namespace {

std::vector<uint8_t> fileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::optional<OleExtraction> extract(const std::filesystem::path& source, const std::string& table,
                                     const std::filesystem::path& folder) {
  SilentRunHooks hooks;
  RunState run(hooks);
  const auto objects = listCatalogObjects(source.string(), run);
  if (!objects) return std::nullopt;
  const auto* entry = findTableEntry(*objects, table);
  if (entry == nullptr) return std::nullopt;
  auto extracted = extractOleObjects(run, source.string(), entry->objectId, table, folder);
  if (!extracted) return std::nullopt;
  return std::move(*extracted);
}

std::filesystem::path corpusFile(const std::string& stem) {
  for (const auto& file : test::corpusFiles()) {
    if (file.stem == stem) return file.path;
  }
  return {};
}

TEST(OleExtractionTest, PicturesAndPackagedFilesComeOutWhole) {
  VANTREL_REQUIRE_CORPUS();
  test::TempDir folder;
  // Paint pictures: the bitmap inside, one file per row, named by the key.
  const auto pictures = extract(corpusFile("gabriellogue-Northwind"), "Categories", folder.path());
  ASSERT_TRUE(pictures);
  ASSERT_EQ(pictures->written.size(), 8U);
  EXPECT_TRUE(pictures->failures.empty());
  EXPECT_EQ(pictures->written[0].file.filename(), "Categories_1_Picture.bmp");
  const auto bitmap = fileBytes(pictures->written[0].file);
  ASSERT_EQ(bitmap.size(), 10656U);
  EXPECT_EQ(bitmap[0], 'B');
  EXPECT_EQ(bitmap[1], 'M');

  // A package: the dropped file's own bytes, with its own extension.
  const auto packages =
      extract(corpusFile("nodeadodb-node-adodb-r8603041"), "Users", folder.path());
  ASSERT_TRUE(packages);
  ASSERT_FALSE(packages->written.empty());
  EXPECT_EQ(packages->written[0].file.extension(), ".jpg");
  const auto jpeg = fileBytes(packages->written[0].file);
  ASSERT_GT(jpeg.size(), 3U);
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);

  // A second run keeps the first one's files and numbers its own.
  const auto again = extract(corpusFile("gabriellogue-Northwind"), "Categories", folder.path());
  ASSERT_TRUE(again);
  EXPECT_EQ(again->written[0].file.filename(), "Categories_1_Picture~2.bmp");
  EXPECT_EQ(fileBytes(folder / "Categories_1_Picture.bmp"), bitmap);
}

TEST(OleExtractionTest, NamesStayInsideTheFolder) {
  EXPECT_EQ(oleFileName("../Orders", "a/b\\c", "Pic:ture*", ".bmp"),
            "_.._Orders_a_b_c_Pic_ture_.bmp");
  EXPECT_EQ(oleFileName("..", ".", "x", ".bin"), "_.._._x.bin");
  EXPECT_EQ(oleFileName("T", std::string("k\0\n", 3), "C", ".png"), "T_k___C.png");
  EXPECT_LE(oleFileName(std::string(500, 'x'), std::string(500, 'y'), "C", ".bin").size(), 130U);
}

TEST(OleExtractionTest, DamagedWrappersGiveNothingOrTheirBytes) {
  VANTREL_REQUIRE_CORPUS();
  test::TempDir folder;
  const auto packages =
      extract(corpusFile("nodeadodb-node-adodb-r8603041"), "Users", folder.path());
  ASSERT_TRUE(packages);
  ASSERT_FALSE(packages->written.empty());
  // The stored field, wrapper and all, as the column holds it.
  const auto payload = fileBytes(packages->written[0].file);
  std::vector<uint8_t> wrapper{0x15, 0x1C, 0x14, 0x00, 0, 0, 0, 0, 0, 0,
                               0,    0,    0,    0,    0, 0, 0, 0, 0, 0};
  const std::vector<uint8_t> ole1{1,   5,   0,   0,   2,   0, 0, 0, 8, 0, 0, 0, 'P', 'a',
                                  'c', 'k', 'a', 'g', 'e', 0, 0, 0, 0, 0, 0, 0, 0,   0};
  std::vector<uint8_t> package{2, 0, 'a', '.', 'j', 'p', 'g', 0, 'a', 0, 0, 0, 3, 0, 1, 0, 0, 0, 0};
  const auto size = static_cast<uint32_t>(payload.size());
  for (int shift = 0; shift < 32; shift += 8)
    package.push_back(static_cast<uint8_t>(size >> shift));
  package.insert(package.end(), payload.begin(), payload.end());
  std::vector<uint8_t> field = wrapper;
  field.insert(field.end(), ole1.begin(), ole1.end());
  const auto nativeSize = static_cast<uint32_t>(package.size());
  for (int shift = 0; shift < 32; shift += 8)
    field.push_back(static_cast<uint8_t>(nativeSize >> shift));
  field.insert(field.end(), package.begin(), package.end());

  const auto whole = olePayload(field);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->bytes, payload);
  EXPECT_EQ(whole->fileName, "a.jpg");
  // Cut anywhere before its end the package no longer holds together; what comes out is
  // never more than the field held.
  for (size_t cut = 0; cut < field.size(); cut += cut < 200 ? 1 : 4999) {
    const auto part = olePayload(std::span(field).first(cut));
    if (part) {
      EXPECT_LE(part->bytes.size(), cut);
    }
  }
  for (size_t at = 0; at < 80; ++at) {
    for (const uint8_t changed : {uint8_t{0}, uint8_t{0xFF}}) {
      auto bytes = field;
      bytes[at] = changed;
      const auto part = olePayload(bytes);
      if (part) {
        EXPECT_LE(part->bytes.size(), field.size() + 14);
      }
    }
  }
}

}  // namespace
}  // namespace vantrel
