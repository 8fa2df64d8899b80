#include "students/StudentRecord.h"

#include "data/TextLimits.h"
#include "data/UserRights.h"
#include "students/StudentIds.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace velmora {

const QStringList& StudentRecord::columns()
{
    static const QStringList names { QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("性别"),
        QStringLiteral("出生年月"), QStringLiteral("民族"), QStringLiteral("籍贯"), QStringLiteral("家庭住址"),
        QStringLiteral("联系电话"), QStringLiteral("父亲姓名"), QStringLiteral("父亲单位"), QStringLiteral("母亲姓名"),
        QStringLiteral("母亲单位"), QStringLiteral("毕业于"), QStringLiteral("毕业至"), QStringLiteral("备注") };
    return names;
}

const QStringList& StudentRecord::provinces()
{
    static const QStringList list = QStringLiteral("江苏 安徽 北京 重庆 福建 甘肃 广东 广西 贵州 海南 河北 黑龙江 河南 "
                                                   "湖北 湖南 内蒙古 江西 吉林 辽宁 宁夏 青海 山西 "
                                                   "山东 上海 四川 天津 西藏 新疆 云南 浙江 陕西 台湾")
                                        .split(QLatin1Char(' '));
    return list;
}

QString StudentRecord::selectColumns()
{
    return QStringLiteral("select ") + columns().join(QStringLiteral(", "));
}

bool StudentRecord::validNumber(const QString& number)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,10}$"));
    return digits.match(number).hasMatch();
}

bool StudentRecord::isDate(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*(\\d{4})(?:([-/.])(\\d{1,2})\\2(\\d{1,2})|年(\\d{1,2})月(\\d{1,2})日)\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return false;
    const int year = m.captured(1).toInt();
    const int month = (m.captured(3).isEmpty() ? m.captured(5) : m.captured(3)).toInt();
    const int day = (m.captured(4).isEmpty() ? m.captured(6) : m.captured(4)).toInt();
    return year >= 1900 && QDate::isValid(year, month, day);
}

QString checkStudentInput(const StudentInput& in)
{
    const StudentRecord& r = in.record;
    for (StudentRecord::Column c : { StudentRecord::Number, StudentRecord::Name, StudentRecord::Birth,
             StudentRecord::Address, StudentRecord::Nation }) {
        if (r[c].isEmpty())
            return QStringLiteral("请填写完整！");
    }
    if (in.nativeText == QStringLiteral("请选择...") || in.nativeText == QStringLiteral("请选择")
        || in.nativeText.isEmpty() || !in.sexChosen)
        return QStringLiteral("请填写完整！");
    if (!StudentRecord::isDate(r[StudentRecord::Birth]))
        return QStringLiteral("请按示例正确填写出生日期！");
    if (!StudentRecord::validNumber(r[StudentRecord::Number]))
        return QStringLiteral("学号只能由1到10位数字组成，请重新填写！");
    for (int c = 0; c < StudentRecord::ColumnCount; ++c) {
        const QString& column = StudentRecord::columns()[c];
        if (!TextLimits::fits(u"tblLogin", column, r.values[c]))
            return QStringLiteral("%1最多只能填写%2个字符，请修改！")
                .arg(column)
                .arg(TextLimits::limit(u"tblLogin", column));
    }
    return {};
}

Result<QByteArray> readPhotoFile(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const QFileInfo info(path);
    if (!info.isFile())
        return Error::refused(QStringLiteral("照片“%1”不是普通的图片文件。").arg(name));
    if (info.size() > kMaxPhotoBytes)
        return Error::refused(QStringLiteral("照片“%1”超过了10MB，请换一张小一些的图片。").arg(name));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Error::refused(QStringLiteral("照片“%1”无法读取：%2").arg(name, file.errorString()));
    QByteArray bytes = file.read(kMaxPhotoBytes + 1);
    // A file that grows while it is read is still held to the limit.
    if (bytes.size() > kMaxPhotoBytes)
        return Error::refused(QStringLiteral("照片“%1”超过了10MB，请换一张小一些的图片。").arg(name));
    return bytes;
}

namespace Students {

namespace {

StudentRecord fromRow(const RecordSet& rows)
{
    StudentRecord r;
    for (int c = 0; c < StudentRecord::ColumnCount; ++c)
        r.values[c] = rows.text(c);
    r.key = rows.value(StudentRecord::Number).toString();
    return r;
}

Result<QVector<StudentRecord>> records(const Database& db, const QString& sql, const QVariantList& params)
{
    auto rows = db.select(sql, params);
    if (!rows)
        return rows.error();
    QVector<StudentRecord> list;
    list.reserve(rows->recordCount());
    for (rows->moveFirst(); !rows->eof(); rows->moveNext())
        list << fromRow(*rows);
    return list;
}

Status outcomeOf(const Database& db, const Result<qint64>& r)
{
    if (!r) {
        Error e = r.error();
        if (db.dialect().isDuplicateKey(e))
            e.kind = Error::Kind::Duplicate;
        return e;
    }
    if (*r == 0)
        return Error::missing(QString());
    return Done {};
}

QVariantList valuesOf(const StudentRecord& record)
{
    QVariantList values;
    for (const QString& v : record.values)
        values << v;
    return values;
}

} // namespace

Result<QVector<StudentRecord>> list(const Database& db)
{
    return records(db, StudentRecord::selectColumns() + QStringLiteral(" from tblLogin ORDER BY 学号"), {});
}

Result<std::optional<StudentRecord>> fetch(const Database& db, const QString& number)
{
    auto found
        = records(db, StudentRecord::selectColumns() + QStringLiteral(" from tblLogin where 学号=?"), { number });
    if (!found)
        return found.error();
    if (found->isEmpty())
        return std::optional<StudentRecord>();
    return std::optional<StudentRecord>(found->first());
}

Result<QHash<QString, QString>> names(const Database& db)
{
    auto rows = db.select(QStringLiteral("select 学号, 姓名 from tblLogin"));
    if (!rows)
        return rows.error();
    QHash<QString, QString> byNumber;
    for (rows->moveFirst(); !rows->eof(); rows->moveNext())
        byNumber.insert(rows->text(0), rows->text(1));
    return byNumber;
}

Result<QStringList> numbers(const Database& db)
{
    return db.texts(QStringLiteral("select 学号 from tblLogin ORDER BY 学号"));
}

Result<QString> nameOf(const Database& db, const QString& number)
{
    auto rows = db.select(QStringLiteral("select 姓名 from TblLogin where 学号=?"), { number });
    if (!rows)
        return rows.error();
    return rows->text(0);
}

Result<QVector<QStringList>> table(const Database& db, const QStringList& columns)
{
    auto rows = db.select(QStringLiteral("select ") + columns.join(QStringLiteral(", "))
        + QStringLiteral(" from tblLogin ORDER BY 学号"));
    if (!rows)
        return rows.error();
    QVector<QStringList> out;
    out.reserve(rows->recordCount());
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        QStringList values;
        for (int c = 0; c < columns.size(); ++c)
            values << rows->value(c).toString();
        out << values;
    }
    return out;
}

Result<QByteArray> photo(const Database& db, const QString& number)
{
    auto rows = db.select(QStringLiteral("select 照片 from tblLogin where 学号=?"), { number });
    if (!rows)
        return rows.error();
    return rows->value(0).toByteArray();
}

Status add(Database& db, const StudentRecord& record, const std::optional<QByteArray>& photo)
{
    if (Status allowed = UserRights::guardAdministrator(UserRights::kChangeStudents); !allowed)
        return allowed;
    // '2024001 ' beside '2024001' would list as two equal numbers.
    auto same = db.select(QStringLiteral("select count(*) from tblLogin where trim(学号)=?"),
        { record[StudentRecord::Number].trimmed() });
    if (!same)
        return same.error();
    if (same->value(0).toInt() > 0)
        return Error { QString(), QString(), Error::Kind::Duplicate };
    QStringList columns = StudentRecord::columns();
    QVariantList values = valuesOf(record);
    if (photo) {
        columns << QStringLiteral("照片");
        values << *photo;
    }
    const QString sql = QStringLiteral("insert into tblLogin (%1) values (%2)")
                            .arg(columns.join(QStringLiteral(", ")),
                                QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    return outcomeOf(db, db.exec(sql, values));
}

namespace {

// Every field when `read` is null; else the changed ones, and only while
// each still holds what the window read. That is compared here, under the
// table's write lock, rather than in SQL: text another program stored as
// bytes that are not UTF-8 reads back altered and would never match itself.
Status updateFields(
    Database& db, const StudentRecord& record, const std::optional<QByteArray>& photo, const StudentRecord* read)
{
    if (Status allowed = UserRights::guardAdministrator(UserRights::kChangeStudents); !allowed)
        return allowed;
    const QString key = record.key.isNull() ? record[StudentRecord::Number] : record.key;
    QStringList sets;
    QVariantList values;
    QVector<int> changed;
    for (int c = StudentRecord::Name; c < StudentRecord::ColumnCount; ++c) {
        if (read && record.values[c] == read->values[c])
            continue;
        changed << c;
        sets << StudentRecord::columns()[c] + QStringLiteral("=?");
        values << record.values[c];
    }
    if (photo) {
        sets << QStringLiteral("照片=?");
        values << *photo;
    }
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (read || sets.isEmpty()) {
        if (auto locked = db.exec(db.dialect().lockTableSql(QStringLiteral("tblLogin"))); !locked)
            return locked.error();
        // A student deleted meanwhile is not "saved", even with nothing to write.
        auto now = fetch(db, key);
        if (!now)
            return now.error();
        if (!*now)
            return Error::missing(QString());
        QStringList others;
        for (int c : changed) {
            if (read && (*now)->values[c] != read->values[c].trimmed())
                others << QStringLiteral("%1：您打开时是“%2”，现在是“%3”")
                              .arg(StudentRecord::columns()[c], read->values[c].trimmed(), (*now)->values[c]);
        }
        if (!others.isEmpty())
            return Error::conflict(
                QStringLiteral("别人刚修改了这名学生的下列资料，本次没有保存，您输入的内容仍然保留：\r\n")
                + others.join(QStringLiteral("\r\n")));
        if (sets.isEmpty())
            return Done {};
    }
    values << key;
    Status r = outcomeOf(db,
        db.exec(QStringLiteral("update tblLogin set %1 where 学号=?").arg(sets.join(QStringLiteral(", "))), values));
    if (!r)
        return r;
    if (Status c = tx.commit(); !c)
        return c.error();
    return r;
}

} // namespace

Status update(Database& db, const StudentRecord& record, const std::optional<QByteArray>& photo)
{
    return updateFields(db, record, photo, nullptr);
}

Status update(
    Database& db, const StudentRecord& record, const std::optional<QByteArray>& photo, const StudentRecord& read)
{
    return updateFields(db, record, photo, &read);
}

Status remove(Database& db, const QString& number)
{
    if (Status allowed = UserRights::guardAdministrator(UserRights::kChangeStudents); !allowed)
        return allowed;
    // The numbers other systems gave the student go too, so that a new
    // student of the same 学号 is not matched by them.
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (Status gone = outcomeOf(db, db.exec(QStringLiteral("delete from tblLogin where 学号=?"), { number })); !gone)
        return gone;
    if (Status ids = StudentIds::forget(db, number); !ids)
        return ids;
    return tx.commit();
}

const QStringList& Criteria::containsColumns()
{
    static const QStringList names { QStringLiteral("姓名"), QStringLiteral("家庭住址"), QStringLiteral("联系电话"),
        QStringLiteral("备注"), QStringLiteral("民族"), QStringLiteral("毕业于"), QStringLiteral("毕业至") };
    return names;
}

Result<QVector<StudentRecord>> search(const Database& db, const Criteria& c)
{
    const SqlDialect& d = db.dialect();
    QStringList conditions;
    QVariantList params;
    if (!c.number.isEmpty()) {
        conditions << QStringLiteral("学号=?");
        params << c.number;
    }
    for (int i = 0; i < Criteria::containsColumns().size(); ++i) {
        const QString text = c.contains.value(i);
        if (text.isEmpty())
            continue;
        conditions << d.likeClause(Criteria::containsColumns()[i]);
        params << SqlDialect::likePattern(text, SqlDialect::Match::Contains);
    }
    if (!c.sex.isEmpty()) {
        conditions << d.likeClause(QStringLiteral("性别"));
        params << SqlDialect::likePattern(c.sex, SqlDialect::Match::Contains);
    }
    if (!c.native.isEmpty() && c.native != QStringLiteral("不详")) {
        conditions << d.likeClause(QStringLiteral("籍贯"));
        params << SqlDialect::likePattern(c.native, SqlDialect::Match::Contains);
    }
    QString sql = StudentRecord::selectColumns() + QStringLiteral(" from tblLogin");
    if (!conditions.isEmpty())
        sql += QStringLiteral(" where ") + conditions.join(QStringLiteral(" and "));
    return records(db, sql + QStringLiteral(" ORDER BY 学号"), params);
}

} // namespace Students
} // namespace velmora
