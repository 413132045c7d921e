#pragma once

#include <string>
#include <vector>

#include "tests/support/mdb_writer/manifest.h"
#include "tests/support/mdb_writer/schema.h"

namespace vantrel::mdbwriter {

// The system tables every database has, on the definition pages Access gives them.
inline constexpr int64_t kCatalogPage = 2;        // MSysObjects
inline constexpr int64_t kAccessControlPage = 3;  // MSysACEs
inline constexpr int64_t kQueryCatalogPage = 4;   // MSysQueries
inline constexpr int64_t kRelationsPage = 5;      // MSysRelationships

// Their columns in column-number order, with their indexes; no rows.
TableSpec catalogTable(JetVersion version);
TableSpec accessControlTable(JetVersion version);
TableSpec queryCatalogTable(JetVersion version);
TableSpec relationsTable(JetVersion version);

// Catalog object types.
inline constexpr int kTableObject = 1;
inline constexpr int kQueryObject = 5;
inline constexpr int kRelationshipObject = 8;

// One object the catalog lists, before it becomes a row.
struct CatalogEntry {
  std::string name;
  int64_t id = 0;
  int64_t parentId = 0;
  int type = 0;
  int64_t flags = 0;
};

// Every catalog entry of a database: the containers and the system tables Access always
// has, then the user tables (whose ids are their definition pages), the saved queries and
// the relationships.
std::vector<CatalogEntry> catalogEntries(const DatabaseSpec& spec,
                                         const std::vector<int64_t>& userTablePages);

std::vector<Row> catalogRows(const std::vector<CatalogEntry>& entries, DateTime created);

// The query catalog's rows of one saved query, with Access's per-attribute order numbers
// where none are given.
void appendQueryRows(std::vector<Row>& rows, const SavedQuery& query, int64_t id,
                     JetVersion version);

// The relations table's rows: one per column pair.
void appendRelationRows(std::vector<Row>& rows, const RelationSpec& relation);

}  // namespace vantrel::mdbwriter
