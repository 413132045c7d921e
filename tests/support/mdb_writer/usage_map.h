#pragma once

#include <vector>

#include "tests/support/mdb_writer/jet_format.h"
#include "tests/support/mdb_writer/manifest.h"
#include "tests/support/mdb_writer/page_file.h"
#include "tests/support/mdb_writer/schema.h"

namespace vantrel::mdbwriter {

struct UsageMap {
  Bytes row;  // usageMapRowSize bytes
  int type = 0;
  std::vector<int64_t> bitmapPages;
};

// The usage-map row that lists `pages`. A page list allocates and writes its bitmap pages.
// Throws std::invalid_argument when an inline map is asked for and the pages do not fit one,
// or when the pages lie beyond what a page list can name.
UsageMap buildUsageMap(const PageSet& pages, UsageMapKind kind, const JetFormat& format,
                       PageFile& file);

}  // namespace vantrel::mdbwriter
