#include "data/UserRights.h"

#include "data/Schema.h"

namespace velmora::UserRights {

namespace {

const QString kTable = QStringLiteral("velmora_user_rights");
const QChar kSeparator = QLatin1Char(',');
constexpr int kMaxName = 20; // as the table keeps it

Rights& held()
{
    static Rights rights;
    return rights;
}

bool& heldAdministrator()
{
    static bool admin = true;
    return admin;
}

// A row as kept: the subjects in the fixed order, a name no subject has any more dropped.
Rights fromRow(const RecordSet& row)
{
    Rights rights;
    const QStringList kept = row.text(1).split(kSeparator, Qt::SkipEmptyParts);
    for (const QString& subject : Schema::subjects()) {
        if (kept.contains(subject))
            rights.subjects << subject;
    }
    rights.readOnly = row.value(2).toInt() != 0;
    return rights;
}

} // namespace

bool Rights::mayChange(const QString& column) const
{
    if (readOnly)
        return false;
    return subjects.isEmpty() || subjects.contains(column);
}

QString Rights::refusal() const
{
    if (readOnly)
        return QStringLiteral("您是只读用户，只能查看、打印和导出，不能修改数据。");
    return QStringLiteral("您只能修改所教科目（%1）的成绩。").arg(subjects.join(QStringLiteral("、")));
}

Result<bool> available(const Database& db)
{
    return db.tableExists(kTable);
}

Result<Rights> of(const Database& db, const QString& user)
{
    auto exists = available(db);
    if (!exists)
        return exists.error();
    Rights rights;
    if (!*exists)
        return rights;
    auto rows
        = db.select(QStringLiteral("select UserName, 科目, 只读 from velmora_user_rights where UserName=?"), { user });
    if (!rows)
        return rows.error();
    rows->moveFirst();
    return rows->eof() ? rights : fromRow(*rows);
}

Status store(Database& db, const QString& user, const Rights& rights)
{
    if (Status allowed = guardAdministrator(QStringLiteral("设置用户的权限")); !allowed)
        return allowed;
    auto exists = available(db);
    if (!exists)
        return exists.error();
    if (!*exists)
        return Error::refused(QStringLiteral("这个数据库还不能设置任教科目和只读，请管理员先升级数据库。"));
    if (user.size() > kMaxName)
        return Error::refused(QStringLiteral("用户名“%1”太长，最多%2个字符。").arg(user).arg(kMaxName));
    for (const QString& subject : rights.subjects) {
        if (!Schema::subjects().contains(subject))
            return Error::refused(QStringLiteral("没有“%1”这个科目。").arg(subject));
    }
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (auto gone = db.exec(QStringLiteral("delete from velmora_user_rights where UserName=?"), { user }); !gone)
        return gone.error();
    if (rights.limited()) {
        auto put = db.exec(QStringLiteral("insert into velmora_user_rights (UserName, 科目, 只读) values (?, ?, ?)"),
            { user, rights.subjects.join(kSeparator), rights.readOnly ? 1 : 0 });
        if (!put)
            return put.error();
    }
    auto role = ServerRoles::exists(db, user);
    if (!role)
        return role.error();
    if (*role) {
        // An unlimited role is not thereby an owner: it may read, as any user of the class may.
        const ServerRoles::Grant grant { user, rights.subjects, rights.readOnly || !rights.limited() };
        if (Status given = ServerRoles::grant(db, grant); !given)
            return given;
    }
    return tx.commit();
}

Result<QVector<ServerRoles::Grant>> grants(const Database& db)
{
    auto exists = available(db);
    if (!exists)
        return exists.error();
    QVector<ServerRoles::Grant> out;
    if (!*exists)
        return out;
    auto rows = db.select(QStringLiteral("select UserName, 科目, 只读 from velmora_user_rights order by UserName"));
    if (!rows)
        return rows.error();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        const Rights rights = fromRow(*rows);
        out.push_back({ rows->text(0), rights.subjects, rights.readOnly });
    }
    return out;
}

void setCurrent(const Rights& rights)
{
    held() = rights;
}

const Rights& current()
{
    return held();
}

Status guard(const QStringList& columns)
{
    for (const QString& column : columns) {
        if (!held().mayChange(column))
            return Error::refused(held().refusal());
    }
    return Done {};
}

void setAdministrator(bool admin)
{
    heldAdministrator() = admin;
}

bool administrator()
{
    return heldAdministrator();
}

Status guardAdministrator(const QString& what)
{
    if (heldAdministrator())
        return Done {};
    return Error::refused(QStringLiteral("只有管理员才能%1。").arg(what));
}

Status guardAll()
{
    return held().limited() ? Status(Error::refused(held().refusal())) : Status(Done {});
}

} // namespace velmora::UserRights
