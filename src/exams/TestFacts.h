#pragma once

#include "data/Database.h"

#include <QHash>
#include <QStringList>

namespace velmora::TestFacts {

// What a marking system's export states beside the scores, kept as it was
// written and never recomputed: 总分, 班次, 校次 (of the total) and each
// subject's 班次, 校次 and 年级平均, per test and student.

// Per trimmed 学号, fact → value, of one test; none in an older database.
Result<QHash<QString, QHash<QString, QString>>> load(const Database& db, int test);
// The facts in the order they are shown: the total's, then by subject.
void sort(QStringList& facts);
inline constexpr int kMaxValue = 20;

// Per test and student, a value per item in a table of (考试号, 学号, item,
// value): each student's old values go (those of `items` alone when
// `onlyItems`, else all), a hundred students a statement, and the new ones
// that are not empty come in. Inside the caller's transaction.
Status replaceValues(Database& db, const QString& table, const QString& itemColumn, const QString& valueColumn,
    int test, const QStringList& items, const QVector<std::pair<QString, QStringList>>& students, bool onlyItems);

// Replaces the named facts of each student (学号 as stored, a value per
// fact; an empty value removes one). Inside the caller's transaction.
Status store(
    Database& db, int test, const QStringList& facts, const QVector<std::pair<QString, QStringList>>& students);

} // namespace velmora::TestFacts
