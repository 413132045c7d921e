#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reader/source_database.h"
#include "reader/table_definition.h"

namespace vantrel {

// Definition pages of the system tables, fixed in every file.
inline constexpr int64_t kCatalogTdefPage = 2;
inline constexpr int64_t kQueryCatalogTdefPage = 4;
inline constexpr int64_t kRelationsTdefPage = 5;

// The catalog fields of the current row of the object catalog.
struct CatalogRow {
  int typeValue = 0;     // as stored
  int objectType = 0;    // type value AND 0x7F
  int64_t objectId = 0;  // as stored (signed)
  std::string name;
};

// Parses the current row's texts at the catalog's column positions of the file's version;
// texts the row does not have count as empty.
CatalogRow parseCatalogRow(const RowCursor& catalog, const JetFormat& format);

// Decimal text to integer the way the C library's atol reads it: leading blanks, a sign, then
// digits; no digits give 0. Values beyond 64 bits saturate.
int64_t parseLeadingInteger(std::string_view text);

// Every row of the object catalog, read through its definition on page 2. Empty when that
// definition cannot be read.
std::vector<CatalogRow> readCatalogRows(SourceDatabase& db);

}  // namespace vantrel
