#include "students/StudentImport.h"

#include "data/TextLimits.h"
#include "data/UserRights.h"
#include "history/History.h"
#include "sheets/SheetReader.h"
#include "students/StudentIds.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <functional>

namespace velmora::StudentImport {

namespace {

// Headers as offices write them, by field (record columns, then the extra
// fields in their order). Compared without blanks.
const QVector<QStringList>& synonyms()
{
    static const QVector<QStringList> list {
        { QStringLiteral("学号") },
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
        { QStringLiteral("考号"), QStringLiteral("准考证号"), QStringLiteral("考生号"), QStringLiteral("准考号") },
        { QStringLiteral("学籍号"), QStringLiteral("全国学籍号"), QStringLiteral("学籍辅号") },
        { QStringLiteral("身份证号"), QStringLiteral("身份证"), QStringLiteral("身份证号码"),
            QStringLiteral("公民身份号码") },
        { QStringLiteral("班级"), QStringLiteral("班别"), QStringLiteral("所在班级") },
    };
    return list;
}

// The fields the record form will not save without, besides 学号 and 姓名.
constexpr StudentRecord::Column kAskedFor[] = { StudentRecord::Sex, StudentRecord::Birth, StudentRecord::Nation,
    StudentRecord::Native, StudentRecord::Address };

// 一 … 十九 or digits, 0 for neither.
int numeral(const QString& text)
{
    bool ok = false;
    if (const int n = text.toInt(&ok); ok)
        return n;
    static const QString digits = QStringLiteral("一二三四五六七八九");
    const qsizetype ten = text.indexOf(QChar(0x5341)); // 十
    if (ten < 0)
        return text.size() == 1 ? int(digits.indexOf(text[0])) + 1 : 0;
    const int tens = ten == 0 ? 1 : ten == 1 ? int(digits.indexOf(text[0])) + 1 : 0;
    const int ones = ten + 1 < text.size() ? int(digits.indexOf(text[ten + 1])) + 1 : 0;
    return tens * 10 + ones;
}

// A class as written, for comparing: "初二（3）班" and "初二(3) 班" are one,
// and so are 初一(1)班, 初一1班, 七年级1班 and 701, as schools write them.
QString classKey(QString text)
{
    text.remove(QLatin1Char(' ')).remove(QChar(0x3000));
    text.replace(QChar(0xFF08), QLatin1Char('(')).replace(QChar(0xFF09), QLatin1Char(')'));
    static const QRegularExpression digitsOnly(QStringLiteral("^([0-9]{1,2})([0-9]{2})$"));
    static const QRegularExpression written(QStringLiteral(
        "^(?:(初|高)([一二三123])|([一二三四五六七八九十]{1,2}|[0-9]{1,2})年级)\\(?([0-9]{1,2}|[一二三四五六七八九十]"
        "{1,3})\\)?班?$"));
    int grade = 0, number = 0;
    if (const auto m = digitsOnly.match(text); m.hasMatch()) {
        grade = m.captured(1).toInt();
        number = m.captured(2).toInt();
    } else if (const auto w = written.match(text); w.hasMatch()) {
        grade = w.captured(1).isEmpty() ? numeral(w.captured(3))
                                        : numeral(w.captured(2)) + (w.captured(1) == QStringLiteral("初") ? 6 : 9);
        number = numeral(w.captured(4));
    }
    return grade > 0 && number > 0 ? QStringLiteral("%1年级%2班").arg(grade).arg(number) : text;
}

// Why the student as they would be cannot be saved, naming the field; empty when they can.
QString refusal(const Row& row, const std::function<QString(int)>& label)
{
    const StudentRecord& r = row.record;
    for (StudentRecord::Column c : { StudentRecord::Number, StudentRecord::Name }) {
        if (r[c].isEmpty())
            return QStringLiteral("缺少%1").arg(label(c));
    }
    if (!StudentRecord::validNumber(r[StudentRecord::Number]))
        return QStringLiteral("%1“%2”只能由1到10位数字组成")
            .arg(label(StudentRecord::Number), r[StudentRecord::Number]);
    const QString sex = r[StudentRecord::Sex];
    if (!sex.isEmpty() && sex != QStringLiteral("男") && sex != QStringLiteral("女"))
        return QStringLiteral("%1“%2”只能是男或女").arg(label(StudentRecord::Sex), sex);
    const QString birth = r[StudentRecord::Birth];
    if (!birth.isEmpty() && !StudentRecord::isDate(birth))
        return QStringLiteral("%1“%2”不是日期").arg(label(StudentRecord::Birth), birth);
    for (int c = 0; c < StudentRecord::ColumnCount; ++c) {
        const QString& column = StudentRecord::columns()[c];
        if (!TextLimits::fits(u"tblLogin", column, r.values[c]))
            return QStringLiteral("%1最多只能填写%2个字符").arg(label(c)).arg(TextLimits::limit(u"tblLogin", column));
    }
    for (int k = 0; k < StudentIds::KindCount; ++k) {
        const auto kind = StudentIds::Kind(k);
        if (TextLimits::charCount(row.ids[k]) > StudentIds::limit(kind))
            return QStringLiteral("%1最多只能填写%2个字符")
                .arg(label(ExamNumberField + k))
                .arg(StudentIds::limit(kind));
    }
    return {};
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

QString fieldName(int field)
{
    if (field >= 0 && field < StudentRecord::ColumnCount)
        return StudentRecord::columns()[field];
    if (field >= ExamNumberField && field < ClassField)
        return StudentIds::names()[field - ExamNumberField];
    return field == ClassField ? QStringLiteral("班级") : QString();
}

QStringList classes(const SheetTable& sheet, const Mapping& mapping)
{
    const int column = int(mapping.fields.indexOf(ClassField));
    QStringList out, keys;
    if (column < 0)
        return out;
    for (int r = mapping.headerRow + 1; r < sheet.rows.size(); ++r) {
        const QString text = SheetReader::cellText(sheet.rows[r].value(column));
        // 初二(3)班 and 初二（3）班 are one class, named as first written.
        if (!text.isEmpty() && !keys.contains(classKey(text))) {
            out << text;
            keys << classKey(text);
        }
    }
    return out;
}

bool recognised(const QString& name, const QString& code)
{
    static const QRegularExpression canonical(QStringLiteral("^[0-9]+年级[0-9]+班$"));
    return canonical.match(classKey(name)).hasMatch() || canonical.match(classKey(code)).hasMatch();
}

bool sameClass(const QString& written, const QString& name, const QString& code)
{
    const QString key = classKey(written);
    return (!name.trimmed().isEmpty() && key == classKey(name)) || (!code.trimmed().isEmpty() && key == classKey(code));
}

int ownClass(const QStringList& classes, const QString& name, const QString& code)
{
    for (int i = 0; i < classes.size(); ++i) {
        if (sameClass(classes[i], name, code))
            return i;
    }
    return -1;
}

QString Row::status() const
{
    if (otherClass)
        return QStringLiteral("其他班级，不导入");
    if (!problem.isEmpty())
        return problem;
    return lacking.isEmpty() ? QStringLiteral("新增")
                             : QStringLiteral("新增（缺：%1）").arg(lacking.join(QStringLiteral("、")));
}

Result<QVector<Row>> plan(const Database& db, const SheetTable& sheet, const Mapping& mapping, const Options& options)
{
    auto existing = Students::list(db);
    if (!existing)
        return existing.error();
    QHash<QString, StudentRecord> stored;
    for (const StudentRecord& s : std::as_const(*existing))
        stored.insert(s[StudentRecord::Number].trimmed(), s);
    QVector<int> mapped;
    for (int f : mapping.fields) {
        if (f >= 0 && f < StudentRecord::ColumnCount && !mapped.contains(f))
            mapped << f;
    }
    // A field is named as the sheet's header names it ("出生日期"), else as the record does.
    const auto label = [&](int field) {
        const int column = int(mapping.fields.indexOf(field));
        const QString header = mapping.headerRow >= 0 && column >= 0
            ? SheetReader::cellText(sheet.rows[mapping.headerRow].value(column)).remove(QLatin1Char(' '))
            : QString();
        return header.isEmpty() ? fieldName(field) : header;
    };
    const QString onlyClass = classKey(options.onlyClass);
    // A 考号 is one student's within the class: those kept, then those the file gives.
    auto kept = StudentIds::all(db);
    if (!kept)
        return kept.error();
    QHash<QString, QString> examOwner; // 考号 -> 学号
    QHash<QString, QString> names; // 学号 -> 姓名, of the file's rows
    for (auto k = kept->cbegin(); k != kept->cend(); ++k) {
        if (const QString exam = k.value().value(StudentIds::ExamNumber); !exam.isEmpty())
            examOwner.insert(exam, k.key());
    }
    QSet<QString> seen;
    QVector<Row> rows;
    for (int r = mapping.headerRow + 1; r < sheet.rows.size(); ++r) {
        Row row;
        row.sheetRow = r;
        bool any = false;
        QString cellWhy;
        QString classText;
        for (int c = 0; c < mapping.fields.size(); ++c) {
            const int f = mapping.fields[c];
            if (f < 0)
                continue;
            const QVariant cell = sheet.rows[r].value(c);
            if (const QString why = SheetReader::cellProblem(cell); !why.isEmpty() && cellWhy.isEmpty())
                cellWhy = label(f) + QStringLiteral("：") + why;
            QString text = SheetReader::cellText(cell);
            if (f == StudentRecord::Birth && !text.isEmpty()) {
                if (auto date = SheetReader::toDate(cell))
                    text = date->toString(QStringLiteral("yyyy-MM-dd"));
            }
            if (f < StudentRecord::ColumnCount)
                row.record.values[f] = text;
            else if (f == ClassField)
                classText = text;
            else
                row.ids[f - ExamNumberField] = text;
            any = any || !text.isEmpty();
        }
        if (!any)
            continue; // blank lines between blocks
        if (!onlyClass.isEmpty() && classKey(classText) != onlyClass) {
            row.otherClass = true;
            rows << row;
            continue;
        }
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
        row.problem = cellWhy.isEmpty() ? refusal(row, label) : cellWhy;
        for (StudentRecord::Column c : kAskedFor) {
            if (row.record[c].isEmpty())
                row.lacking << label(c);
        }
        if (row.problem.isEmpty() && !row.lacking.isEmpty() && !options.acceptLacking)
            row.problem = QStringLiteral("缺少必填项：%1").arg(row.lacking.join(QStringLiteral("、")));
        if (row.problem.isEmpty() && seen.contains(number))
            row.problem = QStringLiteral("学号%1在文件中出现了不止一次").arg(number);
        seen.insert(number);
        if (const QString exam = row.ids[StudentIds::ExamNumber].trimmed(); !exam.isEmpty()) {
            const QString owner = examOwner.value(exam);
            if (row.problem.isEmpty() && !owner.isEmpty() && owner != number.trimmed())
                row.problem = QStringLiteral("考号%1已是学号%2（%3）的考号")
                                  .arg(exam, owner, names.value(owner, stored.value(owner)[StudentRecord::Name]));
            if (row.problem.isEmpty()) {
                examOwner.insert(exam, number.trimmed());
                names.insert(number.trimmed(), row.record[StudentRecord::Name]);
            }
        }
        rows << row;
    }
    return rows;
}

QString Outcome::summary() const
{
    const QString text = QStringLiteral("导入 %1 名，更新 %2 名，跳过 %3 行").arg(added).arg(updated).arg(skipped);
    return otherClass > 0 ? text + QStringLiteral("，其他班级 %1 行没有导入").arg(otherClass) : text;
}

Result<Outcome> apply(Database& db, const QVector<Row>& rows, bool update, const QString& photoFolder)
{
    if (Status allowed = UserRights::guardAdministrator(UserRights::kChangeStudents); !allowed)
        return allowed.error();
    Outcome out;
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (auto locked = db.exec(db.dialect().lockTableSql(QStringLiteral("tblLogin"))); !locked)
        return locked.error();
    const QStringList& columns = StudentRecord::columns();
    bool idsKept = false;
    for (const Row& row : rows)
        idsKept = idsKept || (!row.otherClass && row.problem.isEmpty() && !row.ids.join(QString()).isEmpty());
    if (idsKept) {
        auto table = db.tableExists(QStringLiteral("velmora_student_ids"));
        if (!table)
            return table.error();
        if (!*table)
            return Error::refused(
                QStringLiteral("数据库需要升级后才能保存考号、学籍号和身份证号，请用管理员身份登录升级。"));
    }
    for (const Row& row : rows) {
        if (row.otherClass) {
            ++out.otherClass;
            continue;
        }
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
                if (Status ids = StudentIds::keep(db, row.record[StudentRecord::Number], row.ids); !ids)
                    return ids.error();
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
        if (Status ids = StudentIds::keep(db, row.record[StudentRecord::Number], row.ids); !ids)
            return ids.error();
        ++(row.exists ? out.updated : out.added);
    }
    if (Status committed = tx.commit(); !committed)
        return committed.error();
    return out;
}

} // namespace velmora::StudentImport
