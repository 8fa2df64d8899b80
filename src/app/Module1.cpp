#include "app/Module1.h"

#include "app/DbConfig.h"
#include "app/MessageService.h"
#include "data/Passwords.h"
#include "data/ServerRoles.h"
#include "data/TextLimits.h"
#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <sodium.h>

namespace velmora {

Module1& Module1::instance()
{
    // Kept for the whole run; the connection closes while Qt's SQL registry
    // still exists, which a static's destructor could not promise.
    static Module1* module = [] {
        auto* m = new Module1;
        qAddPostRoutine([] { Module1::instance().Conn().close(); });
        return m;
    }();
    return *module;
}

void Module1::reset()
{
    m_conn.close();
    m_connStr.clear();
    m_config = {};
    m_isAdmin = false;
    // Until someone logs in, the core answers to the database's owner (the command-line tools).
    UserRights::setAdministrator(true);
    setLogin(QString());
    m_selNo.clear();
    m_subjectName.clear();
    TextLimits::reset();
    UserRights::setCurrent({});
}

Status Module1::openConn(
    const QString& server, const QString& database, const QString& user, const QString& password, const QString& pwdKey)
{
    m_connStr = QStringLiteral("provider=Velmora;server=") + server + QStringLiteral(";database=") + database
        + QStringLiteral(";uid=") + user + QLatin1Char(';') + pwdKey + QStringLiteral("=******");
    // Opening only reads: the schema is made and upgraded by velmora-initdb, or
    // by an administrator who agrees at login.
    Status opened = m_conn.open({ server, database, user, password, AppPaths::databaseDir(database) });
    if (opened)
        TextLimits::adopt(m_conn);
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
    if (Status opened
        = openConn(m_config.server, m_config.database, m_config.user, m_config.password, QStringLiteral("pwd"));
        !opened)
        return opened;
    auto accepted = Passwords::check(m_conn, user, password);
    if (!accepted || !*accepted) {
        m_conn.close();
        return accepted ? Error::refused(QString()) : accepted.error();
    }
    auto rows = m_conn.select(QStringLiteral("select * from tblUsers where UserName=?"), { user });
    if (!rows || rows->recordCount() < 1) {
        m_conn.close();
        return rows ? Error::refused(QString()) : rows.error();
    }
    rows->moveFirst();
    const bool admin = rows->text(u"Grade") == QLatin1String("Admin");
    // An administrator is never limited, whatever a row says.
    auto rights = adoptRights(admin ? QString() : user);
    if (!rights)
        return rights.error();
    setAdmin(admin);
    MessageService::info(
        m_loginUser + (admin ? QStringLiteral("使用 系统管理员 权限登陆") : QStringLiteral("使用 用户身份 权限登陆")));
    return Done {};
}

Result<UserRights::Rights> Module1::adoptRights(const QString& user)
{
    auto rights = user.isEmpty() ? Result<UserRights::Rights>(UserRights::Rights {}) : UserRights::of(m_conn, user);
    // A login the server lets read alone (a teacher's own role whose subjects
    // were cleared) is let do no more here: no administrator's menus to fail.
    auto owner = rights ? ServerRoles::changesClass(m_conn) : Result<bool>(rights.error());
    if (!owner) {
        m_conn.close();
        return owner.error();
    }
    if (!*owner && !rights->limited())
        rights->readOnly = true;
    UserRights::setCurrent(*rights);
    m_conn.refuseWrites(rights->readOnly ? rights->refusal() : QString());
    return *rights;
}

void Module1::setAdmin(bool admin)
{
    m_isAdmin = admin;
    UserRights::setAdministrator(admin);
}

bool Module1::ReadDbConfig()
{
    const DbConfig::ReadResult r = DbConfig::read(AppPaths::configFile());
    m_config = r.values;
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
    return DbConfig::write(AppPaths::writableConfigFile(), m_config);
}

void Module1::setLogin(const QString& user, const QString& password)
{
    m_loginUser = user;
    m_loginPwdDigest = digest(password);
}

bool Module1::isLoginPwd(const QString& typed) const
{
    const QByteArray d = digest(typed);
    return sodium_memcmp(d.constData(), m_loginPwdDigest.constData(), size_t(d.size())) == 0;
}

QByteArray Module1::digest(const QString& password) const
{
    // A key of this run's own: the digest means nothing outside the program.
    static const QByteArray key = [] {
        QByteArray k(crypto_generichash_KEYBYTES, Qt::Uninitialized);
        if (sodium_init() < 0)
            qFatal("libsodium could not start");
        randombytes_buf(k.data(), size_t(k.size()));
        return k;
    }();
    const QByteArray text = password.toUtf8();
    QByteArray out(crypto_generichash_BYTES, Qt::Uninitialized);
    crypto_generichash(reinterpret_cast<unsigned char*>(out.data()), size_t(out.size()),
        reinterpret_cast<const unsigned char*>(text.constData()), size_t(text.size()),
        reinterpret_cast<const unsigned char*>(key.constData()), size_t(key.size()));
    return out;
}

} // namespace velmora
