#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// Small text helpers shared by the query rebuilder (UTF-16).

// "[" + name + "]": how table, alias and column names are written.
std::u16string bracketed(std::u16string_view name);

// Replaces the first occurrence of `from` only: a keyword that stands at the head of a list,
// not the same word inside a sub-query or a quoted value further on.
void replaceFirst(std::u16string& text, std::u16string_view from, std::u16string_view to);

void replaceAll(std::u16string& text, std::u16string_view from, std::u16string_view to);

}  // namespace vantrel
