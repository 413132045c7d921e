#include "reader/lost_definition.h"

#include <algorithm>
#include <cctype>

#include "reader/lost_column_names.h"
#include "reader/object_properties.h"
#include "reader/page_census.h"
#include "reader/row_layout_inference.h"
#include "reader/row_page.h"
#include "reader/row_reader.h"
#include "reader/text_decoding.h"

namespace vantrel {

namespace {

constexpr size_t kLongValuePointer = 4;  // in a long-value field
constexpr int kMaxRowSize = 16383;
// The layout is inferred from the first rows; the walk reads them all.
constexpr size_t kSampleRows = 1000;

ObservedRow observeRow(const RowPage& page, int s, int e) {
  ObservedRow row;
  const auto bytes = page.bytes().subspan(static_cast<size_t>(s), static_cast<size_t>(e - s + 1));
  row.bytes.assign(bytes.begin(), bytes.end());
  const RowShape shape = rowShape(page, s, e);
  row.columnCount = shape.columnCount;
  std::vector<int> offsets;
  if (readVariableOffsets(page, s, e, shape, offsets) &&
      std::ranges::none_of(offsets, [](int offset) { return offset < 0; })) {
    row.variableOffsets = std::move(offsets);
  }
  return row;
}

// Calls `visit(s, e)` for every live row of a data page.
template <typename Visit>
void forEachLiveRow(const RowPage& rows, Visit&& visit) {
  for (int r = 0; r < rows.rowsToRead(); ++r) {
    const int entry = rows.entry(r);
    if (entry < 0 || RowPage::isPointerOrDeleted(entry)) continue;
    const int s = rows.start(r);
    const int e = rows.end(r) - 1;
    if (s <= 0 || e < s || e >= rows.size() || e - s >= kMaxRowSize) continue;
    visit(s, e);
  }
}

// Reads a UTF-8 code point at `i` (the text is valid UTF-8) and moves past it.
char32_t nextCodePoint(const std::string& text, size_t& i) {
  const auto lead = static_cast<uint8_t>(text[i++]);
  int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  char32_t c = more == 0 ? lead : lead & (0x3F >> more);
  for (; more > 0 && i < text.size(); --more)
    c = (c << 6) | (static_cast<uint8_t>(text[i++]) & 0x3F);
  return c;
}

bool isStrayCharacter(char32_t c) {
  if (c < 0x20) return c != '\t' && c != '\n' && c != '\r';
  return (c >= 0x7F && c <= 0x9F) || c == 0xFFFD || c == 0xFFFE || c == 0xFFFF ||
         (c >= 0xE000 && c <= 0xF8FF);
}

// The scripts and signs that texts are written in. Bytes that are no text, read as UTF-16,
// scatter over every block; a value of a few characters seldom stays inside these.
bool isWritingCharacter(char32_t c) {
  constexpr std::pair<char32_t, char32_t> kBlocks[] = {
      {0x0009, 0x000D}, {0x0020, 0x007E}, {0x00A0, 0x052F}, {0x0590, 0x06FF},
      {0x0900, 0x097F}, {0x0E00, 0x0E7F}, {0x1E00, 0x1FFF}, {0x2000, 0x215F},
      {0x2190, 0x23FF}, {0x2460, 0x27BF}, {0x3000, 0x30FF}, {0x3400, 0x4DBF},
      {0x4E00, 0x9FFF}, {0xAC00, 0xD7AF}, {0xF900, 0xFAFF}, {0xFF00, 0xFFEF},
  };
  return std::ranges::any_of(
      kBlocks, [c](const auto& block) { return c >= block.first && c <= block.second; });
}

// Whether a long-value field's pointer (row, then the page in three bytes) names a row of a
// data page of the file.
bool leadsToLongValue(SourceDatabase& db, std::span<const uint8_t> field) {
  const int row = field[kLongValuePointer];
  const int64_t page = u32Of(field, kLongValuePointer) >> 8;
  const PageView view = page <= 0 || page >= db.pageCount() ? PageView() : db.page(page);
  if (!view) return false;
  const RowPage rows(view.bytes(), db.format());
  return rows.pageType() == kDataPageType && rows.bytes()[1] == 1 && row < rows.storedRowCount();
}

}  // namespace

bool decodesAsCleanText(const SourceDatabase& db, std::span<const uint8_t> bytes) {
  if (bytes.empty()) return true;
  if (db.isJet4() && !isCompressedJet4Text(bytes) && bytes.size() % 2 != 0) return false;
  // Read whole: a zero, where the reader ends the text, counts as a control character.
  const std::string text =
      db.isJet4() ? decodeJet4Text(bytes, false) : db.codePageDecoder().decode(bytes, false);
  if (text.empty()) return false;
  // A control character here and there is still text when letters and digits make most of
  // it; bytes that are no text seldom hold so many.
  size_t characters = 0;
  size_t alphanumerics = 0;
  bool stray = false;
  for (size_t i = 0; i < text.size(); ++characters) {
    const char32_t c = nextCodePoint(text, i);
    // (A code page's unassigned bytes give U+FFFD; in UTF-16 a broken surrogate does.)
    if ((db.isJet4() && c == 0xFFFD) || c == 0xFFFE || c == 0xFFFF ||
        (c >= 0xE000 && c <= 0xF8FF)) {
      return false;
    }
    if (db.isJet4() && !isStrayCharacter(c) && !isWritingCharacter(c)) return false;
    stray = stray || isStrayCharacter(c);
    alphanumerics += (c < 0x80 && std::isalnum(static_cast<int>(c))) || c >= 0xC0;
  }
  return !stray || alphanumerics * 4 >= characters * 3;
}

bool definitionIsLost(SourceDatabase& db, int64_t page) {
  if (pageCensus(db).isFree(page)) return false;  // dropped
  const PageView view = db.page(page);
  if (!view || byteOf(view.bytes(), 1) != 1) return true;
  // A page that Jet took for something else once the table was dropped, or marked as it
  // dropped it (types 8 and 9 are seen on dropped definition and long-value pages).
  const int type = byteOf(view.bytes(), 0);
  if (type != kDefinitionPageType) return !isKnownPageType(type);
  return !openTable(db, {.name = "", .objectType = kObjectTable, .tdefPage = page});
}

std::optional<TableDefinition> inferLostDefinition(SourceDatabase& db,
                                                   const CatalogObject& object) {
  std::vector<ObservedRow> sample;
  int64_t liveRows = 0;
  const PageCensus& census = pageCensus(db);
  for (const int64_t page : census.dataPagesOf(object.tdefPage)) {
    const PageView view = census.isFree(page) ? PageView() : db.page(page);
    const RowPage rows(view.bytes(), db.format());
    if (!view || !rows.isDataPageOf(object.tdefPage)) continue;
    forEachLiveRow(rows, [&](int s, int e) {
      ++liveRows;
      if (sample.size() < kSampleRows) sample.push_back(observeRow(rows, s, e));
    });
  }
  const ValueChecks checks{
      .decodesCleanly =
          [&db](std::span<const uint8_t> bytes) { return decodesAsCleanText(db, bytes); },
      .leadsToLongValue =
          [&db](std::span<const uint8_t> field) { return leadsToLongValue(db, field); }};
  const auto layout = inferRowLayout(sample, db.isJet4(), checks);
  if (!layout || layout->columns.empty()) return std::nullopt;

  TableDefinition table;
  table.catalogObject = object;
  table.name = object.name;
  table.columns = layout->columns;
  table.columnCount = static_cast<int>(table.columns.size());
  table.rowCount = liveRows;
  table.usageMapLost = true;  // its rows are found by their pages' owner
  table.variableColumnSwitch = layout->hasVariableColumns ? 1 : 0;
  table.inferredFromRows = layout->rowsUsed;
  if (const auto properties = tableProperties(db, object.tdefPage)) {
    nameColumnsFromProperties(table.columns, *properties);
  }
  return table;
}

std::optional<TableDefinition> readOrInferDefinition(SourceDatabase& db,
                                                     const CatalogObject& object) {
  if (auto table = openTable(db, object)) {
    if (table->definition.usageMapLost) {
      db.noteDamage(DamageKind::kLostUsageMap, object.tdefPage, std::nullopt, object.name);
    }
    if (table->definition.columnNamesLost) {
      db.noteDamage(DamageKind::kLostColumnNames, object.tdefPage, std::nullopt, object.name);
    }
    return std::move(table->definition);
  }
  auto inferred = inferLostDefinition(db, object);
  db.noteDamage(inferred ? DamageKind::kRebuiltDefinition : DamageKind::kUnreadableDefinition,
                object.tdefPage, std::nullopt, object.name);
  return inferred;
}

}  // namespace vantrel
