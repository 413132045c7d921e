#include "reader/row_layout_inference.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <tuple>

#include "reader/column_types.h"

namespace vantrel {

namespace {

constexpr int kMaxColumns = 255;  // Jet allows no more; a row that claims more is damaged
constexpr size_t kLongValueHeader = 12;
constexpr uint32_t kInlineLongValue = 0x80000000u;
constexpr uint32_t kLongValueFlags = 0xC0000000u;
constexpr int kMaxBinarySize = 255;
constexpr int kJet4TextSize = 510;  // bytes of 255 UTF-16 characters
constexpr int kJet3TextSize = 255;
// Day numbers of 1910-01-01 and 2199-12-31: a fixed value that lies between them in every row
// is taken for a date.
constexpr double kFirstPlausibleDay = 3653;
constexpr double kLastPlausibleDay = 109574;
constexpr double kSmallestPlainDouble = 1e-9;
constexpr double kLargestPlainDouble = 1e15;

uint32_t u32At(std::span<const uint8_t> bytes, size_t at) {
  return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
         static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

double doubleAt(std::span<const uint8_t> bytes, size_t at) {
  uint64_t bits = 0;
  for (size_t i = 0; i < 8; ++i)
    bits |= static_cast<uint64_t>(bytes[at + i]) << (8 * i);
  return std::bit_cast<double>(bits);
}

// How one row reads under the layout being tried.
struct RowFit {
  const ObservedRow* row = nullptr;
  int fixedLength = 0;
  int varCount = 0;
};

int maskSizeOf(const ObservedRow& row) {
  return (row.columnCount + 7) / 8;
}

// The row with a variable offset table: entries that rise from the end of the fixed area
// and end before the table itself.
std::optional<RowFit> fitWithOffsets(const ObservedRow& row, int unit) {
  const auto& offsets = row.variableOffsets;
  if (offsets.size() < 2 || static_cast<int>(offsets.size()) - 1 > row.columnCount) {
    return std::nullopt;
  }
  const int varCount = static_cast<int>(offsets.size()) - 1;
  const int dataEnd = static_cast<int>(row.bytes.size()) - maskSizeOf(row) - unit * (varCount + 2);
  if (offsets[0] < unit || offsets.back() > dataEnd) return std::nullopt;
  for (size_t i = 1; i < offsets.size(); ++i) {
    if (offsets[i] < offsets[i - 1]) return std::nullopt;
  }
  return RowFit{&row, offsets[0] - unit, varCount};
}

std::optional<RowFit> fitWithoutOffsets(const ObservedRow& row, int unit) {
  const int fixedLength = static_cast<int>(row.bytes.size()) - unit - maskSizeOf(row);
  if (fixedLength < 0) return std::nullopt;
  return RowFit{&row, fixedLength, 0};
}

bool plausibleRow(const ObservedRow& row) {
  return row.columnCount > 0 && row.columnCount <= kMaxColumns;
}

// The rows that share the most common shape (column count, fixed length, variable count).
std::vector<RowFit> commonShape(const std::vector<RowFit>& fits) {
  std::map<std::tuple<int, int, int>, int64_t> counts;
  for (const RowFit& fit : fits)
    ++counts[{fit.row->columnCount, fit.fixedLength, fit.varCount}];
  auto best = counts.begin();
  for (auto it = counts.begin(); it != counts.end(); ++it) {
    if (it->second >= best->second) best = it;  // ties go to the widest rows
  }
  std::vector<RowFit> chosen;
  for (const RowFit& fit : fits) {
    if (std::tuple(fit.row->columnCount, fit.fixedLength, fit.varCount) == best->first) {
      chosen.push_back(fit);
    }
  }
  return chosen;
}

bool isLongValueField(std::span<const uint8_t> value, const ValueChecks& checks) {
  if (value.size() < kLongValueHeader) return false;
  const uint32_t header = u32At(value, 0);
  const uint32_t length = header & ~kLongValueFlags;
  if ((header & kLongValueFlags) == kInlineLongValue) {
    return value.size() == kLongValueHeader + length;
  }
  return value.size() == kLongValueHeader && (header & kLongValueFlags) != kLongValueFlags &&
         length > 0 && checks.leadsToLongValue(value);
}

// A candidate column and, per row of the common shape, whether it holds a value.
struct Candidate {
  ColumnDefinition column;
  std::vector<bool> present;
};

Candidate variableColumn(const std::vector<RowFit>& rows, int k, bool jet4,
                         const ValueChecks& checks) {
  const auto& decodesCleanly = checks.decodesCleanly;
  Candidate candidate;
  std::vector<std::span<const uint8_t>> values;
  for (const RowFit& fit : rows) {
    const auto& offsets = fit.row->variableOffsets;
    const auto from = static_cast<size_t>(offsets[static_cast<size_t>(k)]);
    const auto to = static_cast<size_t>(offsets[static_cast<size_t>(k) + 1]);
    candidate.present.push_back(to > from);
    if (to > from) values.push_back(std::span(fit.row->bytes).subspan(from, to - from));
  }
  ColumnDefinition& column = candidate.column;
  column.isFixed = false;
  column.variableIndex = k;
  const bool longValues =
      !values.empty() && std::ranges::all_of(values, [&](std::span<const uint8_t> value) {
        return isLongValueField(value, checks);
      });
  if (longValues) {
    const bool inlineText = std::ranges::all_of(values, [&](std::span<const uint8_t> value) {
      return value.size() == kLongValueHeader || decodesCleanly(value.subspan(kLongValueHeader));
    });
    column.type = inlineText ? kTypeMemo : kTypeOle;
  } else if (std::ranges::all_of(values, decodesCleanly)) {
    column.type = kTypeText;
    column.size = jet4 ? kJet4TextSize : kJet3TextSize;
  } else {
    column.type = kTypeBinary;
    column.size = kMaxBinarySize;
  }
  return candidate;
}

// A LONG that rises row after row, as an AutoNumber does.
bool isRisingLong(const std::vector<RowFit>& rows, size_t at) {
  if (rows.size() < 2) return false;
  int64_t previous = 0;
  for (const RowFit& fit : rows) {
    const auto value = static_cast<int32_t>(u32At(fit.row->bytes, at));
    if (value <= previous) return false;
    previous = value;
  }
  return true;
}

// A value written with few digits reads back from them: data, not bytes that happen to form
// a double.
bool isPlainDouble(double value) {
  if (!std::isfinite(value) || std::fabs(value) < kSmallestPlainDouble ||
      std::fabs(value) > kLargestPlainDouble) {
    return false;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", value);
  return std::strtod(text, nullptr) == value;
}

// The type of the 8 bytes at `at` when every row agrees on one: 0 when none.
int eightByteType(const std::vector<RowFit>& rows, size_t at) {
  bool anyValue = false;
  bool allDates = true;
  bool allPlain = true;
  for (const RowFit& fit : rows) {
    const double value = doubleAt(fit.row->bytes, at);
    if (value == 0 && !std::signbit(value)) continue;  // a null leaves zeros
    anyValue = true;
    allDates = allDates && value >= kFirstPlausibleDay && value <= kLastPlausibleDay;
    allPlain = allPlain && isPlainDouble(value);
    if (!allDates && !allPlain) return 0;
  }
  if (!anyValue) return 0;
  return allDates ? kTypeDateTime : kTypeDouble;
}

Candidate fixedColumn(const std::vector<RowFit>& rows, size_t at, int size, int type) {
  Candidate candidate;
  candidate.column.isFixed = true;
  candidate.column.type = type;
  candidate.column.size = size;
  candidate.column.fixedOffset = static_cast<int>(at);
  for (const RowFit& fit : rows) {
    const auto bytes = std::span(fit.row->bytes).subspan(at, static_cast<size_t>(size));
    candidate.present.push_back(std::ranges::any_of(bytes, [](uint8_t b) { return b != 0; }));
  }
  return candidate;
}

// The fixed area split from left to right: typed columns where every row agrees, bytes
// columns for the stretches between them.
std::vector<Candidate> fixedColumns(const std::vector<RowFit>& rows, int unit) {
  std::vector<Candidate> columns;
  const auto fixedLength = static_cast<size_t>(rows.front().fixedLength);
  const auto base = static_cast<size_t>(unit);
  size_t unsureFrom = 0;
  const auto flushUnsure = [&](size_t to) {
    for (size_t from = unsureFrom; from < to; from += kMaxBinarySize) {
      const int size = static_cast<int>(std::min<size_t>(kMaxBinarySize, to - from));
      columns.push_back(fixedColumn(rows, base + from, size, kTypeBinary));
      columns.back().column.fixedOffset = static_cast<int>(from);
    }
  };
  for (size_t at = 0; at < fixedLength;) {
    int type = 0;
    int size = 0;
    if (at + 4 <= fixedLength && isRisingLong(rows, base + at)) {
      type = kTypeLong;
      size = 4;
    } else if (at + 8 <= fixedLength) {
      type = eightByteType(rows, base + at);
      size = 8;
    }
    if (type == 0) {
      ++at;
      continue;
    }
    flushUnsure(at);
    columns.push_back(fixedColumn(rows, base + at, size, type));
    columns.back().column.fixedOffset = static_cast<int>(at);
    at += static_cast<size_t>(size);
    unsureFrom = at;
  }
  flushUnsure(fixedLength);
  return columns;
}

// Gives candidates, in order, distinct bits from `bits` (ascending) that rise with the
// candidates, so that the rows where a bit is set and those where the candidate holds a value
// agree most; where the rows cannot tell, the higher bits, or with `onlyExact` the lower
// ones (a table mostly begins with its fixed key). Every candidate takes a bit (with
// more candidates than bits, each its best one), or with `onlyExact` only where set and clear
// follow its values in every row, the others keeping none. Removes the bits taken.
void assignBits(std::vector<Candidate>& candidates, std::vector<int>& bits,
                const std::vector<std::vector<bool>>& mask, bool onlyExact) {
  const size_t m = candidates.size();
  const size_t r = bits.size();
  if (m == 0) return;
  std::vector<std::vector<int64_t>> scores(m, std::vector<int64_t>(r, 0));
  for (size_t c = 0; c < m; ++c) {
    for (size_t b = 0; b < r; ++b) {
      for (size_t row = 0; row < mask.size(); ++row) {
        scores[c][b] += candidates[c].present[row] == mask[row][static_cast<size_t>(bits[b])];
      }
    }
  }
  const auto rows = static_cast<int64_t>(mask.size());
  const auto allowed = [&](size_t c, size_t b) { return !onlyExact || scores[c][b] == rows; };
  if (m > r && !onlyExact) {
    for (size_t c = 0; c < m; ++c) {
      const auto best = std::ranges::max_element(scores[c]);
      candidates[c].column.columnNumber =
          best == scores[c].end() ? 0 : bits[static_cast<size_t>(best - scores[c].begin())];
    }
    bits.clear();
    return;
  }
  // best[i][j]: the most agreement of the first i candidates on the first j bits.
  constexpr int64_t kImpossible = INT64_MIN / 4;
  std::vector<std::vector<int64_t>> best(m + 1, std::vector<int64_t>(r + 1, 0));
  for (size_t i = 1; i <= m; ++i) {
    best[i][0] = onlyExact ? 0 : kImpossible;
    for (size_t j = 1; j <= r; ++j) {
      int64_t value = std::max(best[i][j - 1], onlyExact ? best[i - 1][j] : kImpossible);
      if (allowed(i - 1, j - 1) && best[i - 1][j - 1] > kImpossible) {
        value = std::max(value, best[i - 1][j - 1] + scores[i - 1][j - 1]);
      }
      best[i][j] = value;
    }
  }
  std::vector<bool> used(r, false);
  for (size_t i = m, j = r; i > 0;) {
    if (onlyExact && j > 0 && best[i][j] == best[i][j - 1]) {
      --j;
      continue;
    }
    if (j > 0 && allowed(i - 1, j - 1) && best[i - 1][j - 1] > kImpossible &&
        best[i][j] == best[i - 1][j - 1] + scores[i - 1][j - 1]) {
      candidates[i - 1].column.columnNumber = bits[j - 1];
      used[j - 1] = true;
      --i;
      --j;
    } else if (onlyExact && best[i][j] == best[i - 1][j]) {
      candidates[i - 1].column.columnNumber = kNoNullBit;
      --i;
    } else {
      --j;
    }
  }
  std::vector<int> left;
  for (size_t b = 0; b < r; ++b) {
    if (!used[b]) left.push_back(bits[b]);
  }
  bits = std::move(left);
}

}  // namespace

std::optional<InferredLayout> inferRowLayout(std::span<const ObservedRow> rows, bool jet4,
                                             const ValueChecks& checks) {
  const int unit = jet4 ? 2 : 1;
  std::vector<RowFit> withOffsets;
  std::vector<RowFit> withoutOffsets;
  for (const ObservedRow& row : rows) {
    if (!plausibleRow(row)) continue;
    if (const auto fit = fitWithOffsets(row, unit)) withOffsets.push_back(*fit);
    if (const auto fit = fitWithoutOffsets(row, unit)) withoutOffsets.push_back(*fit);
  }
  // The offset table is there when nearly every row's reads as one; by chance, the bytes of a
  // table without variable columns seldom do.
  const bool variable =
      !withOffsets.empty() && withOffsets.size() * 10 >= withoutOffsets.size() * 9;
  const std::vector<RowFit>& fits = variable ? withOffsets : withoutOffsets;
  if (fits.empty()) return std::nullopt;
  const std::vector<RowFit> shaped = commonShape(fits);
  const RowFit& shape = shaped.front();

  std::vector<std::vector<bool>> mask;
  for (const RowFit& fit : shaped) {
    const auto& bytes = fit.row->bytes;
    const size_t maskStart = bytes.size() - static_cast<size_t>(maskSizeOf(*fit.row));
    std::vector<bool> bits(static_cast<size_t>(shape.row->columnCount));
    for (size_t b = 0; b < bits.size(); ++b)
      bits[b] = (bytes[maskStart + b / 8] >> (b % 8)) & 1;
    mask.push_back(std::move(bits));
  }

  std::vector<Candidate> variables;
  for (int k = 0; k < shape.varCount; ++k)
    variables.push_back(variableColumn(shaped, k, jet4, checks));
  std::vector<Candidate> fixed = fixedColumns(shaped, unit);
  std::vector<int> bits(static_cast<size_t>(shape.row->columnCount));
  for (size_t b = 0; b < bits.size(); ++b)
    bits[b] = static_cast<int>(b);
  // A variable field is empty whenever its column is null, which ties it to its bit; a null
  // fixed field keeps its bytes, so fixed columns take a bit only where it follows their
  // values in every row, and are otherwise never null.
  assignBits(variables, bits, mask, false);
  assignBits(fixed, bits, mask, true);

  InferredLayout layout;
  layout.hasVariableColumns = variable;
  layout.rowsUsed = static_cast<int64_t>(shaped.size());
  for (auto* group : {&fixed, &variables}) {
    for (Candidate& candidate : *group)
      layout.columns.push_back(std::move(candidate.column));
  }
  for (int bit : bits) {
    ColumnDefinition flag;
    flag.type = kTypeBoolean;
    flag.isFixed = true;
    flag.columnNumber = bit;
    layout.columns.push_back(flag);
  }
  // In the order of their bits; a fixed column without one keeps its place after the fixed
  // column before it.
  int previousBit = -1;
  std::vector<std::pair<int, size_t>> order;
  for (size_t i = 0; i < layout.columns.size(); ++i) {
    const ColumnDefinition& column = layout.columns[i];
    if (column.columnNumber != kNoNullBit) previousBit = column.columnNumber;
    order.emplace_back(
        column.isFixed && column.columnNumber == kNoNullBit ? previousBit : column.columnNumber, i);
  }
  std::ranges::stable_sort(order, {}, &std::pair<int, size_t>::first);
  std::vector<ColumnDefinition> sorted;
  for (const auto& [bit, i] : order)
    sorted.push_back(std::move(layout.columns[i]));
  layout.columns = std::move(sorted);
  for (size_t i = 0; i < layout.columns.size(); ++i)
    layout.columns[i].name = "Field" + std::to_string(i + 1);
  return layout;
}

}  // namespace vantrel
