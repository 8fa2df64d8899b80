#include "app/Module1.h"

#include "app/DbConfig.h"
#include "app/MessageService.h"
#include "data/Passwords.h"
#include "data/ServerRoles.h"
#include "data/TextLimits.h"
#include "platform/AppPaths.h"

#include <QCoreApplication>

namespace velmora {

Module1& Module1::instance()
{
    // Kept for the whole run; the connection closes while Qt's SQL registry
    // still exists, which a static's destructor could not promise.
    static Module1* module = [] {
        auto* m = new Module1;
        qAddPostRoutine([] { Module1::instance().Conn.close(); });
        return m;
    }();
    return *module;
}

void Module1::reset()
{
    Conn.close();
    ModRs = RecordSet();
    ConnStr.clear();
    DbServer.clear();
    DbName.clear();
    DbUser.clear();
    DbPwd.clear();
    IsAdmin = false;
    // Until someone logs in, the core answers to the database's owner (the command-line tools).
    UserRights::setAdministrator(true);
    LoginUser.clear();
    LoginPwd.clear();
    SelNo.clear();
    SubjectName.clear();
    TextLimits::reset();
    UserRights::setCurrent({});
}

Status Module1::openConn(
    const QString& server, const QString& database, const QString& user, const QString& password, const QString& pwdKey)
{
    ConnStr = QStringLiteral("provider=Velmora;server=") + server + QStringLiteral(";database=") + database
        + QStringLiteral(";uid=") + user + QLatin1Char(';') + pwdKey + QLatin1Char('=') + password;
    // Opening only reads: the schema is made and upgraded by velmora-initdb, or
    // by an administrator who agrees at login.
    Status opened = Conn.open({ server, database, user, password, AppPaths::databaseDir(database) });
    if (opened)
        TextLimits::adopt(Conn);
    return opened;
}

Status Module1::ConnectDb(const QString& server, const QString& database, const QString& user, const QString& password)
{
    if (server.trimmed().isEmpty() || database.trimmed().isEmpty() || user.trimmed().isEmpty()
        || password.trimmed().isEmpty())
        return Error::refused(QString());
    Status opened = openConn(server, database, user, password, QStringLiteral("PWD"));
    if (opened)
        setAdmin(true);
    return opened;
}

Status Module1::CheckUser(const QString& user, const QString& password)
{
    if (Status opened = openConn(DbServer, DbName, DbUser, DbPwd, QStringLiteral("pwd")); !opened)
        return opened;
    auto accepted = Passwords::check(Conn, user, password);
    if (!accepted || !*accepted) {
        Conn.close();
        return accepted ? Error::refused(QString()) : accepted.error();
    }
    auto rows = Conn.select(QStringLiteral("select * from tblUsers where UserName=?"), { user });
    if (!rows || rows->recordCount() < 1) {
        Conn.close();
        return rows ? Error::refused(QString()) : rows.error();
    }
    ModRs = *rows;
    ModRs.moveFirst();
    const bool admin = ModRs.text(u"Grade") == QLatin1String("Admin");
    ModRs = RecordSet();
    // An administrator is never limited, whatever a row says.
    auto rights = adoptRights(admin ? QString() : user);
    if (!rights)
        return rights.error();
    setAdmin(admin);
    MessageService::info(
        LoginUser + (admin ? QStringLiteral("使用 系统管理员 权限登陆") : QStringLiteral("使用 用户身份 权限登陆")));
    return Done {};
}

Result<UserRights::Rights> Module1::adoptRights(const QString& user)
{
    auto rights = user.isEmpty() ? Result<UserRights::Rights>(UserRights::Rights {}) : UserRights::of(Conn, user);
    // A login the server lets read alone (a teacher's own role whose subjects
    // were cleared) is let do no more here: no administrator's menus to fail.
    auto owner = rights ? ServerRoles::changesClass(Conn) : Result<bool>(rights.error());
    if (!owner) {
        Conn.close();
        return owner.error();
    }
    if (!*owner && !rights->limited())
        rights->readOnly = true;
    UserRights::setCurrent(*rights);
    Conn.refuseWrites(rights->readOnly ? rights->refusal() : QString());
    return *rights;
}

void Module1::setAdmin(bool admin)
{
    IsAdmin = admin;
    UserRights::setAdministrator(admin);
}

bool Module1::ReadDbConfig()
{
    DbServer.clear();
    DbName.clear();
    DbUser.clear();
    DbPwd.clear();
    const DbConfig::ReadResult r = DbConfig::read(AppPaths::configFile());
    DbServer = r.values.server;
    DbName = r.values.database;
    DbUser = r.values.user;
    DbPwd = r.values.password;
    switch (r.status) {
    case DbConfig::ReadStatus::Ok:
        return true;
    case DbConfig::ReadStatus::Missing:
        MessageService::info(QStringLiteral("Dbcfg.dat不存在！"));
        return false;
    case DbConfig::ReadStatus::Empty:
        MessageService::info(QStringLiteral(" 读取文件出错！"));
        return false;
    case DbConfig::ReadStatus::Invalid:
        break;
    }
    MessageService::info(
        QStringLiteral("未知错误！") + QString::number(r.errorNumber) + QLatin1Char(' ') + r.errorDescription);
    return false;
}

Status Module1::WriteDbConfig()
{
    return DbConfig::write(AppPaths::writableConfigFile(), { DbServer, DbName, DbUser, DbPwd });
}

} // namespace velmora
