#pragma once

#include "analysis/StatsTable.h"

#include <QVector>
#include <initializer_list>
#include <optional>

class QComboBox;

namespace velmora::TestChoice {

// Each test as "3 期末考试 2025-01-16", the newest first, its number as the item's data.
void fill(std::initializer_list<QComboBox*> boxes, const QVector<TestRecord>& tests);

// The test's cells as figures read them, or none, having said why.
std::optional<Analysis::TestCells> cells(int number);

} // namespace velmora::TestChoice
