#include "reader/page_source.h"

#include <algorithm>
#include <array>

#include "reader/jet_format.h"
#include "reader/office_page_cipher.h"
#include "reader/rc4_cipher.h"

#include "reader/source_database.h"

namespace vantrel {

PageSource::PageSource(const SourceFile& file, int pageSize, int64_t largestFileBytes,
                       PageCoding coding)
    : file_(&file),
      pageSize_(pageSize),
      pageCount_(static_cast<int64_t>(
          std::min(file.size(), static_cast<uint64_t>(std::max<int64_t>(largestFileBytes, 0))) /
          static_cast<uint64_t>(pageSize))),
      coding_(coding) {}

PageView PageSource::page(int64_t n) {
  if (n < 0 || n >= pageCount_) return {};
  if (const auto found = cache_.find(n); found != cache_.end()) {
    found->second.lastUse = ++uses_;
    return PageView(n, found->second.bytes);
  }
  std::shared_ptr<std::vector<uint8_t>> bytes;
  if (cache_.size() >= kCachedPages) {
    const auto oldest = std::ranges::min_element(
        cache_, [](const auto& a, const auto& b) { return a.second.lastUse < b.second.lastUse; });
    // A page no view holds any more lends its buffer to the next page read.
    if (oldest->second.bytes.use_count() == 1) bytes = std::move(oldest->second.bytes);
    cache_.erase(oldest);
  }
  if (!bytes) bytes = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(pageSize_));
  if (file_->readAt(static_cast<uint64_t>(n) * static_cast<uint64_t>(pageSize_), *bytes) == 0) {
    return {};
  }
  if (coding_.encoded() && n > 0 && !decodeChecked(n, *bytes)) return {};
  notePageRead(n);
  cache_[n] = {bytes, ++uses_};
  return PageView(n, std::move(bytes));
}

bool PageSource::decode(int64_t n, std::span<uint8_t> bytes) const {
  if (n <= 0) return true;
  if (coding_.cipher) return coding_.cipher->decrypt(n, bytes);
  if (coding_.key == 0) return true;
  const auto pageKey = coding_.key ^ static_cast<uint32_t>(n);
  const std::array<uint8_t, 4> key{
      static_cast<uint8_t>(pageKey), static_cast<uint8_t>(pageKey >> 8),
      static_cast<uint8_t>(pageKey >> 16), static_cast<uint8_t>(pageKey >> 24)};
  return applyRc4(key, bytes);
}

bool PageSource::decodeChecked(int64_t n, std::span<uint8_t> bytes) {
  if (decode(n, bytes) && (!coding_.checkEachPage || looksLikePage(bytes))) return true;
  if (undecoded_.empty()) undecoded_.resize(static_cast<size_t>(pageCount_));
  undecoded_[static_cast<size_t>(n)] = true;
  return false;
}

size_t PageSource::readStart(int64_t n, std::span<uint8_t> buffer) const {
  if (n < 0 || n >= pageCount_ || buffer.size() > static_cast<size_t>(pageSize_)) return 0;
  const size_t got =
      file_->readAt(static_cast<uint64_t>(n) * static_cast<uint64_t>(pageSize_), buffer);
  return got != 0 && decode(n, buffer) ? got : 0;
}

void PageSource::notePageRead(int64_t n) {
  if (pagesSeen_.empty()) pagesSeen_.resize(static_cast<size_t>(pageCount_));
  if (pagesSeen_[static_cast<size_t>(n)]) return;
  pagesSeen_[static_cast<size_t>(n)] = true;
  ++pagesRead_;
}

}  // namespace vantrel
