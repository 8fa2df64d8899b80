#pragma once

#include "data/Database.h"

#include <QDate>
#include <QStringList>
#include <QVector>

namespace velmora::Conduct {

// One dated record of a student's conduct: an item of the class's list and
// its points, plus or minus, with who wrote it.
struct Entry
{
    qint64 id = 0;
    QString student;
    QDate date;
    QString item;
    int points = 0;
    QString note;
    QString writer;
    QString at; // yyyy-MM-dd HH:mm:ss
};

// The class's settings: the items a record is of, the base every student
// starts a term from, and the grades from their lowest scores, highest first
// (the last grade takes every score below).
struct Rules
{
    struct Grade
    {
        QString name;
        int lower = 0;
        bool operator==(const Grade&) const = default;
    };
    QStringList items { QStringLiteral("纪律"), QStringLiteral("学习"), QStringLiteral("卫生"), QStringLiteral("劳动"),
        QStringLiteral("文明礼仪"), QStringLiteral("好人好事") };
    int base = 80;
    QVector<Grade> grades { { QStringLiteral("优"), 90 }, { QStringLiteral("良"), 80 }, { QStringLiteral("中"), 60 },
        { QStringLiteral("差"), 0 } };

    // The grade of a term's score; every window and print asks here.
    QString gradeOf(int score) const;
    // Empty when the items and grades stand in order, else why not.
    QString problem() const;

    // The defaults where nothing is kept.
    static Result<Rules> load(const Database& db);
    // Only an administrator.
    Status save(Database& db) const;
    bool operator==(const Rules&) const = default;
};

// Whether the database keeps conduct records (an older one must be upgraded first).
Result<bool> available(const Database& db);

// The same record for each student (a whole 值日 group at once), written by
// the session's user. Refused for a read-only user.
Status add(
    Database& db, const QStringList& students, const QDate& date, const QString& item, int points, const QString& note);
// A record changed or taken away: the writer's own, or any for an administrator.
Status change(Database& db, const Entry& entry);
Status remove(Database& db, qint64 id);

// One student's records over a span, the newest first. There is no list of
// several students' points: conduct is shown for each student alone.
Result<QVector<Entry>> of(const Database& db, const QString& student, const QDate& from, const QDate& to);

// A student's term: the base and the points of the span, the grade they
// give, or the grade an administrator set by hand, with why.
struct TermGrade
{
    int score = 0;
    QString grade;
    bool byHand = false;
    QString reason;
    QString setBy;
};
Result<TermGrade> termGrade(
    const Database& db, const QString& student, const QString& term, const QDate& from, const QDate& to);
// Sets the term's grade by hand (a reason is needed), or gives it back to the
// score with an empty grade. Only an administrator.
Status setGrade(Database& db, const QString& student, const QString& term, const QString& grade, const QString& reason);

} // namespace velmora::Conduct
