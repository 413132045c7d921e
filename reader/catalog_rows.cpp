#include "reader/catalog_rows.h"

#include <limits>

#include "reader/row_reader.h"
#include "run/result_codes.h"

namespace vantrel {

namespace {

struct CatalogPositions {
  size_t type;
  size_t id;
  size_t name;
  size_t flags;
};

constexpr CatalogPositions kJet4Positions{16, 6, 11, 4};
constexpr CatalogPositions kJet3Positions{3, 0, 2, 7};

}  // namespace

bool isSystemTable(int64_t tdefPage, int64_t flags) {
  return (tdefPage >= 0 && tdefPage <= kLastSystemTdefPage) || (flags & kSystemObjectFlags) != 0;
}

int64_t parseLeadingInteger(std::string_view text) {
  size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r')))
    ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  int64_t value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    const int digit = text[at] - '0';
    if (value > (kMax - digit) / 10) {
      value = kMax;
      break;
    }
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

CatalogRow parseCatalogRow(const RowCursor& catalog, const SourceDatabase& db) {
  const CatalogPositions& at = db.isJet4() ? kJet4Positions : kJet3Positions;
  CatalogRow row;
  row.typeValue = static_cast<int>(parseLeadingInteger(catalog.columnText(at.type)));
  row.objectType = row.typeValue & 0x7F;
  row.objectId = parseLeadingInteger(catalog.columnText(at.id));
  row.flags = parseLeadingInteger(catalog.columnText(at.flags));
  row.name = catalog.columnText(at.name);
  if (at.name < catalog.fieldSlots.size()) {
    const FieldSlot& slot = catalog.fieldSlots[at.name];
    const auto page = catalog.dataPage.bytes();
    if (!slot.isNull && slot.size > 0 && slot.start > 0 &&
        static_cast<size_t>(slot.start) + static_cast<size_t>(slot.size) <= page.size()) {
      row.name = db.decodeName(
          page.subspan(static_cast<size_t>(slot.start), static_cast<size_t>(slot.size)));
    }
  }
  return row;
}

std::vector<CatalogRow> readCatalogRows(SourceDatabase& db) {
  std::vector<CatalogRow> rows;
  auto catalog = openTable(db, {.name = "", .objectType = 0, .tdefPage = kCatalogTdefPage});
  if (!catalog) return rows;
  while (fetchRow(db, catalog->definition, catalog->cursor) == RunResult::kDone) {
    rows.push_back(parseCatalogRow(catalog->cursor, db));
  }
  return rows;
}

}  // namespace vantrel
