#include "app/preview_loader.h"

#include "jetsql/query_text_wrap.h"
#include "jetsql/rebuild_query.h"
#include "reader/table_definition.h"
#include "run/catalog_summary.h"
#include "run/result_codes.h"

namespace vantrel {
namespace {

// previewLoading is kLoading while one object is loaded for display, and kIdle afterwards;
// meanwhile a stop request ends the load without a question.
class PreviewLoadingScope {
 public:
  PreviewLoadingScope(RunState& run, PreviewLoading value) : run_(run) {
    run_.stopRequested = 0;
    run_.savingMode = SavingMode::kIdle;
    run_.previewLoading = value;
    run_.runPhase = RunPhase::kPreviewLoad;
  }
  ~PreviewLoadingScope() {
    run_.previewLoading = PreviewLoading::kIdle;
    run_.runPhase = RunPhase::kNone;
  }
  PreviewLoadingScope(const PreviewLoadingScope&) = delete;
  PreviewLoadingScope& operator=(const PreviewLoadingScope&) = delete;

 private:
  RunState& run_;
};

QueryText rebuild(RunState& run, const std::string& sourcePath, int64_t objectId,
                  const std::string& name, PreviewLoading previewLoading) {
  PreviewLoadingScope loading(run, previewLoading);
  QueryText query;
  auto db = openSourceDatabase(sourcePath, &run);
  if (!db) return query;
  auto rebuilt = rebuildQuery(*db, objectId, name);
  if (!rebuilt) return query;
  query.result = rebuilt->stopped ? RunResult::kStopped : RunResult::kDone;
  query.sqlText = previewLoading == PreviewLoading::kLoading ? wrapQueryText(rebuilt->jetSql)
                                                             : std::move(rebuilt->jetSql);
  query.connect = std::move(rebuilt->connect);
  return query;
}

}  // namespace

RunResult loadPreviewTable(RunState& run, const std::string& sourcePath, int64_t objectId,
                           const std::string& name, TableRowVisitor& rows) {
  PreviewLoadingScope loading(run, PreviewLoading::kLoading);
  return readTableRows(run, sourcePath, objectId, name, rows);
}

QueryText loadPreviewQuery(RunState& run, const std::string& sourcePath, int64_t objectId,
                           const std::string& name) {
  return rebuild(run, sourcePath, objectId, name, PreviewLoading::kLoading);
}

QueryText rebuildQueryText(RunState& run, const std::string& sourcePath, int64_t objectId,
                           const std::string& name) {
  return rebuild(run, sourcePath, objectId, name, PreviewLoading::kIdle);
}

}  // namespace vantrel
