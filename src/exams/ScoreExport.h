#pragma once

#include "data/Database.h"
#include "sheets/SheetTable.h"

namespace velmora::ScoreExport {

// 导出全部成绩, for the school office: a first sheet of every student's total
// in each test, then a sheet per test with every score, attendance count and
// comment. Scores are numbers; a score not entered is an empty cell, left
// out of the total, and a total with one left out is marked in its header.
Result<QVector<SheetTable>> allTests(const Database& db);

} // namespace velmora::ScoreExport
