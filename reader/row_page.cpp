#include "reader/row_page.h"

#include <algorithm>

#include "reader/page_bytes.h"

namespace vantrel {

namespace {

constexpr int kOwnerOffset = 4;

}  // namespace

int RowPage::pageType() const {
  return byteOf(bytes_, 0);
}

int64_t RowPage::owner() const {
  return u32Of(bytes_, kOwnerOffset);
}

bool RowPage::hasKnownType() const {
  return isKnownPageType(pageType());
}

bool RowPage::isLongValuePage() const {
  return byteOf(bytes_, 4) == 'L' && byteOf(bytes_, 5) == 'V' && byteOf(bytes_, 6) == 'A' &&
         byteOf(bytes_, 7) == 'L';
}

bool RowPage::isDataPageOf(int64_t tdefPage) const {
  return pageType() == kDataPageType && byteOf(bytes_, 1) == 1 && !isLongValuePage() &&
         owner() == tdefPage;
}

int RowPage::storedRowCount() const {
  return u16Of(bytes_, format_->rowCountOffset);
}

int RowPage::rowsToRead() const {
  return std::min(storedRowCount(), kMaxRowIndex + 1);
}

int RowPage::entry(int r) const {
  return u16Of(bytes_, format_->rowCountOffset + 2 + 2 * static_cast<int64_t>(r));
}

int RowPage::start(int r) const {
  const int e = entry(r);
  return e < 0 ? -1 : e & kOffsetMask;
}

int RowPage::end(int r) const {
  if (r == 0) return size();
  return entry(r - 1) & kOffsetMask;
}

}  // namespace vantrel
