#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "app/analysis_json.h"
#include "cli/row_output.h"
#include "reader/field_value.h"
#include "reader/table_definition.h"

namespace vantrel::cli {

enum class BinaryForm { Hex, Base64, Raw };

// How fields are written beside their shown text.
struct ValueOptions {
  std::optional<std::string> dateFormat;  // strftime(3) form of dates and times
  std::optional<BinaryForm> binary;       // binary and OLE fields as their bytes
  bool currencySymbol = false;            // currency as the preview shows it: "$12.5000"
};

// Rows of a table with their stored values. TSV and CSV write each field's shown text, or
// the form the options ask for; JSON writes a first line {"format": 1, "columns": [names]}
// and then one array a row with typed values: null, true/false, numbers as numbers (currency
// and numeric with their exact digits), dates as ISO 8601 ("1998-03-14", "06:00:00",
// "1998-03-14T06:00:00") unless a date format is given, GUIDs as text and bytes as hex
// (or base64).
class ValueRowWriter {
 public:
  ValueRowWriter(std::ostream& out, RowFormat format, ValueOptions options);
  void writeHeadings(std::span<const ColumnDefinition> columns);
  void writeRow(std::span<const ColumnDefinition> columns, std::span<const FieldValue> fields);

 private:
  std::string shownText(const ColumnDefinition& column, const FieldValue& field) const;
  void appendJsonValue(std::string& out, const ColumnDefinition& column,
                       const FieldValue& field) const;

  std::ostream& out_;
  RowFormat format_;
  ValueOptions options_;
  RowWriter texts_;
  std::vector<std::string> cells_;
  std::vector<std::string_view> shown_;  // each field's text: its cell, or the row's own text
  std::string line_;
};

// A date or time in a strftime(3) form; the empty text when the form gives nothing.
std::string formattedDate(const SavedDateTime& date, const std::string& format);

// "1998-03-14", "06:00:00" or "1998-03-14T06:00:00", as the value's parts are.
std::string isoDate(const SavedDateTime& date);

std::string hexText(std::span<const uint8_t> bytes);
std::string base64Text(std::span<const uint8_t> bytes);

// Whether the text is a number as JSON writes one ("-12.5000", "1e+20").
bool isJsonNumber(std::string_view text);

}  // namespace vantrel::cli
