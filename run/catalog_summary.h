#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

// What the analysis of one file collected for the preview, each list in the order the catalog
// walk met its objects. Filled by the worker that runs the walk, read after it has finished.
struct CatalogSummary {
  struct TableEntry {
    int64_t objectId = 0;  // the definition page
    std::string name;
    int columnCount = 0;
    int64_t recordCount = 0;
  };
  struct QueryEntry {
    int64_t objectId = 0;
    std::string name;
  };
  struct RelationEntry {
    std::string name;
    std::string firstTable;  // the primary table
    std::string secondTable;
    std::string firstField;
    std::string secondField;
  };

  std::vector<TableEntry> tables;
  std::vector<QueryEntry> queryList;
  std::vector<RelationEntry> relations;

  void clear() {
    tables.clear();
    queryList.clear();
    relations.clear();
  }
};

}  // namespace vantrel
