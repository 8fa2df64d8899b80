#pragma once

#include "data/Database.h"

namespace velmora {

// The class's own rules for its figures, kept per class: thresholds as
// percent of full marks (of the sum of full marks for a total), and what
// a mark counts for.
struct StatsRules
{
    int excellent = 85;
    int good = 75;
    int pass = 60;
    int low = 40; // below it
    bool cheatAsZero = true; // 作弊 counts as 0; else it is left out as 缺考 is
    bool absentNoRank = true; // 有缺考科目的学生不参加总分排名

    // Defaults where nothing is kept, or in a database without the table.
    static Result<StatsRules> load(const Database& db);
    Status save(Database& db) const;
    // Empty when the thresholds stand in order, else why not.
    QString problem() const;
    // "优秀：≥85%满分，良好：≥75%满分，…", for the caption.
    QString caption() const;
    bool operator==(const StatsRules&) const = default;
};

} // namespace velmora
