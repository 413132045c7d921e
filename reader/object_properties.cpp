#include "reader/object_properties.h"

#include "reader/catalog_rows.h"

namespace vantrel {

const ObjectPropertyBytes& objectPropertyBytes(SourceDatabase& db) {
  if (!db.propertyBytes_) {
    // Reading the catalog opens its definition, which asks for nothing here; an empty set
    // stands meanwhile, so that no damaged definition can ask again.
    db.propertyBytes_ = std::make_shared<ObjectPropertyBytes>();
    DamageSink* const sink = db.damageSink();
    db.setDamageSink(nullptr);
    auto read = std::make_shared<ObjectPropertyBytes>();
    for (CatalogRow& row : readCatalogRows(db)) {
      if (row.objectType == kObjectTable && !row.propertyBytes.empty()) {
        read->byTable.insert_or_assign(row.objectId & 0xFFFFFF, std::move(row.propertyBytes));
      }
    }
    db.setDamageSink(sink);
    db.propertyBytes_ = std::move(read);
  }
  return *db.propertyBytes_;
}

std::optional<PropertyBlock> tableProperties(SourceDatabase& db, int64_t tdefPage) {
  if (db.walkedProperties.tdefPage == tdefPage) {
    if (db.walkedProperties.bytes.empty()) return std::nullopt;
    return parsePropertyBlock(db.walkedProperties.bytes, db);
  }
  const auto& byTable = objectPropertyBytes(db).byTable;
  const auto found = byTable.find(tdefPage);
  if (found == byTable.end()) return std::nullopt;
  return parsePropertyBlock(found->second, db);
}

}  // namespace vantrel
