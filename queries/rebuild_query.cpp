#include "queries/rebuild_query.h"

#include "destinations/destination.h"
#include "queries/query_builder.h"
#include "queries/query_definition_row.h"
#include "queries/query_text_wrap.h"
#include "reader/catalog_rows.h"
#include "reader/row_reader.h"
#include "run/result_codes.h"

namespace vantrel {

namespace {

// Creates the query with its text, or with its name alone when the text is refused; what the
// destination did not take is a loss of the file.
void createQuery(const std::string& name, const std::string& sql, SalvageContext& context) {
  if (context.destination == nullptr) return;
  Destination& destination = *context.destination;
  const auto refusal = context.attemptSave([&] {
    destination.saveQuery({name, sql, context.queryConnect});
  });
  if (!refusal) return;
  // The name alone keeps the query findable; a refused name leaves it out.
  const auto nameRefusal = context.destinationLost() ? refusal : context.attemptSave([&] {
    destination.saveQuery({name, std::nullopt, std::nullopt});
  });
  context.loseObject(
      {ObjectLoss::Kind::kQuery, name, nameRefusal.has_value(), 0, nameRefusal.value_or(*refusal)});
}

}  // namespace

RunResult rebuildQuery(SourceDatabase& db, int objectType, int64_t queryId,
                       const std::string& queryName, SalvageContext& context) {
  context.sqlText.clear();
  context.queryConnect.reset();
  auto catalog =
      openTable(db, {.name = "", .objectType = objectType, .tdefPage = kQueryCatalogTdefPage},
                {.keepWithoutColumns = true});
  if (!catalog) return RunResult::kNothing;

  QueryBuilder builder;
  std::vector<std::string> texts;
  RunResult result = RunResult::kDone;
  for (;;) {
    const RunResult fetched = fetchRow(db, catalog->definition, catalog->cursor);
    if (fetched == RunResult::kNothing) break;
    if (fetched == RunResult::kStopped) {
      result = RunResult::kStopped;
      break;
    }
    texts.clear();
    for (const FieldValue& field : catalog->cursor.columnTexts)
      texts.push_back(field.text);
    const QueryDefinitionRow row = queryRowFromTexts(texts, db.formatVersion());
    if (rowBelongsToQuery(row.objectId, db.formatVersion(), queryId)) builder.addRow(row);
  }
  context.sqlText = builder.compose();
  context.queryConnect = builder.connectString();

  if (context.previewing()) {
    context.sqlText = wrapQueryText(context.sqlText);
    closeSourceDatabase(db);
  } else if (context.saving()) {
    createQuery(queryName, context.sqlText, context);
  }
  return result;
}

}  // namespace vantrel
