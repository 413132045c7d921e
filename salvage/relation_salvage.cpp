#include "salvage/relation_salvage.h"

#include <algorithm>
#include <array>
#include <functional>
#include <optional>

#include "reader/catalog_rows.h"
#include "reader/catalog_walk.h"
#include "reader/row_reader.h"
#include "run/walk_end.h"

namespace vantrel {

namespace {

// The columns of the relations table that are used.
enum RelationField {
  kName,
  kForeignTable,
  kForeignField,
  kPrimaryTable,
  kPrimaryField,
  kAttributes,
  kPairIndex,
  kPairCount,
  kFieldCount
};

// Jet 4 positions of those columns among the table's column entries (alphabetical there).
constexpr std::array<size_t, kFieldCount> kJet4Positions{7, 4, 3, 6, 5, 1, 2, 0};
constexpr std::array<const char*, kFieldCount> kColumnNames{
    "szRelationship",     "szObject", "szColumn", "szReferencedObject",
    "szReferencedColumn", "grbit",    "icolumn",  "ccolumn"};

using RelationRow = std::array<const FieldValue*, kFieldCount>;

RelationRow readRelationRow(const TableDefinition& table, const RowCursor& cursor, bool jet4) {
  static const FieldValue kNull;
  RelationRow row;
  row.fill(&kNull);
  const auto fieldAt = [&](size_t position) {
    return position < cursor.fields.size() ? &cursor.fields[position] : &kNull;
  };
  if (jet4) {
    for (size_t f = 0; f < kFieldCount; ++f)
      row[f] = fieldAt(kJet4Positions[f]);
    return row;
  }
  // Jet 3 files keep their own column order: the columns are found by name.
  for (size_t i = 0; i < table.columns.size(); ++i) {
    for (size_t f = 0; f < kFieldCount; ++f) {
      if (table.columns[i].name == kColumnNames[f]) row[f] = fieldAt(i);
    }
  }
  return row;
}

const std::string& nameOf(const RelationRow& row, RelationField f) {
  return textOf(*row[f]);
}

bool continues(const Relation& relation, const RelationRow& row) {
  return nameOf(row, kName) == relation.name &&
         nameOf(row, kPrimaryTable) == relation.primaryTable &&
         nameOf(row, kForeignTable) == relation.foreignTable;
}

// Hands on a gathered relation, its field pairs in their stored positions whatever order
// their rows came in.
void handOn(std::optional<Relation>& relation, const std::function<void(const Relation&)>& found) {
  std::stable_sort(relation->pairs.begin(), relation->pairs.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  found(*relation);
  relation.reset();
}

}  // namespace

void saveRelation(const Relation& relation, bool jet4, SalvageContext& context) {
  std::vector<RelationFieldPair> pairs;
  for (const auto& [position, pair] : relation.pairs)
    pairs.push_back(pair);
  if (context.destination == nullptr) return;
  // The engine's own tables are not salvaged; their relations go with them, and are no loss.
  if (isSystemTableName(relation.primaryTable) || isSystemTableName(relation.foreignTable)) return;
  Destination& destination = *context.destination;
  // Jet 4 relations are first named by their two tables.
  const std::string firstName =
      jet4 ? relation.primaryTable + relation.foreignTable : relation.name;
  auto refusal = context.attemptSave([&] {
    destination.createRelation(firstName, relation.primaryTable, relation.foreignTable,
                               relation.attributes, pairs);
  });
  // One the engine refuses, it is asked for once more without enforcing; refused twice, the
  // relation is left out.
  if (refusal && !context.destinationLost()) {
    refusal = context.attemptSave([&] {
      destination.createRelation(relation.name, relation.primaryTable, relation.foreignTable,
                                 kRelationDontEnforce, pairs);
    });
  }
  if (refusal) context.loseObject({ObjectLoss::Kind::kRelation, relation.name, true, 0, *refusal});
}

CatalogSummary::RelationEntry relationEntry(const Relation& relation) {
  CatalogSummary::RelationEntry entry{relation.name, relation.primaryTable, relation.foreignTable,
                                      "", ""};
  for (const auto& [position, pair] : relation.pairs) {
    const std::string separator = entry.firstField.empty() && entry.secondField.empty() ? "" : ", ";
    entry.firstField += separator + pair.primaryField;
    entry.secondField += separator + pair.foreignField;
  }
  return entry;
}

WalkEnd readRelations(SourceDatabase& db, const std::function<void(const Relation&)>& found) {
  auto table =
      openTable(db, {.name = "", .objectType = kObjectTable, .tdefPage = kRelationsTdefPage},
                {.keepWithoutColumns = true});
  if (!table) return WalkEnd::kFinished;
  const TableDefinition& definition = table->definition;
  RowCursor& cursor = table->cursor;

  const bool jet4 = db.isJet4();
  std::optional<Relation> relation;
  RowFetch fetched = RowFetch::kEnd;
  while ((fetched = fetchRow(db, definition, cursor)) == RowFetch::kRow) {
    const RelationRow row = readRelationRow(definition, cursor, jet4);
    if (relation && !continues(*relation, row)) handOn(relation, found);
    if (!relation) {
      relation = Relation{nameOf(row, kName),
                          nameOf(row, kPrimaryTable),
                          nameOf(row, kForeignTable),
                          static_cast<long>(wholeNumber(*row[kAttributes])),
                          {}};
    }
    relation->pairs.push_back(
        {wholeNumber(*row[kPairIndex]),
         RelationFieldPair{nameOf(row, kPrimaryField), nameOf(row, kForeignField)}});
  }
  if (fetched == RowFetch::kStopped) return WalkEnd::kStopped;
  // No relation rows, whatever the count declared, is no relation.
  if (relation) handOn(relation, found);
  return WalkEnd::kFinished;
}

}  // namespace vantrel
