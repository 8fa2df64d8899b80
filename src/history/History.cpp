#include "history/History.h"

#include <QSet>

namespace velmora::ScoreHistory {

namespace {

const QString kTable = QStringLiteral("velmora_score_history");

QString& currentUser()
{
    static QString user;
    return user;
}

// A table never goes away once made: only the yes is remembered.
QSet<QString>& knownToHave()
{
    static QSet<QString> databases;
    return databases;
}

QString databaseKey(const Database& db)
{
    const ConnectionSettings& s = db.settings();
    return s.server + QLatin1Char('|') + s.dataDir + QLatin1Char('|') + s.database;
}

} // namespace

void setUser(const QString& user)
{
    currentUser() = user;
}

QString user()
{
    return currentUser();
}

Result<bool> available(const Database& db)
{
    const QString key = databaseKey(db);
    if (knownToHave().contains(key))
        return true;
    auto exists = db.tableExists(kTable);
    if (!exists)
        return exists.error();
    if (*exists)
        knownToHave().insert(key);
    return *exists;
}

Status record(Database& db, int testNumber, const QVector<Change>& changes)
{
    if (changes.isEmpty())
        return Done {};
    auto keeps = available(db);
    if (!keeps)
        return keeps.error();
    if (!*keeps)
        return Done {};
    const QString at = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QString who = user().isEmpty() ? db.settings().user : user();
    // The test's name is written when it is deleted, the one time it is needed.
    QVector<QVariantList> rows;
    rows.reserve(changes.size());
    for (const Change& c : changes)
        rows.push_back({ testNumber, c.student, c.column, c.before, c.after, who, at });
    return db.insertRows(QStringLiteral("velmora_score_history"),
        { QStringLiteral("考试号"), QStringLiteral("学号"), QStringLiteral("项目"), QStringLiteral("原值"),
            QStringLiteral("新值"), QStringLiteral("用户"), QStringLiteral("时间") },
        rows);
}

Result<QVector<Entry>> list(const Database& db, int testNumber, const QString& student, const QString& column)
{
    auto keeps = available(db);
    if (!keeps)
        return keeps.error();
    if (!*keeps)
        return Error::refused(QStringLiteral("这个数据库还没有成绩修改记录，请管理员先升级数据库。"));
    QString sql = QStringLiteral("select 编号, 考试号, 考试名称, 学号, 项目, 原值, 新值, 用户, 时间, 已删除 from "
                                 "velmora_score_history where 考试号=?");
    QVariantList params { testNumber };
    if (!student.isEmpty()) {
        sql += QStringLiteral(" and 学号=?");
        params << student;
    }
    if (!column.isEmpty()) {
        sql += QStringLiteral(" and 项目=?");
        params << column;
    }
    sql += QStringLiteral(" order by 编号 desc");
    auto rows = db.select(sql, params);
    if (!rows)
        return rows.error();
    QVector<Entry> out;
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        out.push_back({ rows->value(0).toLongLong(), rows->value(1).toInt(), rows->text(2), rows->text(3),
            rows->text(4), rows->text(5), rows->text(6), rows->text(7), rows->text(8), rows->value(9).toInt() != 0 });
    }
    return out;
}

Status markDeleted(Database& db, int testNumber, const QString& testName, bool deleted)
{
    auto keeps = available(db);
    if (!keeps)
        return keeps.error();
    if (!*keeps)
        return Done {};
    auto marked = db.exec(QStringLiteral("update velmora_score_history set 已删除=?, 考试名称=? where 考试号=?"),
        { deleted ? 1 : 0, testName, testNumber });
    if (!marked)
        return marked.error();
    return Done {};
}

} // namespace velmora::ScoreHistory
