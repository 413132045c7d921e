#include "cli/row_output.h"

#include <cstdio>

namespace vantrel::cli {

namespace {

std::string tsvField(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string csvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

}  // namespace

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
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
  for (size_t i = 0; i < fields.size(); ++i) {
    switch (format_) {
      case RowFormat::Tsv:
        out_ << (i ? "\t" : "") << tsvField(fields[i]);
        break;
      case RowFormat::Csv:
        out_ << (i ? "," : "") << csvField(fields[i]);
        break;
      case RowFormat::Json:
        out_ << (i ? "," : "[") << jsonString(fields[i]);
        break;
    }
  }
  if (format_ == RowFormat::Json) out_ << (fields.empty() ? "[]" : "]");
  out_ << (format_ == RowFormat::Csv ? "\r\n" : "\n");
}

}  // namespace vantrel::cli
