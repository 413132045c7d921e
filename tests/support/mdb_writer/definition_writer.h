#pragma once

#include <cstdint>
#include <vector>

#include "tests/support/mdb_writer/index_plan.h"
#include "tests/support/mdb_writer/jet_format.h"
#include "tests/support/mdb_writer/page_file.h"
#include "tests/support/mdb_writer/schema.h"
#include "tests/support/mdb_writer/table_layout.h"

namespace vantrel::mdbwriter {

// What a definition says that is known only once the rows are written. Its shape (how many
// of each) is known before, so the definition's length is too.
struct DefinitionFacts {
  int64_t rowCount = 0;
  int64_t autoNumberNext = 0;
  uint32_t usageMap = 0;  // page-and-row pointers
  uint32_t freeMap = 0;
  std::vector<uint32_t> indexMaps;  // per real index
  std::vector<int64_t> leafPages;   // per real index
  struct LongValueMaps {
    int columnNumber = 0;
    uint32_t usageMap = 0;
    uint32_t freeMap = 0;
  };
  std::vector<LongValueMaps> longValueMaps;   // per live memo or OLE column
  std::vector<int64_t> referencedTablePages;  // per logical index; 0 unless a foreign key
};

struct DefinitionShape {
  const TableSpec* table = nullptr;
  const TableLayout* layout = nullptr;
  const IndexPlan* indexes = nullptr;
  bool system = false;
  // Column entries in alphabetical order (Jet 4 system tables), else in column order.
  bool alphabeticalEntries = false;
  int codePage = 1252;
};

// The definition as one stream of bytes, as if the page had no end: the first page's
// bytes, then what continuation pages hold from their offset 8.
Bytes definitionStream(const DefinitionShape& shape, const DefinitionFacts& facts,
                       const JetFormat& format);

// Pages a definition of `length` bytes takes.
int definitionPageCount(size_t length, const JetFormat& format);

// Lays the stream over `pages` (their number from definitionPageCount) and writes them.
void writeDefinition(const Bytes& stream, const std::vector<int64_t>& pages,
                     const JetFormat& format, PageFile& file);

}  // namespace vantrel::mdbwriter
