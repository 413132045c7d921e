#pragma once

#include "reader/catalog_handler.h"
#include "run/catalog_summary.h"

namespace vantrel {

// The analysis's share of the catalog walk: tables with their columns and rows counted, saved
// queries and relations listed in the summary the preview's tree and the report are made of.
class AnalysisHandler : public CatalogHandler {
 public:
  explicit AnalysisHandler(CatalogSummary& summary) : summary_(summary) {}

  WalkEnd onTable(SourceDatabase& db, int64_t tdefPage, const std::string& name) override;
  WalkEnd onQuery(SourceDatabase& db, int64_t queryId, const std::string& name) override;
  WalkEnd onRelations(SourceDatabase& db) override;

 protected:
  CatalogSummary& summary_;
};

// The same, with the tables only named: what a command that looks up one object needs.
class ListingHandler : public AnalysisHandler {
 public:
  using AnalysisHandler::AnalysisHandler;

  WalkEnd onTable(SourceDatabase& db, int64_t tdefPage, const std::string& name) override;
};

}  // namespace vantrel
