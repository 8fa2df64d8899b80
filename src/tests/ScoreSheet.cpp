#include "tests/ScoreSheet.h"

#include "data/Schema.h"
#include "data/TextLimits.h"

#include <QRegularExpression>

namespace velmora::Scores {

namespace {
bool isCount(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,3}$"));
    return digits.match(text.trimmed()).hasMatch();
}
} // namespace

Result<RecordSet> rows(const Database& db, int testNumber)
{
    return db.select(QStringLiteral("select * from tblScore%1 order by 学号").arg(testNumber));
}

Result<RecordSet> row(const Database& db, int testNumber, const QString& student)
{
    return db.select(QStringLiteral("select * from tblScore%1 where 学号=?").arg(testNumber), { student });
}

QString check(const TestItems& items, const ScoreEntry& e)
{
    for (int i = 0; i < Schema::subjects().size(); ++i) {
        if (items.hasSubject(i) && !isCount(e.subjects.value(i)))
            return QStringLiteral("“%1”的成绩必须是0到%2之间的整数，请重新填写！").arg(Schema::subjects()[i]).arg(kMaxScore);
    }
    if (items.attendance) {
        for (int d = 0; d < Schema::attendanceItems().size(); ++d) {
            if (!isCount(e.duties.value(d)))
                return QStringLiteral("“%1”的天数必须是0到%2之间的整数，请重新填写！")
                    .arg(Schema::attendanceItems()[d])
                    .arg(kMaxScore);
        }
    }
    if (items.comment && TextLimits::charCount(e.comment) > kMaxComment)
        return QStringLiteral("教师评语最多只能写%1个字，现在有%2个字，请删减后再保存！")
            .arg(kMaxComment)
            .arg(TextLimits::charCount(e.comment));
    return {};
}

Status save(Database& db, int testNumber, const TestItems& items, const ScoreEntry& e)
{
    if (const QString problem = check(items, e); !problem.isEmpty())
        return DbError { QStringLiteral("-1"), problem };
    QStringList sets;
    QVariantList values;
    for (int i = 0; i < Schema::subjects().size(); ++i) {
        if (items.hasSubject(i)) {
            sets << Schema::subjects()[i] + QStringLiteral("=?");
            values << e.subjects[i].trimmed().toInt();
        }
    }
    if (items.attendance) {
        for (int d = 0; d < Schema::attendanceItems().size(); ++d) {
            sets << Schema::attendanceItems()[d] + QStringLiteral("=?");
            values << e.duties[d].trimmed().toInt();
        }
    }
    if (items.comment) {
        sets << QStringLiteral("教师评语=?");
        values << e.comment;
    }
    if (sets.isEmpty())
        return Done {};
    // The test as the window read it, or nothing is written: its number is
    // never given to another test, but it may be gone or changed meanwhile.
    auto test = Tests::fetch(db, testNumber);
    if (!test)
        return test.error();
    if (!*test)
        return DbError { QStringLiteral("3021"), QStringLiteral("考试 %1 已被删除，成绩没有保存。").arg(testNumber) };
    if ((*test)->items.subjects != items.subjects || (*test)->items.attendance != items.attendance
        || (*test)->items.comment != items.comment)
        return DbError { QStringLiteral("3021"), QStringLiteral("考试 %1 的考核项目已被修改，成绩没有保存，请关闭本窗口后重新打开。").arg(testNumber) };
    values << e.student.trimmed();
    auto updated = db.exec(
        QStringLiteral("update tblScore%1 set %2 where 学号=?").arg(testNumber).arg(sets.join(QStringLiteral(", "))), values);
    if (!updated)
        return updated.error();
    if (*updated == 0)
        return DbError { QStringLiteral("3021"), QStringLiteral("学号为 %1 的成绩记录已不存在。").arg(e.student.trimmed()) };
    return Done {};
}

} // namespace velmora::Scores
