#pragma once

#include "data/Database.h"
#include "data/RecordSet.h"

#include <QString>

namespace velmora {

// The program-wide state every window reads: the one connection, the four
// database settings, who is logged in and what one window hands the next.
class Module1 {
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
    // What the last failed open or look-up reported; empty when nothing failed.
    DbError LastError;

    bool ConnectDb(const QString& server, const QString& database, const QString& user, const QString& password);
    bool CheckUser(const QString& user, const QString& password);
    bool ReadDbConfig();
    // False, with the reason, when dbcfg.dat could not be written; the old file stays.
    bool WriteDbConfig(QString* error = nullptr);

    // Back to the state at program start (tests).
    void reset();

private:
    Module1() = default;
    bool openConn(const QString& server, const QString& database, const QString& user, const QString& password,
                  const QString& pwdKey);
};

inline Module1& mod()
{
    return Module1::instance();
}

} // namespace velmora
