#include "app/salvage_handler.h"

#include "jetsql/rebuild_query.h"
#include "salvage/query_salvage.h"
#include "salvage/relation_salvage.h"
#include "salvage/table_salvage.h"

namespace vantrel {

RunResult SalvageHandler::salvageTable(SourceDatabase& db, int typeValue, int64_t tdefPage,
                                       const std::string& name) {
  return vantrel::salvageTable(db, typeValue, tdefPage, name, context_);
}

RunResult SalvageHandler::rebuildQuery(SourceDatabase& db, int /*typeValue*/, int64_t queryId,
                                       const std::string& name) {
  // The walk hands queries over only while saving.
  const auto query = vantrel::rebuildQuery(db, queryId, name);
  if (!query) return RunResult::kNothing;
  saveRebuiltQuery(*query, context_);
  return query->stopped ? RunResult::kStopped : RunResult::kDone;
}

void SalvageHandler::listQuery(int64_t queryId, const std::string& name) {
  context_.summary.queryList.push_back({queryId, name});
}

RunResult SalvageHandler::salvageRelations(SourceDatabase& db, int value, const std::string& name) {
  return vantrel::salvageRelations(db, value, name, context_);
}

}  // namespace vantrel
