#pragma once

#include "data/Database.h"
#include "sheets/SheetTable.h"
#include "students/StudentRecord.h"

namespace velmora::StudentImport {

// Beyond the record's fields, columns a roster may have: the numbers other
// systems give the student (kept beside 学号, never in its place) and the class.
enum ExtraField { ExamNumberField = StudentRecord::ColumnCount, RegistryField, IdCardField, ClassField, FieldCount };
// A record column's name, 考号, 学籍号, 身份证号 or 班级.
QString fieldName(int field);

// Which field each column of a sheet fills.
struct Mapping
{
    int headerRow = -1; // the row of the sheet that names the columns
    QVector<int> fields; // per column: a StudentRecord::Column, an ExtraField, or -1 for none
};

// The field a header names (学号, 出生日期, 电话, 父亲, 准考证号 …), or -1.
int fieldFor(const QString& header);
// The header row is the first of the top rows that names at least two
// fields, below any title rows; each column maps by its header.
Mapping guess(const SheetTable& sheet);

// The classes a 班级 column names, in the order they first come; empty without one.
QStringList classes(const SheetTable& sheet, const Mapping& mapping);
// The one of them that is this class (班级设置's name or code, blanks and
// the width of brackets aside), or -1.
int ownClass(const QStringList& classes, const QString& name, const QString& code);
// Whether a class as written is this class.
bool sameClass(const QString& written, const QString& name, const QString& code);
// Whether this class's name or code says its grade and number, so that a
// row naming another class can be told from one naming it otherwise.
bool recognised(const QString& name, const QString& code);

struct Options
{
    // A row lacking fields the record form asks for is imported, and the form
    // asks for them at the student's next change; else it is refused.
    bool acceptLacking = true;
    // With a 班级 column: the class whose rows are taken; empty takes every row.
    QString onlyClass;
};

struct Row
{
    int sheetRow = 0; // 0-based row of the sheet
    // What the student would be: for one already in the class, the stored
    // record with the fields the sheet maps taken from the sheet.
    StudentRecord record;
    QStringList ids = QStringList(3); // 考号, 学籍号, 身份证号 from the sheet
    QString problem; // why the row cannot be imported, naming the field
    QStringList lacking; // fields the record form asks for that the row leaves empty
    bool otherClass = false; // a row of another class, not taken
    bool exists = false; // a student with this 学号 is already in the class
    QVector<int> fields; // the fields the sheet maps, which alone an update writes
    QStringList changes; // for an update: "联系电话：138 → 139", each field that changes
    // "新增", "新增（缺：民族、籍贯）", the problem, or "其他班级，不导入"; an
    // existing student's status is the window's, which knows whether to update.
    QString status() const;
};

// Every row under the header, read and checked with the record form's own rules.
Result<QVector<Row>> plan(
    const Database& db, const SheetTable& sheet, const Mapping& mapping, const Options& options = {});

struct Outcome
{
    int added = 0;
    int updated = 0;
    int skipped = 0;
    int otherClass = 0; // rows of other classes, not counted as skipped
    QStringList reasons; // one line per skipped row: "第 N 行：why"
    // "导入 N 名，更新 M 名，跳过 K 行", then "，其他班级 N 行没有导入" when there were any
    QString summary() const;
};

// All of it in one transaction, or nothing: new students added, existing
// ones updated when `update` (else skipped), each with the photo named by
// its 学号 in `photoFolder` (2024001.jpg, .jpeg or .png) when there is one.
Result<Outcome> apply(Database& db, const QVector<Row>& rows, bool update, const QString& photoFolder = {});

} // namespace velmora::StudentImport
