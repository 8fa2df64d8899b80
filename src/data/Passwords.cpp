#include "data/Passwords.h"

#include "data/PasswordHash.h"

#include <QSet>

namespace velmora::Passwords {

namespace {

const QString kTableName = QString::fromLatin1(kTable);

Error hashFailed()
{
    return { QStringLiteral("sodium"), QStringLiteral("不能生成密码散列（内存不足）。") };
}

// Without a transaction of its own. Returns the tblUsers rows changed.
Result<qint64> storeHash(Database& db, const QString& name, const QString& password)
{
    const QString hash = PasswordHash::make(password);
    if (hash.isEmpty())
        return hashFailed();
    auto cleared = db.exec(QStringLiteral("update tblUsers set PWD=NULL where UserName=?"), { name });
    if (!cleared)
        return cleared.error();
    if (*cleared == 0)
        return qint64(0);
    if (auto gone = db.exec(QStringLiteral("delete from velmora_passwords where 用户名=?"), { name }); !gone)
        return gone.error();
    if (auto added
        = db.exec(QStringLiteral("insert into velmora_passwords (用户名, 散列) values (?, ?)"), { name, hash });
        !added)
        return added.error();
    return *cleared;
}

} // namespace

QString createTableSql()
{
    return QStringLiteral(
        "create table velmora_passwords (用户名 varchar(20) NOT NULL PRIMARY KEY, 散列 varchar(128) NOT NULL)");
}

Result<bool> check(Database& db, const QString& name, const QString& password)
{
    auto hasTable = db.tableExists(kTableName);
    if (!hasTable)
        return hasTable.error();
    auto plain = db.select(QStringLiteral("select 1 from tblUsers where UserName=? and PWD=?"), { name, password });
    if (!plain)
        return plain.error();
    if (plain->recordCount() > 0) {
        if (*hasTable) {
            // Logging in must not fail because the hash could not be written
            // (a read-only file, a locked row): the password stays plain until next time.
            Transaction tx(db);
            if (tx.started() && storeHash(db, name, password))
                (void)tx.commit();
        }
        return true;
    }
    if (!*hasTable)
        return false;
    auto hashed = db.select(QStringLiteral("select p.散列 from velmora_passwords p, tblUsers u "
                                           "where p.用户名=? and u.UserName=p.用户名 and u.PWD is null"),
        { name });
    if (!hashed)
        return hashed.error();
    if (hashed->recordCount() < 1) {
        // As long as a wrong password takes, so that the answer's speed tells no one which names exist.
        static const QString unknown = PasswordHash::make(QStringLiteral("velmora: no such user"));
        (void)PasswordHash::verify(password, unknown);
        return false;
    }
    const QString stored = hashed->text(0);
    if (!PasswordHash::verify(password, stored))
        return false;
    if (PasswordHash::needsRehash(stored)) {
        Transaction tx(db);
        if (tx.started() && storeHash(db, name, password))
            (void)tx.commit();
    }
    return true;
}

Result<qint64> store(Database& db, const QString& name, const QString& password)
{
    auto hasTable = db.tableExists(kTableName);
    if (!hasTable)
        return hasTable.error();
    if (!*hasTable)
        return db.exec(QStringLiteral("update tblUsers set PWD=? where UserName=?"), { password, name });
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    auto stored = storeHash(db, name, password);
    if (!stored)
        return stored;
    if (Status c = tx.commit(); !c)
        return c.error();
    return stored;
}

Status hashAllPlain(Database& db)
{
    auto plain = db.select(QStringLiteral("select UserName, PWD from tblUsers where PWD is not null"));
    if (!plain)
        return plain.error();
    QSet<QString> done;
    for (plain->moveFirst(); !plain->eof(); plain->moveNext()) {
        // Duplicate names in a hand-made table: the first row's password wins.
        if (done.contains(plain->text(0)))
            continue;
        done.insert(plain->text(0));
        auto stored = storeHash(db, plain->text(0), plain->text(1));
        if (!stored)
            return stored.error();
    }
    return Done {};
}

} // namespace velmora::Passwords
