#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/table_rows.h"
#include "run/expected.h"
#include "run/run_state.h"
#include "run/walk_end.h"

namespace vantrel {

// Loads one table's rows for the preview: opens the file again and hands its columns, then
// every row, to `rows` (readTableRows). A stop request ends the load without a question.
Expected<WalkEnd, OpenFailure> loadPreviewTable(RunState& run, const std::string& sourcePath,
                                                int64_t objectId, const std::string& name,
                                                TableRowVisitor& rows);

struct QueryText {
  // Finished also when the file or its queries cannot be read: the text is then empty.
  WalkEnd end = WalkEnd::kFinished;
  std::string sqlText;
  std::optional<std::string> connect;  // a pass-through query's connect string
};

// Rebuilds one saved query for the preview: its SQL text wrapped into display lines.
QueryText loadPreviewQuery(RunState& run, const std::string& sourcePath, int64_t objectId,
                           const std::string& name);

// The same query's SQL text as rebuilt, unwrapped, without creating anything.
QueryText rebuildQueryText(RunState& run, const std::string& sourcePath, int64_t objectId,
                           const std::string& name);

}  // namespace vantrel
