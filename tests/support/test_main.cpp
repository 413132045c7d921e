// The main of every test program: the kinds of destination the programs register, then the
// tests.
#include <gtest/gtest.h>

#include "destinations/postgres/postgres_destination.h"
#include "destinations/sqlite/sqlite_destination.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  vantrel::registerSqliteDestination(vantrel::destinationRegistry());
  vantrel::registerPostgresDestination(vantrel::destinationRegistry());
  return RUN_ALL_TESTS();
}
