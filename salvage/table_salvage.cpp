#include "salvage/table_salvage.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

#include "destinations/destination.h"
#include "destinations/stored_properties.h"
#include "reader/catalog_rows.h"
#include "reader/column_types.h"
#include "reader/index_reader.h"
#include "reader/lost_definition.h"
#include "reader/object_properties.h"
#include "reader/row_reader.h"
#include "run/display_text.h"
#include "salvage/complex_column_salvage.h"
#include "salvage/relation_salvage.h"
#include "salvage/table_log_texts.h"

namespace vantrel {

namespace {

constexpr int64_t kFirstIndexedTdefPage = 8;  // the system's own tables lie below

void readKeys(SourceDatabase& db, TableDefinition& table) {
  table.primaryKeyColumnCount = 0;
  readIndexes(db, table);
  const size_t marked =
      std::min(table.indexes.size(), static_cast<size_t>(std::max<int64_t>(table.indexCount, 0)));
  for (size_t i = 0; i < marked; ++i)
    markKeyColumns(table, table.indexes[i]);
}

// The table under the names the destination can hold, each name it holds under another
// logged.
TableDescription placeTable(const TableDescription& table, SalvageContext& context) {
  std::vector<Renaming> renamings;
  TableDescription held = context.destination->names().place(table, renamings);
  for (const Renaming& renaming : renamings) {
    context.appendLog("Renamed: " + renaming.what + " [" + renaming.from + "] saved as [" +
                      renaming.to + "] (" + renaming.why + ")\r\n");
  }
  return held;
}

// Access 2007 and later calculated columns reach the destination as the results they stored:
// the log says so, and that the expression stayed behind.
void noteCalculatedColumns(const TableDefinition& table, const TableDescription& description,
                           SalvageContext& context) {
  for (size_t i = 0; i < table.columns.size() && i < description.columns.size(); ++i) {
    const ColumnDefinition& column = table.columns[i];
    if (!column.isCalculated) continue;
    const std::string expression = column.calculatedExpression.empty()
                                       ? std::string("its expression")
                                       : "its expression " + column.calculatedExpression;
    context.appendLog("Saved as values: calculated column [" + description.columns[i].name +
                      "] of table [" + description.name + "] (the results it stored; " +
                      expression + " is not saved)\r\n");
  }
}

// Re-creates the table in the destination; what the destination refuses is logged and the
// rest still made. A destination that can take nothing more creates nothing.
TableCreation recreateTable(const TableDescription& table, SalvageContext& context,
                            std::string& refusal) {
  for (const std::string& column : table.columnsWithoutType()) {
    context.appendLog("Not re-created: column [" + column + "] of table [" + table.name +
                      "] (its type has no destination type)\r\n");
  }
  const TableCreation none{std::vector<bool>(table.columns.size(), false), {}};
  if (context.destination == nullptr) {
    refusal = "no destination database is open";
    context.appendLog("Not re-created: table [" + table.name + "] (" + refusal + ")\r\n");
    return none;
  }
  if (context.destinationLost()) {
    refusal = destinationFaultText(context.tally.fault);
    return none;
  }
  try {
    TableCreation creation = context.destination->createTable(table);
    for (const std::string& refused : creation.refused)
      context.appendLog("Not re-created: " + refused + "\r\n");
    if (!creation.tableCreated()) {
      refusal = !creation.refused.empty() ? creation.refused.front()
                                          : "none of its columns has a destination type";
    }
    return creation;
  } catch (const DestinationError& error) {
    context.tally.note(error);
    refusal = context.tally.reasonFor(error);
    context.appendLog("Not re-created: table [" + table.name + "] (" + error.what() + ")\r\n");
    return none;
  }
}

// Takes note of what the table's saving lost, and gives the saving list's lines for it.
std::vector<std::string> recordLoss(const std::string& name, bool created, int64_t read,
                                    int64_t written, const std::string& reason,
                                    SalvageContext& context) {
  if (created && written >= read) return {};
  ObjectLoss loss{ObjectLoss::Kind::kTable, name, !created, read - written, reason};
  std::vector<std::string> lines{"Not saved: " + objectLossText(loss)};
  context.tally.objects.push_back(std::move(loss));
  return lines;
}

void writeTotals(const std::string& name, int fields, int64_t recovered, int64_t notWritten,
                 std::optional<int64_t> declared, int64_t inferredFromRows,
                 std::vector<std::string> lossLines, SalvageContext& context) {
  RunState& run = context.run;
  std::vector<std::string> extraLines;
  if (inferredFromRows > 0) {
    extraLines.push_back("Definition lost: columns inferred from " +
                         std::to_string(inferredFromRows) + " rows");
  }
  if (notWritten > 0)
    extraLines.push_back("Total Records Not Written :   " + std::to_string(notWritten));
  if (declared) extraLines.push_back("Total Records Declared :    " + std::to_string(*declared));
  for (std::string& line : lossLines)
    extraLines.push_back(std::move(line));
  run.appendSavingListLine("Repairing Table :                   " + name);
  run.appendSavingListLine("Total Fields Recovered :       " + std::to_string(fields));
  run.appendSavingListLine("Total Records Recovered :   " + std::to_string(recovered));
  for (const std::string& line : extraLines)
    run.appendSavingListLine(line);
  run.appendSavingListLine("");
  if (context.log != nullptr) {
    logTableTotals(*context.log, escapedControlCharacters(name), fields, recovered, extraLines);
  }
}

// Where the rows of a table being saved come from: fills the fields of the next row, or says
// that the rows ended or the user stopped.
using RowSource = std::function<RowFetch(const RowFields*&)>;

// What the saving of one table's rows came to.
struct TableOutcome {
  bool created = false;
  RowFetch fetched = RowFetch::kEnd;
};

// Re-creates a described table under the name the destination holds, writes the rows the
// source gives and the totals. `declaredRows` is what the source's definition declares, none
// for a table that declares nothing.
TableOutcome saveDescribedTable(const std::string& name, TableDescription description,
                                const RowSource& source, std::optional<int64_t> declaredRows,
                                int64_t inferredFromRows, SalvageContext& context,
                                const std::function<void(const TableDescription&)>& described) {
  if (context.destination != nullptr) description = placeTable(description, context);
  std::string refusal;  // why the table or its rows are not in the destination
  const TableCreation creation = recreateTable(description, context, refusal);
  if (described) described(description);

  std::unique_ptr<RowSink> rows;
  if (creation.tableCreated()) {
    try {
      rows = context.destination->openRows(description, creation);
    } catch (const DestinationError& error) {
      context.tally.note(error);
      refusal = context.tally.reasonFor(error);
    }
  }

  int64_t notWritten = 0;
  std::vector<std::string> indexNotes;  // what of the file's indexes the rows did not allow
  // Once the destination fails for good, the rest of the table is only counted.
  const auto dropRows = [&](const DestinationError& error) {
    context.tally.note(error);
    refusal = context.tally.reasonFor(error);
    context.appendLog("Not saved: the rows of [" + name + "] (" + error.what() + ")\r\n");
    rows.reset();  // none of its rows is kept
  };
  int64_t salvaged = 0;  // rows read that hold something
  RowFetch fetched = RowFetch::kEnd;
  const RowFields* fields = nullptr;
  while ((fetched = source(fields)) == RowFetch::kRow) {
    if (holdsNothing(*fields)) continue;
    if (rows) {
      try {
        if (!rows->write(*fields)) ++notWritten;
      } catch (const DestinationError& error) {
        dropRows(error);
      }
    }
    ++salvaged;
  }
  if (rows) {
    try {
      notWritten += rows->finish();
      if (notWritten > 0 && refusal.empty()) refusal = "refused by the destination";
      indexNotes = rows->indexNotes();
    } catch (const DestinationError& error) {
      dropRows(error);
    }
  }
  // A table whose rows could not be saved keeps none of them.
  const int64_t written = rows ? salvaged - notWritten : 0;
  // Rows salvaged that differ from what the definition declares are no silent loss.
  std::optional<int64_t> declared;
  if (declaredRows && salvaged != *declaredRows) declared = declaredRows;
  if (fetched == RowFetch::kStopped) {
    context.tally.stopped =
        StoppedTable{name, written, std::max<int64_t>(declaredRows.value_or(0), salvaged)};
  }
  // Only the columns that exist in the destination are recovered fields.
  const auto fieldCount = static_cast<int>(
      std::count(creation.columnCreated.begin(), creation.columnCreated.end(), true));
  std::vector<std::string> lossLines;
  if (creation.keptExisting) {
    // The user chose to keep the destination's own table of the name: nothing is lost by it.
    ++context.tally.keptObjects;
    lossLines.push_back("Kept: the destination's table of that name");
  } else {
    lossLines = recordLoss(name, creation.tableCreated(), salvaged, written, refusal, context);
  }
  context.tally.savedRows += written;
  if (creation.tableCreated() && written >= salvaged) ++context.tally.savedTables;
  if (context.tally.stopped && context.tally.stopped->name == name) {
    lossLines.push_back("Stopped: " + std::to_string(written) + " of " +
                        std::to_string(context.tally.stopped->of) + " rows written");
  }
  for (const std::string& note : indexNotes)
    lossLines.push_back(escapedControlCharacters(note));
  writeTotals(name, fieldCount, written, salvaged - written, declared, inferredFromRows,
              std::move(lossLines), context);
  return {creation.tableCreated(), fetched};
}

// Saves the child tables of the parent's complex columns, each related to its parent.
WalkEnd saveComplexChildren(SourceDatabase& db, const std::string& parent,
                            ComplexColumnSaving& complex, SalvageContext& context) {
  for (const ComplexColumnSaving::Child& child : complex.children(parent)) {
    const int64_t damagedBefore = complex.damagedAttachments();
    RowFields row;
    const RowSource source = [&](const RowFields*& fields) {
      fields = &row;
      return complex.nextChildRow(db, child, row);
    };
    const TableOutcome outcome = saveDescribedTable(child.name(), child.description, source,
                                                    std::nullopt, 0, context, nullptr);
    if (const int64_t damaged = complex.damagedAttachments() - damagedBefore; damaged > 0) {
      context.appendLog("Damaged: " + std::to_string(damaged) + " attachments of [" + child.name() +
                        "] (their stored data cannot be unpacked; saved empty)\r\n");
    }
    if (outcome.created) saveRelation(child.relation, true, context);
    if (outcome.fetched == RowFetch::kStopped) return WalkEnd::kStopped;
  }
  return WalkEnd::kFinished;
}

}  // namespace

WalkEnd saveTable(SourceDatabase& db, int64_t tdefPage, const std::string& name,
                  SalvageContext& context) {
  auto definition =
      readOrInferDefinition(db, {.name = name, .objectType = kObjectTable, .tdefPage = tdefPage});
  if (!definition) return WalkEnd::kFinished;

  definition->primaryKeyColumnCount = 0;
  if (tdefPage >= kFirstIndexedTdefPage &&
      (definition->indexCount != 0 || definition->realIndexCount != 0)) {
    readKeys(db, *definition);
  }
  // The definition is complete: from here on only the cursor moves.
  const TableDefinition& table = *definition;
  TableDescription description = describeTable(table, name, db.formatVersion());
  // What the file says of the table beyond its definition matters only to a destination.
  if (context.destination != nullptr && tdefPage > kLastSystemTdefPage) {
    if (const auto block = tableProperties(db, tdefPage)) describeProperties(description, *block);
  }
  std::vector<ComplexColumnSaving::KeptKey> keptKeys;
  ComplexColumnSaving complex(db, tdefPage, table, keptKeys);
  complex.describeParent(description);
  // A complex column whose values cannot be found keeps the key of its values.
  for (const auto& kept : keptKeys) {
    context.appendLog("Saved as keys: column [" + kept.column + "] of table [" + name + "] (" +
                      kept.why + "; the key of its values, which stay in the source)\r\n");
  }

  RowCursor cursor;
  const RowSource source = [&](const RowFields*& fields) {
    const RowFetch fetched = fetchRow(db, table, cursor);
    if (fetched == RowFetch::kRow) complex.takeRow(cursor.fields);
    fields = &cursor.fields;
    return fetched;
  };
  const int64_t cutBefore = db.longValues().cutValues();
  // A lost definition declares nothing.
  const std::optional<int64_t> declared =
      table.inferredFromRows == 0 ? std::optional<int64_t>(table.rowCount) : std::nullopt;
  const TableOutcome outcome = saveDescribedTable(
      name, std::move(description), source, declared, table.inferredFromRows, context,
      [&](const TableDescription& held) { noteCalculatedColumns(table, held, context); });
  if (const int64_t cut = db.longValues().cutValues() - cutBefore; cut > 0) {
    context.appendLog("Cut: " + std::to_string(cut) + " long values of [" + name +
                      "] (they reach long-value rows of another value)\r\n");
  }
  if (outcome.fetched == RowFetch::kStopped) return WalkEnd::kStopped;
  return saveComplexChildren(db, name, complex, context);
}

}  // namespace vantrel
