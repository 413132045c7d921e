// A mutated database file through the whole-file saving walk into a temporary destination.

#include "fuzz/fuzz_runs.h"
#include "fuzz/page_mutator.h"

VANTREL_FUZZ_PAGE_MUTATOR()

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vantrel::fuzz::saveFile({data, size});
  return 0;
}
