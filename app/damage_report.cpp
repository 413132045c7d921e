#include "app/damage_report.h"

#include "run/display_text.h"

namespace vantrel {
namespace {

// Kinds that belong to a page as a whole: each page counts once for each.
bool isPageWide(DamageKind kind) {
  return kind != DamageKind::kBadRowOffset && kind != DamageKind::kFieldOutsideRow &&
         kind != DamageKind::kUnreadableLongValue;
}

// Pages beyond this are counted each time they are reached: no file of the formats has them.
constexpr int64_t kMaxTrackedPage = int64_t{1} << 22;

}  // namespace

void DamageReport::noteDamage(const Damage& damage) {
  if (isPageWide(damage.kind) && damage.page >= 0 && damage.page < kMaxTrackedPage) {
    const auto page = static_cast<size_t>(damage.page);
    if (page >= pageKinds_.size()) pageKinds_.resize(page + 1);
    const auto bit = static_cast<uint16_t>(1u << static_cast<unsigned>(damage.kind));
    if ((pageKinds_[page] & bit) != 0) return;
    pageKinds_[page] = static_cast<uint16_t>(pageKinds_[page] | bit);
  }
  ++counts_[static_cast<size_t>(damage.kind)];
  ++total_;
  if (listed_.size() < kMaxListed) listed_.push_back(damage);
}

std::string_view damageKindText(DamageKind kind) {
  switch (kind) {
    case DamageKind::kUnreadablePage:
      return "page unreadable";
    case DamageKind::kUndecodedPage:
      return "page not decoded";
    case DamageKind::kForeignPage:
      return "page of another kind";
    case DamageKind::kBadRowOffset:
      return "bad row offset";
    case DamageKind::kFieldOutsideRow:
      return "field outside its row";
    case DamageKind::kUnreadableLongValue:
      return "long value cut short";
    case DamageKind::kLostUsageMap:
      return "usage map lost";
    case DamageKind::kUnreadableDefinition:
      return "table definition unreadable";
    case DamageKind::kRebuiltDefinition:
      return "table definition rebuilt from rows";
    case DamageKind::kLostColumnNames:
      return "column names lost";
    case DamageKind::kLostCatalog:
      return "catalog definition unreadable";
  }
  return "damage";
}

std::string damageSummaryText(const DamageReport& report) {
  struct Part {
    DamageKind kind;
    std::string_view one;
    std::string_view many;
  };
  static constexpr Part kParts[] = {
      {DamageKind::kLostCatalog, "catalog unreadable", "catalog unreadable"},
      {DamageKind::kUnreadableDefinition, "table lost", "tables lost"},
      {DamageKind::kUnreadablePage, "page unreadable", "pages unreadable"},
      {DamageKind::kUndecodedPage, "encoded page not decoded", "encoded pages not decoded"},
      {DamageKind::kBadRowOffset, "row skipped", "rows skipped"},
      {DamageKind::kFieldOutsideRow, "row partly unreadable", "rows partly unreadable"},
      {DamageKind::kUnreadableLongValue, "memo or OLE value cut short",
       "memo or OLE values cut short"},
      {DamageKind::kForeignPage, "page of another kind", "pages of another kind"},
      {DamageKind::kRebuiltDefinition, "table definition rebuilt", "table definitions rebuilt"},
      {DamageKind::kLostColumnNames, "table without column names", "tables without column names"},
      {DamageKind::kLostUsageMap, "usage map lost", "usage maps lost"},
  };
  std::string text;
  for (const Part& part : kParts) {
    const int64_t n = report.count(part.kind);
    if (n == 0) continue;
    if (!text.empty()) text += ", ";
    // A file has one catalog: its loss needs no count.
    text += part.kind == DamageKind::kLostCatalog ? std::string(part.one)
                                                  : countedText(n, part.one, part.many);
  }
  return text;
}

std::string damageFoundLine(const DamageReport& report) {
  const std::string summary = damageSummaryText(report);
  return summary.empty() ? std::string() : "Damage found: " + summary;
}

std::string damageItemText(const Damage& damage) {
  std::string text = "Page " + std::to_string(damage.page);
  if (damage.row) text += ", row " + std::to_string(*damage.row);
  if (!damage.table.empty()) text += " (" + damage.table + ")";
  return text + ": " + std::string(damageKindText(damage.kind));
}

std::vector<std::string> damageItemLines(const DamageReport& report) {
  std::vector<std::string> lines;
  lines.reserve(report.listed().size());
  for (const Damage& damage : report.listed())
    lines.push_back(damageItemText(damage));
  return lines;
}

std::string damageReportText(const DamageReport& report) {
  if (report.empty()) return {};
  std::string text = damageFoundLine(report) + "\r\n\r\n";
  for (const Damage& damage : report.listed())
    text += damageItemText(damage) + "\r\n";
  if (report.leftOut() > 0) {
    text += "\r\n" + countedText(report.leftOut(), "more piece", "more pieces") + " not listed\r\n";
  }
  return text;
}

}  // namespace vantrel
