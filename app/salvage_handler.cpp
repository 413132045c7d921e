#include "app/salvage_handler.h"

#include "queries/rebuild_query.h"
#include "salvage/relation_salvage.h"
#include "salvage/table_salvage.h"

namespace vantrel {

RunResult SalvageHandler::salvageTable(SourceDatabase& db, int typeValue, int64_t tdefPage,
                                       const std::string& name) {
  return vantrel::salvageTable(db, typeValue, tdefPage, name, context_);
}

RunResult SalvageHandler::rebuildQuery(SourceDatabase& db, int typeValue, int64_t queryId,
                                       const std::string& name) {
  return vantrel::rebuildQuery(db, typeValue, queryId, name, context_);
}

void SalvageHandler::listQuery(int64_t queryId, const std::string& name) {
  context_.summary.queryList.push_back({queryId, name});
}

RunResult SalvageHandler::salvageRelations(SourceDatabase& db, int value, const std::string& name) {
  return vantrel::salvageRelations(db, value, name, context_);
}

}  // namespace vantrel
