#include "salvage/table_salvage.h"

#include <locale.h>
#include <algorithm>
#include <clocale>
#include <mutex>

#include "reader/column_types.h"
#include "reader/index_reader.h"
#include "reader/lost_definition.h"
#include "reader/number_text.h"
#include "reader/row_reader.h"
#include "run/display_text.h"
#include "run/result_codes.h"
#include "salvage/destination.h"
#include "salvage/table_log_texts.h"

namespace vantrel {

namespace {

constexpr int64_t kFirstIndexedTdefPage = 8;  // the system's own tables lie below

bool isEmptyRow(const RowCursor& cursor) {
  for (const FieldValue& field : cursor.columnTexts) {
    if (!field.text.empty() || !field.bytes.empty()) return false;
  }
  return true;
}

void readKeys(SourceDatabase& db, TableDefinition& table) {
  table.primaryKeyColumnCount = 0;
  readIndexes(db, table);
  const size_t marked =
      std::min(table.indexes.size(), static_cast<size_t>(std::max<int64_t>(table.indexCount, 0)));
  for (size_t i = 0; i < marked; ++i)
    markKeyColumns(table, table.indexes[i]);
  table.indexes.clear();
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

// Re-creates the table in the destination; what the destination refuses is logged and the
// rest still made.
TableCreation recreateTable(const TableDescription& table, SalvageContext& context) {
  for (const std::string& column : table.columnsWithoutType()) {
    context.appendLog("Not re-created: column [" + column + "] of table [" + table.name +
                      "] (its type has no destination type)\r\n");
  }
  if (context.destination == nullptr) {
    context.appendLog("Not re-created: table [" + table.name +
                      "] (no destination database is open)\r\n");
    return {std::vector<bool>(table.columns.size(), false), {}};
  }
  TableCreation creation = context.destination->createTable(table);
  for (const std::string& refused : creation.refused)
    context.appendLog("Not re-created: " + refused + "\r\n");
  return creation;
}

void showRow(const TableDefinition& table, const RowCursor& cursor, int row, RunHooks& hooks) {
  for (size_t i = 0; i < table.columns.size(); ++i) {
    std::string text = cursor.columnTexts[i].text;
    if (table.columns[i].type == kTypeCurrency) {
      if (text.empty()) text = "0";
      text = localeCurrencySymbol() + text;
    }
    hooks.setPreviewCell(static_cast<int>(i), row, text);
  }
}

void writeTotals(const std::string& name, int fields, int64_t recovered, int64_t notWritten,
                 std::optional<int64_t> declared, int64_t inferredFromRows,
                 SalvageContext& context) {
  RunState& run = context.run;
  std::vector<std::string> extraLines;
  if (inferredFromRows > 0) {
    extraLines.push_back("Definition lost: columns inferred from " +
                         std::to_string(inferredFromRows) + " rows");
  }
  if (notWritten > 0)
    extraLines.push_back("Total Records Not Written :   " + std::to_string(notWritten));
  if (declared) extraLines.push_back("Total Records Declared :    " + std::to_string(*declared));
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

}  // namespace

const std::string& localeCurrencySymbol() {
  static const std::string symbol = [] {
    std::string found;
    if (locale_t user = newlocale(LC_MONETARY_MASK, "", static_cast<locale_t>(nullptr))) {
      const locale_t previous = uselocale(user);
      found = localeconv()->currency_symbol;
      uselocale(previous);
      freelocale(user);
    }
    return found;
  }();
  return symbol;
}

RunResult salvageTable(SourceDatabase& db, int /*typeValue*/, int64_t tdefPage,
                       const std::string& name, SalvageContext& context) {
  db.recordCounter = 0;
  auto definition =
      readOrInferDefinition(db, {.name = name, .objectType = kObjectTable, .tdefPage = tdefPage});
  if (!definition) return RunResult::kDone;

  const bool saving = context.saving();
  const bool previewing = !saving && context.previewing();
  definition->primaryKeyColumnCount = 0;
  if (saving && tdefPage >= kFirstIndexedTdefPage &&
      (definition->indexCount != 0 || definition->realIndexCount != 0)) {
    readKeys(db, *definition);
  }
  // The definition is complete: from here on only the cursor moves.
  const TableDefinition& table = *definition;
  TableDescription description;
  TableCreation creation;
  if (saving) {
    description = describeTable(table, name, db.formatVersion());
    if (context.destination != nullptr) description = placeTable(description, context);
    creation = recreateTable(description, context);
  }

  RowCursor cursor;
  std::unique_ptr<RowSink> rows;
  if (previewing) {
    for (size_t i = 0; i < table.columns.size(); ++i) {
      context.run.hooks().addPreviewColumn(static_cast<int>(i), table.columns[i].name);
    }
  }
  if (saving && context.destination != nullptr) {
    try {
      rows = context.destination->openRows(description, creation);
    } catch (const DestinationError&) {
      rows.reset();
    }
  }

  int64_t notWritten = 0;
  const int64_t cutBefore = db.longValues().cutValues();
  RunResult fetched = RunResult::kNothing;
  while ((fetched = fetchRow(db, table, cursor)) == RunResult::kDone) {
    if (isEmptyRow(cursor)) continue;
    if (previewing) showRow(table, cursor, db.recordCounter, context.run.hooks());
    if (saving) {
      // Rows of a table that could not be opened in the destination are not written.
      if (!rows || !rows->write(cursor.columnTexts)) ++notWritten;
    }
    ++db.recordCounter;
  }
  if (fetched == RunResult::kNothing && !saving && !previewing) {
    context.summary.tables.push_back({tdefPage, name, table.columnCount, db.recordCounter});
  }

  if (previewing) closeSourceDatabase(db);
  if (rows) {
    try {
      notWritten += rows->finish();
    } catch (const DestinationError& error) {
      context.appendLog("Not saved: the rows of [" + name + "] (" + error.what() + ")\r\n");
      // None of the table's rows was saved, and the saving list must not say otherwise.
      notWritten = db.recordCounter;
    }
  }
  if (const int64_t cut = db.longValues().cutValues() - cutBefore; saving && cut > 0) {
    context.appendLog("Cut: " + std::to_string(cut) + " long values of [" + name +
                      "] (they reach long-value rows of another value)\r\n");
  }
  if (saving) {
    // Rows salvaged that differ from what the definition declares are no silent loss.
    std::optional<int64_t> declared;
    // A lost definition declares nothing.
    if (db.recordCounter != table.rowCount && table.inferredFromRows == 0) {
      declared = table.rowCount;
    }
    // Only the columns that exist in the destination are recovered fields.
    const auto fields = static_cast<int>(
        std::count(creation.columnCreated.begin(), creation.columnCreated.end(), true));
    writeTotals(name, fields, db.recordCounter - notWritten, notWritten, declared,
                table.inferredFromRows, context);
  }
  return fetched == RunResult::kStopped ? RunResult::kStopped : RunResult::kDone;
}

}  // namespace vantrel
