#include "app/Users.h"

#include "data/Passwords.h"

namespace velmora::Users {

Error noSuchUser(const QString& name)
{
    return { QStringLiteral("3021"), QStringLiteral("用户“%1”不存在。").arg(name), Error::Kind::Missing };
}

Result<QStringList> names(const Database& db)
{
    auto rows = db.select(QStringLiteral("select * from tblUsers"));
    if (!rows)
        return rows.error();
    QStringList list;
    for (rows->moveFirst(); !rows->eof(); rows->moveNext())
        list << rows->text(u"UserName");
    return list;
}

Result<QString> grade(const Database& db, const QString& name)
{
    auto rows = db.select(QStringLiteral("select * from tblUsers where UserName=?"), { name });
    if (!rows)
        return rows.error();
    if (rows->eof())
        return noSuchUser(name);
    return rows->text(u"Grade");
}

Result<QString> setGrade(Database& db, const QString& name, const std::optional<QString>& newGrade)
{
    QString value;
    if (newGrade) {
        value = *newGrade;
    } else {
        auto stored = db.select(QStringLiteral("select Grade from tblUsers where UserName=?"), { name });
        if (!stored)
            return stored.error();
        if (stored->eof())
            return noSuchUser(name);
        value = stored->value(0).toString();
    }
    auto updated = db.exec(QStringLiteral("update tblUsers set Grade=? where UserName=?"), { value, name });
    if (!updated)
        return updated.error();
    if (*updated == 0)
        return noSuchUser(name);
    return value;
}

Status setPassword(Database& db, const QString& name, const QString& password)
{
    if (password.isEmpty())
        return Error::refused(QStringLiteral("新密码不能为空！"));
    // A read-only user still keeps their own password.
    const QString refused = db.writesRefused();
    db.refuseWrites(QString());
    auto updated = Passwords::store(db, name, password);
    db.refuseWrites(refused);
    if (!updated)
        return updated.error();
    if (*updated == 0)
        return noSuchUser(name);
    return Done {};
}

} // namespace velmora::Users
