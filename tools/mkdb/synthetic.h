#pragma once

#include <cstdint>

#include "tests/support/mdb_writer/schema.h"

namespace vantrel::mkdb {

// The columns of the generated table.
enum class SyntheticShape {
  kMixed,  // long, texts, integer, currency, double, single, date, boolean, byte, memo,
           // numeric (Jet 4) and GUID
  kLean,   // long, text, double, date, boolean, integer
};

// One generated table, "Records", for benchmarks: its rows are made one at a time from a
// seeded generator, so any row count costs the same memory.
struct SyntheticOptions {
  SyntheticShape shape = SyntheticShape::kMixed;
  mdbwriter::JetVersion version = mdbwriter::JetVersion::kJet4;
  int64_t rows = 1000;
  int memoMin = 80;           // characters of the memo column's values
  int memoMax = 400;          // (values above 64 bytes go to long-value pages)
  int64_t chainEvery = 1000;  // every n-th memo is long enough to chain pages (0: none)
  uint64_t seed = 1;
};

mdbwriter::DatabaseSpec syntheticSpec(const SyntheticOptions& options);

}  // namespace vantrel::mkdb
