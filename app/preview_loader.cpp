#include "app/preview_loader.h"

#include "queries/rebuild_query.h"
#include "reader/table_definition.h"
#include "run/catalog_summary.h"
#include "run/result_codes.h"
#include "salvage/table_salvage.h"

namespace vantrel {
namespace {

// previewLoading is 1 while one object is loaded for display, and 0 again afterwards.
class PreviewLoading {
 public:
  PreviewLoading(RunState& run, int value) : run_(run) {
    run_.stopRequested = 0;
    run_.savingMode = 0;
    run_.previewLoading = value;
  }
  ~PreviewLoading() { run_.previewLoading = 0; }
  PreviewLoading(const PreviewLoading&) = delete;
  PreviewLoading& operator=(const PreviewLoading&) = delete;

 private:
  RunState& run_;
};

QueryText rebuild(RunState& run, const std::string& sourcePath, int64_t objectId,
                  const std::string& name, int previewLoading) {
  PreviewLoading loading(run, previewLoading);
  QueryText query;
  auto db = openSourceDatabase(sourcePath, &run);
  if (!db) return query;
  CatalogSummary unused;
  SalvageContext context{run, unused};
  query.result = rebuildQuery(*db, kObjectQuery, objectId, name, context);
  query.sqlText = std::move(context.sqlText);
  query.connect = std::move(context.queryConnect);
  return query;
}

}  // namespace

int loadPreviewTable(RunState& run, const std::string& sourcePath, int64_t objectId,
                     const std::string& name) {
  PreviewLoading loading(run, 1);
  auto db = openSourceDatabase(sourcePath, &run);
  if (!db) return kResultNothing;
  CatalogSummary unused;
  SalvageContext context{run, unused};
  return salvageTable(*db, kObjectTable, objectId, name, context);
}

QueryText loadPreviewQuery(RunState& run, const std::string& sourcePath, int64_t objectId,
                           const std::string& name) {
  return rebuild(run, sourcePath, objectId, name, 1);
}

QueryText rebuildQueryText(RunState& run, const std::string& sourcePath, int64_t objectId,
                           const std::string& name) {
  return rebuild(run, sourcePath, objectId, name, 0);
}

}  // namespace vantrel
