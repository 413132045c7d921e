#include "tools/mkdb/synthetic.h"

#include <array>
#include <memory>
#include <stdexcept>
#include <string>

namespace vantrel::mkdb {

using mdbwriter::ColumnType;

namespace {

// splitmix64: small, fast and the same everywhere.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int64_t between(int64_t low, int64_t high) {
    return low + static_cast<int64_t>(next() % static_cast<uint64_t>(high - low + 1));
  }

 private:
  uint64_t state_;
};

constexpr std::array<const char*, 24> kWords = {
    "order",   "invoice", "customer", "shipment", "delivered", "pending", "north",  "south",
    "account", "balance", "supplier", "product",  "returned",  "urgent",  "review", "stock",
    "price",   "quote",   "contract", "region",   "approved",  "closed",  "late",   "early"};

std::string words(Random& random, int64_t length) {
  std::string text;
  text.reserve(static_cast<size_t>(length) + 16);
  while (static_cast<int64_t>(text.size()) < length) {
    if (!text.empty()) text += ' ';
    text += kWords[random.next() % kWords.size()];
  }
  text.resize(static_cast<size_t>(length));
  return text;
}

mdbwriter::Guid guid(Random& random) {
  mdbwriter::Guid value;
  for (size_t i = 0; i < value.bytes.size(); i += 8) {
    const uint64_t bits = random.next();
    for (size_t k = 0; k < 8; ++k) value.bytes[i + k] = static_cast<uint8_t>(bits >> (8 * k));
  }
  return value;
}

}  // namespace

mdbwriter::DatabaseSpec syntheticSpec(const SyntheticOptions& options) {
  if (options.rows < 0 || options.memoMin < 0 || options.memoMax < options.memoMin) {
    throw std::invalid_argument("synthetic table: bad row count or memo sizes");
  }
  mdbwriter::DatabaseSpec spec{.version = options.version};
  mdbwriter::TableSpec table{.name = "Records"};
  auto random = std::make_shared<Random>(options.seed);
  auto next = std::make_shared<int64_t>(0);
  if (options.shape == SyntheticShape::kLean) {
    table.columns = {
        {.name = "Id", .type = ColumnType::kLong, .autoNumber = true},
        {.name = "Name", .type = ColumnType::kText, .size = 50, .compressedText = true},
        {.name = "Ratio", .type = ColumnType::kDouble},
        {.name = "Created", .type = ColumnType::kDateTime},
        {.name = "Active", .type = ColumnType::kBoolean},
        {.name = "Quantity", .type = ColumnType::kInteger},
    };
    table.rows = [options, random, next](mdbwriter::Row& row) {
      if (*next >= options.rows) return false;
      const int64_t id = ++*next;
      Random& r = *random;
      row.values = {
          id,
          words(r, r.between(8, 40)),
          static_cast<double>(r.between(-1000000, 1000000)) / 1024.0,
          mdbwriter::DateTime{36000.0 + static_cast<double>(r.between(0, 9000 * 86400)) / 86400.0},
          r.next() % 2 == 0,
          r.between(-32768, 32767),
      };
      return true;
    };
    spec.tables.push_back(std::move(table));
    return spec;
  }
  const bool jet4 = options.version == mdbwriter::JetVersion::kJet4;
  table.columns = {
      {.name = "Id", .type = ColumnType::kLong, .autoNumber = true},
      {.name = "Code", .type = ColumnType::kText, .size = 12},
      {.name = "Name", .type = ColumnType::kText, .size = 50, .compressedText = true},
      {.name = "Quantity", .type = ColumnType::kInteger},
      {.name = "Amount", .type = ColumnType::kCurrency},
      {.name = "Ratio", .type = ColumnType::kDouble},
      {.name = "Score", .type = ColumnType::kSingle},
      {.name = "Created", .type = ColumnType::kDateTime},
      {.name = "Active", .type = ColumnType::kBoolean},
      {.name = "Tag", .type = ColumnType::kByte},
      {.name = "Notes", .type = ColumnType::kMemo, .compressedText = true},
      {.name = "Reference", .type = ColumnType::kGuid},
  };
  // Access 97 has no numeric type.
  if (jet4) table.columns.push_back({.name = "Price", .type = ColumnType::kNumeric, .precision = 18, .scale = 4});
  table.indexes = {
      {.name = "PrimaryKey", .columns = {{"Id"}}, .kind = mdbwriter::IndexKind::kPrimaryKey}};
  table.rows = [options, random, next, jet4](mdbwriter::Row& row) {
    if (*next >= options.rows) return false;
    const int64_t id = ++*next;
    Random& r = *random;
    const bool chained = options.chainEvery > 0 && id % options.chainEvery == 0;
    const int64_t memoLength = chained ? 6000 : r.between(options.memoMin, options.memoMax);
    std::string code = "C";
    code += std::to_string(100000 + id % 900000);
    row.values = {
        id,
        std::move(code),
        words(r, r.between(8, 40)),
        r.between(-32768, 32767),
        mdbwriter::Currency{r.between(-10000000000, 10000000000)},
        static_cast<double>(r.between(-1000000, 1000000)) / 1024.0,
        static_cast<double>(r.between(0, 100000)) / 8.0,
        mdbwriter::DateTime{36000.0 + static_cast<double>(r.between(0, 9000 * 86400)) / 86400.0},
        r.next() % 2 == 0,
        r.between(0, 255),
        words(r, memoLength),
        guid(r),
        mdbwriter::Decimal{r.between(-100000000000, 100000000000)},
    };
    if (!jet4) row.values.pop_back();
    return true;
  };
  spec.tables.push_back(std::move(table));
  return spec;
}

}  // namespace vantrel::mkdb
