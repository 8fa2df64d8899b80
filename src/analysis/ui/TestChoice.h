#pragma once

#include "analysis/StatsTable.h"

#include <QHash>
#include <QVector>
#include <initializer_list>
#include <optional>

class QComboBox;

namespace velmora::TestChoice {

// What a window of figures starts from: the tests, the students' names,
// the class's rules; none, having said why, when one cannot be read or there
// are fewer than `atLeast` tests (`fewer` says so).
struct Start
{
    QVector<TestRecord> tests;
    QHash<QString, QString> names;
    StatsRules rules;
};
std::optional<Start> start(int atLeast, const QString& fewer);

// Each test as "3 期末考试 2025-01-16", the newest first, its number as the item's data.
void fill(std::initializer_list<QComboBox*> boxes, const QVector<TestRecord>& tests);

// The test's cells as figures read them, or none, having said why.
std::optional<Analysis::TestCells> cells(int number);

} // namespace velmora::TestChoice
