#include "app/saving_handler.h"

#include "jetsql/rebuild_query.h"
#include "salvage/query_salvage.h"
#include "salvage/relation_salvage.h"
#include "salvage/table_salvage.h"

namespace vantrel {

WalkEnd SavingHandler::onTable(SourceDatabase& db, int64_t tdefPage, const std::string& name) {
  return saveTable(db, tdefPage, name, context_);
}

WalkEnd SavingHandler::onQuery(SourceDatabase& db, int64_t queryId, const std::string& name) {
  const auto query = rebuildQuery(db, queryId, name);
  if (!query) return WalkEnd::kFinished;
  saveRebuiltQuery(*query, context_);
  return query->stopped ? WalkEnd::kStopped : WalkEnd::kFinished;
}

WalkEnd SavingHandler::onRelations(SourceDatabase& db) {
  const bool jet4 = db.isJet4();
  return readRelations(db,
                       [&](const Relation& relation) { saveRelation(relation, jet4, context_); });
}

}  // namespace vantrel
