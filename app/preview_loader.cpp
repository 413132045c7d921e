#include "app/preview_loader.h"

#include "jetsql/query_text_wrap.h"
#include "jetsql/rebuild_query.h"
#include "reader/table_definition.h"
#include "run/catalog_summary.h"

namespace vantrel {
namespace {

// While one object is loaded for display, a stop request ends the load without a question.
class PreviewLoadingScope {
 public:
  explicit PreviewLoadingScope(RunState& run) : run_(run) {
    run_.stopRequested = 0;
    run_.runPhase = RunPhase::kPreviewLoad;
  }
  ~PreviewLoadingScope() { run_.runPhase = RunPhase::kNone; }
  PreviewLoadingScope(const PreviewLoadingScope&) = delete;
  PreviewLoadingScope& operator=(const PreviewLoadingScope&) = delete;

 private:
  RunState& run_;
};

QueryText rebuild(RunState& run, const std::string& sourcePath, int64_t objectId,
                  const std::string& name, bool wrapped) {
  PreviewLoadingScope loading(run);
  QueryText query;
  auto db = openSourceDatabase(sourcePath, &run);
  if (!db) return query;
  auto rebuilt = rebuildQuery(*db, objectId, name);
  if (!rebuilt) return query;
  query.end = rebuilt->stopped ? WalkEnd::kStopped : WalkEnd::kFinished;
  query.sqlText = wrapped ? wrapQueryText(rebuilt->jetSql) : std::move(rebuilt->jetSql);
  query.connect = std::move(rebuilt->connect);
  return query;
}

}  // namespace

Expected<WalkEnd, OpenFailure> loadPreviewTable(RunState& run, const std::string& sourcePath,
                                                int64_t objectId, const std::string& name,
                                                TableRowVisitor& rows) {
  PreviewLoadingScope loading(run);
  return readTableRows(run, sourcePath, objectId, name, rows);
}

QueryText loadPreviewQuery(RunState& run, const std::string& sourcePath, int64_t objectId,
                           const std::string& name) {
  return rebuild(run, sourcePath, objectId, name, true);
}

QueryText rebuildQueryText(RunState& run, const std::string& sourcePath, int64_t objectId,
                           const std::string& name) {
  return rebuild(run, sourcePath, objectId, name, false);
}

}  // namespace vantrel
