#pragma once

#include <cstdint>
#include <string>

#include "reader/source_database.h"
#include "run/result_codes.h"

namespace vantrel {

// What the catalog walk and the damaged-catalog scan hand every object they find to. Each
// call returns kStopped when the user stopped the run (the walk then ends at once) and anything
// else to go on.
class CatalogHandler {
 public:
  virtual ~CatalogHandler() = default;

  // A user table: counted, shown or saved, depending on the run.
  virtual RunResult salvageTable(SourceDatabase& db, int typeValue, int64_t tdefPage,
                                 const std::string& name) = 0;
  // A saved query while saving.
  virtual RunResult rebuildQuery(SourceDatabase& db, int typeValue, int64_t queryId,
                                 const std::string& name) = 0;
  // A saved query while analysing: listed for the preview.
  virtual void listQuery(int64_t queryId, const std::string& name) = 0;
  // The relations step: once after the last catalog row, or after the scan's last page when
  // it found a relationship.
  virtual RunResult salvageRelations(SourceDatabase& db, int value, const std::string& name) = 0;
};

}  // namespace vantrel
