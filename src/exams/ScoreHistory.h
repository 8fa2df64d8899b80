#pragma once

#include "history/History.h"

namespace velmora::ScoreHistory {

// Writes the entry's old value back into the test's score table (or the
// student's record), only while the cell still holds the entry's new value,
// and records that too.
Status putBack(Database& db, const Entry& entry);

} // namespace velmora::ScoreHistory
