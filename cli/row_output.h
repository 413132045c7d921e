#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::cli {

enum class RowFormat { Tsv, Csv, Json };

// Writes rows of texts in one of the formats: TSV (tab, newline and backslash escaped as \t,
// \n, \r and \\), CSV as RFC 4180 (CRLF line ends, fields quoted when needed), or JSON (one
// array of strings per line). The header row is written like any other row.
class RowWriter {
 public:
  RowWriter(std::ostream& out, RowFormat format) : out_(out), format_(format) {}
  void writeRow(std::span<const std::string_view> fields);
  void writeRow(const std::vector<std::string>& fields);

 private:
  std::ostream& out_;
  RowFormat format_;
  // Writes what line_ holds of the row and empties it.
  void writeLine();

  std::string line_;  // kept between rows, so that a row costs no allocation
};

std::string jsonString(std::string_view text);

}  // namespace vantrel::cli
