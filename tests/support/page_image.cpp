#include "tests/support/page_image.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace vantrel::test {

void PageImage::check(int pos, size_t count) const {
  if (pos < 0 || static_cast<size_t>(pos) + count > bytes_.size()) {
    throw std::out_of_range("page image write at " + std::to_string(pos));
  }
}

PageImage& PageImage::put8(int pos, uint32_t value) {
  check(pos, 1);
  bytes_[static_cast<size_t>(pos)] = static_cast<uint8_t>(value);
  return *this;
}

PageImage& PageImage::put16(int pos, uint32_t value) {
  check(pos, 2);
  for (int i = 0; i < 2; ++i)
    bytes_[static_cast<size_t>(pos + i)] = static_cast<uint8_t>(value >> (8 * i));
  return *this;
}

PageImage& PageImage::put24(int pos, uint32_t value) {
  check(pos, 3);
  for (int i = 0; i < 3; ++i)
    bytes_[static_cast<size_t>(pos + i)] = static_cast<uint8_t>(value >> (8 * i));
  return *this;
}

PageImage& PageImage::put32(int pos, uint32_t value) {
  check(pos, 4);
  for (int i = 0; i < 4; ++i)
    bytes_[static_cast<size_t>(pos + i)] = static_cast<uint8_t>(value >> (8 * i));
  return *this;
}

PageImage& PageImage::putDouble(int pos, double value) {
  const auto bits = std::bit_cast<uint64_t>(value);
  put32(pos, static_cast<uint32_t>(bits));
  return put32(pos + 4, static_cast<uint32_t>(bits >> 32));
}

PageImage& PageImage::putBytes(int pos, std::span<const uint8_t> data) {
  check(pos, data.size());
  if (data.empty()) return *this;  // an empty span may have no storage at all
  std::memcpy(bytes_.data() + pos, data.data(), data.size());
  return *this;
}

PageImage& PageImage::fill(uint8_t value) {
  std::fill(bytes_.begin(), bytes_.end(), value);
  return *this;
}

FileImage::FileImage(int formatVersion, int pageCount) : formatVersion_(formatVersion) {
  for (int i = 0; i < pageCount; ++i)
    pages_.emplace_back(pageSize());
  if (pageCount > 0) {
    static constexpr std::string_view kSignature = "Standard Jet DB";
    PageImage& header = pages_[0];
    header.put32(0, 0x100);
    header.putBytes(
        4, std::span(reinterpret_cast<const uint8_t*>(kSignature.data()), kSignature.size()));
    header.put32(0x14, static_cast<uint32_t>(formatVersion));
  }
}

PageImage& FileImage::page(int n) {
  while (static_cast<int>(pages_.size()) <= n)
    pages_.emplace_back(pageSize());
  return pages_[static_cast<size_t>(n)];
}

std::vector<uint8_t> FileImage::bytes() const {
  std::vector<uint8_t> all;
  for (const PageImage& p : pages_)
    all.insert(all.end(), p.bytes().begin(), p.bytes().end());
  return all;
}

void FileImage::write(const std::filesystem::path& path) const {
  // Pages of zeros are left as holes, so that files of many pages stay cheap.
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (size_t i = 0; i < pages_.size(); ++i) {
      const auto page = pages_[i].bytes();
      if (std::all_of(page.begin(), page.end(), [](uint8_t b) { return b == 0; })) continue;
      out.seekp(static_cast<std::streamoff>(i * page.size()));
      out.write(reinterpret_cast<const char*>(page.data()),
                static_cast<std::streamsize>(page.size()));
    }
    if (!out) throw std::runtime_error("cannot write " + path.string());
  }
  std::filesystem::resize_file(path, pages_.size() * static_cast<size_t>(pageSize()));
}

std::vector<int> writeRowPage(PageImage& page, const JetFormat& layout, int64_t owner,
                              const std::vector<RowSpec>& rows, uint8_t pageType) {
  page.put8(0, pageType).put8(1, 1).put32(4, static_cast<uint32_t>(owner));
  page.put16(layout.rowCountOffset, static_cast<uint32_t>(rows.size()));
  std::vector<int> offsets;
  int end = page.size();
  for (size_t r = 0; r < rows.size(); ++r) {
    const int start = end - static_cast<int>(rows[r].bytes.size());
    page.putBytes(start, rows[r].bytes);
    const uint32_t entry = static_cast<uint32_t>(start) | (rows[r].deleted ? 0x4000u : 0u);
    page.put16(layout.rowCountOffset + 2 + 2 * static_cast<int>(r), entry);
    offsets.push_back(start);
    end = start;
  }
  return offsets;
}

std::vector<uint8_t> utf16Le(std::u16string_view text) {
  std::vector<uint8_t> bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<uint8_t>(unit >> 8));
  }
  return bytes;
}

std::vector<uint8_t> compressedJet4(std::string_view latin1) {
  std::vector<uint8_t> bytes(latin1.size() + 2);
  bytes[0] = 0xFF;
  bytes[1] = 0xFE;
  std::copy(latin1.begin(), latin1.end(), bytes.begin() + 2);
  return bytes;
}

namespace {

std::vector<uint8_t> storedName(int formatVersion, const TdefColumn& column) {
  if (column.rawName) return *column.rawName;
  if (formatVersion == 1) {
    std::u16string wide(column.name.begin(), column.name.end());
    return utf16Le(wide);
  }
  return {column.name.begin(), column.name.end()};
}

// Appends little-endian bytes.
void appendLe(std::vector<uint8_t>& out, uint64_t value, int width) {
  for (int i = 0; i < width; ++i)
    out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

int writeTableDefinition(FileImage& file, int firstPage, const std::vector<int>& continuationPages,
                         const TdefSpec& spec) {
  const JetFormat& layout = file.layout();
  const bool jet4 = file.formatVersion() == 1;
  const int columnCount = spec.columnCountOverride.value_or(static_cast<int>(spec.columns.size()));

  // The definition as one stream of bytes, as if the page had no end.
  std::vector<uint8_t> stream(static_cast<size_t>(layout.tdefColumnsStartOffset), 0);
  auto putAt = [&](int pos, uint64_t value, int width) {
    for (int i = 0; i < width; ++i)
      stream[static_cast<size_t>(pos + i)] = static_cast<uint8_t>(value >> (8 * i));
  };
  stream[0] = 2;
  stream[1] = 1;
  if (!jet4) putAt(2, 0x4356, 2);  // "VC"
  putAt(layout.tdefRowCountOffset, static_cast<uint64_t>(spec.rowCount), 4);
  putAt(layout.tdefColumnCountOffset, static_cast<uint32_t>(columnCount), 2);
  putAt(layout.tdefIndexCountOffset, static_cast<uint32_t>(spec.indexCount), 4);
  putAt(layout.tdefRealIndexCountOffset, static_cast<uint32_t>(spec.realIndexCount), 4);
  putAt(layout.tdefUsageMapOffset, static_cast<uint32_t>(spec.usageMapRow), 1);
  putAt(layout.tdefUsageMapOffset + 1, static_cast<uint32_t>(spec.usageMapPage), 3);
  putAt(layout.tdefFreeMapOffset, static_cast<uint32_t>(spec.freeMapRow), 1);
  putAt(layout.tdefFreeMapOffset + 1, static_cast<uint32_t>(spec.freeMapPage), 3);
  stream.resize(
      stream.size() + static_cast<size_t>(spec.realIndexCount * layout.realIndexEntrySize), 0);

  for (const TdefColumn& column : spec.columns) {
    std::vector<uint8_t> entry(static_cast<size_t>(layout.columnEntrySize), 0);
    auto put = [&](int pos, uint32_t value, int width) {
      for (int i = 0; i < width; ++i)
        entry[static_cast<size_t>(pos + i)] = static_cast<uint8_t>(value >> (8 * i));
    };
    put(0, static_cast<uint32_t>(column.type), 1);
    put(layout.columnNumberOffset, static_cast<uint32_t>(column.number), 1);
    put(layout.columnVarIndexOffset, static_cast<uint32_t>(column.varIndex), 2);
    put(layout.columnRowNumberOffset, static_cast<uint32_t>(column.number), 2);
    put(layout.columnFixedFlagOffset, column.fixed ? 1u : 0u, 1);
    put(layout.columnFixedOffsetOffset, static_cast<uint32_t>(column.fixedOffset), 2);
    put(layout.columnSizeOffset, static_cast<uint32_t>(column.size), 2);
    if (column.type == 16) {
      put(11, static_cast<uint32_t>(column.precision), 1);
      put(12, static_cast<uint32_t>(column.scale), 1);
    }
    stream.insert(stream.end(), entry.begin(), entry.end());
  }
  for (const TdefColumn& column : spec.columns) {
    const auto name = storedName(file.formatVersion(), column);
    const int length = column.rawNameLength.value_or(static_cast<int>(name.size()));
    appendLe(stream, static_cast<uint32_t>(length), jet4 ? 2 : 1);
    stream.insert(stream.end(), name.begin(), name.end());
  }
  stream.insert(stream.end(), spec.indexSection.begin(), spec.indexSection.end());

  // Lay the stream over the pages: the first page whole, each continuation from offset 8.
  const int pageSize = layout.pageSize;
  std::vector<int> pages{firstPage};
  pages.insert(pages.end(), continuationPages.begin(), continuationPages.end());
  size_t at = 0;
  int used = 0;
  for (size_t i = 0; i < pages.size() && at < stream.size(); ++i) {
    PageImage& page = file.page(pages[i]);
    const int dataStart = i == 0 ? 0 : 8;
    const size_t take = std::min(stream.size() - at, static_cast<size_t>(pageSize - dataStart));
    page.putBytes(dataStart, std::span(stream).subspan(at, take));
    if (i > 0) {
      page.put8(0, 2).put8(1, 1);
      if (!jet4) page.put16(2, 0x4356);
    }
    at += take;
    ++used;
    const uint32_t next =
        at < stream.size() && i + 1 < pages.size() ? static_cast<uint32_t>(pages[i + 1]) : 0;
    page.put32(4, next);
  }
  if (at < stream.size()) throw std::length_error("table definition needs more pages");
  // Jet 4 keeps the definition's length at offset 8, Jet 3 the page's free space.
  PageImage& first = file.page(firstPage);
  if (jet4) {
    first.put32(8, static_cast<uint32_t>(stream.size()));
  } else {
    first.put16(8, static_cast<uint32_t>(
                       std::max<int64_t>(0, pageSize - static_cast<int64_t>(stream.size()))));
  }
  return used;
}

std::vector<uint8_t> inlineUsageMap(int firstPage, const std::vector<int>& pages) {
  std::vector<uint8_t> map{0};
  appendLe(map, static_cast<uint32_t>(firstPage), 4);
  for (int p : pages) {
    const size_t bit = static_cast<size_t>(p - firstPage);
    if (map.size() <= 5 + bit / 8) map.resize(5 + bit / 8 + 1, 0);
    map[5 + bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
  }
  return map;
}

std::vector<uint8_t> pageListUsageMap(const std::vector<int>& bitmapPages) {
  std::vector<uint8_t> map{1};
  for (int p : bitmapPages)
    appendLe(map, static_cast<uint32_t>(p), 4);
  return map;
}

}  // namespace vantrel::test
