#pragma once

#include "classes/GradeBands.h"
#include "exams/ReportCards.h"

#include <QStringList>
#include <QVector>
#include <optional>

namespace velmora::Slips {

// What a slip or a parent's message shows beside each score.
struct Choices
{
    ReportCards::Shown shown = ReportCards::Shown::Scores;
    GradeBands grades;
    bool ranks = false; // for the family alone: off unless asked for
    bool average = true; // 班级平均, a score: never beside bands alone
    bool comment = true;
};

// One subject, or the total, of one student.
struct Item
{
    QString name;
    QString score; // "73", a term grade's "72.5"; empty without one
    QString grade; // its band, or empty
    QString mark; // 缺考 … in place of both
    QString average; // the class's, one decimal
    int fullMarks = 100;
    bool starred = false; // a term grade with a test missed: not the whole one
    bool counted = true; // a total that is whole, or ranked as the class allows

    // The cell: "73", "良好" or "73（良好）", the mark, or "—".
    QString cell(ReportCards::Shown shown) const;
};

// One student's slip for one test or term grade.
struct Slip
{
    QString testName;
    QString number;
    QString name;
    QVector<Item> subjects;
    Item total;
    QString rank; // empty where ranks are not chosen, "—" without one
    QString comment; // empty where not chosen

    // 学号, 姓名, the subjects, 总分[, 名次].
    QStringList headers() const;
    QStringList cells(ReportCards::Shown shown) const;
    // "等级" under the scores, each band: scores and bands on two rows keep
    // fourteen subjects across a page.
    QStringList grades() const;
    // "班级平均" under the scores, or empty where not chosen.
    QStringList averages(const Choices& choices) const;
};

// The slips of the first test of `term` for the given students (indexes into term.students).
QVector<Slip> slipsOf(const ReportCards::Term& term, const QVector<int>& students, const Choices& choices);

// 家长通知: the template's fields {姓名} {考试} {各科成绩} {等级} {总分} {名次} {评语} filled in.
// A part in [ ] or 【 】 holding a field is left out whole where one of its
// fields has no value ("[，班级第{名次}名]"); elsewhere such a field reads "—".
QString notice(const QString& templ, const Slip& slip, ReportCards::Shown shown);
QStringList fields();
QString defaultTemplate();
// Empty when the template may be kept, else why not.
QString templateProblem(const QString& templ);
// The class's template, the default where none is kept.
Result<QString> loadTemplate(const Database& db);
Status saveTemplate(Database& db, const QString& templ);

} // namespace velmora::Slips
