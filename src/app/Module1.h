#pragma once

#include "app/DbConfig.h"
#include "data/Database.h"
#include "data/UserRights.h"

#include <QString>

namespace velmora {

// The session every window is handed: the one connection, the four database
// settings, who is logged in and what one window hands the next.
// Only this class changes them; the login's password is kept as a digest.
class Module1
{
public:
    static Module1& instance();

    Database& Conn() { return m_conn; }
    // The last connection string, its password left out.
    const QString& ConnStr() const { return m_connStr; }
    const QString& DbServer() const { return m_config.server; }
    const QString& DbName() const { return m_config.database; }
    const QString& DbUser() const { return m_config.user; }
    // Kept while the program runs: a re-login and a restore open the database again.
    const QString& DbPwd() const { return m_config.password; }
    const DbConfig::Values& dbConfig() const { return m_config; }
    void setDbConfig(const DbConfig::Values& values) { m_config = values; }
    bool IsAdmin() const { return m_isAdmin; }
    const QString& LoginUser() const { return m_loginUser; }
    // Who logged in. Of the password only a keyed digest stays, for a
    // password asked again (changing it, unlocking a test).
    void setLogin(const QString& user, const QString& password = QString());
    bool isLoginPwd(const QString& typed) const;
    const QString& SelNo() const { return m_selNo; }
    void setSelNo(const QString& number) { m_selNo = number; }
    const QString& SubjectName() const { return m_subjectName; }
    void setSubjectName(const QString& subject) { m_subjectName = subject; }

    // A failed open gives the database's error; blank values, or a name and
    // password that match no user, an empty refusal.
    Status ConnectDb(const QString& server, const QString& database, const QString& user, const QString& password);
    Status CheckUser(const QString& user, const QString& password);
    // The user's rights kept in the database become the program's, and a
    // read-only user's connection refuses every write. An error closes Conn.
    Result<UserRights::Rights> adoptRights(const QString& user);
    // IsAdmin, and the core's writers with it.
    void setAdmin(bool admin);
    bool ReadDbConfig();
    // On failure the old dbcfg.dat stays as it was.
    Status WriteDbConfig();

    // Back to the state at program start (tests).
    void reset();

private:
    Module1() = default;
    Status openConn(const QString& server, const QString& database, const QString& user, const QString& password,
        const QString& pwdKey);
    QByteArray digest(const QString& password) const;

    Database m_conn;
    QString m_connStr;
    DbConfig::Values m_config;
    bool m_isAdmin = false;
    QString m_loginUser;
    QByteArray m_loginPwdDigest;
    QString m_selNo;
    QString m_subjectName;
};

// The one instance, for the program's start and the tests; windows are handed it.
inline Module1& mod()
{
    return Module1::instance();
}

} // namespace velmora
