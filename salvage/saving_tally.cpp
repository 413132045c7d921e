#include "salvage/saving_tally.h"

#include <string_view>

#include "run/display_text.h"

namespace vantrel {

std::string objectLossText(const ObjectLoss& loss) {
  std::string text;
  switch (loss.kind) {
    case ObjectLoss::Kind::kTable:
      text = "table [" + loss.name + "]: ";
      if (loss.missing) {
        text += "not created";
        if (loss.rowsLost > 0)
          text += ", " + countedText(loss.rowsLost, "row", "rows") + " not written";
      } else {
        text += countedText(loss.rowsLost, "row", "rows") + " not written";
      }
      break;
    case ObjectLoss::Kind::kQuery:
      text = "query [" + loss.name + "]: " + (loss.missing ? "not saved" : "saved without its SQL");
      break;
    case ObjectLoss::Kind::kRelation:
      text = "relation [" + loss.name + "]: not saved";
      break;
  }
  if (!loss.reason.empty()) text += " (" + loss.reason + ")";
  return text;
}

std::string lossSummaryText(const SavingTally& tally) {
  int64_t tables = 0;
  int64_t rows = 0;
  int64_t queries = 0;
  int64_t relations = 0;
  for (const ObjectLoss& loss : tally.objects) {
    rows += loss.rowsLost;
    if (loss.kind == ObjectLoss::Kind::kTable) ++tables;
    if (loss.kind == ObjectLoss::Kind::kQuery) ++queries;
    if (loss.kind == ObjectLoss::Kind::kRelation) ++relations;
  }
  std::vector<std::string> parts;
  if (tables > 0 || rows > 0) {
    parts.push_back(countedText(tables, "table", "tables") + " and " +
                    countedText(rows, "row", "rows") + " not written");
  }
  if (queries > 0 || relations > 0) {
    std::string saved = queries > 0 ? countedText(queries, "query", "queries") : "";
    if (queries > 0 && relations > 0) saved += " and ";
    if (relations > 0) saved += countedText(relations, "relation", "relations");
    parts.push_back(saved + " not saved");
  }
  std::string text;
  if (tally.destinationLost()) text = std::string(destinationFaultText(tally.fault)) + ": ";
  for (size_t i = 0; i < parts.size(); ++i)
    text += (i > 0 ? ", " : "") + parts[i];
  if (tally.destinationLost()) {
    if (parts.empty()) text += "what came after it was not written";
    text += "; left in the destination: " + countedText(tally.savedTables, "table", "tables") +
            " with " + countedText(tally.savedRows, "row", "rows");
  }
  return text;
}

std::string stoppedText(const SavingTally& tally) {
  if (!tally.stopped) return "stopped before every object was saved";
  return "stopped: table [" + tally.stopped->name + "], " + std::to_string(tally.stopped->written) +
         " of " + std::to_string(tally.stopped->of) + " rows written";
}

}  // namespace vantrel
