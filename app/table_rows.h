#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "reader/field_value.h"
#include "reader/source_database.h"
#include "reader/table_definition.h"
#include "run/expected.h"
#include "run/run_state.h"
#include "run/walk_end.h"

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

// How the cells of an Access 2007 and later complex column reach a visitor.
enum class ComplexCells {
  // As text: the names of an attachment column's files (the column stays complex, so that
  // its files can be looked at), a multi-value column's values, a version history's count
  // (those two as long texts).
  kValues,
  kStoredKeys,  // the key of its values, as stored
};

// Hands the rows of the open file's table whose definition is on `tdefPage` to the visitor:
// the definition as stored or inferred from the rows, rows whose every value is empty
// dropped. kFinished also when the visitor stopped; none when the definition cannot be read.
std::optional<WalkEnd> visitTableRows(SourceDatabase& db, int64_t tdefPage, const std::string& name,
                                      TableRowVisitor& visitor,
                                      ComplexCells complexCells = ComplexCells::kValues);

// The same for the table of a file opened for it (a table whose definition cannot be read has
// no rows), or why the file cannot be opened.
Expected<WalkEnd, OpenFailure> readTableRows(RunState& run, const std::string& sourcePath,
                                             int64_t tdefPage, const std::string& name,
                                             TableRowVisitor& visitor,
                                             ComplexCells complexCells = ComplexCells::kValues);

}  // namespace vantrel
