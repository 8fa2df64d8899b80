#pragma once

#include "data/Database.h"
#include "exams/TestRecord.h"

#include <QStringList>
#include <QVector>
#include <optional>

namespace velmora::ReportCards {

// Competition ranking, highest first: equal values share a rank and the next
// one skips past them (1, 2, 2, 4). A value that is not there has no rank.
QVector<std::optional<int>> ranks(const QVector<std::optional<int>>& values);

struct SubjectLine
{
    QString subject;
    int fullMarks = TestItems::kDefaultFullMarks;
    std::optional<int> score; // none: not entered, printed "缺"
    std::optional<double> classAverage; // of the entered scores
    std::optional<int> rank;
};

// One student's card for one test.
struct Card
{
    QString number;
    QString name;
    QVector<SubjectLine> subjects;
    std::optional<int> total; // of the entered scores; none when there is none
    std::optional<int> totalRank;
    QStringList attendance; // 出勤共, 病假, 旷课, 事假, 迟到早退, when the test records it
    QString comment;
};

struct TestCards
{
    TestRecord test;
    QVector<Card> cards; // in 学号 order
};

// Every student of the test's score table.
Result<TestCards> forTest(const Database& db, int testNumber);

} // namespace velmora::ReportCards
