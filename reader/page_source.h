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

class OfficePageCipher;

// How pages 1 and on are stored: as they are (key 0, no cipher), RC4-encoded under the key XOR
// the page number, or encrypted under the keys a password unlocked. A key that may not fit is
// checked on each page: a page it does not decode into one is given as unreadable, and the
// source remembers that it could not be decoded.
struct PageCoding {
  uint32_t key = 0;
  bool checkEachPage = false;
  std::shared_ptr<const OfficePageCipher> cipher;
  bool encoded() const { return key != 0 || cipher != nullptr; }
  bool operator==(const PageCoding&) const = default;
};

// Hands out views of the file's pages, decoded when they are encoded, keeping the pages read last
// in a cache of fixed size, so that memory does not grow with the file. Counts the distinct pages
// read.
class PageSource {
 public:
  static constexpr size_t kCachedPages = 64;

  // Reads the file in pages of `pageSize` bytes, up to `largestFileBytes` of it.
  PageSource(const SourceFile& file, int pageSize, int64_t largestFileBytes,
             PageCoding coding = {});

  // Page n, or an empty view when it cannot be read (beyond the end, a read error, a file
  // already closed, an encoded page that could not be decoded).
  PageView page(int64_t n);
  // Reads the first buffer.size() bytes of page n straight from the file, decoded, without
  // the cache, as scans over every page do; no check of a key that may not fit. Returns the
  // count read: the whole buffer, or 0 when it cannot be read or decoded.
  size_t readStart(int64_t n, std::span<uint8_t> buffer) const;
  // Whether page n was read whole but could not be decoded.
  bool undecoded(int64_t n) const {
    return n >= 0 && static_cast<size_t>(n) < undecoded_.size() &&
           undecoded_[static_cast<size_t>(n)];
  }
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
  // Decodes page n, or its first bytes, in place; false when the cipher cannot be had.
  bool decode(int64_t n, std::span<uint8_t> bytes) const;
  // The same for a whole page read for the cache, checking the key where it may not fit;
  // remembers a page that could not be decoded.
  bool decodeChecked(int64_t n, std::span<uint8_t> bytes);

  const SourceFile* file_;
  int pageSize_;
  int64_t pageCount_;
  PageCoding coding_;
  std::vector<bool> undecoded_;
  std::unordered_map<int64_t, Cached> cache_;
  uint64_t uses_ = 0;
  std::vector<bool> pagesSeen_;
  int64_t pagesRead_ = 0;
};

}  // namespace vantrel
