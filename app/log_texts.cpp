#include "app/log_texts.h"

#include <ctime>

namespace vantrel {
namespace {

constexpr std::string_view kBreak = "\r\n";

std::string number(long long value) {
  return std::to_string(value);
}

}  // namespace

LogTime currentLogTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_mday, local.tm_mon + 1, local.tm_year + 1900,
          local.tm_hour, local.tm_min,     local.tm_sec};
}

int logStartBanner(const ActivityLog& log, const LogTime& time) {
  std::string text = "\r\n\r\n\r\n\r\n";
  text += "********************************* Start Log File ********************************";
  text += "\r\n\r\n";
  text += "*************************Vantrel For Microsoft Access************************";
  text += "\r\n\r\n";
  text += "Version 1.0";
  text += "\r\nDate    " + number(time.day) + "\\" + number(time.month) + "\\" + number(time.year);
  text +=
      "\r\nTime    " + number(time.hour) + ":" + number(time.minute) + ":" + number(time.second);
  text += "\r\n\r\n";
  text += "************************* Step 1 :- Source Files Selection ***********************";
  text += "\r\n\r\n";
  return log.appendLogLine(text);
}

int logFileListReady(const ActivityLog& log) {
  return log.appendLogLine("\r\n\r\n\r\n");
}

int logSourceFiles(const ActivityLog& log, std::span<const std::string> paths) {
  std::string text = "Source Files :\r\n______________\r\n\r\n";
  for (size_t i = 0; i < paths.size(); ++i) {
    text += number(static_cast<long long>(i + 1)) + "-   " + paths[i];
    text += kBreak;
  }
  text += "\r\n\r\n\r\n";
  text += "************************* Step 2 :- Analysis of Files ***********************";
  text += "\r\n\r\n";
  return log.appendLogLine(text);
}

int logFileAnalysis(const ActivityLog& log, std::string_view path,
                    std::span<const LoggedTable> tables) {
  long long records = 0;
  for (const auto& table : tables)
    records += table.recordCount;
  std::string text = "\r\n\r\nSelected File For Repairing :   ";
  text += path;
  text += "\r\nTotal Tables :                   " + number(static_cast<long long>(tables.size()));
  text += "\r\nTotal Records :                  " + number(records) + "\r\n\r\n";
  for (const auto& table : tables) {
    text += "Table Name : ";
    text += table.name;
    text += kBreak;
    text += number(table.columnCount) + " Columns, " + number(table.recordCount) + " Records";
    text += "\r\n\r\n";
  }
  text += kBreak;
  return log.appendLogLine(text);
}

int logSavingStart(const ActivityLog& log) {
  return log.appendLogLine(
      "************************* Step 3 :- File Saving ***********************\r\n\r\n");
}

int logDestination(const LogSink& log, std::string_view path, bool afterConfirmedOverwrite) {
  std::string text =
      afterConfirmedOverwrite ? "Destination File Path:  " : "Destination File Path:     ";
  text += path;
  text += "\r\n\r\n";
  return log.appendLogLine(text);
}

int logRepairAborted(const LogSink& log) {
  return log.appendLogLine(
      "\r\n\r\n******************* Repairing aborted***********************************");
}

int logRunEnd(const ActivityLog& log, bool stopped) {
  return log.appendLogLine(stopped ? "\r\n\r\n" : "\r\n\r\nRepairing Completed successfully");
}

}  // namespace vantrel
