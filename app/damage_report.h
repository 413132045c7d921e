#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "run/damage_sink.h"

namespace vantrel {

// The damage the reader passed over in one file: a count of each kind, and the first pieces
// themselves. A page-wide kind is counted once per page, however often the page is reached;
// memory stays bounded whatever the file holds.
class DamageReport : public DamageSink {
 public:
  static constexpr size_t kMaxListed = 1000;

  void noteDamage(const Damage& damage) override;

  bool empty() const { return total_ == 0; }
  int64_t count(DamageKind kind) const { return counts_[static_cast<size_t>(kind)]; }
  // The first kMaxListed pieces in the order they were found; the rest are counted only.
  const std::vector<Damage>& listed() const { return listed_; }
  int64_t leftOut() const { return total_ - static_cast<int64_t>(listed_.size()); }

 private:
  std::array<int64_t, kDamageKindCount> counts_{};
  int64_t total_ = 0;
  std::vector<Damage> listed_;
  std::vector<uint16_t> pageKinds_;  // per page: the page-wide kinds already counted
  static_assert(kDamageKindCount <= 16, "a page's kinds are bits of one uint16_t");
};

// What a kind of damage is, as the lists and the JSON name it: "bad row offset".
std::string_view damageKindText(DamageKind kind);

// The counts in words, the most harmful first: "3 pages unreadable, 41 rows skipped"; empty
// when nothing was found.
std::string damageSummaryText(const DamageReport& report);

// The line the saving list, the log and the reports show: "Damage found: " and the summary;
// empty when nothing was found.
std::string damageFoundLine(const DamageReport& report);

// One piece as a line of the preview's list: "Page 12, row 3 (Orders): bad row offset".
std::string damageItemText(const Damage& damage);

// The pieces listed, a line each (the preview's "Damage" group).
std::vector<std::string> damageItemLines(const DamageReport& report);

// The report the preview shows for its "Damage" group: the summary line, then every piece
// listed, and how many more were found.
std::string damageReportText(const DamageReport& report);

}  // namespace vantrel
