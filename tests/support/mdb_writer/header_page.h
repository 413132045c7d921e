#pragma once

#include "tests/support/mdb_writer/jet_format.h"
#include "tests/support/mdb_writer/values.h"
#include "tests/support/page_image.h"

namespace vantrel::mdbwriter {

// Page 0: the signature, the version at 0x14, and the part Jet masks with RC4 (code page,
// sort order, creation date; no password, no encryption key). An `aceVersion` of 2 or more
// makes a Jet 4 file an Access 2007 and later one: its signature and version byte.
test::PageImage headerPage(const JetFormat& format, int codePage, DateTime created,
                           int aceVersion = 0);

// Page 1: the database's own page usage, two map rows on a data page.
test::PageImage globalUsagePage(const JetFormat& format, int64_t pageCount);

}  // namespace vantrel::mdbwriter
