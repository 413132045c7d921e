#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reader/jet_format.h"

namespace vantrel::test {

// One page built byte by byte. Writes outside the page are a test error and throw.
class PageImage {
 public:
  explicit PageImage(int pageSize) : bytes_(static_cast<size_t>(pageSize)) {}

  int size() const { return static_cast<int>(bytes_.size()); }
  std::span<uint8_t> bytes() { return bytes_; }
  std::span<const uint8_t> bytes() const { return bytes_; }

  PageImage& put8(int pos, uint32_t value);
  PageImage& put16(int pos, uint32_t value);
  PageImage& put24(int pos, uint32_t value);
  PageImage& put32(int pos, uint32_t value);
  PageImage& putDouble(int pos, double value);
  PageImage& putBytes(int pos, std::span<const uint8_t> data);
  PageImage& fill(uint8_t value);

 private:
  void check(int pos, size_t count) const;
  std::vector<uint8_t> bytes_;
};

// A whole database file assembled page by page. Page 0 carries a Jet header whose version
// field says `formatVersion`.
class FileImage {
 public:
  FileImage(int formatVersion, int pageCount);

  int formatVersion() const { return formatVersion_; }
  const JetFormat& layout() const { return jetFormatFor(static_cast<JetVersion>(formatVersion_)); }
  int pageSize() const { return layout().pageSize; }
  int pageCount() const { return static_cast<int>(pages_.size()); }

  // The page n; the file grows to hold it.
  PageImage& page(int n);
  std::vector<uint8_t> bytes() const;
  void write(const std::filesystem::path& path) const;

 private:
  int formatVersion_;
  std::vector<PageImage> pages_;
};

// Row page: rows laid out from the end of the page downwards, row 0 last in the page.
struct RowSpec {
  std::vector<uint8_t> bytes;
  bool deleted = false;
};
// Writes a page holding `rows` (type byte 1 for data pages). Returns each row's offset.
std::vector<int> writeRowPage(PageImage& page, const JetFormat& layout, int64_t owner,
                              const std::vector<RowSpec>& rows, uint8_t pageType = 1);

// The u16 at `pos` of a page image.
inline uint32_t u16Of(const PageImage& page, int pos) {
  const auto bytes = page.bytes();
  return bytes[static_cast<size_t>(pos)] |
         static_cast<uint32_t>(bytes[static_cast<size_t>(pos) + 1]) << 8;
}

// Names as a Jet 4 definition stores them.
std::vector<uint8_t> utf16Le(std::u16string_view text);
std::vector<uint8_t> compressedJet4(std::string_view latin1);

struct TdefColumn {
  std::string name;  // stored as UTF-16 (Jet 4) or as bytes (Jet 3) unless rawName is given
  int type = 4;
  int size = 4;
  bool fixed = true;
  int number = 0;
  int varIndex = 0;
  int fixedOffset = 0;
  int precision = 0;
  int scale = 0;
  std::optional<std::vector<uint8_t>> rawName;  // the name's bytes after the length field
  std::optional<int> rawNameLength;             // a length field that lies
};

struct TdefSpec {
  int64_t rowCount = 0;
  std::vector<TdefColumn> columns;
  int indexCount = 0;
  int realIndexCount = 0;
  // Bytes after the column names: real index entries, logical entries, index names.
  std::vector<uint8_t> indexSection;
  int usageMapRow = 0;
  int usageMapPage = 0;
  int freeMapRow = 0;
  int freeMapPage = 0;
  std::optional<int> columnCountOverride;
};

// Writes a table definition on `firstPage`, continued on `continuationPages` in order when
// it does not fit one page. Returns the number of pages used.
int writeTableDefinition(FileImage& file, int firstPage, const std::vector<int>& continuationPages,
                         const TdefSpec& spec);

// Usage maps: an inline bitmap (type 0) from `firstPage`, or a page list (type 1).
std::vector<uint8_t> inlineUsageMap(int firstPage, const std::vector<int>& pages);
std::vector<uint8_t> pageListUsageMap(const std::vector<int>& bitmapPages);

}  // namespace vantrel::test
