#pragma once

#include "data/Database.h"
#include "exams/TestRecord.h"

#include <QHash>
#include <QStringList>
#include <QVector>
#include <optional>

namespace velmora::ReportCards {

// 成绩显示为: what stands for a score on what goes home.
enum class Shown {
    Scores,
    Grades, // the band alone: no score, full marks or average anywhere
    Both,
};

// Competition ranking, highest first: equal values share a rank and the next
// one skips past them (1, 2, 2, 4). A value that is not there has no rank.
QVector<std::optional<int>> ranks(const QVector<std::optional<int>>& values);

struct SubjectLine
{
    QString subject;
    int fullMarks = TestItems::kDefaultFullMarks;
    std::optional<int> score; // none: not entered, printed "缺"; 作弊 may count as 0
    QString mark; // why a score is missing (缺考 …), printed in its place
    QString why; // why a score is not the whole one (a term grade with a test missed), starred
    std::optional<qint64> classAverage; // of the entered scores, in tenths of a point
    std::optional<int> rank;
};

// One student's card for one test.
struct Card
{
    QString number;
    QString name;
    QVector<SubjectLine> subjects;
    std::optional<int> total; // of the scores that count; none when there is none
    bool wholeTotal = false; // nothing missing: the total is averaged and banded
    int totalFullMarks = 0; // of the subjects that count (免考 left out)
    std::optional<int> totalRank; // none for a partial total where the class says so
    QStringList attendance; // 出勤共, 病假, 旷课, 事假, 迟到早退, when the test records it
    QString comment;
    // What a marking system's export stated (总分, 校次, 语文校次 …), as it stated it.
    QHash<QString, QString> facts;
};

struct TestCards
{
    TestRecord test;
    QVector<Card> cards; // in 学号 order
    std::optional<qint64> totalAverage; // of the whole totals, in tenths of a point
    int ranked = 0; // students who take a total rank
    int scale = 1; // 10 where scores and totals are tenths
    bool termGrade = false; // a term grade summing tests up, not a test itself

    const Card* card(const QString& number) const;

    QHash<QString, int> byNumber; // into cards
};

// Each subject's class average of the scores there are, and each student's rank in it.
void placeSubjects(TestCards& cards);

// Every student of the test's score table.
Result<TestCards> forTest(const Database& db, int testNumber);

// A term's report: several tests side by side.
struct Term
{
    QString className; // from the class settings
    QString teacher;
    QVector<TestCards> tests; // the last one first
    // Everyone on any of the tests' score tables, in 学号 order.
    QVector<QPair<QString, QString>> students; // 学号, 姓名

    // The latest comment that is not empty, with its test's name.
    QPair<QString, QString> comment(const QString& number) const;
    // Every student's index into `students`.
    QVector<int> everyone() const;
    // Puts `cards` before the tests there are (a term grade sums them up),
    // and its students among the others.
    void addFirst(TestCards cards);
};

Result<Term> forTests(const Database& db, QVector<int> testNumbers);

} // namespace velmora::ReportCards
