#include "tests/support/mdb_writer/database_writer.h"

#include <algorithm>
#include <set>
#include <stdexcept>

#include "tests/support/mdb_writer/byte_order.h"
#include "tests/support/mdb_writer/definition_writer.h"
#include "tests/support/mdb_writer/header_page.h"
#include "tests/support/mdb_writer/index_plan.h"
#include "tests/support/mdb_writer/page_file.h"
#include "tests/support/mdb_writer/row_page.h"
#include "tests/support/mdb_writer/system_tables.h"
#include "tests/support/mdb_writer/table_layout.h"
#include "tests/support/mdb_writer/table_writer.h"
#include "tests/support/mdb_writer/text_encoding.h"
#include "tests/support/mdb_writer/usage_map.h"

namespace vantrel::mdbwriter {

namespace {

struct MapSlot {
  int64_t page = 0;
  int row = 0;
  uint32_t pointer() const { return pageRow(page, row); }
};

// Usage-map rows live on data pages of their own. Access gives each table one such page
// (the system tables share theirs); the rows are filled in once the pages they list are
// known.
class MapRowArea {
 public:
  MapRowArea(const JetFormat& format, PageFile& file)
      : format_(format),
        file_(file),
        rowsPerPage_(std::min(kMaxRowsPerPage, (format.pageSize - format.rowsStart()) /
                                                   (format.usageMapRowSize + 2))) {}

  void startPage() { full_ = true; }

  MapSlot take() {
    if (full_ || pages_.empty() || static_cast<int>(pages_.back().rows.size()) >= rowsPerPage_) {
      pages_.push_back({file_.allocate(), {}});
      full_ = false;
    }
    Page& page = pages_.back();
    page.rows.emplace_back();
    return {page.number, static_cast<int>(page.rows.size()) - 1};
  }

  void set(const MapSlot& slot, Bytes row) {
    for (Page& page : pages_) {
      if (page.number == slot.page) page.rows[static_cast<size_t>(slot.row)] = std::move(row);
    }
  }

  void writeAll() {
    for (const Page& page : pages_) {
      RowPage image(format_, 0);
      for (const Bytes& row : page.rows)
        image.add(row);
      file_.write(page.number, image.image().bytes());
    }
  }

 private:
  struct Page {
    int64_t number;
    std::vector<Bytes> rows;
  };
  const JetFormat& format_;
  PageFile& file_;
  int rowsPerPage_;
  std::vector<Page> pages_;
  bool full_ = true;
};

struct TableDraft {
  TableSpec spec;
  bool system = false;
  TableLayout layout;
  IndexPlan indexes;
  std::vector<int64_t> definitionPages;
  MapSlot usageMap;
  MapSlot freeMap;
  std::vector<MapSlot> indexMaps;
  std::vector<int64_t> leafPages;
  struct LongValueSlots {
    size_t column = 0;
    MapSlot usageMap;
    MapSlot freeMap;
  };
  std::vector<LongValueSlots> longValueMaps;  // live memo and OLE columns
  TableManifest manifest;
  int64_t autoNumberNext = 0;
};

class DatabaseWriter {
 public:
  DatabaseWriter(const std::filesystem::path& path, DatabaseSpec spec)
      : spec_(std::move(spec)),
        format_(formatFor(spec_.version)),
        file_(path, format_.pageSize),
        maps_(format_, file_) {}

  Manifest write();

 private:
  DefinitionShape shapeOf(const TableDraft& draft) const {
    return {&draft.spec,
            &draft.layout,
            &draft.indexes,
            draft.system,
            draft.system && format_.isJet4(),
            spec_.codePage};
  }
  void planTables();
  void writeLeafPages();
  void writeSystemRows(Manifest& manifest);
  void plan(TableDraft& draft, int64_t firstPage);
  void reserveMaps(TableDraft& draft);
  void writeRows(TableDraft& draft, const RowSource& rows);
  void finishTable(TableDraft& draft);
  UsageMapInfo placeMap(const MapSlot& slot, const PageSet& pages, UsageMapKind kind);
  int64_t definitionPageOf(const std::string& name) const;

  DatabaseSpec spec_;
  const JetFormat& format_;
  PageFile file_;
  MapRowArea maps_;
  std::vector<TableDraft> drafts_;  // the four system tables, then the user tables
};

void DatabaseWriter::plan(TableDraft& draft, int64_t firstPage) {
  draft.layout = layoutTable(draft.spec, format_);
  draft.indexes = planIndexes(draft.spec, draft.layout);
  DefinitionFacts sized;
  for (size_t i = 0; i < draft.spec.columns.size(); ++i) {
    if (draft.layout.columns[i].longValue && !draft.spec.columns[i].deleted) {
      sized.longValueMaps.emplace_back();
    }
  }
  const size_t length = definitionStream(shapeOf(draft), sized, format_).size();
  draft.definitionPages.push_back(firstPage < 0 ? file_.allocate() : firstPage);
  for (int i = 1; i < definitionPageCount(length, format_); ++i) {
    draft.definitionPages.push_back(file_.allocate());
  }
}

void DatabaseWriter::reserveMaps(TableDraft& draft) {
  draft.usageMap = maps_.take();
  draft.freeMap = maps_.take();
  for (size_t r = 0; r < draft.indexes.real.size(); ++r)
    draft.indexMaps.push_back(maps_.take());
  for (size_t i = 0; i < draft.spec.columns.size(); ++i) {
    if (draft.layout.columns[i].longValue && !draft.spec.columns[i].deleted) {
      const MapSlot usage = maps_.take();
      draft.longValueMaps.push_back({i, usage, maps_.take()});
    }
  }
}

UsageMapInfo DatabaseWriter::placeMap(const MapSlot& slot, const PageSet& pages,
                                      UsageMapKind kind) {
  UsageMap map = buildUsageMap(pages, kind, format_, file_);
  maps_.set(slot, std::move(map.row));
  return {slot.page, slot.row, map.type, std::move(map.bitmapPages)};
}

int64_t DatabaseWriter::definitionPageOf(const std::string& name) const {
  for (const TableDraft& draft : drafts_) {
    if (draft.spec.name == name) return draft.definitionPages[0];
  }
  return 0;
}

void DatabaseWriter::writeRows(TableDraft& draft, const RowSource& rows) {
  TableWriter writer(format_, file_, spec_.codePage, draft.spec, draft.layout,
                     draft.definitionPages[0]);
  if (rows) {
    Row row;
    while (rows(row)) {
      writer.add(row);
      row.values.clear();
      row.deleted = false;
      row.moved = false;
    }
  }
  writer.finish();

  TableManifest& m = draft.manifest;
  m.name = draft.spec.name;
  m.system = draft.system;
  m.definitionPages = draft.definitionPages;
  m.rowCount = writer.rowCount();
  m.deletedRowCount = writer.deletedRowCount();
  m.dataPages = writer.dataPages();
  draft.autoNumberNext = writer.autoNumberNext();
  m.usageMap = placeMap(draft.usageMap, m.dataPages, draft.spec.usageMap);
  PageSet withRoom;
  if (writer.pageWithRoom()) withRoom.add(*writer.pageWithRoom());
  m.freeMap = placeMap(draft.freeMap, withRoom, UsageMapKind::kAutomatic);

  for (size_t i = 0; i < draft.spec.columns.size(); ++i) {
    const LongValueColumn* column = writer.longValueColumn(i);
    if (column == nullptr) continue;
    column->pages().forEach([&](int64_t page) { m.longValuePages.add(page); });
    LongValueColumnManifest lv{.column = draft.spec.columns[i].name, .pages = column->pages()};
    for (const TableDraft::LongValueSlots& slots : draft.longValueMaps) {
      if (slots.column != i) continue;
      lv.usageMap = placeMap(slots.usageMap, column->pages(), UsageMapKind::kAutomatic);
      PageSet room;
      if (column->pageWithRoom()) room.add(*column->pageWithRoom());
      lv.freeMap = placeMap(slots.freeMap, room, UsageMapKind::kAutomatic);
    }
    m.longValueColumns.push_back(std::move(lv));
  }
  for (size_t l = 0; l < draft.indexes.logical.size(); ++l) {
    const int real = draft.indexes.logical[l].realIndex;
    PageSet leaf;
    leaf.add(draft.leafPages[static_cast<size_t>(real)]);
    IndexManifest index{.name = draft.indexes.logical[l].name,
                        .realIndex = real,
                        .leafPage = draft.leafPages[static_cast<size_t>(real)]};
    index.usageMap =
        placeMap(draft.indexMaps[static_cast<size_t>(real)], leaf, UsageMapKind::kAutomatic);
    m.indexes.push_back(std::move(index));
  }
  m.mapPages.push_back(draft.usageMap.page);
  for (const MapSlot& slot : draft.indexMaps)
    m.mapPages.push_back(slot.page);
  for (const auto& slots : draft.longValueMaps) {
    m.mapPages.push_back(slots.usageMap.page);
    m.mapPages.push_back(slots.freeMap.page);
  }
  std::sort(m.mapPages.begin(), m.mapPages.end());
  m.mapPages.erase(std::unique(m.mapPages.begin(), m.mapPages.end()), m.mapPages.end());
}

void DatabaseWriter::finishTable(TableDraft& draft) {
  DefinitionFacts facts;
  facts.rowCount = draft.manifest.rowCount;
  facts.autoNumberNext = draft.autoNumberNext;
  facts.usageMap = draft.usageMap.pointer();
  facts.freeMap = draft.freeMap.pointer();
  for (const MapSlot& slot : draft.indexMaps)
    facts.indexMaps.push_back(slot.pointer());
  facts.leafPages = draft.leafPages;
  for (const auto& slots : draft.longValueMaps) {
    facts.longValueMaps.push_back({draft.layout.columns[slots.column].number,
                                   slots.usageMap.pointer(), slots.freeMap.pointer()});
  }
  for (const LogicalIndex& logical : draft.indexes.logical) {
    facts.referencedTablePages.push_back(
        logical.type == 2 ? definitionPageOf(logical.referencedTable) : 0);
  }
  writeDefinition(definitionStream(shapeOf(draft), facts, format_), draft.definitionPages, format_,
                  file_);
}

// Tables and saved queries share one namespace in the catalog.
void checkObjectNames(const DatabaseSpec& spec) {
  std::set<std::string> names;
  for (const char* system : {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"}) {
    names.insert(asciiLower(system));
  }
  const auto check = [&](const std::string& name, const char* what) {
    if (name.empty() || utf16Length(name) > 64) {
      throw std::invalid_argument(std::string(what) + " \"" + name + "\": empty or long name");
    }
    if (!names.insert(asciiLower(name)).second) {
      throw std::invalid_argument(std::string(what) + " \"" + name + "\": the name is taken");
    }
  };
  for (const TableSpec& table : spec.tables)
    check(table.name, "table");
  for (const SavedQuery& query : spec.queries)
    check(query.name, "query");
}

void DatabaseWriter::planTables() {
  const TableSpec systemTables[] = {catalogTable(spec_.version), accessControlTable(spec_.version),
                                    queryCatalogTable(spec_.version),
                                    relationsTable(spec_.version)};
  const int64_t systemPages[] = {kCatalogPage, kAccessControlPage, kQueryCatalogPage,
                                 kRelationsPage};
  for (size_t i = 0; i < 4; ++i) {
    TableDraft draft{.spec = systemTables[i], .system = true};
    plan(draft, systemPages[i]);
    drafts_.push_back(std::move(draft));
  }
  maps_.startPage();
  for (TableDraft& draft : drafts_)
    reserveMaps(draft);
  for (const TableSpec& table : spec_.tables) {
    TableDraft draft{.spec = table};
    draft.spec.rows = nullptr;  // the rows are pulled from spec_ when they are written
    plan(draft, -1);
    maps_.startPage();
    reserveMaps(draft);
    drafts_.push_back(std::move(draft));
  }
}

// One empty leaf page per real index: the definitions name them, nothing is indexed.
void DatabaseWriter::writeLeafPages() {
  for (TableDraft& draft : drafts_) {
    for (size_t r = 0; r < draft.indexes.real.size(); ++r) {
      const int64_t page = file_.allocate();
      test::PageImage leaf(format_.pageSize);
      leaf.put8(0, kLeafIndexPage).put8(1, 1);
      leaf.put16(2, static_cast<uint32_t>(format_.pageSize - format_.leafEntriesOffset));
      leaf.put32(4, static_cast<uint32_t>(draft.definitionPages[0]));
      file_.write(page, leaf.bytes());
      draft.leafPages.push_back(page);
    }
  }
}

void DatabaseWriter::writeSystemRows(Manifest& manifest) {
  std::vector<int64_t> userPages;
  for (size_t t = 0; t < spec_.tables.size(); ++t) {
    userPages.push_back(drafts_[4 + t].definitionPages[0]);
  }
  const std::vector<CatalogEntry> entries = catalogEntries(spec_, userPages);
  std::vector<Row> queryRows;
  std::vector<Row> relationRows;
  size_t query = 0;
  size_t relation = 0;
  for (const CatalogEntry& entry : entries) {
    manifest.objects.push_back({entry.name, static_cast<int32_t>(entry.id), entry.type});
    if (entry.type == kQueryObject) {
      appendQueryRows(queryRows, spec_.queries[query++], entry.id, spec_.version);
    } else if (entry.type == kRelationshipObject) {
      appendRelationRows(relationRows, spec_.relations[relation++]);
    }
  }
  writeRows(drafts_[0], rowsOf(catalogRows(entries, spec_.created)));
  writeRows(drafts_[1], nullptr);
  writeRows(drafts_[2], rowsOf(std::move(queryRows)));
  writeRows(drafts_[3], rowsOf(std::move(relationRows)));
}

Manifest DatabaseWriter::write() {
  checkObjectNames(spec_);
  // The header, the database's usage maps and the four system definitions.
  for (int i = 0; i < 6; ++i)
    file_.allocate();
  planTables();
  writeLeafPages();
  Manifest manifest;
  writeSystemRows(manifest);
  for (size_t t = 0; t < spec_.tables.size(); ++t) {
    writeRows(drafts_[4 + t], spec_.tables[t].rows);
    spec_.tables[t].rows = nullptr;  // a generator's state goes with it
  }

  for (TableDraft& draft : drafts_)
    finishTable(draft);
  maps_.writeAll();
  file_.write(1, globalUsagePage(format_, file_.pageCount()).bytes());
  file_.write(0, headerPage(format_, spec_.codePage, spec_.created, spec_.aceVersion).bytes());

  manifest.version = spec_.version;
  manifest.pageSize = format_.pageSize;
  manifest.pageCount = file_.pageCount();
  for (TableDraft& draft : drafts_)
    manifest.tables.push_back(std::move(draft.manifest));
  file_.finish();
  return manifest;
}

}  // namespace

Manifest writeDatabase(const std::filesystem::path& path, DatabaseSpec spec) {
  try {
    return DatabaseWriter(path, std::move(spec)).write();
  } catch (...) {
    // No half-written database is left behind.
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    throw;
  }
}

}  // namespace vantrel::mdbwriter
