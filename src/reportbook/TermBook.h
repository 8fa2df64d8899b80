#pragma once

#include "analysis/TermGrades.h"
#include "attendance/Attendance.h"
#include "attendance/SchoolCalendar.h"
#include "conduct/Conduct.h"
#include "exams/Slips.h"

#include <QHash>

namespace velmora::TermBook {

inline constexpr int kMaxComment = 800;
inline constexpr int kMaxHonours = 400;
inline constexpr int kMaxSchool = 50;
inline constexpr int kMaxNotice = 800;

// What the class teacher writes for one student in one term.
struct Words
{
    QString comment; // 班主任评语
    QString honours; // 奖惩/荣誉, a line each
    bool operator==(const Words&) const = default;
};

// By 学号 as stored.
Result<QHash<QString, Words>> words(const Database& db, const QString& term);
// Only an administrator; both empty takes the student's row away.
Status saveWords(Database& db, const QString& term, const QString& student, const Words& words);

// The class's heading and holiday notice, written once for the term.
struct Notice
{
    QString school;
    QString text; // the holiday and the next term's first day
};

Result<Notice> notice(const Database& db, const QString& term);
Status saveNotice(Database& db, const QString& term, const Notice& notice);

// The book's studies: one test or one term grade, bands unless scores are asked for.
struct Choice
{
    SchoolCalendar::Term term;
    int test = 0; // or
    QString termGrade;
    bool scores = false;
};

// What a term's book shows unless the teacher chooses: the term grade whose
// tests were all given in the term (the last such), else the last test given
// in it; nothing when neither is.
std::optional<Choice> studiesIn(const SchoolCalendar::Term& term, const QVector<TestRecord>& tests,
    const QVector<Analysis::TermDefinition>& grades);

// One student's page. Never a rank, nor anything of another student.
struct Page
{
    QString number;
    QString name;
    QVector<Slips::Item> subjects; // none when the student has no scores there
    Attendance::Totals attendance;
    Conduct::TermGrade conduct;
    Words words;
};

struct Book
{
    QString school;
    QString className;
    QString teacher;
    QString term;
    QString studies; // the test's or the term grade's name
    QString notice;
    ReportCards::Shown shown = ReportCards::Shown::Grades;
    QVector<Page> pages; // every student on the roll, in 学号 order
};

Result<Book> make(const Database& db, const Choice& choice);

// Each student's comment in the chosen test, or the latest in the term
// grade's tests, by trimmed 学号: a start for the term's.
Result<QHash<QString, QString>> studiesComments(const Database& db, const Choice& choice);

} // namespace velmora::TermBook
