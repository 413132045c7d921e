#pragma once

#include <vector>

#include "reader/property_block.h"
#include "reader/table_definition.h"

namespace vantrel {

// Gives the columns of a lost definition (inferred from its rows, with stand-in names) the
// names that the table's property block still lists, where the block tells which column is
// which. Its groups are not in the columns' order, so a name is given only where the kind of
// column is certain: a text column's group has text-only properties, a Yes/No column's shows
// a check box, and the others have neither. Within a kind that holds one column on both
// sides the match is certain; when the kinds' counts disagree, the inference or the block
// is off and nothing is named. Returns how many columns were named.
int nameColumnsFromProperties(std::vector<ColumnDefinition>& columns, const PropertyBlock& block);

}  // namespace vantrel
