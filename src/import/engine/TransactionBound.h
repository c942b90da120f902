#pragma once

#include <cstdint>

// Reads the highest transaction id that the DeraRed database holds, so that an import run can
// fix its upper bound once at its start and every variable of the run reads the same set of
// transactions, however many arrive while it runs.
//
// It opens a connection of its own from the K30418 source settings (the same connection string
// the reader builds) for each call and closes it before returning.
class TransactionBound {
 public:
  // The highest id of Tbl_Transaction_PDA (0 for an empty table). False, with the status line
  // "Error in ReadHighestTransId: " & number & " - " & description, when the database cannot be
  // reached or the query fails; id is then unchanged.
  static bool ReadHighestTransId(std::int32_t& id);
};
