#include "jetsql/rebuild_query.h"

#include <utility>
#include <vector>

#include "jetsql/query_builder.h"
#include "jetsql/query_definition_row.h"
#include "reader/catalog_rows.h"
#include "reader/row_reader.h"
#include "reader/table_definition.h"
#include "run/walk_end.h"

namespace vantrel {

Expected<RebuiltQuery, RebuildFailure> rebuildQuery(SourceDatabase& db, int64_t queryId,
                                                    std::string name) {
  auto catalog =
      openTable(db, {.name = "", .objectType = kObjectQuery, .tdefPage = kQueryCatalogTdefPage},
                {.keepWithoutColumns = true});
  if (!catalog) return Unexpected(RebuildFailure::kCatalogUnreadable);

  RebuiltQuery query{.name = std::move(name)};
  QueryBuilder builder;
  // The cursor stops at the catalog's last row, or at the first row after a stop request.
  for (;;) {
    const RowFetch fetched = fetchRow(db, catalog->definition, catalog->cursor);
    if (fetched == RowFetch::kEnd) break;
    if (fetched == RowFetch::kStopped) {
      query.stopped = true;
      break;
    }
    const QueryDefinitionRow row = queryRowFromFields(catalog->cursor.fields, db.formatVersion());
    if (rowBelongsToQuery(row.objectId, db.formatVersion(), queryId)) builder.addRow(row);
  }
  query.jetSql = builder.compose();
  query.connect = builder.connectString();
  return query;
}

}  // namespace vantrel
