#include "data/ServerRoles.h"

#include "data/Schema.h"

#include <QRegularExpression>

namespace velmora::ServerRoles {

namespace {

// What only the owner reads: the password hashes and the users' table.
const QStringList kPrivate { QStringLiteral("velmora_passwords"), QStringLiteral("tblusers") };
// Where a teacher's change of a score is written beside the score itself.
const QStringList kRecordSql { QStringLiteral("GRANT INSERT, DELETE ON velmora_score_marks TO %1"),
    QStringLiteral("GRANT INSERT ON velmora_score_history TO %1"),
    QStringLiteral("GRANT USAGE ON ALL SEQUENCES IN SCHEMA public TO %1") };
const QStringList kClearSql { QStringLiteral("REVOKE ALL ON ALL TABLES IN SCHEMA public FROM %1"),
    QStringLiteral("REVOKE ALL ON ALL SEQUENCES IN SCHEMA public FROM %1") };

// The role's name as the server quotes it, from the server's own list of
// roles: nothing typed reaches a statement.
Result<QString> quoted(const Database& db, const QString& role)
{
    auto rows = db.select(QStringLiteral("select quote_ident(rolname) from pg_roles where rolname=?"), { role });
    if (!rows)
        return rows.error();
    rows->moveFirst();
    if (rows->eof())
        return Error::refused(
            QStringLiteral("服务器上没有角色“%1”。请服务器管理员先创建它（例如 createuser -P %1），再设置权限。")
                .arg(role));
    return rows->text(0);
}

bool isScoreTable(const QString& table)
{
    static const QRegularExpression score(QStringLiteral("^tblscore\\d+$"), QRegularExpression::CaseInsensitiveOption);
    return score.match(table).hasMatch();
}

// The subjects of the grant that the table has a column for.
Result<QStringList> columnsOf(const Database& db, const QString& table, const QStringList& subjects)
{
    auto names = db.texts(QStringLiteral("select column_name from information_schema.columns "
                                         "where table_schema = current_schema() and table_name = lower(?)"),
        { table });
    if (!names)
        return names.error();
    QStringList out;
    for (const QString& subject : Schema::subjects()) {
        if (subjects.contains(subject) && names->contains(subject))
            out << subject;
    }
    return out;
}

// Each statement on its own, the role's quoted name put in once: it may
// hold anything, a semicolon or a %1 too.
Status run(Database& db, const QStringList& statements, const QString& role)
{
    for (const QString& sql : statements) {
        if (auto done = db.exec(sql.arg(role)); !done)
            return done.error();
    }
    return Done {};
}

// The score tables of locked tests, in lower case: no grant opens them again.
Result<QStringList> lockedTables(const Database& db)
{
    auto kept = db.tableExists(QStringLiteral("velmora_test_locks"));
    if (!kept)
        return kept.error();
    if (!*kept)
        return QStringList();
    auto numbers = db.texts(QStringLiteral("select 考试号 from velmora_test_locks"));
    if (!numbers)
        return numbers.error();
    QStringList out;
    for (const QString& n : std::as_const(*numbers))
        out << QStringLiteral("tblscore") + n.trimmed();
    return out;
}

Status grantTable(
    Database& db, const QString& table, const QString& role, const Grant& grant, const QStringList& locked)
{
    // Table and column names come from the server's own lists.
    if (Status read = run(db, { QStringLiteral("GRANT SELECT ON ") + table + QStringLiteral(" TO %1") }, role); !read)
        return read;
    if (grant.readOnly || !isScoreTable(table) || locked.contains(table.toLower()))
        return Done {};
    auto columns = columnsOf(db, table, grant.subjects);
    if (!columns)
        return columns.error();
    if (columns->isEmpty())
        return Done {};
    return run(db,
        { QStringLiteral("GRANT UPDATE (") + columns->join(QStringLiteral(", ")) + QStringLiteral(") ON ") + table
            + QStringLiteral(" TO %1") },
        role);
}

} // namespace

bool supported(const Database& db)
{
    return db.isOpen() && !SqlDialect::isEmbeddedServer(db.settings().server);
}

Result<bool> exists(const Database& db, const QString& role)
{
    if (!supported(db))
        return false;
    auto found = quoted(db, role);
    if (!found && found.error().is(Error::Kind::Refused))
        return false;
    if (!found)
        return found.error();
    return true;
}

Result<bool> changesClass(const Database& db)
{
    if (!supported(db))
        return true;
    auto rows = db.select(QStringLiteral(
        "select has_table_privilege('tbltestinfo', 'INSERT') and has_table_privilege('tbllogin', 'UPDATE')"));
    if (!rows)
        return rows.error();
    rows->moveFirst();
    return !rows->eof() && rows->value(0).toBool();
}

Status grant(Database& db, const Grant& grant)
{
    if (!supported(db))
        return Error::refused(QStringLiteral("嵌入式数据库没有服务器角色。"));
    auto role = quoted(db, grant.role);
    if (!role)
        return role.error();
    // Limiting the class's owner would lock everyone out, this login included;
    // a member that inherits the owner's rights keeps them whatever is granted.
    auto owner = db.select(QStringLiteral("select r.rolsuper or r.oid = o.oid, o.rolname from pg_roles r, pg_roles o "
                                          "where r.rolname = ? and o.oid = (select relowner from pg_class "
                                          "where oid = 'tbllogin'::regclass) "
                                          "and (r.rolsuper or r.oid = o.oid or pg_has_role(r.oid, o.oid, 'USAGE'))"),
        { grant.role });
    if (!owner)
        return owner.error();
    owner->moveFirst();
    if (!owner->eof() && owner->value(0).toBool())
        return Error::refused(
            QStringLiteral("“%1”是这个数据库的所有者或服务器的超级用户，不能限制它的权限。").arg(grant.role));
    if (!owner->eof())
        return Error::refused(
            QStringLiteral("“%1”是数据库所有者“%2”的成员，继承了它的全部权限，不能限制。"
                           "请服务器管理员先取消这个成员关系（REVOKE \"%2\" FROM \"%1\"），再设置权限。")
                .arg(grant.role, owner->text(1)));
    auto tables = db.texts(db.dialect().tablesSql());
    if (!tables)
        return tables.error();
    auto locked = lockedTables(db);
    if (!locked)
        return locked.error();
    if (Status cleared = run(db, kClearSql, *role); !cleared)
        return cleared;
    for (const QString& table : std::as_const(*tables)) {
        if (kPrivate.contains(table.toLower()))
            continue;
        if (Status given = grantTable(db, table, *role, grant, *locked); !given)
            return given;
    }
    if (!grant.readOnly && !grant.subjects.isEmpty()) {
        if (Status given = run(db, kRecordSql, *role); !given)
            return given;
        // A teacher keeps conduct records in its own name, where the database has them.
        if (tables->contains(QStringLiteral("velmora_conduct"))) {
            if (Status given
                = run(db, { QStringLiteral("GRANT INSERT, UPDATE, DELETE ON velmora_conduct TO %1") }, *role);
                !given)
                return given;
        }
    }
    return Done {};
}

Status grantOnTable(Database& db, const QString& table, const QVector<Grant>& grants)
{
    if (!supported(db))
        return Done {};
    auto locked = lockedTables(db);
    if (!locked)
        return locked.error();
    for (const Grant& g : grants) {
        auto role = quoted(db, g.role);
        // A Velmora user with no role of that name is held by the program alone.
        if (!role && role.error().is(Error::Kind::Refused))
            continue;
        if (!role)
            return role.error();
        if (Status given = grantTable(db, table, *role, g, *locked); !given)
            return given;
    }
    return Done {};
}

Status revokeUpdates(Database& db, const QString& table)
{
    if (!supported(db))
        return Done {};
    auto roles = db.texts(QStringLiteral("select quote_ident(r.rolname) from pg_roles r "
                                         "where not r.rolsuper and r.oid <> (select relowner from pg_class "
                                         "where oid = lower(?)::regclass) "
                                         "and has_any_column_privilege(r.oid, lower(?)::regclass, 'UPDATE')"),
        { table, table });
    if (!roles)
        return roles.error();
    for (const QString& role : std::as_const(*roles)) {
        if (Status taken = run(db, { QStringLiteral("REVOKE UPDATE ON ") + table + QStringLiteral(" FROM %1") }, role);
            !taken)
            return taken;
    }
    return Done {};
}

} // namespace velmora::ServerRoles
