#include "app/copied_rows.h"

#include "destinations/escaped_text.h"

namespace vantrel {

std::string copiedRowLine(std::span<const std::string_view> fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i != 0) line.push_back('\t');
    appendBackslashEscaped(line, fields[i]);
  }
  line.push_back('\n');
  return line;
}

}  // namespace vantrel
