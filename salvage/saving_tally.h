#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "destinations/destination.h"

namespace vantrel {

// What the destination of one source file did not take, object by object, so that the saving
// list, the end text and the activity log can name every loss.
struct ObjectLoss {
  enum class Kind { kTable, kQuery, kRelation };
  Kind kind = Kind::kTable;
  std::string name;
  bool missing = false;  // the object itself is not in the destination
  int64_t rowsLost = 0;  // a table's salvaged rows that are not in the destination
  std::string reason;    // the destination's words, or the fault's
};

// The table a stop ended: its rows written so far stay in the destination.
struct StoppedTable {
  std::string name;
  int64_t written = 0;
  int64_t of = 0;  // the rows the table declares, or those read when more
};

// What the destination of one source file took and did not take.
struct SavingTally {
  int64_t savedTables = 0;  // tables created with every salvaged row
  int64_t savedRows = 0;    // rows in the destination's tables
  int64_t keptObjects = 0;  // objects the destination held already and the user kept
  std::vector<ObjectLoss> objects;
  // The fault after which the destination took nothing more, and the destination's message.
  DestinationFault fault = DestinationFault::kNone;
  std::string faultMessage;
  std::optional<StoppedTable> stopped;

  bool destinationLost() const { return fault != DestinationFault::kNone; }
  bool any() const { return !objects.empty() || destinationLost(); }
  // Keeps the first fault that ends the destination; other errors are the caller's losses.
  void note(const DestinationError& error) {
    if (!error.endsDestination() || destinationLost()) return;
    fault = error.fault();
    faultMessage = error.what();
  }
  // Why an object was not saved: the fault once there is one, else the destination's message.
  std::string reasonFor(const DestinationError& error) const {
    return destinationLost() ? std::string(destinationFaultText(fault)) : error.what();
  }
};

// "table [Orders]: 830 rows not written (why)", as the saving list, the end text and the log
// name a loss.
std::string objectLossText(const ObjectLoss& loss);

// "the destination disk is full: 7 tables and 3104 rows not written, 15 queries not saved;
// left in the destination: 3 tables with 1200 rows", or without a fault "2 tables and 120
// rows not written". Empty when nothing was lost.
std::string lossSummaryText(const SavingTally& tally);

// "stopped: table [Records], 1984449 of 5000000 rows written"
std::string stoppedText(const SavingTally& tally);

}  // namespace vantrel
