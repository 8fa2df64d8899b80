#pragma once

#include "data/Database.h"

namespace velmora::DemoData {

inline constexpr int kStudents = 45;

// A believable class for a first look: students with full records, the class
// row and timetable, and three tests with scores, attendance and comments.
// The same data every time (fixed seed).
Status fill(Database& db);

// A new database with its tables, the starting rows and, when `demo`, the
// demo class: an embedded file or a database on the server. An existing one
// is refused unless `overwrite`.
Status create(const ConnectionSettings& settings, bool overwrite, bool demo);

} // namespace velmora::DemoData
