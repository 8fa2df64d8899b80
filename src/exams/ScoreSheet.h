#pragma once

#include "data/Database.h"
#include "exams/TestRecord.h"

#include <QStringList>

namespace velmora {

// What the score entry boxes hold for one student.
struct ScoreEntry
{
    QString student;
    QStringList subjects = QStringList(14); // by subject index
    // A subject's mark (缺考 …) as stored, shown beside its empty box; a
    // number typed there replaces it.
    QStringList marks = QStringList(14);
    QStringList duties = QStringList(5); // 出勤共, 病假, 旷课, 事假, 迟到早退
    QString comment;
};

namespace Scores {

inline constexpr int kMaxScore = 999;
inline constexpr int kMaxComment = 900;

// The test's score rows in student-number order.
Result<RecordSet> rows(const Database& db, int testNumber);
// One student's row, to show what is stored now rather than when the test was opened.
Result<RecordSet> row(const Database& db, int testNumber, const QString& student);

// One subject of a test in 学号 order, for the subject analysis.
struct SubjectColumn
{
    QStringList numbers;
    QStringList texts; // as stored; an empty score is "", or the word of its mark (缺考 …)
    QVector<int> values; // the scores there are: an empty score is no score
    int cheated = 0; // 作弊 marks, which count as 0 where the class says so
};
Result<SubjectColumn> subjectColumn(const Database& db, int testNumber, int subject);
// A student's stored scores in the given subjects (indexes into the fixed
// list), or nullopt when the test has no row for the student.
Result<std::optional<QStringList>> studentScores(
    const Database& db, int testNumber, const QString& student, const QVector<int>& subjects);

// Students of the class without a row in the test's score table (added
// after the test was defined), and adding their rows.
Result<int> missingStudents(const Database& db, int testNumber);
Status addMissingStudents(Database& db, int testNumber);

// Empty when every box the test uses holds something storable; else the
// message for the first that does not, naming the box.
QString check(const TestItems& items, const ScoreEntry& entry);

// Writes the boxes the test uses to the student's row; an error when the
// row is gone.
Status save(Database& db, int testNumber, const TestItems& items, const ScoreEntry& entry);
// Writes only the boxes that differ from `read` (what the window showed),
// and only while the stored values are still those: otherwise nothing is
// written and a Conflict error names each field another teacher changed,
// with both values.
Status save(Database& db, int testNumber, const TestItems& items, const ScoreEntry& entry, const ScoreEntry& read);

} // namespace Scores
} // namespace velmora
