#include "fuzz/page_mutator.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <random>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace vantrel::fuzz {

namespace {

constexpr size_t kVersionOffset = 0x14;
constexpr size_t kHeaderBytes = 96;  // page type, owner, row count and the first row offsets
constexpr size_t kMaxWindow = 64;

size_t pageSizeOf(const uint8_t* data, size_t size) {
  return size > kVersionOffset && data[kVersionOffset] == 0 ? 2048 : 4096;
}

class Choice {
 public:
  explicit Choice(unsigned seed) : random_(seed) {}
  size_t below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(random_() % n); }
  bool coin() { return below(2) == 0; }

 private:
  std::minstd_rand random_;
};

// A value that means something to one of the page's fields: none, one, the largest of its
// width, a page number near the end of the file, an offset near the end of a page.
uint32_t meaningfulValue(Choice& choice, size_t pages, size_t pageSize) {
  const std::array<uint32_t, 10> values{0,
                                        1,
                                        2,
                                        0xFF,
                                        0xFFFF,
                                        0xFFFFFFFF,
                                        static_cast<uint32_t>(pages),
                                        static_cast<uint32_t>(pages - 1),
                                        static_cast<uint32_t>(pageSize - 1),
                                        static_cast<uint32_t>(choice.below(pages))};
  return values[choice.below(values.size())];
}

void writeLittleEndian(uint8_t* at, uint32_t value, size_t width) {
  for (size_t i = 0; i < width; ++i)
    at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

size_t mutatePages(uint8_t* data, size_t size, size_t maxSize, unsigned seed) {
  Choice choice(seed);
  const size_t pageSize = pageSizeOf(data, size);
  if (size < pageSize) return LLVMFuzzerMutate(data, size, maxSize);
  const size_t pages = size / pageSize;
  const size_t page = choice.below(pages);
  uint8_t* const pageStart = data + page * pageSize;

  switch (choice.below(10)) {
    case 0:
    case 1:
    case 2:
    case 3: {
      // A few bytes of one page, mostly where its bookkeeping lies.
      const size_t offset = choice.coin() ? choice.below(kHeaderBytes) : choice.below(pageSize);
      const size_t length = std::min(1 + choice.below(kMaxWindow), pageSize - offset);
      std::array<uint8_t, kMaxWindow> window{};
      std::memcpy(window.data(), pageStart + offset, length);
      const size_t changed = LLVMFuzzerMutate(window.data(), length, length);
      std::memcpy(pageStart + offset, window.data(), std::min(changed, length));
      return size;
    }
    case 4: {
      const size_t width = std::array<size_t, 3>{1, 2, 4}[choice.below(3)];
      const size_t offset = choice.coin() ? choice.below(kHeaderBytes) : choice.below(pageSize - 4);
      writeLittleEndian(pageStart + offset, meaningfulValue(choice, pages, pageSize), width);
      return size;
    }
    case 5: {
      const size_t from = choice.below(pages);
      if (from != page) std::memcpy(pageStart, data + from * pageSize, pageSize);
      return size;
    }
    case 6:
      std::memset(pageStart, choice.coin() ? 0 : static_cast<int>(choice.below(256)), pageSize);
      return size;
    case 7:
      if (pages < 2) return size;
      return choice.coin() ? (1 + choice.below(pages - 1)) * pageSize
                           : pageSize + choice.below(size - pageSize);
    default:
      return LLVMFuzzerMutate(data, size, maxSize);
  }
}

size_t crossPages(const uint8_t* first, size_t firstSize, const uint8_t* second, size_t secondSize,
                  uint8_t* out, size_t maxOutSize, unsigned seed) {
  Choice choice(seed);
  const size_t size = std::min(firstSize, maxOutSize);
  std::memcpy(out, first, size);
  const size_t pageSize = pageSizeOf(first, firstSize);
  if (size < pageSize || secondSize < pageSize) return size;
  const size_t to = choice.below(size / pageSize);
  const size_t from = choice.below(secondSize / pageSize);
  std::memcpy(out + to * pageSize, second + from * pageSize, pageSize);
  return size;
}

}  // namespace vantrel::fuzz
