#include "tests/support/mdb_writer/header_page.h"

#include <array>
#include <string_view>

#include "tests/support/mdb_writer/row_page.h"

namespace vantrel::mdbwriter {

namespace {

constexpr int kMaskedStart = 0x18;
constexpr std::array<uint8_t, 4> kHeaderKey{0xC7, 0xDA, 0x39, 0x6B};
constexpr uint32_t kGeneralSortOrder = 0x409;

void maskWithRc4(std::span<uint8_t> bytes) {
  std::array<uint8_t, 256> s{};
  for (size_t i = 0; i < s.size(); ++i)
    s[i] = static_cast<uint8_t>(i);
  size_t j = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    j = (j + s[i] + kHeaderKey[i % kHeaderKey.size()]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  size_t a = 0;
  size_t b = 0;
  for (uint8_t& byte : bytes) {
    a = (a + 1) & 0xFF;
    b = (b + s[a]) & 0xFF;
    std::swap(s[a], s[b]);
    byte ^= s[(s[a] + s[b]) & 0xFF];
  }
}

}  // namespace

test::PageImage headerPage(const JetFormat& format, int codePage, DateTime created,
                           int aceVersion) {
  test::PageImage page(format.pageSize);
  const bool ace = format.isJet4() && aceVersion >= 2;
  const std::string_view signature =
      ace ? std::string_view("Standard ACE DB\0", 16) : std::string_view("Standard Jet DB\0", 16);
  page.put32(0, 0x100);
  page.putBytes(4, std::span(reinterpret_cast<const uint8_t*>(signature.data()), signature.size()));
  page.put32(0x14, ace ? static_cast<uint32_t>(aceVersion) : format.isJet4() ? 1 : 0);
  // The start of the masked part reads the same in every file of the corpus.
  static constexpr std::array<uint32_t, 6> kMaskedPrefix{0x100, 0x101, 2, 3, 4, 5};
  for (size_t i = 0; i < kMaskedPrefix.size(); ++i) {
    page.put32(kMaskedStart + 4 * static_cast<int>(i), kMaskedPrefix[i]);
  }
  page.put16(0x3C, static_cast<uint32_t>(codePage));
  page.put32(0x3E, 0);  // no encryption key
  if (format.isJet4()) {
    page.put32(0x6E, kGeneralSortOrder);
    page.putDouble(0x72, created.days);
  } else {
    page.put16(0x3A, kGeneralSortOrder);
  }
  const int maskedLength = format.isJet4() ? 128 : 126;
  maskWithRc4(page.bytes().subspan(kMaskedStart, static_cast<size_t>(maskedLength)));
  return page;
}

test::PageImage globalUsagePage(const JetFormat& format, int64_t pageCount) {
  // Row 0 marks the pages past the end of the file as free; row 1 is an empty map.
  Bytes freePages(static_cast<size_t>(format.usageMapRowSize), 0);
  for (int64_t p = pageCount; p < format.pagesPerInlineMap(); ++p) {
    freePages[5 + static_cast<size_t>(p / 8)] |= static_cast<uint8_t>(1u << (p % 8));
  }
  const Bytes empty(static_cast<size_t>(format.usageMapRowSize), 0);
  RowPage page(format, 1);
  page.add(freePages);
  page.add(empty);
  return page.image();
}

}  // namespace vantrel::mdbwriter
