// Mutated query-catalog rows, as text, through the query builder and the preview's wrapping.

#include "fuzz/fuzz_runs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vantrel::fuzz::buildQueryFromRows({data, size});
  return 0;
}
