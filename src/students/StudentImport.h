#pragma once

#include "data/Database.h"
#include "sheets/SheetTable.h"
#include "students/StudentRecord.h"

namespace velmora::StudentImport {

// Which field of the record each column of a sheet fills.
struct Mapping
{
    int headerRow = -1; // the row of the sheet that names the columns
    QVector<int> fields; // per column: a StudentRecord::Column, or -1 for none
};

// The field a header names (学号, 出生日期, 电话, 父亲 …), or -1.
int fieldFor(const QString& header);
// The header row is the first of the top rows that names at least two
// fields, below any title rows; each column maps by its header.
Mapping guess(const SheetTable& sheet);

struct Row
{
    int sheetRow = 0; // 0-based row of the sheet
    // What the student would be: for one already in the class, the stored
    // record with the fields the sheet maps taken from the sheet.
    StudentRecord record;
    QString problem; // why the row cannot be imported, as the record form would say it
    bool exists = false; // a student with this 学号 is already in the class
    QVector<int> fields; // the fields the sheet maps, which alone an update writes
    QStringList changes; // for an update: "联系电话：138 → 139", each field that changes
};

// Every row under the header, read and checked with the record form's own rules.
Result<QVector<Row>> plan(const Database& db, const SheetTable& sheet, const Mapping& mapping);

struct Outcome
{
    int added = 0;
    int updated = 0;
    int skipped = 0;
    QStringList reasons; // one line per skipped row: "第 N 行：why"
    // "导入 N 名，更新 M 名，跳过 K 行"
    QString summary() const;
};

// All of it in one transaction, or nothing: new students added, existing
// ones updated when `update` (else skipped), each with the photo named by
// its 学号 in `photoFolder` (2024001.jpg, .jpeg or .png) when there is one.
Result<Outcome> apply(Database& db, const QVector<Row>& rows, bool update, const QString& photoFolder = {});

} // namespace velmora::StudentImport
