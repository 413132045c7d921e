#include "destinations/sqlite/dao_recordset.h"

#include <type_traits>
#include <utility>

#include "destinations/sqlite/destination_schema.h"
#include "jetsql/identifier_text.h"

namespace vantrel {
namespace {

std::string_view trimStatement(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && (blank(text.back()) || text.back() == ';'))
    text.remove_suffix(1);
  return text;
}

// Consumes `word` and the blanks after it.
bool consumeWord(std::string_view& text, std::string_view word) {
  if (text.size() < word.size() || !equalsIgnoringAsciiCase(text.substr(0, word.size()), word)) {
    return false;
  }
  text.remove_prefix(word.size());
  const size_t blanks = text.find_first_not_of(" \t\r\n");
  text.remove_prefix(blanks == std::string_view::npos ? text.size() : blanks);
  return true;
}

// The table of "SELECT * FROM [T]" (or a bare T).
std::string tableOfSelectAll(std::string_view sql) {
  std::string_view rest = trimStatement(sql);
  if (consumeWord(rest, "SELECT") && consumeWord(rest, "*") && consumeWord(rest, "FROM")) {
    if (rest.size() >= 2 && rest.front() == '[' && rest.back() == ']') {
      // Inside the brackets a "]" is written twice.
      std::string name;
      const std::string_view inside = rest.substr(1, rest.size() - 2);
      bool whole = true;
      for (size_t i = 0; i < inside.size() && whole; ++i) {
        name.push_back(inside[i]);
        if (inside[i] == ']') whole = ++i < inside.size() && inside[i] == ']';
      }
      if (whole) return name;
    }
    if (!rest.empty() && rest.find_first_of(" \t\r\n[]") == std::string_view::npos) {
      return std::string(rest);
    }
  }
  throw CDaoException("a recordset opens on \"SELECT * FROM [table]\", not on \"" +
                      excerptForMessage(sql) + "\"");
}

}  // namespace

CDaoRecordset::~CDaoRecordset() {
  try {
    Close();
  } catch (const CDaoException&) {
    // Nothing to report to from a destructor; Close() raises for callers who want to know.
  }
}

void CDaoRecordset::Open(std::string_view sql) {
  if (open_) throw CDaoException("the recordset is already open on table [" + table_ + "]");
  const std::string tableName = tableOfSelectAll(sql);
  const SchemaTable* table = database_->schema().findTable(tableName);
  if (table == nullptr) throw CDaoException("no table [" + tableName + "]");
  std::string columns;
  std::string placeholders;
  std::vector<Field> fields;
  for (const auto& column : table->columns) {
    if (!fields.empty()) {
      columns += ", ";
      placeholders += ", ";
    }
    columns += quoteIdentifier(column.name);
    placeholders += "?";
    fields.push_back({column.name, column.type.type, {}});
  }
  SqliteStatement insert(database_->handle(), "INSERT INTO " + quoteIdentifier(table->name) + " (" +
                                                  columns + ") VALUES (" + placeholders + ")");
  database_->beginRecordset(*this);
  try {
    deferIndexes(table->name);
  } catch (const CDaoException&) {
    database_->endRecordset(*this, false);
    throw;
  }
  table_ = table->name;
  fields_ = std::move(fields);
  insert_ = std::move(insert);
  nextField_ = 0;
  editing_ = false;
  open_ = true;
}

void CDaoRecordset::AddNew() {
  if (!open_) throw CDaoException("AddNew on a recordset that is not open");
  for (auto& f : fields_)
    f.value.kind = DestinationValue::Kind::Null;
  editing_ = true;
}

void CDaoRecordset::requireNewRow(const char* call) const {
  if (!editing_) throw CDaoException(std::string(call) + " without AddNew");
}

CDaoRecordset::Field& CDaoRecordset::field(std::string_view column) {
  if (nextField_ < fields_.size() && equalsIgnoringAsciiCase(fields_[nextField_].name, column)) {
    return fields_[nextField_++];
  }
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (equalsIgnoringAsciiCase(fields_[i].name, column)) {
      nextField_ = i + 1;
      return fields_[i];
    }
  }
  throw CDaoException("no column [" + std::string(column) + "] in table [" + table_ + "]");
}

template <typename Value>
void CDaoRecordset::setField(Field& target, Value value) {
  try {
    if constexpr (std::is_same_v<Value, std::string_view>) {
      convertValueText(target.type, value, converted_);
    } else if constexpr (std::is_same_v<Value, const FieldValue*>) {
      convertSavedValue(target.type, *value, converted_);
    } else {
      convertValueBytes(target.type, value, converted_);
    }
  } catch (const CDaoException& error) {
    throw CDaoException("column [" + target.name + "]: " + error.what());
  }
  std::swap(target.value, converted_);
}

void CDaoRecordset::SetFieldValue(std::string_view column, std::string_view value) {
  requireNewRow("SetFieldValue");
  setField(field(column), value);
}

void CDaoRecordset::SetFieldValue(std::string_view column, std::span<const uint8_t> bytes) {
  requireNewRow("SetFieldValue");
  setField(field(column), bytes);
}

void CDaoRecordset::SetFieldValue(size_t position, const FieldValue& value) {
  requireNewRow("SetFieldValue");
  if (position >= fields_.size()) {
    throw CDaoException("no field " + std::to_string(position) + " in table [" + table_ + "]");
  }
  setField(fields_[position], &value);
}

std::vector<std::string> CDaoRecordset::FieldNames() const {
  std::vector<std::string> names;
  for (const Field& f : fields_)
    names.push_back(f.name);
  return names;
}

void CDaoRecordset::SetFieldValueNull(std::string_view column) {
  requireNewRow("SetFieldValueNull");
  field(column).value.kind = DestinationValue::Kind::Null;
}

void CDaoRecordset::bindFields() {
  sqlite3_stmt* statement = insert_.get();
  for (size_t i = 0; i < fields_.size(); ++i) {
    const int position = static_cast<int>(i + 1);
    const DestinationValue& value = fields_[i].value;
    switch (value.kind) {
      case DestinationValue::Kind::Null:
        sqlite3_bind_null(statement, position);
        break;
      case DestinationValue::Kind::Integer:
        sqlite3_bind_int64(statement, position, value.integer);
        break;
      case DestinationValue::Kind::Real:
        sqlite3_bind_double(statement, position, value.real);
        break;
      case DestinationValue::Kind::Text:
        sqlite3_bind_text64(statement, position, value.data().data(), value.data().size(),
                            SQLITE_STATIC, SQLITE_UTF8);
        break;
      case DestinationValue::Kind::Blob:
        sqlite3_bind_blob64(statement, position, value.data().data(), value.data().size(),
                            SQLITE_STATIC);
        break;
    }
  }
}

void CDaoRecordset::Update() {
  requireNewRow("Update");
  editing_ = false;
  nextField_ = 0;
  bindFields();
  sqlite3* db = database_->handle();
  const int result = sqlite3_step(insert_.get());
  if (result == SQLITE_DONE) {
    sqlite3_reset(insert_.get());
    return;
  }
  std::string message = "row not added to table [" + table_ + "]: " + sqlite3_errmsg(db);
  const DestinationFault fault = sqliteFault(sqlite3_extended_errcode(db));
  sqlite3_reset(insert_.get());
  // A refused row (a constraint) undoes only itself. Errors such as a full disk can make
  // SQLite roll back the whole transaction: say so, and go on in a new one.
  if (sqlite3_get_autocommit(db) != 0) {
    message += " (the rows added since the recordsets were opened were lost with it)";
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  }
  throw CDaoException(message, fault);
}

void CDaoRecordset::Close() {
  end(true);
}

void CDaoRecordset::Cancel() {
  end(false);
}

// The table's indexes are made again once its rows are in: building an index at once is
// quicker than keeping it in order row by row. Their drop and their making again fall in the
// rows' transaction, so a rollback keeps them as they were.
void CDaoRecordset::deferIndexes(const std::string& table) {
  sqlite3* db = database_->handle();
  SqliteStatement indexes(db,
                          "SELECT name, sql FROM sqlite_master WHERE type = 'index' AND "
                          "tbl_name = ? AND sql IS NOT NULL ORDER BY rowid");
  indexes.bindText(1, table);
  std::vector<std::pair<std::string, std::string>> found;
  while (indexes.step())
    found.emplace_back(indexes.columnText(0), indexes.columnText(1));
  for (const auto& [name, sql] : found)
    executeSql(db, "DROP INDEX " + quoteIdentifier(name));
  deferredIndexes_.clear();
  for (auto& [name, sql] : found)
    deferredIndexes_.push_back(std::move(sql));
}

void CDaoRecordset::end(bool keepRows) {
  if (!open_) return;
  open_ = false;
  editing_ = false;
  insert_ = SqliteStatement();
  fields_.clear();
  std::vector<std::string> indexes = std::move(deferredIndexes_);
  deferredIndexes_.clear();
  // Rows not kept roll back with the indexes' drop, unless other recordsets keep the
  // transaction going.
  const bool rollsBack = !keepRows && database_->openRecordsets_.size() == 1;
  if (!rollsBack) {
    try {
      for (const std::string& sql : indexes)
        executeSql(database_->handle(), sql);
    } catch (const CDaoException& error) {
      database_->endRecordset(*this, false);
      throw CDaoException(std::string("the rows could not be saved: ") + error.what(),
                          error.fault());
    }
  }
  database_->endRecordset(*this, keepRows);
}

}  // namespace vantrel
