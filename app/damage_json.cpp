#include "app/damage_json.h"

namespace vantrel {

nlohmann::json damageJson(const DamageReport& report) {
  nlohmann::json counts = nlohmann::json::object();
  for (int kind = 0; kind < kDamageKindCount; ++kind) {
    const auto damageKind = static_cast<DamageKind>(kind);
    if (report.count(damageKind) > 0) counts[damageKindText(damageKind)] = report.count(damageKind);
  }
  nlohmann::json items = nlohmann::json::array();
  for (const Damage& damage : report.listed()) {
    items.push_back(
        {{"kind", damageKindText(damage.kind)},
         {"page", damage.page},
         {"row", damage.row ? nlohmann::json(*damage.row) : nlohmann::json()},
         {"table", damage.table.empty() ? nlohmann::json() : nlohmann::json(damage.table)}});
  }
  return {{"summary", damageSummaryText(report)},
          {"counts", counts},
          {"items", items},
          {"unlisted", report.leftOut()}};
}

}  // namespace vantrel
