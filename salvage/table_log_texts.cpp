#include "salvage/table_log_texts.h"

namespace vantrel {

int logTableTotals(const LogSink& log, std::string_view table, long long fieldCount,
                   long long recordCount, std::span<const std::string> extraLines) {
  std::string text = "Repairing Table :           ";
  text += table;
  text += "\r\nTotal Fields Recovered :    " + std::to_string(fieldCount);
  text += "\r\nTotal Records Recovered :   " + std::to_string(recordCount) + "\r\n";
  for (const std::string& line : extraLines)
    text += line + "\r\n";
  text += "\r\n";
  return log.appendLogLine(text);
}

}  // namespace vantrel
