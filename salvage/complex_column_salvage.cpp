#include "salvage/complex_column_salvage.h"

#include <algorithm>

#include "reader/attachment_data.h"
#include "reader/column_types.h"

namespace vantrel {

namespace {

constexpr int kFileNameLength = 255;

DestinationColumn column(std::string name, int jetType, int size = 0) {
  return DestinationColumn{.name = std::move(name), .jetType = jetType, .size = size};
}

// A column of the values' table as a destination column, typed as any table's column is.
DestinationColumn described(const ColumnDefinition& source, std::string name) {
  TableDefinition single;
  single.columns.push_back(source);
  DestinationColumn out = describeTable(single, "", 1).columns.front();
  out.name = std::move(name);
  out.autoNumber = false;
  return out;
}

const FieldValue& fieldAt(const RowFields& fields, size_t position) {
  static const FieldValue kNull;
  return position < fields.size() ? fields[position] : kNull;
}

}  // namespace

ComplexColumnSaving::ComplexColumnSaving(SourceDatabase& db, int64_t tdefPage,
                                         const TableDefinition& table, std::vector<KeptKey>& kept) {
  for (ComplexColumn& found : findComplexColumns(db, tdefPage, table)) {
    const std::string& name = table.columns[found.position].name;
    if (!found.flat) {
      kept.push_back({name, found.problem});
      continue;
    }
    Column& column = columns_.emplace_back();
    column.summaries = summarizeComplexValues(db, *found.flat);
    column.found = std::move(found);
    column.name = name;
  }
}

void ComplexColumnSaving::describeParent(TableDescription& description) {
  parentKey_ = description.primaryKey;
  parent_ = description;
  for (const Column& column : columns_) {
    const size_t position = column.found.position;
    if (position >= description.columns.size()) continue;
    DestinationColumn& out = description.columns[position];
    out.autoNumber = false;
    const auto indexesIt = [&](const DestinationIndex& index) {
      return std::ranges::find(index.columns, position) != index.columns.end();
    };
    if (parentKey_.empty()) {
      // The stored key is what names the row to its values: it stays, unique as in the source.
      const bool unique = std::ranges::any_of(description.indexes, [&](const auto& index) {
        return index.unique && index.columns.size() == 1 && indexesIt(index);
      });
      if (!unique) {
        description.indexes.push_back(
            {.name = "Complex_" + column.name, .columns = {position}, .unique = true});
      }
      continue;
    }
    // The file's indexes over the stored keys mean nothing for counts and lists.
    std::erase_if(description.indexes, indexesIt);
    if (column.found.flat->kind == ComplexKind::kMultiValue) {
      out.jetType = kTypeMemo;
      out.size = 0;
    } else {
      out.jetType = kTypeLong;
      out.size = 4;
    }
  }
}

void ComplexColumnSaving::takeRow(RowFields& fields) {
  if (parentKey_.empty()) return;  // the parent keeps the stored keys
  for (Column& column : columns_) {
    if (column.found.position >= fields.size()) continue;
    FieldValue& field = fields[column.found.position];
    if (field.value.kind != SavedValue::Kind::Integer) continue;
    const int64_t key = field.value.integer;
    const auto summary = column.summaries.find(key);
    // Only a key with values has child rows to take the parent's key: most rows have none.
    if (summary != column.summaries.end()) {
      std::vector<FieldValue>& parentKey = column.parentKeys[key];
      parentKey.clear();
      for (const size_t position : parentKey_)
        parentKey.push_back(fieldAt(fields, position));
    }
    const ComplexSummary none;
    const ComplexSummary& values = summary != column.summaries.end() ? summary->second : none;
    field = FieldValue{};
    if (column.found.flat->kind == ComplexKind::kMultiValue) {
      if (!values.text.empty()) {
        field.value.kind = SavedValue::Kind::Text;
        field.text = values.text;
      }
    } else {
      field.value.kind = SavedValue::Kind::Integer;
      field.value.integer = values.count;
    }
  }
}

std::vector<ComplexColumnSaving::Child> ComplexColumnSaving::children(
    const std::string& parentName) const {
  std::vector<Child> children;
  for (size_t c = 0; c < columns_.size(); ++c) {
    const Column& source = columns_[c];
    const FlatTable& flat = *source.found.flat;
    Child& child = children.emplace_back();
    child.column = c;
    TableDescription& description = child.description;
    description.name = parentName + "_" + source.name;
    Relation relation{.name = description.name,
                      .primaryTable = parentName,
                      .foreignTable = description.name,
                      .attributes = kRelationDeleteCascade,
                      .pairs = {}};
    std::vector<size_t> keyColumns = parentKey_;
    if (keyColumns.empty()) keyColumns.push_back(source.found.position);
    for (const size_t position : keyColumns) {
      DestinationColumn key = parent_.columns.at(position);
      key.autoNumber = false;
      relation.pairs.push_back(
          {static_cast<int64_t>(relation.pairs.size()), RelationFieldPair{key.name, key.name}});
      description.columns.push_back(std::move(key));
    }
    switch (flat.kind) {
      case ComplexKind::kAttachment:
        description.columns.push_back(column("FileName", kTypeText, kFileNameLength));
        description.columns.push_back(column("FileType", kTypeText, kFileNameLength));
        description.columns.push_back(column("FileData", kTypeOle));
        if (flat.fileTimeStamp)
          description.columns.push_back(column("FileTimeStamp", kTypeDateTime, 8));
        break;
      case ComplexKind::kMultiValue:
        description.columns.push_back(described(flat.valueColumn, "Value"));
        break;
      case ComplexKind::kVersionHistory:
        description.columns.push_back(column("Modified", kTypeDateTime, 8));
        description.columns.push_back(described(flat.valueColumn, flat.valueColumn.name));
        break;
    }
    child.relation = std::move(relation);
  }
  return children;
}

RowFetch ComplexColumnSaving::nextChildRow(SourceDatabase& db, const Child& child, RowFields& row) {
  Column& source = columns_.at(child.column);
  const FlatTable& flat = *source.found.flat;
  if (!source.walk) {
    source.walk =
        openTable(db, {.name = "", .objectType = kObjectTable, .tdefPage = flat.tdefPage});
    if (!source.walk) return RowFetch::kEnd;
  }
  OpenedTable& walk = *source.walk;
  for (;;) {
    const RowFetch fetched = fetchRow(db, walk.definition, walk.cursor);
    if (fetched != RowFetch::kRow) return fetched;
    const RowFields& values = walk.cursor.fields;
    if (holdsNothing(values)) continue;
    row.clear();
    const FieldValue& key = fieldAt(values, flat.key);
    if (parentKey_.empty()) {
      row.push_back(key);
    } else {
      const auto parent = key.value.kind == SavedValue::Kind::Integer
                              ? source.parentKeys.find(key.value.integer)
                              : source.parentKeys.end();
      if (parent != source.parentKeys.end()) {
        row.insert(row.end(), parent->second.begin(), parent->second.end());
      } else {
        row.resize(parentKey_.size());
      }
    }
    switch (flat.kind) {
      case ComplexKind::kAttachment: {
        row.push_back(fieldAt(values, flat.fileName));
        row.push_back(fieldAt(values, flat.fileType));
        FieldValue& data = row.emplace_back();
        if (const FieldValue& stored = fieldAt(values, flat.fileData);
            stored.value.kind == SavedValue::Kind::Bytes) {
          if (auto file = unpackAttachment(stored.bytes)) {
            data.value.kind = SavedValue::Kind::Bytes;
            data.bytes = std::move(file->bytes);
          } else {
            ++damagedAttachments_;
          }
        }
        if (flat.fileTimeStamp) row.push_back(fieldAt(values, *flat.fileTimeStamp));
        break;
      }
      case ComplexKind::kMultiValue:
        row.push_back(fieldAt(values, flat.value));
        break;
      case ComplexKind::kVersionHistory:
        row.push_back(fieldAt(values, flat.modified));
        row.push_back(fieldAt(values, flat.value));
        break;
    }
    return RowFetch::kRow;
  }
}

}  // namespace vantrel
