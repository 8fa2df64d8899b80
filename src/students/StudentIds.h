#pragma once

#include "data/Database.h"

#include <QHash>
#include <QStringList>

namespace velmora::StudentIds {

// The numbers other systems give a student, kept beside 学号 and never in
// its place: a marking system's 考号, the national 学籍号, the 身份证号.
enum Kind { ExamNumber, Registry, IdCard, KindCount };

// 考号, 学籍号, 身份证号: the column names, in Kind order.
const QStringList& names();
int limit(Kind kind);

// Per trimmed 学号, the three numbers (empty where none is kept). An older
// database without the table holds none.
Result<QHash<QString, QStringList>> all(const Database& db);

// Keeps the non-empty values of `ids` (in Kind order) for the student,
// leaving the others as they were. Inside the caller's transaction.
Status keep(Database& db, const QString& number, const QStringList& ids);

// 考号 learned from a marking system's export, (学号, 考号) each, in the
// caller's transaction; nothing in an older database without the table.
Status keepExamNumbers(Database& db, const QVector<std::pair<QString, QString>>& learned);

// With the student.
Status forget(Database& db, const QString& number);

} // namespace velmora::StudentIds
