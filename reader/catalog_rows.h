#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reader/field_value.h"
#include "reader/source_database.h"
#include "reader/table_definition.h"

namespace vantrel {

// Definition pages of the system tables, fixed in every file.
inline constexpr int64_t kCatalogTdefPage = 2;
inline constexpr int64_t kQueryCatalogTdefPage = 4;
inline constexpr int64_t kRelationsTdefPage = 5;
inline constexpr int64_t kLastSystemTdefPage = 5;

// The catalog fields of the current row of the object catalog.
struct CatalogRow {
  int typeValue = 0;     // as stored
  int objectType = 0;    // type value AND 0x7F
  int64_t objectId = 0;  // as stored (signed)
  int64_t flags = 0;     // as stored (signed); 0 when the row has none
  std::string name;
  std::vector<uint8_t> propertyBytes;  // the row's property block (LvProp) as stored
};

// The catalog's flag bits that make an object the system's own, whatever its name.
inline constexpr int64_t kSystemObjectFlags = 0x80000002;

// Whether a catalog row of a table is one of the system's tables: its flags say so, or its
// definition lies on one of the pages the system's own tables always have.
bool isSystemTable(int64_t tdefPage, int64_t flags);

// Reads the current row's fields at the catalog's column positions of the file's version;
// fields the row does not have count as null. The name is decoded whole (decodeName).
CatalogRow parseCatalogRow(const RowCursor& catalog, const SourceDatabase& db);

// Every row of the object catalog, read through its definition on page 2. Empty when that
// definition cannot be read.
std::vector<CatalogRow> readCatalogRows(SourceDatabase& db);

}  // namespace vantrel
