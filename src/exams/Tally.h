#pragma once

#include "classes/StatsRules.h"

#include <QtGlobal>

namespace velmora {

// The counts every class figure is made of, over the scores (or totals)
// there are, each against its full marks in the same unit.
struct Tally
{
    int sat = 0;
    qint64 sum = 0;
    qint64 squares = 0;
    int highest = 0;
    int lowest = 0;
    int excellent = 0; // each count includes those above it
    int good = 0;
    int pass = 0;
    int low = 0;

    // Compared in whole numbers: 85% of 150 is 127.5, and 127 is not excellent.
    void add(int score, int fullMarks, const StatsRules& rules)
    {
        highest = sat ? qMax(highest, score) : score;
        lowest = sat ? qMin(lowest, score) : score;
        ++sat;
        sum += score;
        squares += qint64(score) * score;
        const qint64 hundred = qint64(score) * 100;
        excellent += hundred >= qint64(rules.excellent) * fullMarks;
        good += hundred >= qint64(rules.good) * fullMarks;
        pass += hundred >= qint64(rules.pass) * fullMarks;
        low += hundred < qint64(rules.low) * fullMarks;
    }
};

} // namespace velmora
