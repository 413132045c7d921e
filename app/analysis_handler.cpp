#include "app/analysis_handler.h"

#include "app/table_rows.h"
#include "salvage/relation_salvage.h"

namespace vantrel {
namespace {

class RowCounter : public TableRowVisitor {
 public:
  void columns(std::span<const ColumnDefinition> columns) override {
    columnCount = static_cast<int>(columns.size());
  }
  bool row(std::span<const ColumnDefinition>, std::span<const FieldValue>) override {
    ++rowCount;
    return true;
  }

  int columnCount = 0;
  int64_t rowCount = 0;
};

}  // namespace

WalkEnd AnalysisHandler::onTable(SourceDatabase& db, int64_t tdefPage, const std::string& name) {
  RowCounter counter;
  const std::optional<WalkEnd> end =
      visitTableRows(db, tdefPage, name, counter, ComplexCells::kStoredKeys);
  // A table stopped part way is not listed with a count it does not have.
  if (end == WalkEnd::kFinished) {
    summary_.tables.push_back({tdefPage, name, counter.columnCount, counter.rowCount});
  }
  return end.value_or(WalkEnd::kFinished);
}

WalkEnd AnalysisHandler::onQuery(SourceDatabase&, int64_t queryId, const std::string& name) {
  summary_.queryList.push_back({queryId, name});
  return WalkEnd::kFinished;
}

WalkEnd AnalysisHandler::onRelations(SourceDatabase& db) {
  return readRelations(
      db, [&](const Relation& relation) { summary_.relations.push_back(relationEntry(relation)); });
}

WalkEnd ListingHandler::onTable(SourceDatabase&, int64_t tdefPage, const std::string& name) {
  summary_.tables.push_back({tdefPage, name, 0, 0});
  return WalkEnd::kFinished;
}

}  // namespace vantrel
