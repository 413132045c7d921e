#include "app/object_listing.h"

#include "reader/catalog_walk.h"
#include "salvage/relation_salvage.h"

namespace vantrel {
namespace {

class ListingHandler : public CatalogHandler {
 public:
  explicit ListingHandler(SalvageContext& context) : context_(context) {}

  RunResult salvageTable(SourceDatabase&, int, int64_t tdefPage, const std::string& name) override {
    context_.summary.tables.push_back({tdefPage, name, 0, 0});
    return RunResult::kDone;
  }
  RunResult rebuildQuery(SourceDatabase&, int, int64_t, const std::string&) override {
    return RunResult::kDone;
  }
  void listQuery(int64_t queryId, const std::string& name) override {
    context_.summary.queryList.push_back({queryId, name});
  }
  RunResult salvageRelations(SourceDatabase& db, int value, const std::string& name) override {
    return vantrel::salvageRelations(db, value, name, context_);
  }

 private:
  SalvageContext& context_;
};

}  // namespace

Expected<CatalogSummary, OpenFailure> listCatalogObjects(const std::string& sourcePath,
                                                         RunState& run) {
  run.stopRequested = 0;
  run.savingMode = SavingMode::kIdle;
  run.previewLoading = PreviewLoading::kIdle;
  auto db = tryOpenSourceDatabase(sourcePath, &run);
  if (!db) return Unexpected(db.error());
  CatalogSummary summary;
  SalvageContext context{run, summary};
  ListingHandler handler(context);
  walkCatalog(**db, handler);
  return summary;
}

}  // namespace vantrel
