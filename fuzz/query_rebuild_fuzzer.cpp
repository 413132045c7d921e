// A mutated database file through the rebuilding of every saved query of the file.

#include "fuzz/fuzz_runs.h"
#include "fuzz/page_mutator.h"

VANTREL_FUZZ_PAGE_MUTATOR()

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vantrel::fuzz::rebuildQueries({data, size});
  return 0;
}
