#include "jetsql/sql_text.h"

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
  // Copied into a new text, so that many occurrences in a long text cost no more than one
  // pass (replacing in place moves the rest of the text at every one).
  std::u16string replaced;
  size_t copied = 0;
  for (size_t at = text.find(from); at != std::u16string::npos; at = text.find(from, copied)) {
    replaced.append(text, copied, at - copied);
    replaced.append(to);
    copied = at + from.size();
  }
  if (copied == 0) return;
  replaced.append(text, copied);
  text = std::move(replaced);
}

}  // namespace vantrel
