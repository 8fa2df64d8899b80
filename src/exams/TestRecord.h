#pragma once

#include "data/Database.h"

#include <QStringList>
#include <QVector>
#include <optional>

namespace velmora {

// What a test assesses: subjects by their index in the fixed order, and
// whether it records attendance and a teacher's comment.
struct TestItems
{
    static constexpr int kDefaultFullMarks = 100;
    static constexpr int kMaxFullMarks = 999;

    QVector<int> subjects;
    bool attendance = false;
    bool comment = false;
    // Scores in half points (98.5), held in tenths; whole points in older tests.
    bool halves = false;
    // By subject index: 100 unless the test sets other full marks.
    QVector<int> fullMarks = QVector<int>(14, kDefaultFullMarks);

    bool hasSubject(int index) const { return subjects.contains(index); }
    int fullMarksOf(int index) const { return fullMarks.value(index, kDefaultFullMarks); }
    // A subject's column header: its name, with full marks other than 100: 数学(150).
    QString caption(int index) const;
    // The columns of the test's score table, in their order.
    QStringList scoreColumns() const;
    // "语文 数学 健康教育 ", as the test list shows the subjects.
    QString subjectText() const;
};

// One row of tblTestInfo.
struct TestRecord
{
    int number = 0;
    QString name;
    QString date;
    QString type;
    QString memo;
    TestItems items;
};

// A new test as typed in the definition window.
struct NewTest
{
    QString name;
    QString date;
    QString type;
    QString memo;
    TestItems items;
};

struct DefinedTest
{
    int number = 0;
    int students = 0;
};

namespace Exams {

// The five types the lists offer.
const QStringList& types();
bool isFinalType(const QString& type);

// The last number plus one, or 1 for the first test.
Result<int> nextNumber(const Database& db);
Result<QVector<TestRecord>> list(const Database& db);
Result<std::optional<TestRecord>> fetch(const Database& db, int number);

// The definition row, the score table and one row per student, all or
// nothing. The number is allocated inside the transaction, so it may be
// later than the one the window showed when another teacher took that one.
Result<DefinedTest> define(Database& db, const NewTest& test);

// Sets one subject's full marks (1..999). Refused while a stored score of
// the subject is above them, or when the test no longer has the subject.
Status setFullMarks(Database& db, int number, int subject, int marks);
// Empty when the marks may be a subject's full marks, else why not.
QString fullMarksProblem(const QString& text);

enum class Removal { Deleted, Missing };
// The definition row and its score table, in one transaction; a score table
// that is already gone does not keep the row. Where the database keeps
// deleted tests, both are put aside for kKeptDays and can be restored.
Result<Removal> remove(Database& db, int number);

inline constexpr int kKeptDays = 30;
struct DeletedTest
{
    TestRecord test;
    QString deletedAt; // yyyy-MM-dd HH:mm:ss
    QString deletedBy;
    bool scoresKept = false;
};
// The deleted tests still kept, the latest deletion first; those kept
// longer than kKeptDays go for good first.
Result<QVector<DeletedTest>> deletedTests(Database& db);
// Puts a deleted test back under its own number with its scores.
Status restoreDeleted(Database& db, int number);

// Test hook: makes define() fail right after creating the score table.
void failAfterCreateForTesting(bool fail);

} // namespace Exams
} // namespace velmora
