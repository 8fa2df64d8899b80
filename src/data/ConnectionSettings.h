#pragma once

#include <QString>

namespace velmora {

struct ConnectionSettings
{
    QString server; // "(local)" for the embedded file, else "host" or "host:port"
    QString database;
    QString user;
    QString password;
    QString dataDir; // where the embedded file lives
};

} // namespace velmora
