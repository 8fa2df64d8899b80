#pragma once

#include "data/Database.h"

#include <QDate>
#include <QHash>
#include <QVector>
#include <optional>

namespace velmora::SchoolCalendar {

// A term of the school year: its days run from the first to the last.
struct Term
{
    QString name; // 2026-2027学年第一学期
    QDate first;
    QDate last;
};

// A day that is not as its weekday says: a holiday on a weekday, or a
// make-up day (调休) on a weekend.
struct Exception
{
    QDate date;
    bool school = false;
    QString note; // 国庆节, 调休 …
};

// Whether the database keeps terms and attendance (an older one must be upgraded first).
Result<bool> available(const Database& db);

// Every term, the earliest first.
Result<QVector<Term>> terms(const Database& db);
// The term a day belongs to, if any.
Result<std::optional<Term>> termOn(const Database& db, const QDate& day);
// Saves a term, replacing the one named `replacing` (empty for a new one).
// Only an administrator; terms may not overlap.
Status saveTerm(Database& db, const Term& term, const QString& replacing = QString());
Status removeTerm(Database& db, const QString& name);

Result<QVector<Exception>> exceptions(const Database& db, const QDate& from, const QDate& to);
// Marks a day a holiday or a make-up day; nullopt gives it back to its weekday.
Status setDay(Database& db, const QDate& day, std::optional<bool> school, const QString& note = QString());

// Weekdays are school days unless an exception says otherwise.
bool isSchoolDay(const QDate& day, const QHash<QDate, bool>& exceptions);
// The school days from one day to another, both included, in order.
Result<QVector<QDate>> schoolDays(const Database& db, const QDate& from, const QDate& to);

// How days are stored: yyyy-MM-dd, which sorts as dates do.
QString dayText(const QDate& day);
// 星期一 … 星期日, whatever the system's language.
QString weekdayName(const QDate& day);

} // namespace velmora::SchoolCalendar
