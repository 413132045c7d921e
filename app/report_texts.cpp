#include "app/report_texts.h"

#include "jetsql/wide_text.h"
#include "run/display_text.h"

namespace vantrel {
namespace {

constexpr std::string_view kPreviewRemark =
    "(*) This is only preview. The data will be saved in a new database.\r\n\r\n";
constexpr std::string_view kReportEnd = "\r\n\r\n\r\n";

std::string number(long long value) {
  return std::to_string(value);
}

}  // namespace

long long totalRecords(const CatalogSummary& summary) {
  long long records = 0;
  for (const auto& table : summary.tables)
    records += table.recordCount;
  return records;
}

std::optional<std::string_view> accessFormatName(int formatVersion) {
  switch (formatVersion) {
    case 0:
      return "Access 95/97";
    case 1:
      return "Access 2000";
    case 2:
      return "Access 2007";
    case 3:
      return "Access 2010";
    case 4:
      return "Access 2013";
    case 5:
      return "Access 2016";
    case 6:
      return "Access 2019";
    default:
      // A later version byte is a later Access, whose name is not known here.
      if (formatVersion > 6) return "Access 2019 or later";
      return std::nullopt;
  }
}

std::string summaryReportText(const CatalogSummary& summary, int formatVersion, int queryCount,
                              int relationCount) {
  const auto name = accessFormatName(formatVersion);
  std::string text =
      name ? "SUMMARY [" + std::string(*name) + "]\r\n\r\n" : std::string("SUMMARY\r\n\r\n");
  text += number(totalRecords(summary)) + "  Records in " +
          number(static_cast<long long>(summary.tables.size())) + " Tables \r\n";
  text += number(queryCount) + "  Queries \r\n";
  text += number(relationCount) + "  Relations \r\n\r\n";
  return text;
}

std::string tablesReportText(const CatalogSummary& summary) {
  std::string text = "Table \r\n\r\n" + number(totalRecords(summary)) + " Records in " +
                     number(static_cast<long long>(summary.tables.size())) + " Table(s) \r\n\r\n";
  long long i = 0;
  for (const auto& table : summary.tables) {
    text += number(++i) + ")    " + escapedControlCharacters(table.name) + ":   " +
            number(table.columnCount) + " Columns,  " + number(table.recordCount) +
            "  Recordss \r\n";
  }
  return text += kReportEnd;
}

std::string queriesReportText(const CatalogSummary& summary, int queryCount) {
  std::string text = "Total Number of Query :  " + number(queryCount) + "\r\n\r\n";
  long long i = 0;
  for (const auto& query : summary.queryList) {
    ++i;
    // Numbers below 10 get one more blank, so the names of the first hundred line up.
    text += number(i) + (i < 10 ? ")    " : ")   ") + escapedControlCharacters(query.name) + "\r\n";
  }
  return text += kReportEnd;
}

std::string relationsReportText(const CatalogSummary& summary, int relationCount) {
  std::string text = "Total Number of Relations :  " + number(relationCount) + "\r\n\r\n";
  long long i = 0;
  for (const auto& relation : summary.relations) {
    text += number(++i) + ")   " + escapedControlCharacters(relation.name) + "\r\n";
  }
  return text += kReportEnd;
}

std::string queryReportText(std::string_view name, std::string_view sqlText,
                            std::optional<std::string_view> connect) {
  std::string text = "Query Name :  ";
  text += escapedControlCharacters(name);
  text += "\r\n\r\n\r\nSQL:\r\n\r\n";
  text += sqlText;
  text += "\r\n\r\n";
  // A pass-through query runs on the server its connect string names.
  if (connect) text += "Connect:\r\n\r\n" + std::string(*connect) + "\r\n\r\n";
  // The remark only follows a text of more than five UTF-16 characters.
  if (toWide(sqlText).size() > 5) text += kPreviewRemark;
  return text;
}

std::string relationReportText(const CatalogSummary::RelationEntry& relation) {
  std::string text = "Relation Name :  " + escapedControlCharacters(relation.name) + "\r\n\r\n\r\n";
  text += "Tables:\r\n\t" + relation.firstTable + " -> " + relation.secondTable + "\r\n\r\n";
  text +=
      "Fields:\r\n\t" + relation.firstField + " -> " + relation.secondField + "\r\n\r\n\r\n\r\n";
  text += kPreviewRemark;
  return text;
}

}  // namespace vantrel
