#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

namespace vantrel {

class SourceFile;

// One page of the file as it was read: immutable, and alive as long as a view holds it,
// whatever else is read meanwhile. An unreadable page gives an empty view.
class PageView {
 public:
  PageView() = default;
  PageView(int64_t number, std::shared_ptr<const std::vector<uint8_t>> bytes)
      : number_(number), bytes_(std::move(bytes)) {}

  explicit operator bool() const { return bytes_ != nullptr; }
  int64_t number() const { return number_; }
  std::span<const uint8_t> bytes() const {
    return bytes_ ? std::span<const uint8_t>(*bytes_) : std::span<const uint8_t>();
  }

 private:
  int64_t number_ = -1;
  std::shared_ptr<const std::vector<uint8_t>> bytes_;
};

// Hands out views of the file's pages, keeping the pages read last in a cache of fixed size,
// so that memory does not grow with the file. Counts the distinct pages read.
class PageSource {
 public:
  static constexpr size_t kCachedPages = 64;

  // Reads the file in pages of `pageSize` bytes, up to `largestFileBytes` of it.
  PageSource(const SourceFile& file, int pageSize, int64_t largestFileBytes);

  // Page n, or an empty view when it cannot be read (beyond the end, a read error, a file
  // already closed).
  PageView page(int64_t n);
  // Forgets every cached page: the file was closed.
  void clear() { cache_.clear(); }

  int pageSize() const { return pageSize_; }
  int64_t pageCount() const { return pageCount_; }
  // Distinct pages read so far; a page read again counts once.
  int64_t pagesRead() const { return pagesRead_; }

 private:
  struct Cached {
    std::shared_ptr<std::vector<uint8_t>> bytes;  // views get it as const
    uint64_t lastUse = 0;
  };
  void notePageRead(int64_t n);

  const SourceFile* file_;
  int pageSize_;
  int64_t pageCount_;
  std::unordered_map<int64_t, Cached> cache_;
  uint64_t uses_ = 0;
  std::vector<bool> pagesSeen_;
  int64_t pagesRead_ = 0;
};

}  // namespace vantrel
