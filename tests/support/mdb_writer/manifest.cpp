#include "tests/support/mdb_writer/manifest.h"

#include <bit>
#include <stdexcept>
#include <string>

namespace vantrel::mdbwriter {

void PageSet::add(int64_t page) {
  if (page < 0) throw std::invalid_argument("negative page number");
  const auto word = static_cast<size_t>(page / 64);
  if (word >= words_.size()) words_.resize(word + 1 + words_.size() / 2, 0);
  const uint64_t bit = uint64_t{1} << (page % 64);
  if ((words_[word] & bit) == 0) {
    words_[word] |= bit;
    ++count_;
  }
}

bool PageSet::contains(int64_t page) const {
  if (page < 0) return false;
  const auto word = static_cast<size_t>(page / 64);
  return word < words_.size() && (words_[word] >> (page % 64) & 1) != 0;
}

int64_t PageSet::first() const {
  for (size_t w = 0; w < words_.size(); ++w) {
    if (words_[w] != 0) return static_cast<int64_t>(w * 64) + std::countr_zero(words_[w]);
  }
  return -1;
}

int64_t PageSet::last() const {
  for (size_t w = words_.size(); w-- > 0;) {
    if (words_[w] != 0) return static_cast<int64_t>(w * 64) + 63 - std::countl_zero(words_[w]);
  }
  return -1;
}

int PageSet::lowestBit(uint64_t bits) {
  return std::countr_zero(bits);
}

std::vector<int64_t> PageSet::pages() const {
  std::vector<int64_t> all;
  all.reserve(static_cast<size_t>(count_));
  forEach([&](int64_t page) { all.push_back(page); });
  return all;
}

std::vector<PageRange> PageSet::ranges() const {
  std::vector<PageRange> out;
  forEach([&](int64_t page) {
    if (!out.empty() && out.back().first + out.back().count == page) {
      ++out.back().count;
    } else {
      out.push_back({page, 1});
    }
  });
  return out;
}

int64_t PageSet::nth(int64_t n) const {
  if (n < 0) return -1;
  for (size_t w = 0; w < words_.size(); ++w) {
    const int ones = std::popcount(words_[w]);
    if (n < ones) {
      uint64_t bits = words_[w];
      for (int64_t k = 0; k < n; ++k)
        bits &= bits - 1;
      return static_cast<int64_t>(w * 64) + std::countr_zero(bits);
    }
    n -= ones;
  }
  return -1;
}

const TableManifest& Manifest::table(std::string_view name) const {
  for (const TableManifest& t : tables) {
    if (t.name == name) return t;
  }
  throw std::out_of_range("no table " + std::string(name) + " in the manifest");
}

const ObjectManifest& Manifest::object(std::string_view name) const {
  for (const ObjectManifest& o : objects) {
    if (o.name == name) return o;
  }
  throw std::out_of_range("no object " + std::string(name) + " in the manifest");
}

}  // namespace vantrel::mdbwriter
