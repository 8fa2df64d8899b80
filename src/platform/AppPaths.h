#pragma once

#include <QString>

namespace velmora::AppPaths {

// Where dbcfg.dat, the embedded database and Temp.dat live: the executable's
// folder when it is writable, else the per-user configuration folder.
QString appDir();
// The folder of the executable, where files shipped with the program are.
QString programDir();

QString configFile();
QString helpFile();

// Tests point both at a temporary folder.
void setAppDir(const QString& dir);
void setProgramDir(const QString& dir);

} // namespace velmora::AppPaths
