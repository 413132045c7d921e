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

// A CSV field's text inside its quotes: each quote written twice.
void appendCsvQuoted(std::string& out, std::string_view text) {
  for (char c : text) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
}

void appendJsonEscaped(std::string& out, std::string_view text) {
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
}

// A row goes out whenever its line passes this size, and a longer field is escaped a piece of
// this size at a time: a field of many megabytes is never held whole a second time.
constexpr size_t kPieceBytes = size_t{1} << 20;

}  // namespace

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  appendJsonEscaped(out, text);
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
    const std::string_view field = fields[i];
    bool quoted = false;
    switch (format_) {
      case RowFormat::Tsv:
        if (i) line_.push_back('\t');
        break;
      case RowFormat::Csv:
        if (i) line_.push_back(',');
        quoted = needsCsvQuotes(field);
        break;
      case RowFormat::Json:
        line_ += i ? "," : "[";
        quoted = true;
        break;
    }
    if (quoted) line_.push_back('"');
    for (size_t at = 0; at < field.size(); at += kPieceBytes) {
      const std::string_view piece = field.substr(at, kPieceBytes);
      if (format_ == RowFormat::Tsv) {
        appendBackslashEscaped(line_, piece);
      } else if (format_ == RowFormat::Json) {
        appendJsonEscaped(line_, piece);
      } else if (quoted) {
        appendCsvQuoted(line_, piece);
      } else {
        line_ += piece;
      }
      if (line_.size() >= kPieceBytes) writeLine();
    }
    if (quoted) line_.push_back('"');
  }
  if (format_ == RowFormat::Json) line_ += fields.empty() ? "[]" : "]";
  line_ += format_ == RowFormat::Csv ? "\r\n" : "\n";
  writeLine();
}

void RowWriter::writeLine() {
  out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
  line_.clear();
}

}  // namespace vantrel::cli
