#pragma once

#include "data/Database.h"
#include "data/RecordSet.h"
#include "data/UserRights.h"

#include <QString>

namespace velmora {

// The program-wide state every window reads: the one connection, the four
// database settings, who is logged in and what one window hands the next.
class Module1
{
public:
    static Module1& instance();

    Database Conn;
    RecordSet ModRs;
    QString ConnStr;
    QString DbServer;
    QString DbName;
    QString DbUser;
    QString DbPwd;
    bool IsAdmin = false;
    QString LoginUser;
    QString LoginPwd;
    QString SelNo;
    QString SubjectName;
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
};

inline Module1& mod()
{
    return Module1::instance();
}

} // namespace velmora
