#include "app/table_rows.h"

#include <map>
#include <vector>

#include "reader/column_types.h"
#include "reader/complex_columns.h"
#include "reader/lost_definition.h"
#include "reader/row_reader.h"
#include "run/catalog_summary.h"

namespace vantrel {

namespace {

// A complex column shown by its values: what each key holds.
struct ShownComplex {
  size_t position = 0;
  ComplexKind kind = ComplexKind::kAttachment;
  std::map<int64_t, ComplexSummary> summaries;
};

std::vector<ShownComplex> shownComplexColumns(SourceDatabase& db, int64_t tdefPage,
                                              std::vector<ColumnDefinition>& columns,
                                              const TableDefinition& table) {
  std::vector<ShownComplex> shown;
  for (const ComplexColumn& found : findComplexColumns(db, tdefPage, table)) {
    if (!found.flat) continue;
    shown.push_back({found.position, found.flat->kind, summarizeComplexValues(db, *found.flat)});
    if (found.flat->kind != ComplexKind::kAttachment) columns[found.position].type = kTypeMemo;
  }
  return shown;
}

void showComplexValues(const std::vector<ShownComplex>& shown, RowFields& fields) {
  for (const ShownComplex& column : shown) {
    if (column.position >= fields.size()) continue;
    FieldValue& field = fields[column.position];
    if (field.value.kind != SavedValue::Kind::Integer) continue;
    const auto summary = column.summaries.find(field.value.integer);
    field = FieldValue{};
    if (summary == column.summaries.end()) continue;
    field.text = complexCellText(column.kind, summary->second);
    if (!field.text.empty()) field.value.kind = SavedValue::Kind::Text;
  }
}

}  // namespace

std::optional<WalkEnd> visitTableRows(SourceDatabase& db, int64_t tdefPage, const std::string& name,
                                      TableRowVisitor& visitor, ComplexCells complexCells) {
  const auto table =
      readOrInferDefinition(db, {.name = name, .objectType = kObjectTable, .tdefPage = tdefPage});
  if (!table) return std::nullopt;
  std::vector<ColumnDefinition> columns = table->columns;
  std::vector<ShownComplex> complex;
  if (complexCells == ComplexCells::kValues)
    complex = shownComplexColumns(db, tdefPage, columns, *table);
  visitor.columns(columns);
  RowCursor cursor;
  RowFetch fetched = RowFetch::kEnd;
  while ((fetched = fetchRow(db, *table, cursor)) == RowFetch::kRow) {
    if (holdsNothing(cursor.fields)) continue;
    showComplexValues(complex, cursor.fields);
    if (!visitor.row(columns, cursor.fields)) break;
  }
  return fetched == RowFetch::kStopped ? WalkEnd::kStopped : WalkEnd::kFinished;
}

Expected<WalkEnd, OpenFailure> readTableRows(RunState& run, const std::string& sourcePath,
                                             int64_t tdefPage, const std::string& name,
                                             TableRowVisitor& visitor, ComplexCells complexCells) {
  auto db = tryOpenSourceDatabase(sourcePath, &run);
  if (!db) return Unexpected(db.error());
  return visitTableRows(**db, tdefPage, name, visitor, complexCells).value_or(WalkEnd::kFinished);
}

}  // namespace vantrel
