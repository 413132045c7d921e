#pragma once

#include <cstddef>
#include <cstdint>

namespace vantrel::fuzz {

// Mutations that keep a database file a file of pages, so that most mutated inputs still get
// past the first checks: bytes changed inside one page (mostly in the bookkeeping at its
// start), a field set to a value that means something, pages copied, zeroed or filled, the
// file cut short; sometimes libFuzzer's own mutations over the whole input.
size_t mutatePages(uint8_t* data, size_t size, size_t maxSize, unsigned seed);

// A page of `second` copied over a page of `first`, into `out`.
size_t crossPages(const uint8_t* first, size_t firstSize, const uint8_t* second, size_t secondSize,
                  uint8_t* out, size_t maxOutSize, unsigned seed);

}  // namespace vantrel::fuzz

// The file targets use the page mutations in place of libFuzzer's own.
#define VANTREL_FUZZ_PAGE_MUTATOR()                                                             \
  extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize,         \
                                            unsigned seed) {                                    \
    return ::vantrel::fuzz::mutatePages(data, size, maxSize, seed);                             \
  }                                                                                             \
  extern "C" size_t LLVMFuzzerCustomCrossOver(const uint8_t* first, size_t firstSize,           \
                                              const uint8_t* second, size_t secondSize,         \
                                              uint8_t* out, size_t maxOutSize, unsigned seed) { \
    return ::vantrel::fuzz::crossPages(first, firstSize, second, secondSize, out, maxOutSize,   \
                                       seed);                                                   \
  }
