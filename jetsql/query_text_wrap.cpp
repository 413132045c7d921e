#include "jetsql/query_text_wrap.h"

#include "jetsql/wide_text.h"

namespace vantrel {

namespace {
constexpr size_t kLineWidth = 58;
constexpr size_t kNone = std::u16string_view::npos;
}  // namespace

std::u16string wrapQueryText(std::u16string_view sqlText) {
  std::u16string wrapped;
  wrapped.reserve(sqlText.size() + sqlText.size() / kLineWidth * 2 + 8);
  size_t lineLength = 0;
  size_t blankSource = kNone;  // last blank copied: where it was in the source...
  size_t blankTarget = kNone;  // ...and in the wrapped text
  size_t brokenAt = kNone;     // source position of the blank of the last break
  for (size_t at = 0; at < sqlText.size();) {
    if (sqlText.substr(at, 2) == u"\r\n") lineLength = 0;
    const char16_t c = sqlText[at];
    wrapped += c;
    ++lineLength;
    if (c == u' ') {
      blankSource = at;
      blankTarget = wrapped.size() - 1;
    }
    if (lineLength > kLineWidth && blankSource != kNone && blankSource != brokenAt) {
      // Each break uses a later blank than the one before, so the copying always advances.
      wrapped.resize(blankTarget);
      wrapped += u"\r\n";
      at = blankSource + 1;
      brokenAt = blankSource;
      lineLength = 0;
      continue;
    }
    ++at;
  }
  wrapped += u"\r\n\r\n";
  return wrapped;
}

std::string wrapQueryText(std::string_view sqlText) {
  return toUtf8(wrapQueryText(toWide(sqlText)));
}

}  // namespace vantrel
