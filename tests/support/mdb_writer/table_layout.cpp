#include "tests/support/mdb_writer/table_layout.h"

#include <set>
#include <stdexcept>

#include "tests/support/mdb_writer/byte_order.h"
#include "tests/support/mdb_writer/text_encoding.h"

namespace vantrel::mdbwriter {

namespace {

constexpr int kMaxNameLength = 64;
constexpr size_t kMaxColumns = 255;  // what Access allows; a Jet 3 row counts them in a byte

int storedSizeOf(const ColumnSpec& column, const JetFormat& format) {
  const std::string where = "column \"" + column.name + "\": ";
  switch (column.type) {
    case ColumnType::kText: {
      const int characters = column.size == 0 ? 255 : column.size;
      if (characters < 1 || characters > 255) {
        throw std::invalid_argument(where + "text size must be 1 to 255 characters");
      }
      return format.isJet4() ? characters * 2 : characters;
    }
    case ColumnType::kBinary: {
      const int bytes = column.size == 0 ? 255 : column.size;
      if (bytes < 1 || bytes > (format.isJet4() ? 510 : 255)) {
        throw std::invalid_argument(where + "binary size out of range");
      }
      return bytes;
    }
    case ColumnType::kMemo:
    case ColumnType::kOle:
      return 0;
    case ColumnType::kBoolean:
      return 1;
    default:
      return fixedSizeOf(column.type);
  }
}

}  // namespace

int fixedSizeOf(ColumnType type) {
  switch (type) {
    case ColumnType::kByte:
      return 1;
    case ColumnType::kInteger:
      return 2;
    case ColumnType::kLong:
    case ColumnType::kSingle:
      return 4;
    case ColumnType::kCurrency:
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
      return 8;
    case ColumnType::kGuid:
      return 16;
    case ColumnType::kNumeric:
      return 17;
    default:
      return 0;
  }
}

bool isVariable(ColumnType type) {
  return type == ColumnType::kText || type == ColumnType::kBinary || isLongValue(type);
}

bool isLongValue(ColumnType type) {
  return type == ColumnType::kMemo || type == ColumnType::kOle;
}

TableLayout layoutTable(const TableSpec& table, const JetFormat& format) {
  if (table.columns.empty()) {
    throw std::invalid_argument("table \"" + table.name + "\" has no columns");
  }
  if (table.columns.size() > kMaxColumns) {
    throw std::invalid_argument("table \"" + table.name + "\" has more than 255 columns");
  }
  TableLayout layout;
  std::set<std::string> names;
  int varColumnsSoFar = 0;
  for (const ColumnSpec& column : table.columns) {
    if (column.name.empty() || utf16Length(column.name) > kMaxNameLength) {
      throw std::invalid_argument("table \"" + table.name + "\": a column name is empty or long");
    }
    if (!names.insert(asciiLower(column.name)).second) {
      throw std::invalid_argument("table \"" + table.name + "\": column \"" + column.name +
                                  "\" appears twice");
    }
    if (column.type == ColumnType::kNumeric &&
        (column.precision < 1 || column.precision > 28 || column.scale < 0 ||
         column.scale > column.precision)) {
      throw std::invalid_argument("column \"" + column.name + "\": bad precision or scale");
    }
    if (column.autoNumber && column.type != ColumnType::kLong) {
      throw std::invalid_argument("column \"" + column.name + "\": only long integers count");
    }
    ColumnLayout entry;
    entry.number = layout.columnCount++;
    entry.fixed = !isVariable(column.type);
    entry.longValue = isLongValue(column.type);
    entry.storedSize = storedSizeOf(column, format);
    if (entry.fixed) {
      entry.varIndex = varColumnsSoFar;
      entry.fixedSize = fixedSizeOf(column.type);
      entry.fixedOffset = column.type == ColumnType::kBoolean ? 0 : layout.fixedAreaSize;
      layout.fixedAreaSize += entry.fixedSize;
    } else {
      entry.varIndex = layout.varColumnCount++;
      ++varColumnsSoFar;
      if (!column.deleted) ++layout.liveVarColumnCount;
    }
    if (!column.deleted) ++layout.liveColumnCount;
    layout.columns.push_back(entry);
  }
  if (layout.liveColumnCount == 0) {
    throw std::invalid_argument("table \"" + table.name + "\" has only deleted columns");
  }
  return layout;
}

}  // namespace vantrel::mdbwriter
