#pragma once

#include "data/Database.h"

#include <QStringList>
#include <QVector>

namespace velmora {

enum class ColumnKind { Text, Integer, Blob };

struct ColumnDef
{
    QString name;
    ColumnKind kind;
    int length = 0; // characters, for text columns
    bool key = false;
};

struct TableDef
{
    QString name;
    QVector<ColumnDef> columns;
    const ColumnDef* column(QStringView name) const;
};

namespace Schema {

inline constexpr int kLatestVersion = 16;
// "这个数据库由更新版本的Velmora创建（版本 N），请先升级程序。"
QString newerVersionText(int version);

// The fourteen subjects in their fixed order (check boxes, flag columns, score columns).
const QStringList& subjects();
// 出勤共, 病假, 旷课, 事假, 迟到早退.
const QStringList& attendanceItems();

// tblUsers, tblLogin, tblClass, tblTbl, tblTestInfo with their column order.
const QVector<TableDef>& fixedTables();
const TableDef* fixedTable(QStringView name);

QStringList createStatements(const SqlDialect& dialect);

// A test's score table: 学号, the included subjects in fixed order, the
// attendance columns, the comment. Subject indexes outside 0..13 are ignored.
QString scoreTableName(int testNumber);
QString createScoreTableSql(
    const SqlDialect& dialect, int testNumber, const QVector<int>& subjectIndexes, bool attendance, bool comment);

Result<int> version(const Database& db);
// Whether upgrade() would change anything. Reads only.
Result<bool> needsUpgrade(const Database& db);
// Brings a database to kLatestVersion, one step per transaction: creates
// the tables in an empty one, adds what later versions added to an older
// one. `changes` receives one line per step taken, as the user reads it.
Status upgrade(Database& db, QStringList* changes = nullptr);
// Creates the fixed tables in an empty database and records the version.
Status create(Database& db);
// The rows a new database starts with: eight periods, one class, an
// administrator and an ordinary user.
Status seed(Database& db);

// A new embedded file with its database login. Refuses an existing file unless overwrite.
Status createEmbeddedDatabase(const ConnectionSettings& settings, bool overwrite);
// A new database on the PostgreSQL server, made by the given login.
Status createServerDatabase(const ConnectionSettings& settings, bool overwrite);
// Removes a database made by createServerDatabase (tests, --force).
Status dropServerDatabase(const ConnectionSettings& settings);

} // namespace Schema
} // namespace velmora
