#include "app/analysis_json.h"

#include <nlohmann/json.hpp>

#include "app/damage_json.h"
#include "app/report_texts.h"
#include "run/walk_end.h"

namespace vantrel {

std::string analysisJson(const AnalysisResult& analysis, bool showPassword) {
  nlohmann::json tables = nlohmann::json::array();
  for (const auto& table : analysis.summary.tables) {
    tables.push_back({{"name", table.name},
                      {"objectId", table.objectId},
                      {"columns", table.columnCount},
                      {"records", table.recordCount}});
  }
  nlohmann::json queries = nlohmann::json::array();
  for (const auto& query : analysis.summary.queryList) {
    queries.push_back({{"name", query.name}, {"objectId", query.objectId}});
  }
  nlohmann::json relations = nlohmann::json::array();
  for (const auto& relation : analysis.summary.relations) {
    relations.push_back({{"name", relation.name},
                         {"primaryTable", relation.firstTable},
                         {"foreignTable", relation.secondTable},
                         {"primaryFields", relation.firstField},
                         {"foreignFields", relation.secondField}});
  }
  const auto formatName = accessFormatName(analysis.formatVersion);
  const nlohmann::json format =
      formatName ? nlohmann::json(std::string(*formatName)) : nlohmann::json(nullptr);
  nlohmann::json object = {
      {"format", kJsonFormatVersion}, {"file", analysis.tree.root},
      {"opened", analysis.opened},    {"stopped", analysis.end == WalkEnd::kStopped},
      {"fileFormat", format},         {"tables", tables},
      {"queries", queries},           {"relations", relations}};
  // Why a file did not open, in the words the command line prints; null when it opened.
  object["reason"] = analysis.opened ? nlohmann::json(nullptr) : nlohmann::json(analysis.problem);
  // What the reader passed over, so that a user learns first what is lost.
  object["damage"] = damageJson(analysis.damage);
  object["databasePassword"] = analysis.databasePassword.has_value();
  object["encodedPages"] = analysis.pageCoding.key != 0;
  object["encryptedPages"] = analysis.pageCoding.cipher != nullptr;
  if (showPassword) {
    object["password"] = analysis.databasePassword
                             ? nlohmann::json(analysis.databasePassword->revealed())
                             : nlohmann::json(nullptr);
  }
  return object.dump();
}

}  // namespace vantrel
