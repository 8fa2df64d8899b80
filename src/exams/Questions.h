#pragma once

#include "data/Database.h"

#include <QHash>
#include <QStringList>
#include <QVector>
#include <optional>

namespace velmora::Questions {

// A test's questions as a marking system's export lists them, one column
// each (1, 2, …, 21(1)), and each student's marks on them.
struct Question
{
    QString number; // 题号 as the export writes it
    double fullMarks = 0; // 0 while nobody has said
};

// A question's subject where its 题号 starts with one (语文3), else empty.
QString subjectOf(const QString& number);
// How a question is named on screen and paper: 第3题, 第21(1)题, 选择题1-12.
QString label(const QString& number);
// What the score history calls a change of the question's full marks
// (语文第3题满分), within the kHistoryItemLength characters it keeps.
inline constexpr int kHistoryItemLength = 10;
QString historyItem(const QString& number);
// The number of a plain question (3 for 语文3 and 21(1)), 0 for a part of the paper.
int questionNumber(const QString& number);

// In the export's order; none in an older database or for a test without them.
Result<QVector<Question>> list(const Database& db, int test);
// Per trimmed 学号, per 题号, the marks; a question left blank is absent.
Result<QHash<QString, QHash<QString, double>>> marks(const Database& db, int test);
// The tests that have questions, newest first.
Result<QVector<int>> tests(const Database& db);

// The questions (replacing the test's list; a full mark the export did not
// state keeps one typed before) and each student's marks on them (学号 as
// stored, a text per question: empty for none). Inside the caller's transaction.
Status store(Database& db, int test, const QVector<Question>& questions,
    const QVector<std::pair<QString, QStringList>>& students);
Status setFullMarks(Database& db, int test, const QString& number, double fullMarks);
// Several questions at once (1–12题 每题3分), in one transaction.
Status setFullMarks(Database& db, int test, const QStringList& numbers, double fullMarks);

// Per subject (empty for questions without one), where every plain question
// has its full marks: their sum, unless a part of the paper is all there is;
// sub-questions count where their question has no column of its own.
QVector<std::pair<QString, double>> fullMarksBySubject(const QVector<Question>& questions);

struct Figures
{
    QString number;
    double fullMarks = 0;
    int students = 0; // who have a mark on it
    std::optional<double> average;
    // average ÷ full marks (得分率, as a share; 难度 is the same number) and
    // the top 27%'s average less the bottom 27%'s ÷ full marks (区分度),
    // the students ranked by their sum over all questions; none without full marks.
    std::optional<double> rate;
    std::optional<double> discrimination;
};
QVector<Figures> analyse(const QVector<Question>& questions, const QHash<QString, QHash<QString, double>>& marks);

// The students whose mark on the question is at most `atMost`, in 学号 order.
QStringList atMost(const QHash<QString, QHash<QString, double>>& marks, const QString& question, double atMost);

} // namespace velmora::Questions
