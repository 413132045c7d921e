#include "tests/support/mdb_writer/system_tables.h"

#include <map>
#include <stdexcept>

namespace vantrel::mdbwriter {

namespace {

constexpr int64_t kRootContainer = 0x0F000000;
constexpr int64_t kTablesContainer = 0x0F000001;
constexpr int64_t kDatabasesContainer = 0x0F000002;
constexpr int64_t kRelationshipsContainer = 0x0F000003;
constexpr int64_t kDatabaseObject = 0x10000000;
constexpr int64_t kHiddenSystemFlags = 0x80000000;
constexpr int kContainerObject = 3;
constexpr int kDatabaseObjectType = 2;

// Ids of objects that have no definition page count up from here.
constexpr int64_t kFirstCountedId = 0x80000000;

ColumnSpec column(std::string name, ColumnType type, int size = 0) {
  return ColumnSpec{.name = std::move(name), .type = type, .size = size};
}

int binarySize(JetVersion version) {
  return version == JetVersion::kJet4 ? 510 : 255;
}

IndexSpec index(std::string name, std::vector<std::string> columns,
                IndexKind kind = IndexKind::kNormal, bool unique = false) {
  IndexSpec spec{.name = std::move(name), .kind = kind, .unique = unique};
  for (std::string& c : columns)
    spec.columns.push_back({std::move(c)});
  return spec;
}

// Signed 32-bit form of an id or flag word, as the long integer columns hold it.
int64_t asLong(int64_t value) {
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

Value text(const std::optional<std::string>& value) {
  return value ? Value{*value} : Value{};
}

}  // namespace

TableSpec catalogTable(JetVersion version) {
  TableSpec t{.name = "MSysObjects"};
  t.columns = {
      column("Id", ColumnType::kLong),
      column("ParentId", ColumnType::kLong),
      column("Name", ColumnType::kText, 255),
      column("Type", ColumnType::kInteger),
      column("DateCreate", ColumnType::kDateTime),
      column("DateUpdate", ColumnType::kDateTime),
      column("Owner", ColumnType::kBinary, binarySize(version)),
      column("Flags", ColumnType::kLong),
      column("Database", ColumnType::kMemo),
      column("Connect", ColumnType::kMemo),
      column("ForeignName", ColumnType::kText, 255),
      column("RmtInfoShort", ColumnType::kBinary, binarySize(version)),
      column("RmtInfoLong", ColumnType::kOle),
      column("Lv", ColumnType::kOle),
      column("LvProp", ColumnType::kOle),
      column("LvModule", ColumnType::kOle),
      column("LvExtra", ColumnType::kOle),
  };
  t.indexes = {index("Id", {"Id"}, IndexKind::kPrimaryKey),
               index("ParentIdName", {"ParentId", "Name"}, IndexKind::kNormal, true)};
  return t;
}

TableSpec accessControlTable(JetVersion version) {
  TableSpec t{.name = "MSysACEs"};
  t.columns = {
      column("ObjectId", ColumnType::kLong),
      column("SID", ColumnType::kBinary, binarySize(version)),
      column("ACM", ColumnType::kLong),
      column("FInheritable", ColumnType::kBoolean),
  };
  t.indexes = {index("ObjectId", {"ObjectId"})};
  return t;
}

TableSpec queryCatalogTable(JetVersion version) {
  TableSpec t{.name = "MSysQueries"};
  t.columns = {
      column("ObjectId", ColumnType::kLong),
      column("Attribute", ColumnType::kByte),
      column("Order", ColumnType::kBinary, binarySize(version)),
      column("Name1", ColumnType::kText, 255),
      column("Name2", ColumnType::kText, 255),
      column("Expression", ColumnType::kMemo),
      column("Flag", ColumnType::kInteger),
  };
  if (version == JetVersion::kJet4) t.columns.push_back(column("LvExtra", ColumnType::kLong));
  t.indexes = {index("ObjectIdAttribute", {"ObjectId", "Attribute", "Order"})};
  return t;
}

TableSpec relationsTable(JetVersion) {
  TableSpec t{.name = "MSysRelationships"};
  t.columns = {
      column("szRelationship", ColumnType::kText, 255),
      column("grbit", ColumnType::kLong),
      column("ccolumn", ColumnType::kLong),
      column("icolumn", ColumnType::kLong),
      column("szObject", ColumnType::kText, 255),
      column("szColumn", ColumnType::kText, 255),
      column("szReferencedObject", ColumnType::kText, 255),
      column("szReferencedColumn", ColumnType::kText, 255),
  };
  t.indexes = {index("szObject", {"szObject"}), index("szReferencedObject", {"szReferencedObject"}),
               index("szRelationship", {"szRelationship"})};
  return t;
}

std::vector<CatalogEntry> catalogEntries(const DatabaseSpec& spec,
                                         const std::vector<int64_t>& userTablePages) {
  std::vector<CatalogEntry> entries = {
      {"Tables", kTablesContainer, kRootContainer, kContainerObject, kHiddenSystemFlags},
      {"Databases", kDatabasesContainer, kRootContainer, kContainerObject, kHiddenSystemFlags},
      {"Relationships", kRelationshipsContainer, kRootContainer, kContainerObject,
       kHiddenSystemFlags},
      {"MSysDb", kDatabaseObject, kDatabasesContainer, kDatabaseObjectType, kHiddenSystemFlags},
      {"MSysObjects", 2, kTablesContainer, kTableObject, kHiddenSystemFlags},
      {"MSysACEs", 3, kTablesContainer, kTableObject, kHiddenSystemFlags},
      {"MSysQueries", 4, kTablesContainer, kTableObject, kHiddenSystemFlags},
      {"MSysRelationships", 5, kTablesContainer, kTableObject, kHiddenSystemFlags},
  };
  int64_t nextId = kFirstCountedId;
  std::vector<std::string> containers = {"Forms", "Modules", "Reports", "Scripts", "SysRel"};
  if (spec.version == JetVersion::kJet4) containers.insert(containers.begin(), "DataAccessPages");
  for (const std::string& name : containers) {
    entries.push_back({name, nextId++, kRootContainer, kContainerObject, 0});
  }
  if (userTablePages.size() != spec.tables.size()) throw std::logic_error("table pages");
  for (size_t i = 0; i < spec.tables.size(); ++i) {
    entries.push_back({spec.tables[i].name, userTablePages[i], kTablesContainer, kTableObject, 0});
  }
  for (const SavedQuery& query : spec.queries) {
    entries.push_back({query.name, nextId++, kTablesContainer, kQueryObject, query.objectFlags});
  }
  for (const RelationSpec& relation : spec.relations) {
    entries.push_back({relation.name, nextId++, kRelationshipsContainer, kRelationshipObject, 0});
  }
  return entries;
}

std::vector<Row> catalogRows(const std::vector<CatalogEntry>& entries, DateTime created) {
  std::vector<Row> rows;
  for (const CatalogEntry& e : entries) {
    Row row;
    row.values.resize(17);
    row.values[0] = asLong(e.id);
    row.values[1] = asLong(e.parentId);
    row.values[2] = e.name;
    row.values[3] = int64_t{e.type};
    row.values[4] = created;
    row.values[5] = created;
    row.values[7] = asLong(e.flags);
    rows.push_back(std::move(row));
  }
  return rows;
}

void appendQueryRows(std::vector<Row>& rows, const SavedQuery& query, int64_t id,
                     JetVersion version) {
  std::map<int, uint32_t> counters;
  for (const QueryRow& q : query.rows) {
    if (q.attribute < 0 || q.attribute > 255) throw std::invalid_argument("query attribute");
    Bytes order;
    if (q.order) {
      order = *q.order;
    } else {
      const uint32_t n = ++counters[q.attribute];
      order = {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
               static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)};
    }
    Row row;
    row.values = {asLong(id),
                  int64_t{q.attribute},
                  std::move(order),
                  text(q.name1),
                  text(q.name2),
                  text(q.expression),
                  q.flag ? Value{int64_t{*q.flag}} : Value{}};
    if (version == JetVersion::kJet4) row.values.emplace_back();
    rows.push_back(std::move(row));
  }
}

void appendRelationRows(std::vector<Row>& rows, const RelationSpec& relation) {
  if (relation.columns.empty() || relation.columns.size() != relation.referencedColumns.size()) {
    throw std::invalid_argument("relation \"" + relation.name + "\" needs matching columns");
  }
  const auto count = static_cast<int64_t>(relation.columns.size());
  for (int64_t i = 0; i < count; ++i) {
    Row row;
    row.values = {relation.name,
                  asLong(relation.flags),
                  count,
                  i,
                  relation.table,
                  relation.columns[static_cast<size_t>(i)],
                  relation.referencedTable,
                  relation.referencedColumns[static_cast<size_t>(i)]};
    rows.push_back(std::move(row));
  }
}

}  // namespace vantrel::mdbwriter
