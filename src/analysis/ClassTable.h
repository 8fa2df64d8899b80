#pragma once

#include "data/Database.h"
#include "exams/TestRecord.h"

#include <QList>
#include <QStringList>
#include <QVector>

namespace velmora::Analysis {

// The class's results in one test as the class analysis shows them: per
// student the 学号, a total, and each of the test's subjects as stored.
struct ClassTable
{
    QList<QStringList> rows;

    // Whether a total leaves out an empty score, marked "285*".
    bool hasMissing() const;

    // Keeps `count` rows from the 1-based row `first`, clamped to the rows there are.
    void keep(int first, int count);
};

enum class ClassOrder {
    NumberDescending, // as first shown
    TotalDescending, // equal totals by ascending 学号
};

// The total is of the entered scores of the subjects in `summed` (indexes
// into the fixed list; all of the test's when empty), and ends in "*" when
// one of them is empty: the total shown, not anything stored. Refused, naming it, when the score table lacks one of the
// test's subjects.
Result<ClassTable> classTable(const Database& db, const TestRecord& test, const QVector<int>& summed, ClassOrder order);

} // namespace velmora::Analysis
