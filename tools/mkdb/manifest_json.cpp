#include "tools/mkdb/manifest_json.h"

namespace vantrel::mkdb {

using nlohmann::json;

namespace {

json rangesOf(const mdbwriter::PageSet& pages) {
  json out = json::array();
  for (const mdbwriter::PageRange& r : pages.ranges())
    out.push_back({r.first, r.count});
  return out;
}

json mapOf(const mdbwriter::UsageMapInfo& map) {
  return {
      {"page", map.page}, {"row", map.row}, {"type", map.type}, {"bitmapPages", map.bitmapPages}};
}

}  // namespace

json manifestToJson(const mdbwriter::Manifest& manifest) {
  json tables = json::array();
  for (const mdbwriter::TableManifest& t : manifest.tables) {
    json longValues = json::array();
    for (const auto& lv : t.longValueColumns) {
      longValues.push_back({{"column", lv.column},
                            {"pages", rangesOf(lv.pages)},
                            {"usageMap", mapOf(lv.usageMap)},
                            {"freeMap", mapOf(lv.freeMap)}});
    }
    json indexes = json::array();
    for (const auto& ix : t.indexes) {
      indexes.push_back({{"name", ix.name},
                         {"realIndex", ix.realIndex},
                         {"leafPage", ix.leafPage},
                         {"usageMap", mapOf(ix.usageMap)}});
    }
    tables.push_back({{"name", t.name},
                      {"system", t.system},
                      {"definitionPages", t.definitionPages},
                      {"rowCount", t.rowCount},
                      {"deletedRowCount", t.deletedRowCount},
                      {"dataPages", rangesOf(t.dataPages)},
                      {"longValuePages", rangesOf(t.longValuePages)},
                      {"longValueColumns", longValues},
                      {"usageMap", mapOf(t.usageMap)},
                      {"freeMap", mapOf(t.freeMap)},
                      {"mapPages", t.mapPages},
                      {"indexes", indexes}});
  }
  json objects = json::array();
  for (const auto& o : manifest.objects) {
    objects.push_back({{"name", o.name}, {"id", o.id}, {"type", o.type}});
  }
  return {{"format", manifest.version == mdbwriter::JetVersion::kJet4 ? "jet4" : "jet3"},
          {"pageSize", manifest.pageSize},
          {"pageCount", manifest.pageCount},
          {"headerPage", manifest.headerPage},
          {"globalMapPage", manifest.globalMapPage},
          {"tables", tables},
          {"objects", objects}};
}

}  // namespace vantrel::mkdb
