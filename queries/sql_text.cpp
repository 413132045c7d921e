#include "queries/sql_text.h"

namespace vantrel {

std::u16string bracketed(std::u16string_view name) {
  std::u16string text;
  text.reserve(name.size() + 2);
  text += u'[';
  text.append(name);
  text += u']';
  return text;
}

void replaceFirst(std::u16string& text, std::u16string_view from, std::u16string_view to) {
  if (from.empty()) return;
  if (const size_t at = text.find(from); at != std::u16string::npos) {
    text.replace(at, from.size(), to);
  }
}

void replaceAll(std::u16string& text, std::u16string_view from, std::u16string_view to) {
  if (from.empty()) return;
  for (size_t at = text.find(from); at != std::u16string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
}

}  // namespace vantrel
