#pragma once

#include "data/Database.h"
#include "sheets/SheetTable.h"

#include <QHash>
#include <QStringList>
#include <QVector>
#include <optional>

namespace velmora::ScoreImport {

// What a column of a marking system's export holds.
enum class Role { Ignore, Number, ExamNumber, Name, Class, Item, Fact, Question };

struct Column
{
    Role role = Role::Ignore;
    QString header; // as the sheet names it, a two-row header's rows joined by a blank
    // Item: the test's column it fills (语文, 迟到早退, 教师评语); Fact: what it
    // states (总分, 班次, 校次, 语文班次, 语文校次, 语文年级平均); Question: its 题号.
    QString name;
    double fullMarks = 0; // Question: from its header or a 满分 row, 0 when the sheet does not say
};

// A question's header as marking systems write it: its subject where the
// header names one (语文 over 1, 语文小题得分1, 数学第3题), its number (3,
// 21(1)) or the part of the paper (客观题, 选择题1-12), and the full marks
// the header states (1(3分)), else 0.
struct QuestionHeader
{
    QString subject;
    QString number;
    double fullMarks = 0;
};
std::optional<QuestionHeader> question(const QString& header);

struct Layout
{
    int headerRow = -1; // the first header row
    int firstRow = -1; // the first student's row
    QVector<Column> columns; // per column of the sheet
    int column(Role role) const;
};

// The header below any title rows, one or two rows deep (a subject over
// 得分 / 班次 / 校次, merged cells spread over the columns they cover), and a
// 满分 row under it; `items` are the test's columns. No header: headerRow -1.
Layout detect(const SheetTable& sheet, const QStringList& items);

// What a header names, as detect() reads it.
Column classify(const QString& header, const QStringList& items);

// A column's role as one text, for remembering how a header was mapped:
// "" (not taken), "学号", "考号", "姓名", "班级", "项目:数学", "信息:语文班次", "小题:3".
QString code(const Column& column);
Column fromCode(const QString& code, const QString& header);

// The header's mapping the teacher chose last time, per header text; none
// in an older database.
Result<QHash<QString, QString>> remembered(const Database& db);
// Keeps the teacher's choices for the next import, (header, code) each.
Status remember(Database& db, const QVector<std::pair<QString, QString>>& choices);
// The remembered choices applied over what detect() found.
void applyRemembered(Layout& layout, const QHash<QString, QString>& remembered, const QStringList& items);

// "—", "-", "/": written for nothing entered.
bool isBlankWord(const QString& text);

struct Student
{
    QString number; // trimmed 学号
    QString name;
    QString examNumber; // kept 考号, or empty
};

struct Matching
{
    QVector<int> owner; // per sheet row: index into the students, or -1
    QStringList unmatched; // "第 N 行 …：why"
    int otherClass = 0; // rows of another class, skipped
    QVector<std::pair<int, QString>> others; // those rows, each with its class as the sheet names it
    // 考号 matched by a name no two students share: (student index, 考号), to keep.
    QVector<std::pair<int, QString>> learned;
    // The 考号 column holds this class's 学号 (a school that uses them so), matched as such.
    bool examAsNumber = false;
};

// Each row's student: by 学号, else by 考号 (a kept one, else a unique name,
// which is then learned), else by a name no two students share. With a 班级
// column naming this class (`ownClass`, blanks and bracket width aside),
// rows of other classes are counted, not listed.
Matching match(
    const SheetTable& sheet, const Layout& layout, const QVector<Student>& students, const QStringList& ownClass);

} // namespace velmora::ScoreImport
