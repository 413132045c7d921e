#include "tests/support/memory_destination.h"

namespace vantrel::test {
namespace {

class MemorySink : public RowSink {
 public:
  MemorySink(MemoryStore& store, std::string table) : store_(store), table_(std::move(table)) {}
  bool write(std::span<const FieldValue> row) override {
    std::vector<SavedValue::Kind> kinds;
    for (const FieldValue& field : row)
      kinds.push_back(field.value.kind);
    pending_.push_back(std::move(kinds));
    return true;
  }
  int64_t finish() override {
    auto& rows = store_.rows[table_];
    rows.insert(rows.end(), pending_.begin(), pending_.end());
    pending_.clear();
    return 0;
  }

 private:
  MemoryStore& store_;
  std::string table_;
  std::vector<std::vector<SavedValue::Kind>> pending_;
};

class MemoryDestination : public Destination {
 public:
  explicit MemoryDestination(MemoryStore& store) : store_(store) {}
  TableCreation createTable(const TableDescription& table) override {
    store_.tables[table.name] = table;
    store_.rows[table.name];
    TableCreation creation;
    for (const DestinationColumn& column : table.columns)
      creation.columnCreated.push_back(column.hasDataType());
    return creation;
  }
  std::unique_ptr<RowSink> openRows(const TableDescription& table, const TableCreation&) override {
    return std::make_unique<MemorySink>(store_, table.name);
  }
  void createRelation(std::string_view name, std::string_view, std::string_view, long,
                      std::span<const RelationFieldPair>) override {
    store_.relations.emplace_back(name);
  }
  void saveQuery(const SavedQuery& query) override {
    store_.queries.push_back(query.name);
    queries_.push_back(query);
  }
  std::vector<SavedQuery> savedQueries() const override { return queries_; }
  void createView(std::string_view, std::string_view) override {}
  void setNoViewReason(std::string_view, std::string_view) override {}
  std::vector<std::pair<std::string, std::string>> selectTextPairs(std::string_view,
                                                                   size_t) const override {
    return {};
  }
  bool isOpen() const override { return open_; }
  bool holdsNothing() const override { return store_.tables.empty(); }
  void close() override {
    open_ = false;
    ++store_.closed;
  }
  std::string location() const override { return "memory:"; }

 private:
  MemoryStore& store_;
  std::vector<SavedQuery> queries_;
  bool open_ = true;
};

class MemoryDestinations : public DestinationKind {
 public:
  explicit MemoryDestinations(std::shared_ptr<MemoryStore> store) : store_(std::move(store)) {}
  DestinationCapabilities capabilities() const override {
    return {.takesViews = false, .viewDialect = ViewDialect::PostgreSQL, .filePerSource = false};
  }
  std::string runLocation(std::string_view run) const override {
    return "memory:" + std::string(run);
  }
  std::string location(const DestinationPlace& place) const override {
    return "memory:" + place.run + "/" + place.name;
  }
  std::unique_ptr<Destination> create(const DestinationPlace& place) const override {
    store_->places.push_back(place.run + "/" + place.name);
    return std::make_unique<MemoryDestination>(*store_);
  }

 private:
  std::shared_ptr<MemoryStore> store_;
};

}  // namespace

void registerMemoryDestination(DestinationRegistry& registry, std::shared_ptr<MemoryStore> store) {
  registry.add(
      "memory", [](std::string_view address) { return address.starts_with("memory:"); },
      [store](std::string_view, const DestinationOptions&)
          -> Expected<std::unique_ptr<DestinationKind>, std::string> {
        return std::unique_ptr<DestinationKind>(std::make_unique<MemoryDestinations>(store));
      });
}

}  // namespace vantrel::test
