#include "cli/row_output.h"

#include <cstdio>
#include <cstring>

#include "destinations/escaped_text.h"

namespace vantrel::cli {

namespace {

bool needsCsvQuotes(std::string_view text) {
  for (char c : {',', '"', '\r', '\n'}) {
    if (std::memchr(text.data(), c, text.size()) != nullptr) return true;
  }
  return false;
}

void appendCsvField(std::string& out, std::string_view text) {
  if (!needsCsvQuotes(text)) {
    out += text;
    return;
  }
  out.push_back('"');
  for (char c : text) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

}  // namespace

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  out.push_back('"');
  return out;
}

void RowWriter::writeRow(const std::vector<std::string>& fields) {
  std::vector<std::string_view> views(fields.begin(), fields.end());
  writeRow(views);
}

void RowWriter::writeRow(std::span<const std::string_view> fields) {
  line_.clear();
  for (size_t i = 0; i < fields.size(); ++i) {
    switch (format_) {
      case RowFormat::Tsv:
        if (i) line_.push_back('\t');
        appendBackslashEscaped(line_, fields[i]);
        break;
      case RowFormat::Csv:
        if (i) line_.push_back(',');
        appendCsvField(line_, fields[i]);
        break;
      case RowFormat::Json:
        line_ += i ? "," : "[";
        line_ += jsonString(fields[i]);
        break;
    }
  }
  if (format_ == RowFormat::Json) line_ += fields.empty() ? "[]" : "]";
  line_ += format_ == RowFormat::Csv ? "\r\n" : "\n";
  out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
}

}  // namespace vantrel::cli
