#include "data/Backup.h"

#include "data/PartFiles.h"
#include "data/PasswordHash.h"
#include "data/Schema.h"
#include "data/SqlDialect.h"
#include "platform/System.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sqlite3.h>

namespace velmora::Backups {

namespace {

constexpr int kPagesPerStep = 256;

Error failure(const QString& what)
{
    return Error { QString(), what, Error::Kind::File };
}

QString sqliteMessage(sqlite3* db, int rc)
{
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
}

// A connection of its own, closed on every path.
struct Handle
{
    sqlite3* db = nullptr;
    ~Handle() { sqlite3_close_v2(db); }
};

int open(Handle& h, const QString& path, int flags)
{
    const int rc = sqlite3_open_v2(System::sqlitePath(path).constData(), &h.db, flags, nullptr);
    if (rc == SQLITE_OK)
        sqlite3_busy_timeout(h.db, 5000);
    return rc;
}

// A crafted file can make any query endless (a view of itself): each query
// on a file we did not make stops after a few seconds.
class Bounded
{
public:
    explicit Bounded(sqlite3* db)
        : m_db(db)
    {
        m_clock.start();
        sqlite3_progress_handler(
            db, 10000, [](void* clock) { return static_cast<QElapsedTimer*>(clock)->elapsed() > 3000 ? 1 : 0; },
            &m_clock);
    }
    ~Bounded() { sqlite3_progress_handler(m_db, 0, nullptr, nullptr); }
    Bounded(const Bounded&) = delete;
    Bounded& operator=(const Bounded&) = delete;

private:
    sqlite3* m_db;
    QElapsedTimer m_clock;
};

// The first column of every row, as text, within the bound; nothing when the query fails.
std::optional<QStringList> texts(sqlite3* db, const char* sql, const QString& bound = QString())
{
    const Bounded limit(db);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return std::nullopt;
    }
    const QByteArray value = bound.toUtf8();
    if (!bound.isNull())
        sqlite3_bind_text(st, 1, value.constData(), int(value.size()), SQLITE_TRANSIENT);
    QStringList out;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        return std::nullopt;
    return out;
}

// Runs a query of one number; -1 when it cannot.
qint64 number(sqlite3* db, const char* sql)
{
    const auto rows = texts(db, sql);
    return rows && !rows->isEmpty() ? rows->first().toLongLong() : -1;
}

QString integrity(sqlite3* db)
{
    sqlite3_stmt* st = nullptr;
    QString out;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) != SQLITE_OK)
        return sqliteMessage(db, SQLITE_ERROR);
    while (sqlite3_step(st) == SQLITE_ROW)
        out += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) + QLatin1Char(' ');
    sqlite3_finalize(st);
    return out.trimmed();
}

// Copies `from` into `to` page by page. The source is only read; the
// destination is written in one transaction, rolled back unless the copy ends.
Status copy(sqlite3* from, sqlite3* to, const Progress& progress)
{
    sqlite3_backup* b = sqlite3_backup_init(to, "main", from, "main");
    if (!b)
        return failure(sqliteMessage(to, SQLITE_ERROR));
    int rc = SQLITE_OK;
    bool stopped = false;
    int waits = 0;
    do {
        rc = sqlite3_backup_step(b, kPagesPerStep);
        // Each wait is the busy timeout: give up after half a minute of another program's lock.
        if ((rc == SQLITE_BUSY || rc == SQLITE_LOCKED) && ++waits > 6)
            break;
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            sqlite3_sleep(50);
        const qint64 total = sqlite3_backup_pagecount(b);
        if (rc != SQLITE_DONE && progress && !progress(total - sqlite3_backup_remaining(b), total))
            stopped = true;
    } while (!stopped && (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED));
    sqlite3_backup_finish(b);
    if (stopped)
        return failure(QStringLiteral("已取消。"));
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        return failure(QStringLiteral("数据库正被其他程序使用，请稍后再试。"));
    if (rc != SQLITE_DONE)
        return failure(sqliteMessage(to, rc));
    return Done {};
}

bool syncFile(const QString& path)
{
    return System::syncFile(path);
}

// A backup stopped by a crash leaves its part file and journal; one nobody
// has written to for ten minutes is no running backup's.
void removeStaleParts(const QString& folder)
{
    const QDateTime before = QDateTime::currentDateTime().addSecs(-600);
    const QStringList leftovers { QStringLiteral("*.db.part"), QStringLiteral("*.db.part-journal") };
    for (const QFileInfo& f : QDir(folder).entryInfoList(leftovers, QDir::Files | QDir::System)) {
        if (f.lastModified() < before)
            QFile::remove(f.absoluteFilePath());
    }
}

// A database of this program's, of a version it knows: the fixed tables with
// their columns, and no view or trigger, which it never makes and which
// would run hidden code on the class's data after a restore.
Status isOurs(sqlite3* db)
{
    const auto foreign = texts(db,
        "select name || case type when 'view' then '（视图）' else '（触发器）' end from sqlite_master "
        "where type in ('view', 'trigger') order by name");
    if (!foreign)
        return failure(QStringLiteral("这个文件读不出来，不能用来恢复。"));
    if (!foreign->isEmpty())
        return failure(
            QStringLiteral("这个文件中有本程序不会建立的 %1，不能用来恢复。").arg(foreign->join(QStringLiteral("、"))));
    const auto versions = texts(db, "select max(version) from velmora_schema");
    if (versions && !versions->isEmpty() && versions->first().toInt() > Schema::kLatestVersion)
        return failure(Schema::newerVersionText(versions->first().toInt()));
    QStringList missing;
    for (const TableDef& table : Schema::fixedTables()) {
        const auto columns = texts(db, "select name from pragma_table_info(?)", table.name);
        if (!columns || columns->isEmpty()) {
            missing << table.name;
            continue;
        }
        for (const ColumnDef& c : table.columns) {
            // The original design's timetable had no period column; an upgrade copes.
            if (!columns->contains(c.name, Qt::CaseInsensitive) && c.name != QStringLiteral("节次"))
                missing << table.name + QLatin1Char('.') + c.name;
        }
    }
    if (!missing.isEmpty())
        return failure(QStringLiteral("这个文件不是本程序的学生数据库（缺少 %1），不能用来恢复。")
                           .arg(missing.mid(0, 5).join(QStringLiteral("、"))));
    return Done {};
}

QString baseName(const QString& databaseFile)
{
    return QFileInfo(databaseFile).completeBaseName();
}

// 学生库_20261207_183000[_tag].db
QRegularExpression namePattern(const QString& databaseFile)
{
    return QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(baseName(databaseFile))
        + QStringLiteral("_(\\d{8}_\\d{6})(_.*)?\\.db$"));
}

QDateTime takenAt(const QString& stamp)
{
    return QDateTime::fromString(stamp, QStringLiteral("yyyyMMdd_HHmmss"));
}

} // namespace

QString databaseFile(const ConnectionSettings& settings)
{
    if (!SqlDialect::isEmbeddedServer(settings.server))
        return {};
    return QDir(settings.dataDir).absoluteFilePath(settings.database + QStringLiteral(".db"));
}

QString folderFor(const QString& databaseFile)
{
    return QFileInfo(databaseFile).absoluteDir().filePath(QStringLiteral("备份"));
}

Result<QString> take(const QString& databaseFile, const QString& folder, const QString& tag, const Progress& progress)
{
    // The owner's alone, as the database is: backups hold every student's record.
    if (!QDir().mkpath(folder)
        || !QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
        return failure(QStringLiteral("不能建立备份文件夹 %1。").arg(QDir::toNativeSeparators(folder)));
    removeStaleParts(folder);
    QDateTime now = QDateTime::currentDateTime();
    QString path;
    QString part;
    // Two backups within a second keep both, also from two programs closing
    // together: the part file is created exclusively, so each has its own.
    // Owner only from the first byte: the copy holds every student's record.
    for (;;) {
        const QString name = baseName(databaseFile) + QLatin1Char('_') + now.toString(QStringLiteral("yyyyMMdd_HHmmss"))
            + (tag.isEmpty() ? QString() : QLatin1Char('_') + tag) + QStringLiteral(".db");
        path = QDir(folder).filePath(name);
        part = path + QStringLiteral(".part");
        now = now.addSecs(1);
        if (QFileInfo::exists(path))
            continue;
        QString why;
        const System::Made made = System::createNew(part, &why);
        if (made == System::Made::Created)
            break;
        if (made == System::Made::Failed)
            return failure(QStringLiteral("不能写入备份文件 %1：%2").arg(QDir::toNativeSeparators(part), why));
    }
    {
        Handle from;
        Handle to;
        int rc = open(from, databaseFile, SQLITE_OPEN_READONLY);
        if (rc != SQLITE_OK)
            return failure(QStringLiteral("不能读取数据库文件：") + sqliteMessage(from.db, rc));
        rc = open(to, part, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        if (rc != SQLITE_OK) {
            QFile::remove(part);
            return failure(QStringLiteral("不能写入备份文件：") + sqliteMessage(to.db, rc));
        }
        Status copied = copy(from.db, to.db, progress);
        const QString check = copied ? integrity(to.db) : QString();
        if (copied && check != QStringLiteral("ok"))
            copied = failure(QStringLiteral("备份的检查没有通过：") + check);
        if (!copied) {
            sqlite3_close_v2(to.db);
            to.db = nullptr;
            QFile::remove(part);
            return copied.error();
        }
    }
    if (!syncFile(part) || !System::replaceFile(part, path)) {
        QFile::remove(part);
        return failure(QStringLiteral("不能写入备份文件 %1（磁盘可能已满）。").arg(QDir::toNativeSeparators(path)));
    }
    // The copy itself is synced; the folder's entry is best effort, as a
    // crash before it leaves the previous backups, never a broken one.
    (void)syncFile(folder);
    return path;
}

Result<QString> copyTo(const QString& backupFile, const QString& folder)
{
    const QString target = QDir(folder).filePath(QFileInfo(backupFile).fileName());
    const QString failed
        = QStringLiteral("不能复制到 %1（磁盘可能已满或没有写入权限）。").arg(QDir::toNativeSeparators(folder));
    const QString part = PartFiles::create(target);
    if (part.isEmpty())
        return failure(failed);
    QFile from(backupFile);
    QFile to(part);
    bool copied = from.open(QIODevice::ReadOnly) && to.open(QIODevice::WriteOnly | QIODevice::Truncate);
    while (copied && !from.atEnd()) {
        const QByteArray chunk = from.read(1 << 20);
        copied = !chunk.isEmpty() && to.write(chunk) == chunk.size();
    }
    copied = copied && to.flush();
    to.close();
    copied = copied && syncFile(part) && verify(part) && System::replaceFile(part, target);
    if (!copied) {
        QFile::remove(part);
        return failure(failed);
    }
    return target;
}

QVector<Info> list(const QString& databaseFile, const QString& folder)
{
    const QRegularExpression pattern = namePattern(databaseFile);
    QVector<Info> out;
    for (const QFileInfo& f : QDir(folder).entryInfoList({ QStringLiteral("*.db") }, QDir::Files)) {
        const auto m = pattern.match(f.fileName());
        if (!m.hasMatch())
            continue;
        Info info;
        info.path = f.absoluteFilePath();
        info.taken = takenAt(m.captured(1));
        info.bytes = f.size();
        Handle h;
        if (open(h, info.path, SQLITE_OPEN_READONLY) == SQLITE_OK) {
            info.students = int(number(h.db, "select count(*) from tblLogin"));
            info.tests = int(number(h.db, "select count(*) from tblTestInfo"));
        }
        out << info;
    }
    std::sort(out.begin(), out.end(),
        [](const Info& a, const Info& b) { return a.taken != b.taken ? a.taken > b.taken : a.path > b.path; });
    return out;
}

void rotate(const QString& databaseFile, const QString& folder, int keep)
{
    const QRegularExpression pattern = namePattern(databaseFile);
    QStringList names;
    for (const QString& n : QDir(folder).entryList({ QStringLiteral("*.db") }, QDir::Files)) {
        if (pattern.match(n).hasMatch())
            names << n;
    }
    // The stamp sorts as the time does.
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        return pattern.match(a).captured(1) > pattern.match(b).captured(1);
    });
    for (int i = keep; i < names.size(); ++i)
        QFile::remove(QDir(folder).filePath(names[i]));
}

bool takenToday(const QString& databaseFile, const QString& folder)
{
    const QRegularExpression pattern = namePattern(databaseFile);
    const QDate today = QDate::currentDate();
    for (const QString& n : QDir(folder).entryList({ QStringLiteral("*.db") }, QDir::Files)) {
        const auto m = pattern.match(n);
        if (m.hasMatch() && takenAt(m.captured(1)).date() == today)
            return true;
    }
    return false;
}

Status verify(const QString& file)
{
    Handle h;
    const int rc = open(h, file, SQLITE_OPEN_READONLY);
    if (rc != SQLITE_OK)
        return failure(QStringLiteral("不能打开这个备份：") + sqliteMessage(h.db, rc));
    const QString check = integrity(h.db);
    if (check != QStringLiteral("ok"))
        return failure(QStringLiteral("这个备份已经损坏：") + check.left(200));
    const Status ours = isOurs(h.db);
    if (!ours)
        return ours;
    if (number(h.db, "select count(*) from tblLogin") < 0 || number(h.db, "select count(*) from tblTestInfo") < 0)
        return failure(QStringLiteral("这个文件不是学生数据库的备份。"));
    return Done {};
}

bool loginWorks(const QString& file, const QString& user, const QString& password)
{
    Handle h;
    if (open(h, file, SQLITE_OPEN_READONLY) != SQLITE_OK)
        return false;
    const Bounded limit(h.db);
    sqlite3_stmt* st = nullptr;
    bool works = false;
    const QByteArray name = user.toUtf8();
    if (sqlite3_prepare_v2(
            h.db, "select salt, hash, iterations from velmora_dblogin where username = ?", -1, &st, nullptr)
            == SQLITE_OK
        && sqlite3_bind_text(st, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT) == SQLITE_OK
        && sqlite3_step(st) == SQLITE_ROW) {
        const auto bytes = [st](int column) {
            return QByteArray(
                static_cast<const char*>(sqlite3_column_blob(st, column)), sqlite3_column_bytes(st, column));
        };
        works = PasswordHash::verifyDbLogin(password, bytes(0), bytes(1), sqlite3_column_int(st, 2));
    }
    sqlite3_finalize(st);
    return works;
}

Status restore(const QString& backupFile, const QString& databaseFile, const Progress& progress)
{
    if (Status ok = verify(backupFile); !ok)
        return ok;
    Handle from;
    Handle to;
    int rc = open(from, backupFile, SQLITE_OPEN_READONLY);
    if (rc != SQLITE_OK)
        return failure(QStringLiteral("不能打开这个备份：") + sqliteMessage(from.db, rc));
    rc = open(to, databaseFile, SQLITE_OPEN_READWRITE);
    if (rc != SQLITE_OK)
        return failure(QStringLiteral("不能写入数据库文件：") + sqliteMessage(to.db, rc));
    if (Status copied = copy(from.db, to.db, progress); !copied)
        return copied;
    const QString check = integrity(to.db);
    if (check != QStringLiteral("ok"))
        return failure(QStringLiteral("恢复后的数据库检查没有通过：") + check.left(200));
    return Done {};
}

} // namespace velmora::Backups
