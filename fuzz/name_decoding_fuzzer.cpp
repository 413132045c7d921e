// Mutated stored names through decoding, each destination's naming and the display escaping.

#include "fuzz/fuzz_runs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vantrel::fuzz::decodeNames({data, size});
  return 0;
}
