#include "reader/complex_columns.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "reader/catalog_rows.h"
#include "reader/column_types.h"
#include "reader/page_census.h"
#include "reader/row_reader.h"

namespace vantrel {

namespace {

constexpr std::string_view kComplexColumnsTable = "MSysComplexColumns";
constexpr std::string_view kListSeparator = "; ";
// A parent cell lists this much at most: a key that thousands of values name stays readable.
constexpr size_t kMaxSummaryText = 4096;

std::string folded(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::optional<size_t> columnNamed(const TableDefinition& table, std::string_view name) {
  const std::string wanted = folded(name);
  for (size_t i = 0; i < table.columns.size(); ++i) {
    if (folded(table.columns[i].name) == wanted) return i;
  }
  return std::nullopt;
}

std::optional<size_t> columnStarting(const TableDefinition& table, std::string_view prefix,
                                     int type) {
  for (size_t i = 0; i < table.columns.size(); ++i) {
    if (table.columns[i].type == type && table.columns[i].name.starts_with(prefix)) return i;
  }
  return std::nullopt;
}

// MSysComplexColumns, opened, and where its columns are.
struct ComplexColumnsTable {
  OpenedTable table;
  size_t name = 0;
  size_t flat = 0;
  size_t conceptual = 0;
};

std::optional<ComplexColumnsTable> openComplexColumns(SourceDatabase& db, int64_t page) {
  if (page <= kLastSystemTdefPage) return std::nullopt;
  auto table = openTable(
      db,
      {.name = std::string(kComplexColumnsTable), .objectType = kObjectTable, .tdefPage = page});
  if (!table) return std::nullopt;
  const auto name = columnNamed(table->definition, "ColumnName");
  const auto flat = columnNamed(table->definition, "FlatTableID");
  const auto conceptual = columnNamed(table->definition, "ConceptualTableID");
  if (!name || !flat || !conceptual) return std::nullopt;
  return ComplexColumnsTable{std::move(*table), *name, *flat, *conceptual};
}

// MSysComplexColumns by its catalog row; when the catalog cannot give it, the definition
// among all the file's that has its columns.
std::optional<ComplexColumnsTable> findComplexColumnsTable(SourceDatabase& db) {
  for (const CatalogRow& row : readCatalogRows(db)) {
    if (row.objectType == kObjectTable && row.name == kComplexColumnsTable) {
      if (auto found = openComplexColumns(db, row.objectId & 0xFFFFFF)) return found;
    }
  }
  for (const int64_t page : pageCensus(db).userTableDefinitions) {
    if (auto found = openComplexColumns(db, page)) return found;
  }
  return std::nullopt;
}

// MSysComplexColumns' rows for one table: each complex column's name and its flat table's
// definition page.
std::map<std::string, int64_t> flatTablesOf(SourceDatabase& db, int64_t tdefPage) {
  std::map<std::string, int64_t> flats;
  auto found = findComplexColumnsTable(db);
  if (!found) return flats;
  OpenedTable& table = found->table;
  const size_t last = std::max({found->name, found->flat, found->conceptual});
  while (fetchRow(db, table.definition, table.cursor) == RowFetch::kRow) {
    const RowFields& fields = table.cursor.fields;
    if (last >= fields.size()) continue;
    if ((wholeNumber(fields[found->conceptual]) & 0xFFFFFF) != tdefPage) continue;
    flats.emplace(folded(textOf(fields[found->name])), wholeNumber(fields[found->flat]) & 0xFFFFFF);
  }
  return flats;
}

// The flat table's form: which kind of values it holds and where its fields are. None when
// its columns fit no kind.
std::optional<FlatTable> flatTableForm(const TableDefinition& flat, int64_t page,
                                       std::string_view column) {
  FlatTable form;
  form.tdefPage = page;
  auto key = columnNamed(flat, "_" + std::string(column));
  if (!key) key = columnStarting(flat, "_", kTypeLong);
  if (!key) return std::nullopt;
  form.key = *key;
  const auto fileData = columnNamed(flat, "FileData");
  const auto fileName = columnNamed(flat, "FileName");
  const auto fileType = columnNamed(flat, "FileType");
  if (fileData && fileName && fileType) {
    form.kind = ComplexKind::kAttachment;
    form.fileData = *fileData;
    form.fileName = *fileName;
    form.fileType = *fileType;
    form.fileTimeStamp = columnNamed(flat, "FileTimeStamp");
    return form;
  }
  if (const auto value = columnNamed(flat, "Value")) {
    form.kind = ComplexKind::kMultiValue;
    form.value = *value;
    form.valueColumn = flat.columns[*value];
    return form;
  }
  const auto modified = columnStarting(flat, "Modified", kTypeDateTime);
  std::optional<size_t> text;
  for (size_t i = 0; i < flat.columns.size(); ++i) {
    if (flat.columns[i].type == kTypeMemo) text = i;
  }
  if (modified && text) {
    form.kind = ComplexKind::kVersionHistory;
    form.value = *text;
    form.modified = *modified;
    form.valueColumn = flat.columns[*text];
    return form;
  }
  return std::nullopt;
}

void appendListed(std::string& text, std::string_view item) {
  if (text.size() >= kMaxSummaryText) return;
  if (!text.empty()) text += kListSeparator;
  text += item;
  if (text.size() >= kMaxSummaryText) text += "…";
}

}  // namespace

std::vector<ComplexColumn> findComplexColumns(SourceDatabase& db, int64_t tdefPage,
                                              const TableDefinition& table) {
  std::vector<ComplexColumn> columns;
  for (size_t i = 0; i < table.columns.size(); ++i) {
    if (table.columns[i].type == kTypeComplex) columns.push_back({.position = i});
  }
  if (columns.empty()) return columns;
  const std::map<std::string, int64_t> flats = flatTablesOf(db, tdefPage);
  for (ComplexColumn& column : columns) {
    const std::string& name = table.columns[column.position].name;
    const auto found = flats.find(folded(name));
    if (found == flats.end()) {
      column.problem = "MSysComplexColumns has no row for it";
      continue;
    }
    const auto flat =
        openTable(db, {.name = "", .objectType = kObjectTable, .tdefPage = found->second});
    if (!flat) {
      column.problem = "the definition of its values' table cannot be read";
      continue;
    }
    column.flat = flatTableForm(flat->definition, found->second, name);
    if (!column.flat) column.problem = "its values' table has columns of no known form";
  }
  return columns;
}

std::unordered_set<int64_t> complexColumnTables(SourceDatabase& db) {
  std::unordered_set<int64_t> pages;
  if (!db.isAce()) return pages;
  auto found = findComplexColumnsTable(db);
  if (!found) return pages;
  pages.insert(found->table.definition.catalogObject.tdefPage);
  OpenedTable& table = found->table;
  const size_t last = std::max({found->name, found->flat, found->conceptual});
  while (fetchRow(db, table.definition, table.cursor) == RowFetch::kRow) {
    const RowFields& fields = table.cursor.fields;
    if (last >= fields.size()) continue;
    // Only while its parent's definition names the column do the values come back with it.
    const auto parent =
        openTable(db, {.name = "",
                       .objectType = kObjectTable,
                       .tdefPage = wholeNumber(fields[found->conceptual]) & 0xFFFFFF});
    const auto column =
        parent ? columnNamed(parent->definition, textOf(fields[found->name])) : std::nullopt;
    if (column && parent->definition.columns[*column].type == kTypeComplex)
      pages.insert(wholeNumber(fields[found->flat]) & 0xFFFFFF);
  }
  return pages;
}

std::map<int64_t, ComplexSummary> summarizeComplexValues(SourceDatabase& db,
                                                         const FlatTable& flat) {
  std::map<int64_t, ComplexSummary> summaries;
  auto table = openTable(db, {.name = "", .objectType = kObjectTable, .tdefPage = flat.tdefPage});
  if (!table) return summaries;
  const RowFields& fields = table->cursor.fields;
  while (fetchRow(db, table->definition, table->cursor) == RowFetch::kRow) {
    if (flat.key >= fields.size() || fields[flat.key].value.kind != SavedValue::Kind::Integer) {
      continue;
    }
    ComplexSummary& summary = summaries[fields[flat.key].value.integer];
    ++summary.count;
    if (flat.kind == ComplexKind::kAttachment && flat.fileName < fields.size()) {
      appendListed(summary.text, textOf(fields[flat.fileName]));
    } else if (flat.kind == ComplexKind::kMultiValue && flat.value < fields.size()) {
      appendListed(summary.text, complexValueText(fields[flat.value]));
    }
  }
  return summaries;
}

std::vector<Attachment> attachmentsOf(SourceDatabase& db, const FlatTable& flat, int64_t key) {
  std::vector<Attachment> files;
  if (flat.kind != ComplexKind::kAttachment) return files;
  auto table = openTable(db, {.name = "", .objectType = kObjectTable, .tdefPage = flat.tdefPage});
  if (!table) return files;
  const RowFields& fields = table->cursor.fields;
  const size_t last = std::max({flat.key, flat.fileName, flat.fileType, flat.fileData});
  while (fetchRow(db, table->definition, table->cursor) == RowFetch::kRow) {
    if (last >= fields.size() || fields[flat.key].value.kind != SavedValue::Kind::Integer ||
        fields[flat.key].value.integer != key) {
      continue;
    }
    Attachment& attached = files.emplace_back();
    attached.name = textOf(fields[flat.fileName]);
    attached.type = textOf(fields[flat.fileType]);
    if (fields[flat.fileData].value.kind == SavedValue::Kind::Bytes)
      attached.file = unpackAttachment(fields[flat.fileData].bytes);
  }
  return files;
}

std::string complexValueText(const FieldValue& field) {
  const SavedValue& value = field.value;
  switch (value.kind) {
    case SavedValue::Kind::Text:
      return field.text;
    case SavedValue::Kind::Integer:
    case SavedValue::Kind::Boolean:
      return std::to_string(value.integer);
    case SavedValue::Kind::Double: {
      char buffer[32];
      const auto end = std::to_chars(buffer, buffer + sizeof buffer, value.number).ptr;
      return std::string(buffer, end);
    }
    case SavedValue::Kind::Decimal:
      return decimalText(value.decimal);
    case SavedValue::Kind::Guid:
      return guidText(value.guid);
    default:
      return {};
  }
}

std::string complexCellText(ComplexKind kind, const ComplexSummary& summary) {
  if (summary.count == 0) return {};
  if (kind == ComplexKind::kVersionHistory) {
    return std::to_string(summary.count) + (summary.count == 1 ? " version" : " versions");
  }
  return summary.text;
}

}  // namespace vantrel
