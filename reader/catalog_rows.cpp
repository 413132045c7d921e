#include "reader/catalog_rows.h"

#include "reader/row_reader.h"

namespace vantrel {

namespace {

struct CatalogPositions {
  size_t type;
  size_t id;
  size_t name;
  size_t flags;
  size_t properties;
};

constexpr CatalogPositions kJet4Positions{16, 6, 11, 4, 10};
constexpr CatalogPositions kJet3Positions{3, 0, 2, 7, 14};

}  // namespace

bool isSystemTable(int64_t tdefPage, int64_t flags) {
  return (tdefPage >= 0 && tdefPage <= kLastSystemTdefPage) || (flags & kSystemObjectFlags) != 0;
}

CatalogRow parseCatalogRow(const RowCursor& catalog, const SourceDatabase& db) {
  const CatalogPositions& at = db.isJet4() ? kJet4Positions : kJet3Positions;
  CatalogRow row;
  const auto field = [&](size_t position) -> const FieldValue& {
    static const FieldValue kNull;
    return position < catalog.fields.size() ? catalog.fields[position] : kNull;
  };
  row.typeValue = static_cast<int>(wholeNumber(field(at.type)));
  row.objectType = row.typeValue & 0x7F;
  row.objectId = wholeNumber(field(at.id));
  row.flags = wholeNumber(field(at.flags));
  row.name = textOf(field(at.name));
  if (const FieldValue& properties = field(at.properties);
      properties.value.kind == SavedValue::Kind::Bytes) {
    row.propertyBytes = properties.bytes;
  }
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
  while (fetchRow(db, catalog->definition, catalog->cursor) == RowFetch::kRow) {
    rows.push_back(parseCatalogRow(catalog->cursor, db));
  }
  return rows;
}

}  // namespace vantrel
