#include "destinations/catalog_tables.h"

#include "jetsql/identifier_text.h"

namespace vantrel {

bool isEngineCatalogName(std::string_view name) {
  return name.size() >= kEngineCatalogPrefix.size() &&
         equalsIgnoringAsciiCase(name.substr(0, kEngineCatalogPrefix.size()), kEngineCatalogPrefix);
}

}  // namespace vantrel
