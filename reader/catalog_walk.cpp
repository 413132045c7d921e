#include "reader/catalog_walk.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "reader/catalog_rows.h"
#include "reader/complex_columns.h"
#include "reader/lost_definition.h"
#include "reader/page_census.h"
#include "reader/row_page.h"
#include "reader/row_reader.h"
#include "reader/table_definition.h"
#include "run/run_state.h"
#include "run/walk_end.h"

namespace vantrel {

namespace {

constexpr int kScanFlagBits = 0xF000;
constexpr int kScanIdOffset = 1;
constexpr int kScanTypeOffset = 9;
constexpr int kScanFlagsOffset = 27;
constexpr int kScanNameOffset = 31;

bool isHiddenQueryName(const std::string& name) {
  return name.rfind("~sq", 0) == 0;
}

// The name of a catalog row found by the scan: the variable field that starts at its fixed
// place, delimited by the row's own offset table; else the printable characters there.
std::string scannedName(const SourceDatabase& db, const RowPage& rows, int rowIndex,
                        int nameStart) {
  const int entry = rows.entry(rowIndex);
  const int s = entry & RowPage::kOffsetMask;
  const int e = std::min(rows.end(rowIndex), rows.size()) - 1;
  if (entry >= 0 && s < e) {
    const RowShape shape = rowShape(rows, s, e);
    std::vector<int> offsets;
    if (readVariableOffsets(rows, s, e, shape, offsets)) {
      for (size_t i = 0; i + 1 < offsets.size(); ++i) {
        const int from = s + offsets[i];
        const int to = s + offsets[i + 1];
        if (offsets[i] >= 0 && from == nameStart && to > from && to - 1 <= e) {
          const auto bytes =
              rows.bytes().subspan(static_cast<size_t>(from), static_cast<size_t>(to - from));
          return truncateUtf8(db.decodeName(bytes), kMaxObjectNameLength);
        }
      }
    }
  }
  // Jet 4 keeps one character in every second byte of an uncompressed name.
  const int step = db.format().characterSize;
  std::string name;
  for (int at = nameStart; name.size() < kMaxObjectNameLength; at += step) {
    const int c = byteOf(rows.bytes(), at);
    if (c < 0x20 || c > 0x7E) break;
    name.push_back(static_cast<char>(c));
  }
  return name;
}

// Salvages every user table definition that no catalog row reached, under the name
// "Recovered_Table_" and its page. Definitions that cannot be read are passed over.
WalkEnd salvageOrphanTables(SourceDatabase& db, CatalogHandler& handler,
                            const std::unordered_set<int64_t>& reached) {
  const std::vector<int64_t> definitions = pageCensus(db).userTableDefinitions;
  std::optional<std::unordered_set<int64_t>> complexTables;  // read at the first orphan
  for (int64_t page : definitions) {
    if (reached.contains(page)) continue;
    // The values of complex columns come back with their tables.
    if (!complexTables) complexTables = complexColumnTables(db);
    if (complexTables->contains(page)) continue;
    if (!openTable(db, {.name = "", .objectType = kObjectTable, .tdefPage = page})) continue;
    const std::string name = "Recovered_Table_" + std::to_string(page);
    if (handler.onTable(db, page, name) == WalkEnd::kStopped) return WalkEnd::kStopped;
    ++db.tableCount;
  }
  return WalkEnd::kFinished;
}

// Salvages, under "Recovered_Rows_" and the page, the rows of every table whose definition is
// lost while its data pages remain, each naming the lost page as its owner. A page a catalog
// row names was salvaged under that row's name already; the system's own tables lie below.
WalkEnd salvageLostDefinitions(SourceDatabase& db, CatalogHandler& handler,
                               const std::unordered_set<int64_t>& reached) {
  std::vector<int64_t> owners;
  for (const auto& [owner, pages] : pageCensus(db).dataPagesByOwner) {
    if (owner > kLastSystemTdefPage && !reached.contains(owner)) owners.push_back(owner);
  }
  std::ranges::sort(owners);
  std::optional<std::unordered_set<int64_t>> complexTables;  // read at the first lost one
  for (const int64_t owner : owners) {
    if (!definitionIsLost(db, owner)) continue;
    if (!complexTables) complexTables = complexColumnTables(db);
    if (complexTables->contains(owner)) continue;
    const std::string name = "Recovered_Rows_" + std::to_string(owner);
    if (!inferLostDefinition(db, {.name = name, .objectType = kObjectTable, .tdefPage = owner})) {
      continue;
    }
    if (handler.onTable(db, owner, name) == WalkEnd::kStopped) return WalkEnd::kStopped;
    ++db.tableCount;
  }
  return WalkEnd::kFinished;
}

}  // namespace

bool isSystemTableName(std::string_view name) {
  return name.starts_with("MSys");
}

bool catalogDefinitionReadable(SourceDatabase& db) {
  return openTable(db, {.name = "", .objectType = 0, .tdefPage = kCatalogTdefPage}).has_value();
}

WalkEnd walkCatalog(SourceDatabase& db, CatalogHandler& handler) {
  db.tableCount = 0;
  db.queryCount = 0;
  auto catalog = openTable(db, {.name = "", .objectType = 0, .tdefPage = kCatalogTdefPage});
  if (!catalog) {
    db.noteDamage(DamageKind::kLostCatalog, kCatalogTdefPage);
    return scanCatalogPages(db, handler);
  }

  std::unordered_set<int64_t> reached;
  for (;;) {
    const RowFetch fetched = fetchRow(db, catalog->definition, catalog->cursor);
    if (fetched == RowFetch::kStopped) return WalkEnd::kStopped;
    if (fetched == RowFetch::kEnd) break;
    CatalogRow row = parseCatalogRow(catalog->cursor, db);
    row.name = truncateUtf8(row.name, kMaxObjectNameLength);
    if (row.objectType == kObjectTable) reached.insert(row.objectId & 0xFFFFFF);
    // The catalog's flags tell the system's tables: a user table may be called "MSys...".
    if (row.objectType == kObjectTable && !row.name.empty() &&
        !isSystemTable(row.objectId & 0xFFFFFF, row.flags)) {
      db.walkedProperties = {row.objectId & 0xFFFFFF, std::move(row.propertyBytes)};
      if (handler.onTable(db, row.objectId & 0xFFFFFF, row.name) == WalkEnd::kStopped) {
        return WalkEnd::kStopped;
      }
      ++db.tableCount;
    }
    if (row.objectType == kObjectQuery && !row.name.empty() && !isHiddenQueryName(row.name)) {
      // A Jet 4 query keeps every bit of its id; a Jet 3 id is masked like a table's.
      const int64_t id = db.isJet4() ? row.objectId : row.objectId & 0xFFFFFF;
      if (handler.onQuery(db, id, row.name) == WalkEnd::kStopped) return WalkEnd::kStopped;
      ++db.queryCount;
    }
  }
  if (handler.onRelations(db) == WalkEnd::kStopped ||
      salvageOrphanTables(db, handler, reached) == WalkEnd::kStopped) {
    return WalkEnd::kStopped;
  }
  return salvageLostDefinitions(db, handler, reached);
}

WalkEnd scanCatalogPages(SourceDatabase& db, CatalogHandler& handler) {
  std::unordered_set<int64_t> reached{kCatalogTdefPage};
  bool foundRelationship = false;
  for (int64_t page = 0; page < db.pageCount(); ++page) {
    const PageView view = db.page(page);
    if (!view) break;
    const RowPage rows(view.bytes(), db.format());
    if (!rows.isDataPageOf(kCatalogTdefPage)) continue;
    const auto bytes = rows.bytes();
    int previous = -1;
    for (int j = 0; j < rows.storedRowCount(); ++j) {
      const int entry = rows.entry(j);
      if (entry < 0) continue;
      // Rows flagged deleted or moved are read like the others.
      const int o = ((db.isJet4() ? entry + 1 : entry)) & ~kScanFlagBits;
      if (o > db.pageSize() || o == previous) continue;

      const int type = byteOf(bytes, o + kScanTypeOffset) & 0x7F;
      int64_t id = u32Of(bytes, o + kScanIdOffset);
      if (id >= 0) {
        // Jet 4 keeps a query's id whole, as the catalog's signed Id column gives it to the
        // walk; elsewhere the low 24 bits name the object.
        id = db.isJet4() && type == kObjectQuery
                 ? int64_t{static_cast<int32_t>(static_cast<uint32_t>(id))}
                 : id & 0xFFFFFF;
      }
      if (type == kObjectTable) reached.insert(id);
      const std::string name = scannedName(db, rows, j, o + kScanNameOffset);

      const int64_t flags = u32Of(bytes, o + kScanFlagsOffset);
      if (type == kObjectTable && !name.empty() &&
          !isSystemTable(id, std::max<int64_t>(flags, 0))) {
        if (handler.onTable(db, id, name) == WalkEnd::kStopped) return WalkEnd::kStopped;
        ++db.tableCount;
      } else if (type == kObjectQuery && !name.empty() && !isHiddenQueryName(name)) {
        if (handler.onQuery(db, id, name) == WalkEnd::kStopped) return WalkEnd::kStopped;
        ++db.queryCount;
      } else if (type == kObjectRelationship && !name.empty()) {
        foundRelationship = true;
      }
      previous = o;
    }
  }
  // One relations pass once every table is handed on, while analysing as while saving: a
  // pass before a relation's tables exist could not re-create it, and the analysis lists
  // what saving re-creates.
  if (foundRelationship && handler.onRelations(db) == WalkEnd::kStopped) return WalkEnd::kStopped;
  if (salvageOrphanTables(db, handler, reached) == WalkEnd::kStopped) return WalkEnd::kStopped;
  return salvageLostDefinitions(db, handler, reached);
}

std::string displayPath(std::string path) {
  if (path.find('\\') != 2) return path;
  path.erase(2, 1);
  if (path.find('\\') == 2) path.erase(2, 1);
  path.insert(2, 1, '\\');
  return path;
}

Expected<WalkEnd, OpenFailure> walkFile(const std::filesystem::path& path, CatalogHandler& handler,
                                        RunState& run, DamageSink* damage) {
  auto db = tryOpenSourceDatabase(path, &run);
  if (!db) return Unexpected(db.error());
  (*db)->setDamageSink(damage);
  return walkCatalog(**db, handler);
}

}  // namespace vantrel
