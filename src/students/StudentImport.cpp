#include "students/StudentImport.h"

#include "exams/ScoreHistory.h"
#include "sheets/SheetReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace velmora::StudentImport {

namespace {

// Headers as offices write them, by field. Compared without blanks.
const QVector<QStringList>& synonyms()
{
    static const QVector<QStringList> list {
        { QStringLiteral("学号"), QStringLiteral("学籍号") },
        { QStringLiteral("姓名"), QStringLiteral("学生姓名") },
        { QStringLiteral("性别") },
        { QStringLiteral("出生年月"), QStringLiteral("出生日期"), QStringLiteral("生日") },
        { QStringLiteral("民族") },
        { QStringLiteral("籍贯") },
        { QStringLiteral("家庭住址"), QStringLiteral("住址"), QStringLiteral("家庭地址"), QStringLiteral("地址") },
        { QStringLiteral("联系电话"), QStringLiteral("电话"), QStringLiteral("手机"), QStringLiteral("手机号") },
        { QStringLiteral("父亲姓名"), QStringLiteral("父亲") },
        { QStringLiteral("父亲单位"), QStringLiteral("父亲工作单位") },
        { QStringLiteral("母亲姓名"), QStringLiteral("母亲") },
        { QStringLiteral("母亲单位"), QStringLiteral("母亲工作单位") },
        { QStringLiteral("毕业于"), QStringLiteral("毕业学校") },
        { QStringLiteral("毕业至"), QStringLiteral("升入学校") },
        { QStringLiteral("备注") },
    };
    return list;
}

constexpr int kHeaderSearchRows = 10;

QString photoFor(const QString& folder, const QString& number)
{
    if (folder.isEmpty())
        return {};
    for (const char* ending : { ".jpg", ".jpeg", ".png", ".JPG", ".JPEG", ".PNG" }) {
        const QString path = QDir(folder).filePath(number + QLatin1String(ending));
        // A link that leads nowhere is still named, so that it is refused by name.
        if (QFileInfo(path).exists() || QFileInfo(path).isSymLink())
            return path;
    }
    return {};
}

} // namespace

int fieldFor(const QString& header)
{
    QString bare = header;
    bare.remove(QLatin1Char(' ')).remove(QChar(0x3000));
    for (int f = 0; f < synonyms().size(); ++f) {
        if (synonyms()[f].contains(bare))
            return f;
    }
    return -1;
}

Mapping guess(const SheetTable& sheet)
{
    Mapping m;
    for (int r = 0; r < qMin(int(sheet.rows.size()), kHeaderSearchRows); ++r) {
        QVector<int> fields;
        QSet<int> named;
        for (const QVariant& cell : sheet.rows[r]) {
            int f = fieldFor(SheetReader::cellText(cell));
            // A merged title repeats across its columns; a field is taken once.
            if (named.contains(f))
                f = -1;
            fields << f;
            if (f >= 0)
                named.insert(f);
        }
        if (named.size() >= 2) {
            m.headerRow = r;
            m.fields = fields;
            return m;
        }
    }
    return m;
}

Result<QVector<Row>> plan(const Database& db, const SheetTable& sheet, const Mapping& mapping)
{
    auto existing = Students::list(db);
    if (!existing)
        return existing.error();
    QHash<QString, StudentRecord> stored;
    for (const StudentRecord& s : std::as_const(*existing))
        stored.insert(s[StudentRecord::Number].trimmed(), s);
    QVector<int> mapped;
    for (int f : mapping.fields) {
        if (f >= 0 && !mapped.contains(f))
            mapped << f;
    }
    QSet<QString> seen;
    QVector<Row> rows;
    for (int r = mapping.headerRow + 1; r < sheet.rows.size(); ++r) {
        Row row;
        row.sheetRow = r;
        bool any = false;
        QString cellWhy;
        for (int c = 0; c < mapping.fields.size(); ++c) {
            const int f = mapping.fields[c];
            if (f < 0)
                continue;
            const QVariant cell = sheet.rows[r].value(c);
            if (const QString why = SheetReader::cellProblem(cell); !why.isEmpty() && cellWhy.isEmpty())
                cellWhy = StudentRecord::columns().value(f) + QStringLiteral("：") + why;
            QString text = SheetReader::cellText(cell);
            if (f == StudentRecord::Birth && !text.isEmpty()) {
                if (auto date = SheetReader::toDate(cell))
                    text = date->toString(QStringLiteral("yyyy-MM-dd"));
            }
            row.record.values[f] = text;
            any = any || !text.isEmpty();
        }
        if (!any)
            continue; // blank lines between blocks
        const QString number = row.record[StudentRecord::Number];
        row.fields = mapped;
        row.exists = stored.contains(number);
        // An update changes what the sheet has and keeps the rest: the record
        // form's rules apply to the student as they would then be.
        if (row.exists) {
            const StudentRecord before = stored.value(number);
            StudentRecord after = before;
            for (int f : mapped) {
                after.values[f] = row.record.values[f];
                if (f != StudentRecord::Number && before.values[f] != after.values[f])
                    row.changes << QStringLiteral("%1：%2 → %3")
                                       .arg(StudentRecord::columns()[f],
                                           before.values[f].isEmpty() ? QStringLiteral("（空）") : before.values[f],
                                           after.values[f].isEmpty() ? QStringLiteral("（空）") : after.values[f]);
            }
            row.record = after;
        }
        StudentInput input { row.record,
            row.record[StudentRecord::Sex] == QStringLiteral("男")
                || row.record[StudentRecord::Sex] == QStringLiteral("女"),
            row.record[StudentRecord::Native] };
        row.problem = cellWhy.isEmpty() ? checkStudentInput(input) : cellWhy;
        if (row.problem.isEmpty() && seen.contains(number))
            row.problem = QStringLiteral("学号%1在文件中出现了不止一次").arg(number);
        seen.insert(number);
        rows << row;
    }
    return rows;
}

QString Outcome::summary() const
{
    return QStringLiteral("导入 %1 名，更新 %2 名，跳过 %3 行").arg(added).arg(updated).arg(skipped);
}

Result<Outcome> apply(Database& db, const QVector<Row>& rows, bool update, const QString& photoFolder)
{
    Outcome out;
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (auto locked = db.exec(db.dialect().lockTableSql(QStringLiteral("tblLogin"))); !locked)
        return locked.error();
    const QStringList& columns = StudentRecord::columns();
    for (const Row& row : rows) {
        const QString where = QStringLiteral("第 %1 行：").arg(row.sheetRow + 1);
        if (!row.problem.isEmpty()) {
            ++out.skipped;
            out.reasons << where + row.problem;
            continue;
        }
        if (row.exists && !update) {
            ++out.skipped;
            out.reasons << where + QStringLiteral("学号%1已有学生").arg(row.record[StudentRecord::Number]);
            continue;
        }
        QVariantList values;
        for (const QString& v : row.record.values)
            values << v;
        QStringList names = columns;
        QByteArray photo;
        if (const QString path = photoFor(photoFolder, row.record[StudentRecord::Number]); !path.isEmpty()) {
            auto read = readPhotoFile(path);
            if (!read)
                return read.error();
            photo = *read;
            names << QStringLiteral("照片");
            values << photo;
        }
        Result<qint64> written = qint64(0);
        if (row.exists) {
            // Only what the sheet has: a field it lacks keeps what was stored.
            QStringList sets;
            QVariantList params;
            for (int c = StudentRecord::Name; c < names.size(); ++c) {
                if (c < StudentRecord::ColumnCount && !row.fields.contains(c))
                    continue;
                sets << names[c] + QStringLiteral("=?");
                params << values[c];
            }
            if (sets.isEmpty()) {
                ++out.updated;
                continue;
            }
            // What changes is kept, as a score's change is, so that it can be put back.
            auto before = Students::fetch(db, row.record[StudentRecord::Number]);
            if (!before)
                return before.error();
            QVector<ScoreHistory::Change> changes;
            for (int f : row.fields) {
                if (f != StudentRecord::Number && *before
                    && (**before)[StudentRecord::Column(f)] != row.record.values[f])
                    changes.push_back({ row.record[StudentRecord::Number], columns[f],
                        (**before)[StudentRecord::Column(f)], row.record.values[f] });
            }
            if (Status noted = ScoreHistory::record(db, ScoreHistory::kStudentRecords, changes); !noted)
                return noted.error();
            params << row.record[StudentRecord::Number];
            written = db.exec(
                QStringLiteral("update tblLogin set %1 where trim(学号)=?").arg(sets.join(QStringLiteral(", "))),
                params);
        } else {
            written = db.exec(QStringLiteral("insert into tblLogin (%1) values (%2)")
                                  .arg(names.join(QStringLiteral(", ")),
                                      QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", "))),
                values);
        }
        if (!written)
            return written.error();
        ++(row.exists ? out.updated : out.added);
    }
    if (Status committed = tx.commit(); !committed)
        return committed.error();
    return out;
}

} // namespace velmora::StudentImport
