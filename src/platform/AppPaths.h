#pragma once

#include <QString>

namespace velmora::AppPaths {

// dbcfg.dat and the embedded database live in the program's folder. A school
// may install that folder read-only with both files in it: they are read
// where they are, and what the program writes goes to the user's own
// configuration folder instead, which then takes precedence. A program the
// package installed in a system folder keeps its data there too.

// The folder of the executable, where files shipped with the program are.
QString programDir();
// The per-user configuration folder, made when first needed.
QString userDir();
// Where the program writes: the program's folder when it can, else userDir().
QString writableDir();

// The dbcfg.dat to read.
QString configFile();
// Where a saved dbcfg.dat goes.
QString writableConfigFile();
// Whether writes go to the user's folder: the program's is read-only, or a
// system folder the package installed it in.
bool redirected();
// The folder holding the embedded database `name`.db, looked for beside the
// settings in use, then in the program's and the user's folder.
QString databaseDir(const QString& name);
// The user's guide: Help.chm beside the program on Windows, the same guide as HTML elsewhere.
QString helpFile();

// Whether a file can be made in the folder (a read-only mount, permissions).
bool canWriteIn(const QString& dir);

// Tests: setAppDir puts everything in one folder; the others let a test
// separate a read-only program folder from the user's.
void setAppDir(const QString& dir);
void setProgramDir(const QString& dir);
void setUserDir(const QString& dir);

} // namespace velmora::AppPaths
