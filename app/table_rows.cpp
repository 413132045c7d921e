#include "app/table_rows.h"

#include "reader/lost_definition.h"
#include "reader/row_reader.h"
#include "reader/source_database.h"
#include "run/catalog_summary.h"

namespace vantrel {

RunResult readTableRows(RunState& run, const std::string& sourcePath, int64_t tdefPage,
                        const std::string& name, TableRowVisitor& visitor) {
  auto db = openSourceDatabase(sourcePath, &run);
  if (!db) return RunResult::kNothing;
  const auto table =
      readOrInferDefinition(*db, {.name = name, .objectType = kObjectTable, .tdefPage = tdefPage});
  if (!table) return RunResult::kDone;
  visitor.columns(table->columns);
  RowCursor cursor;
  RunResult fetched = RunResult::kNothing;
  while ((fetched = fetchRow(*db, *table, cursor)) == RunResult::kDone) {
    if (holdsNothing(cursor.fields)) continue;
    if (!visitor.row(table->columns, cursor.fields)) break;
  }
  return fetched == RunResult::kStopped ? RunResult::kStopped : RunResult::kDone;
}

}  // namespace vantrel
