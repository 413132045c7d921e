#include "app/table_rows.h"

#include "reader/lost_definition.h"
#include "reader/row_reader.h"
#include "run/catalog_summary.h"

namespace vantrel {

std::optional<WalkEnd> visitTableRows(SourceDatabase& db, int64_t tdefPage, const std::string& name,
                                      TableRowVisitor& visitor) {
  const auto table =
      readOrInferDefinition(db, {.name = name, .objectType = kObjectTable, .tdefPage = tdefPage});
  if (!table) return std::nullopt;
  visitor.columns(table->columns);
  RowCursor cursor;
  RowFetch fetched = RowFetch::kEnd;
  while ((fetched = fetchRow(db, *table, cursor)) == RowFetch::kRow) {
    if (holdsNothing(cursor.fields)) continue;
    if (!visitor.row(table->columns, cursor.fields)) break;
  }
  return fetched == RowFetch::kStopped ? WalkEnd::kStopped : WalkEnd::kFinished;
}

Expected<WalkEnd, OpenFailure> readTableRows(RunState& run, const std::string& sourcePath,
                                             int64_t tdefPage, const std::string& name,
                                             TableRowVisitor& visitor) {
  auto db = tryOpenSourceDatabase(sourcePath, &run);
  if (!db) return Unexpected(db.error());
  return visitTableRows(**db, tdefPage, name, visitor).value_or(WalkEnd::kFinished);
}

}  // namespace vantrel
