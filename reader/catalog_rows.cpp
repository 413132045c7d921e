#include "reader/catalog_rows.h"

#include <limits>

#include "reader/result_codes.h"
#include "reader/row_reader.h"

namespace vantrel {

namespace {

struct CatalogPositions {
  size_t type;
  size_t id;
  size_t name;
};

constexpr CatalogPositions kJet4Positions{16, 6, 11};
constexpr CatalogPositions kJet3Positions{3, 0, 2};

}  // namespace

int64_t parseLeadingInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  constexpr int64_t kLimit = std::numeric_limits<int64_t>::max() / 10;
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value > kLimit) return negative ? std::numeric_limits<int64_t>::min()
                                        : std::numeric_limits<int64_t>::max();
    value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

CatalogRow parseCatalogRow(const TableDefinition& catalog, int formatVersion) {
  const CatalogPositions& at = formatVersion == 1 ? kJet4Positions : kJet3Positions;
  CatalogRow row;
  row.typeValue = static_cast<int>(parseLeadingInteger(catalog.columnText(at.type)));
  row.objectType = row.typeValue & 0x7F;
  row.objectId = parseLeadingInteger(catalog.columnText(at.id));
  row.name = catalog.columnText(at.name);
  return row;
}

std::vector<CatalogRow> readCatalogRows(SourceDatabase& db) {
  std::vector<CatalogRow> rows;
  auto catalog = readTableDefinition(db, {.name = "", .objectType = 0, .tdefPage = kCatalogTdefPage});
  if (!catalog) return rows;
  readColumns(db, *catalog);
  if (catalog->columns.empty()) return rows;
  catalog->resetRowCursor();
  while (fetchRow(db, *catalog) == kResultDone) {
    rows.push_back(parseCatalogRow(*catalog, db.formatVersion()));
  }
  return rows;
}

}  // namespace vantrel
