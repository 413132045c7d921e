#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "destinations/sqlite/dao_database.h"
#include "destinations/sqlite/sqlite_handle.h"
#include "destinations/sqlite/value_conversion.h"
#include "jetsql/jet_type.h"

namespace vantrel {

// Adds rows to one table: Open, then per row AddNew, SetFieldValue per column and Update.
// The rows of all recordsets open on a database go into one transaction through one prepared
// statement each, committed when the last recordset closes. A call that raises changes
// nothing: a value that does not convert leaves its field as it was (unset: null), and a row
// the database refuses is dropped without touching the rows before it. While a recordset is
// open, its table's indexes are set aside, and built again from all its rows when it closes.
class CDaoRecordset {
 public:
  explicit CDaoRecordset(CDaoDatabase& database) : database_(&database) {}
  ~CDaoRecordset();
  CDaoRecordset(const CDaoRecordset&) = delete;
  CDaoRecordset& operator=(const CDaoRecordset&) = delete;

  // `sql` is "SELECT * FROM [T]": an updatable recordset over every column of table T.
  void Open(std::string_view sql);

  // Starts a new row with every field unset; a row started before and not updated is dropped.
  void AddNew();

  // Sets a field of the new row from a value text, converted to the column's type (see
  // convertValueText); an empty text leaves the field null. The column name compares
  // without regard to ASCII case.
  void SetFieldValue(std::string_view column, std::string_view value);
  // Bytes for a BINARY or OLEOBJECT column.
  void SetFieldValue(std::string_view column, std::span<const uint8_t> bytes);
  void SetFieldValueNull(std::string_view column);
  // Sets the field at `position` (in the table's column order) from a value as the reader
  // stored it (see convertSavedValue). Its text and bytes are read by Update: they must stay
  // as they are until then.
  void SetFieldValue(size_t position, const FieldValue& value);

  // The names of the fields, in the table's column order.
  std::vector<std::string> FieldNames() const;

  // Inserts the new row. Whether it succeeds or not, the row is done; the next needs AddNew.
  void Update();

  bool IsOpen() const { return open_; }

  // Ends the recordset; when it is the last one open, its rows are committed, and a failure
  // to commit raises (the recordset is closed all the same).
  void Close();
  // Ends the recordset without its rows: when it is the last one open, the rows added since
  // the first was opened are rolled back.
  void Cancel();

 private:
  struct Field {
    std::string name;
    JetType type;
    DestinationValue value;
  };

  Field& field(std::string_view column);
  // Converts into a spare value first, so that a value that does not convert changes nothing.
  template <typename Value>
  void setField(Field& target, Value value);
  void requireNewRow(const char* call) const;
  void bindFields();
  void end(bool keepRows);
  void deferIndexes(const std::string& table);

  CDaoDatabase* database_;
  std::string table_;
  std::vector<Field> fields_;
  std::vector<std::string> deferredIndexes_;  // the CREATE INDEX of each, made again at Close
  DestinationValue converted_;  // a value being converted, swapped in when it converted
  SqliteStatement insert_;
  size_t nextField_ = 0;  // callers set fields in column order: look there first
  bool open_ = false;
  bool editing_ = false;
};

}  // namespace vantrel
