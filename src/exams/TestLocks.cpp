#include "exams/TestLocks.h"

#include "data/Schema.h"
#include "data/ServerRoles.h"
#include "data/UserRights.h"
#include "exams/TestRecord.h"
#include "history/History.h"

#include <QDateTime>

namespace velmora::TestLocks {

namespace {

const QString kTable = QStringLiteral("velmora_test_locks");
const QString kColumn = QStringLiteral("锁定"); // how the history names it
const QString kLocked = QStringLiteral("已锁定");
const QString kOpen = QStringLiteral("未锁定");

Result<bool> isLocked(const Database& db, int test)
{
    auto rows = db.select(QStringLiteral("select 考试号 from velmora_test_locks where 考试号=?"), { test });
    if (!rows)
        return rows.error();
    rows->moveFirst();
    return !rows->eof();
}

} // namespace

Result<bool> available(const Database& db)
{
    return db.tableExists(kTable);
}

Result<QVector<Lock>> list(const Database& db)
{
    auto exists = available(db);
    if (!exists)
        return exists.error();
    QVector<Lock> out;
    if (!*exists)
        return out;
    auto rows = db.select(QStringLiteral("select 考试号, 用户, 时间 from velmora_test_locks order by 考试号"));
    if (!rows)
        return rows.error();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext())
        out << Lock { rows->value(0).toInt(), rows->text(1), rows->text(2) };
    return out;
}

Status guard(const Database& db, int test)
{
    auto exists = available(db);
    if (!exists)
        return exists.error();
    if (!*exists)
        return Done {};
    auto locked = isLocked(db, test);
    if (!locked)
        return locked.error();
    if (!*locked)
        return Done {};
    auto record = Exams::fetch(db, test);
    const QString name = record && *record ? (*record)->name : QString::number(test);
    return Error::refused(QStringLiteral("考试“%1”的成绩已锁定，如需修改请先解锁。").arg(name));
}

Status lock(Database& db, int test)
{
    if (Status allowed = UserRights::guardAdministrator(QStringLiteral("锁定考试成绩")); !allowed)
        return allowed;
    auto exists = available(db);
    if (!exists)
        return exists.error();
    if (!*exists)
        return Error::refused(QStringLiteral("这个数据库还不能锁定考试，请管理员先升级数据库。"));
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    auto record = Exams::fetch(db, test);
    if (!record)
        return record.error();
    if (!*record)
        return Error::missing(QStringLiteral("考试号为%1的考试已不存在。").arg(test));
    auto locked = isLocked(db, test);
    if (!locked)
        return locked.error();
    if (*locked)
        return Done {};
    const QString who = ScoreHistory::user().isEmpty() ? db.settings().user : ScoreHistory::user();
    const QString at = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (auto put = db.exec(
            QStringLiteral("insert into velmora_test_locks (考试号, 用户, 时间) values (?, ?, ?)"), { test, who, at });
        !put)
        return put.error();
    if (Status noted = ScoreHistory::record(db, test, { { QString(), kColumn, kOpen, kLocked } }); !noted)
        return noted;
    // On a server, not even a role that bypasses this program changes it now.
    if (Status taken = ServerRoles::revokeUpdates(db, Schema::scoreTableName(test)); !taken)
        return taken;
    return tx.commit();
}

Status unlock(Database& db, int test)
{
    if (Status allowed = UserRights::guardAdministrator(QStringLiteral("解锁考试成绩")); !allowed)
        return allowed;
    auto exists = available(db);
    if (!exists)
        return exists.error();
    if (!*exists)
        return Done {};
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    auto gone = db.exec(QStringLiteral("delete from velmora_test_locks where 考试号=?"), { test });
    if (!gone)
        return gone.error();
    if (*gone == 0)
        return Done {};
    if (Status noted = ScoreHistory::record(db, test, { { QString(), kColumn, kLocked, kOpen } }); !noted)
        return noted;
    auto grants = UserRights::grants(db);
    if (!grants)
        return grants.error();
    if (Status given = ServerRoles::grantOnTable(db, Schema::scoreTableName(test), *grants); !given)
        return given;
    return tx.commit();
}

} // namespace velmora::TestLocks
