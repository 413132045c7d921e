#include "app/saving_json.h"

#include <nlohmann/json.hpp>
#include <string_view>

#include "app/analysis_json.h"
#include "app/damage_json.h"

namespace vantrel {
namespace {

std::string_view statusTextOf(SavedFile::Status status) {
  switch (status) {
    case SavedFile::Status::Saved:
      return "saved";
    case SavedFile::Status::SavedWithLosses:
      return "saved with losses";
    case SavedFile::Status::Stopped:
      return "stopped";
    case SavedFile::Status::Kept:
      return "kept";
    case SavedFile::Status::NotOpened:
      return "not opened";
    case SavedFile::Status::NotCreated:
      return "not created";
    case SavedFile::Status::NothingSalvaged:
      return "nothing salvaged";
  }
  return "unknown";
}

std::string_view lossKindText(ObjectLoss::Kind kind) {
  switch (kind) {
    case ObjectLoss::Kind::kTable:
      return "table";
    case ObjectLoss::Kind::kQuery:
      return "query";
    case ObjectLoss::Kind::kRelation:
      return "relation";
  }
  return "unknown";
}

nlohmann::json lossesJson(const SavingTally& tally) {
  nlohmann::json losses = nlohmann::json::array();
  for (const ObjectLoss& loss : tally.objects) {
    losses.push_back({{"kind", lossKindText(loss.kind)},
                      {"name", loss.name},
                      {"missing", loss.missing},
                      {"rows_lost", loss.rowsLost},
                      {"reason", loss.reason}});
  }
  return losses;
}

}  // namespace

std::string_view savedFileStatusText(SavedFile::Status status) {
  return statusTextOf(status);
}

std::string savingJson(const SavingOutcome& outcome) {
  nlohmann::json files = nlohmann::json::array();
  for (const SavedFile& file : outcome.files) {
    nlohmann::json tables = nlohmann::json::array();
    long long rows = 0;
    const bool written = file.status == SavedFile::Status::Saved ||
                         file.status == SavedFile::Status::SavedWithLosses ||
                         file.status == SavedFile::Status::Stopped;
    if (written) {
      const auto saved = outcome.destinations ? outcome.destinations->savedTables(file.destination)
                                              : std::vector<SavedTable>();
      for (const SavedTable& table : saved) {
        tables.push_back({{"name", table.name}, {"rows", table.rows}});
        rows += table.rows;
      }
    }
    files.push_back({{"source", file.source},
                     {"destination", file.destination.string()},
                     {"status", savedFileStatusText(file.status)},
                     {"problem", file.problem},
                     {"tables", tables},
                     {"rows", rows},
                     {"losses", lossesJson(file.tally)},
                     {"damage", damageJson(file.damage)}});
    if (file.tally.stopped) {
      files.back()["stopped_table"] = {{"name", file.tally.stopped->name},
                                       {"rows_written", file.tally.stopped->written},
                                       {"rows_declared", file.tally.stopped->of}};
    }
  }
  const nlohmann::json object = {
      {"format", kJsonFormatVersion},           {"folder", outcome.subfolder.string()},
      {"stopped", outcome.savingAborted},       {"saved_everything", savedEverything(outcome)},
      {"end_text", viewLogResultText(outcome)}, {"files", files}};
  return object.dump();
}

}  // namespace vantrel
