#include "tests/support/mdb_writer/table_writer.h"

#include "tests/support/mdb_writer/byte_order.h"

#include <array>
#include <stdexcept>
#include <string>

namespace vantrel::mdbwriter {

namespace {

// Room for a whole row, so that it is laid out without reallocations.
Bytes rowBuffer(const Bytes& fixedArea, const std::vector<Bytes>& variable, const Bytes& mask) {
  size_t size = 2 + fixedArea.size() + mask.size() + 2 * variable.size() + 8;
  for (const Bytes& value : variable)
    size += value.size();
  Bytes row;
  row.reserve(size + size / 128);  // Jet 3 jump entries
  return row;
}

}  // namespace

TableWriter::TableWriter(const JetFormat& format, PageFile& file, int codePage,
                         const TableSpec& table, const TableLayout& layout, int64_t definitionPage)
    : format_(format),
      file_(file),
      table_(table),
      layout_(layout),
      encoder_(format, codePage),
      current_(format, static_cast<uint32_t>(definitionPage)) {
  for (const ColumnLayout& column : layout.columns) {
    longValues_.push_back(column.longValue ? std::make_unique<LongValueColumn>(format, file)
                                           : nullptr);
  }
}

Bytes TableWriter::encodeRow(const Row& row) {
  if (row.values.size() != table_.columns.size()) {
    throw std::invalid_argument("table \"" + table_.name + "\": a row has " +
                                std::to_string(row.values.size()) + " values for " +
                                std::to_string(table_.columns.size()) + " columns");
  }
  Bytes fixedArea(static_cast<size_t>(layout_.fixedAreaSize), 0);
  std::vector<Bytes> variable(static_cast<size_t>(layout_.varColumnCount));
  Bytes nullMask(static_cast<size_t>((layout_.columnCount + 7) / 8), 0);
  for (size_t i = 0; i < table_.columns.size(); ++i) {
    const ColumnSpec& column = table_.columns[i];
    const ColumnLayout& place = layout_.columns[i];
    const Value& value = row.values[i];
    const auto setBit = [&] {
      nullMask[static_cast<size_t>(place.number / 8)] |=
          static_cast<uint8_t>(1u << (place.number % 8));
    };
    if (column.type == ColumnType::kBoolean) {
      // A boolean is its null-mask bit; Access has no null booleans, so null reads false.
      if (isNull(value)) continue;
      const bool* flag = std::get_if<bool>(&value);
      if (flag == nullptr) {
        throw std::invalid_argument("column \"" + column.name + "\" (boolean): not a bool");
      }
      if (*flag) setBit();
      continue;
    }
    if (isNull(value)) continue;
    setBit();
    if (place.fixed) {
      encoder_.encodeFixed(value, column,
                           std::span(fixedArea).subspan(static_cast<size_t>(place.fixedOffset),
                                                        static_cast<size_t>(place.fixedSize)));
      if (column.autoNumber) {
        autoNumberNext_ = std::max(autoNumberNext_, std::get<int64_t>(value) + 1);
      }
    } else if (place.longValue) {
      variable[static_cast<size_t>(place.varIndex)] =
          longValues_[i]->store(encoder_.encodeLongValue(value, column), column.longValues);
    } else {
      variable[static_cast<size_t>(place.varIndex)] = encoder_.encodeVariable(value, column);
    }
  }
  return format_.isJet4() ? assembleJet4(fixedArea, variable, nullMask)
                          : assembleJet3(fixedArea, variable, nullMask);
}

Bytes TableWriter::assembleJet4(const Bytes& fixedArea, const std::vector<Bytes>& variable,
                                const Bytes& nullMask) const {
  Bytes row = rowBuffer(fixedArea, variable, nullMask);
  appendLe(row, static_cast<uint32_t>(layout_.columnCount), 2);
  row.insert(row.end(), fixedArea.begin(), fixedArea.end());
  // A table without variable columns has no offset table (as Access writes it).
  if (!variable.empty()) {
    std::vector<size_t> offsets;
    for (const Bytes& value : variable) {
      offsets.push_back(row.size());
      row.insert(row.end(), value.begin(), value.end());
    }
    appendLe(row, row.size(), 2);  // where the variable data ends
    for (size_t i = offsets.size(); i-- > 0;)
      appendLe(row, offsets[i], 2);
    appendLe(row, variable.size(), 2);
  }
  row.insert(row.end(), nullMask.begin(), nullMask.end());
  return row;
}

Bytes TableWriter::assembleJet3(const Bytes& fixedArea, const std::vector<Bytes>& variable,
                                const Bytes& nullMask) const {
  Bytes row = rowBuffer(fixedArea, variable, nullMask);
  row.push_back(static_cast<uint8_t>(layout_.columnCount));
  row.insert(row.end(), fixedArea.begin(), fixedArea.end());
  if (variable.empty()) {
    row.insert(row.end(), nullMask.begin(), nullMask.end());
    return row;
  }
  // Offsets are single bytes; the jump table names, for each 256-byte boundary of the row,
  // the first offset at or beyond it.
  std::vector<size_t> offsets;
  for (const Bytes& value : variable) {
    offsets.push_back(row.size());
    row.insert(row.end(), value.begin(), value.end());
  }
  const size_t dataEnd = row.size();
  offsets.push_back(dataEnd);
  size_t jumps = 0;
  for (;;) {
    const size_t length = dataEnd + offsets.size() + jumps + 1 + nullMask.size();
    const size_t needed = (length - 1) / 256;
    if (needed == jumps) break;
    jumps = needed;
  }
  const size_t realJumps = dataEnd / 256;
  if (jumps > realJumps + 1) {
    throw std::invalid_argument("table \"" + table_.name +
                                "\": a Jet 3 row with this many variable columns cannot be read");
  }
  std::vector<uint8_t> jumpTable;
  for (size_t k = 1; k <= jumps; ++k) {
    size_t first = 0;
    while (first < offsets.size() && offsets[first] < 256 * k)
      ++first;
    if (k > realJumps) {
      jumpTable.push_back(0xFF);  // the unused last entry
      continue;
    }
    if (!jumpTable.empty() && jumpTable.back() == first) {
      // The format would allow it, but peer readers (mdbtools) misread such rows.
      throw std::invalid_argument("table \"" + table_.name +
                                  "\": a Jet 3 row whose variable data skips a 256-byte "
                                  "boundary (fixed columns or one value over 256 bytes)");
    }
    jumpTable.push_back(static_cast<uint8_t>(first));
  }
  for (size_t i = offsets.size(); i-- > 0;)
    row.push_back(static_cast<uint8_t>(offsets[i] & 0xFF));
  for (size_t k = jumpTable.size(); k-- > 0;)
    row.push_back(jumpTable[k]);
  row.push_back(static_cast<uint8_t>(variable.size()));
  row.insert(row.end(), nullMask.begin(), nullMask.end());
  return row;
}

void TableWriter::add(const Row& row) {
  const Bytes bytes = encodeRow(row);
  if (static_cast<int>(bytes.size()) > current_.capacity()) {
    throw std::invalid_argument("table \"" + table_.name + "\": a row of " +
                                std::to_string(bytes.size()) + " bytes does not fit a page");
  }
  if (currentPage_ >= 0 && !current_.fits(bytes.size())) flush();
  if (currentPage_ < 0) startPage();
  if (row.moved) {
    const int at = current_.addFlagged(bytes, 0x8000u);
    pendingPointers_.push_back({currentPage_, at, row.deleted});
  } else {
    current_.add(bytes, row.deleted);
  }
  (row.deleted ? deletedRowCount_ : rowCount_) += 1;
}

void TableWriter::startPage() {
  currentPage_ = file_.allocate();
  dataPages_.add(currentPage_);
  if (pendingPointers_.empty()) return;
  // The pointers of the rows moved onto the page before: (row, page) in four bytes.
  for (const PendingPointer& pointer : pendingPointers_) {
    const auto value =
        static_cast<uint32_t>(pointer.page) << 8 | static_cast<uint32_t>(pointer.row);
    const std::array<uint8_t, 4> bytes{
        static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
        static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    current_.addFlagged(bytes, pointer.deleted ? 0xC000u : 0x4000u);
  }
  pendingPointers_.clear();
}

void TableWriter::flush() {
  if (currentPage_ < 0) return;
  pageWithRoom_ = current_.freeSpace() > 64 ? std::optional(currentPage_) : std::nullopt;
  file_.write(currentPage_, current_.image().bytes());
  current_.clear();
  currentPage_ = -1;
}

void TableWriter::finish() {
  if (!pendingPointers_.empty()) {
    flush();
    startPage();
  }
  flush();
  for (auto& column : longValues_) {
    if (column) column->finish();
  }
}

}  // namespace vantrel::mdbwriter
