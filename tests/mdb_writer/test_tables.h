#pragma once

#include <string>
#include <vector>

#include "tests/support/mdb_writer/schema.h"

namespace vantrel::test {

// A table with a column of every type and rows of extreme, empty and null values. Jet 3
// texts stay within code page 1252.
mdbwriter::TableSpec allTypesTable(mdbwriter::JetVersion version);
// Its rows, kept for comparison.
std::vector<mdbwriter::Row> allTypesRows(mdbwriter::JetVersion version);

// Memo and OLE columns, one of each per storage form, with values of lengths around the
// limits of each form.
mdbwriter::TableSpec longValuesTable();
std::vector<mdbwriter::Row> longValuesRows(mdbwriter::JetVersion version);

// A text of `length` characters that varies along its length.
std::string varyingText(size_t length, size_t seed = 0);
mdbwriter::Bytes varyingBytes(size_t length, size_t seed = 0);

}  // namespace vantrel::test
