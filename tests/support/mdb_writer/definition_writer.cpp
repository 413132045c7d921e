#include "tests/support/mdb_writer/definition_writer.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

#include "tests/support/mdb_writer/byte_order.h"
#include "tests/support/mdb_writer/text_encoding.h"
#include "tests/support/page_image.h"

namespace vantrel::mdbwriter {

namespace {

// Values seen in every Jet 4 file of the corpus where the format notes know no meaning.
constexpr uint32_t kJet4DefinitionTag = 0x659;
constexpr uint32_t kJet4RealIndexTag = 0x783;
constexpr uint32_t kGeneralSortOrder = 0x409;
constexpr uint8_t kUserTable = 0x4E;
constexpr uint8_t kSystemTable = 0x53;
// Column flags.
constexpr uint8_t kFixedFlag = 0x01;
constexpr uint8_t kNullableFlag = 0x02;
constexpr uint8_t kAutoNumberFlag = 0x04;
constexpr uint8_t kSystemColumnFlag = 0x10;
constexpr uint8_t kCompressedTextFlag = 0x01;  // Jet 4: the byte after the flags
constexpr uint8_t kJet4IndexFlag = 0x80;       // set on every Jet 4 real index

class Stream {
 public:
  explicit Stream(size_t size = 0) : bytes_(size, 0) {}
  void put(size_t at, uint64_t value, size_t width) {
    if (at + width > bytes_.size()) bytes_.resize(at + width, 0);
    putLe(std::span(bytes_).subspan(at), value, width);
  }
  void append(uint64_t value, size_t width) { put(bytes_.size(), value, width); }
  void append(const Bytes& more) { bytes_.insert(bytes_.end(), more.begin(), more.end()); }
  size_t size() const { return bytes_.size(); }
  Bytes take() { return std::move(bytes_); }

 private:
  Bytes bytes_;
};

Bytes storedName(const std::string& name, const JetFormat& format, int codePage) {
  return format.isJet4() ? test::utf16Le(utf8ToUtf16(name)) : codePageText(name, codePage);
}

void appendName(Stream& out, const std::string& name, const JetFormat& format, int codePage) {
  const Bytes bytes = storedName(name, format, codePage);
  out.append(bytes.size(), static_cast<size_t>(format.nameLengthSize));
  out.append(bytes);
}

Bytes columnEntry(const ColumnSpec& column, const ColumnLayout& layout, bool system,
                  const JetFormat& format, int codePage) {
  Stream entry(static_cast<size_t>(format.columnEntrySize));
  entry.put(0, static_cast<uint8_t>(column.type), 1);
  if (format.isJet4()) entry.put(1, kJet4DefinitionTag, 4);
  entry.put(static_cast<size_t>(format.columnNumberOffset), static_cast<uint32_t>(layout.number),
            2);
  entry.put(static_cast<size_t>(format.columnVarIndexOffset),
            static_cast<uint32_t>(layout.varIndex), 2);
  entry.put(static_cast<size_t>(format.columnRowNumberOffset), static_cast<uint32_t>(layout.number),
            2);
  if (column.type == ColumnType::kNumeric) {
    entry.put(static_cast<size_t>(format.columnPrecisionOffset),
              static_cast<uint32_t>(column.precision), 1);
    entry.put(static_cast<size_t>(format.columnPrecisionOffset) + 1,
              static_cast<uint32_t>(column.scale), 1);
  } else {
    entry.put(static_cast<size_t>(format.columnSortOrderOffset), kGeneralSortOrder, 2);
    if (format.columnCodePageOffset >= 0) {
      entry.put(static_cast<size_t>(format.columnCodePageOffset), static_cast<uint32_t>(codePage),
                2);
    }
  }
  uint8_t flags = kNullableFlag;
  if (layout.fixed) flags |= kFixedFlag;
  if (column.autoNumber) flags |= kAutoNumberFlag;
  if (system) flags |= kSystemColumnFlag;
  entry.put(static_cast<size_t>(format.columnFlagsOffset), flags, 1);
  const bool textual = column.type == ColumnType::kText || column.type == ColumnType::kMemo;
  if (format.isJet4() && textual && column.compressedText) {
    entry.put(static_cast<size_t>(format.columnFlagsOffset) + 1, kCompressedTextFlag, 1);
  }
  entry.put(static_cast<size_t>(format.columnFixedOffsetOffset),
            static_cast<uint32_t>(layout.fixed ? layout.fixedOffset : 0), 2);
  entry.put(static_cast<size_t>(format.columnSizeOffset), static_cast<uint32_t>(layout.storedSize),
            2);
  return entry.take();
}

// Live columns in the order their entries are written.
std::vector<size_t> entryOrder(const DefinitionShape& shape) {
  std::vector<size_t> order;
  for (size_t i = 0; i < shape.table->columns.size(); ++i) {
    if (!shape.table->columns[i].deleted) order.push_back(i);
  }
  if (shape.alphabeticalEntries) {
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      return asciiLower(shape.table->columns[a].name) < asciiLower(shape.table->columns[b].name);
    });
  }
  return order;
}

template <typename T>
T at(const std::vector<T>& values, size_t i) {
  return i < values.size() ? values[i] : T{};
}

}  // namespace

Bytes definitionStream(const DefinitionShape& shape, const DefinitionFacts& facts,
                       const JetFormat& format) {
  const TableSpec& table = *shape.table;
  const TableLayout& layout = *shape.layout;
  const IndexPlan& indexes = *shape.indexes;
  const auto offset = [](int value) { return static_cast<size_t>(value); };

  Stream out(offset(format.tdefHeaderSize));
  out.put(0, kDefinitionPage, 1);
  out.put(1, 1, 1);
  if (!format.isJet4()) out.put(2, 0x4356, 2);  // "VC"
  if (format.isJet4()) {
    out.put(12, kJet4DefinitionTag, 4);
    out.put(24, 1, 1);  // autonumbers in use
  }
  out.put(offset(format.tdefRowCountOffset), static_cast<uint64_t>(facts.rowCount), 4);
  out.put(offset(format.tdefAutoNumberOffset), static_cast<uint64_t>(facts.autoNumberNext), 4);
  out.put(offset(format.tdefTableTypeOffset), shape.system ? kSystemTable : kUserTable, 1);
  out.put(offset(format.tdefMaxColumnsOffset), static_cast<uint32_t>(layout.columnCount), 2);
  out.put(offset(format.tdefVarColumnsOffset), static_cast<uint32_t>(layout.liveVarColumnCount), 2);
  out.put(offset(format.tdefColumnCountOffset), static_cast<uint32_t>(layout.liveColumnCount), 2);
  out.put(offset(format.tdefIndexCountOffset), indexes.logical.size(), 4);
  out.put(offset(format.tdefRealIndexCountOffset), indexes.real.size(), 4);
  out.put(offset(format.tdefUsageMapOffset), facts.usageMap, 4);
  out.put(offset(format.tdefFreeMapOffset), facts.freeMap, 4);

  for (size_t r = 0; r < indexes.real.size(); ++r) {
    out.append(0, 4);
    out.append(static_cast<uint64_t>(facts.rowCount), 4);
    if (format.isJet4()) out.append(0, 4);
  }
  const std::vector<size_t> order = entryOrder(shape);
  for (size_t i : order) {
    out.append(
        columnEntry(table.columns[i], layout.columns[i], shape.system, format, shape.codePage));
  }
  for (size_t i : order)
    appendName(out, table.columns[i].name, format, shape.codePage);

  for (size_t r = 0; r < indexes.real.size(); ++r) {
    const RealIndex& real = indexes.real[r];
    if (format.isJet4()) out.append(kJet4RealIndexTag, 4);
    for (size_t k = 0; k < 10; ++k) {
      if (k < real.keys.size()) {
        out.append(static_cast<uint32_t>(real.keys[k].columnNumber), 2);
        out.append(real.keys[k].descending ? 0 : 1, 1);
      } else {
        out.append(0xFFFF, 2);
        out.append(0, 1);
      }
    }
    out.append(at(facts.indexMaps, r), 4);
    out.append(static_cast<uint64_t>(at(facts.leafPages, r)), 4);
    if (format.isJet4()) {
      out.append(0, 4);
      out.append(kJet4IndexFlag | real.flags, 1);
      out.append(0, 5);
    } else {
      out.append(real.flags, 1);
    }
  }
  for (size_t l = 0; l < indexes.logical.size(); ++l) {
    const LogicalIndex& logical = indexes.logical[l];
    const bool foreign = logical.type == 2;
    if (format.isJet4()) out.append(kJet4DefinitionTag, 4);
    out.append(l, 4);
    out.append(static_cast<uint32_t>(logical.realIndex), 4);
    out.append(foreign ? 1 : 0, 1);
    out.append(foreign ? 0 : 0xFFFFFFFF, 4);
    out.append(static_cast<uint64_t>(at(facts.referencedTablePages, l)), 4);
    out.append(foreign ? 0 : 4, 1);
    out.append(foreign ? 0 : 4, 1);
    out.append(static_cast<uint32_t>(logical.type), 1);
    if (format.isJet4()) out.append(0, 4);
  }
  for (const LogicalIndex& logical : indexes.logical) {
    appendName(out, logical.name, format, shape.codePage);
  }
  for (const DefinitionFacts::LongValueMaps& maps : facts.longValueMaps) {
    out.append(static_cast<uint32_t>(maps.columnNumber), 2);
    out.append(maps.usageMap, 4);
    out.append(maps.freeMap, 4);
  }
  out.append(0xFFFF, 2);
  out.put(8, out.size(), 4);
  return out.take();
}

int definitionPageCount(size_t length, const JetFormat& format) {
  const auto pageSize = static_cast<size_t>(format.pageSize);
  if (length <= pageSize) return 1;
  const size_t perPage = pageSize - 8;
  return 1 + static_cast<int>((length - pageSize + perPage - 1) / perPage);
}

void writeDefinition(const Bytes& stream, const std::vector<int64_t>& pages,
                     const JetFormat& format, PageFile& file) {
  if (static_cast<int>(pages.size()) != definitionPageCount(stream.size(), format)) {
    throw std::logic_error("definition pages miscounted");
  }
  size_t at = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    test::PageImage page(format.pageSize);
    const int start = i == 0 ? 0 : 8;
    const size_t take = std::min(stream.size() - at, static_cast<size_t>(format.pageSize - start));
    page.putBytes(start, std::span(stream).subspan(at, take));
    at += take;
    page.put8(0, kDefinitionPage).put8(1, 1);
    if (format.isJet4()) {
      // Jet 4 keeps the free space of each definition page, less 8.
      const int used = start + static_cast<int>(take);
      page.put16(2, static_cast<uint32_t>(std::max(0, format.pageSize - used - 8)));
    } else {
      page.put16(2, 0x4356);
    }
    page.put32(4, i + 1 < pages.size() ? static_cast<uint32_t>(pages[i + 1]) : 0);
    file.write(pages[i], page.bytes());
  }
}

}  // namespace vantrel::mdbwriter
