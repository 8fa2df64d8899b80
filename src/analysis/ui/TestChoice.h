#pragma once

#include "analysis/StatsTable.h"
#include "analysis/TermGrades.h"

#include <QHash>
#include <QVariant>
#include <QVector>
#include <functional>
#include <initializer_list>
#include <optional>

class QComboBox;

namespace velmora {
class Database;
}

namespace velmora::TestChoice {

// What a window of figures starts from: the tests, the term grades, the
// students' names, the class's rules; none, having said why, when one cannot
// be read or there are fewer than `atLeast` tests (`fewer` says so).
struct Start
{
    QVector<TestRecord> tests;
    QVector<Analysis::TermDefinition> terms; // none in an older database
    QHash<QString, QString> names;
    StatsRules rules;
};
std::optional<Start> start(Database& db, int atLeast, const QString& fewer);

// Each test as "3 期末考试 2025-01-16", the newest first, its number as the
// item's data; then each term grade as "学期总评：<name>", its name as the data.
void fill(std::initializer_list<QComboBox*> boxes, const Start& start);

// Whenever a test or a term grade comes or goes, `reload` fills the boxes
// again (false when it could not) and each keeps its choice where it still can.
void follow(QObject* window, QVector<QComboBox*> boxes, const std::function<bool()>& reload);

// The cells of a box's choice as figures read them, a term grade's in tenths
// of 100 per subject; none, having said why.
std::optional<Analysis::TestCells> cells(Database& db, const QVariant& choice, const Start& start);

} // namespace velmora::TestChoice
