#include "destinations/escaped_text.h"

namespace vantrel {

void appendBackslashEscaped(std::string& out, std::string_view text) {
  // Runs of plain characters go in at once: most texts have no character to escape.
  size_t run = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char* escaped = nullptr;
    switch (text[i]) {
      case '\\':
        escaped = "\\\\";
        break;
      case '\t':
        escaped = "\\t";
        break;
      case '\n':
        escaped = "\\n";
        break;
      case '\r':
        escaped = "\\r";
        break;
      default:
        continue;
    }
    out.append(text.substr(run, i - run));
    out += escaped;
    run = i + 1;
  }
  out.append(text.substr(run));
}

}  // namespace vantrel
