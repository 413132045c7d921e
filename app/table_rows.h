#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "reader/field_value.h"
#include "reader/table_definition.h"
#include "run/run_state.h"

namespace vantrel {

// Receives one table's rows with their stored values: the preview's row list and the command
// line's row outputs. Called on the thread that reads.
class TableRowVisitor {
 public:
  virtual ~TableRowVisitor() = default;
  virtual void columns(std::span<const ColumnDefinition> columns) = 0;
  // Returns false to stop reading.
  virtual bool row(std::span<const ColumnDefinition> columns,
                   std::span<const FieldValue> fields) = 0;
};

// Reads the rows of the table whose definition is on `tdefPage` as the preview shows them:
// the definition as stored or inferred from the rows, rows whose every value is empty
// dropped. Returns kDone (also when the visitor stopped or the definition cannot be read),
// kStopped when the run was stopped, or kNothing when the file cannot be opened.
RunResult readTableRows(RunState& run, const std::string& sourcePath, int64_t tdefPage,
                        const std::string& name, TableRowVisitor& visitor);

}  // namespace vantrel
