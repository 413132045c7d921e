// Mutated Jet SQL texts through the translation into SQLite views.

#include "fuzz/fuzz_runs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vantrel::fuzz::translateView({data, size});
  return 0;
}
