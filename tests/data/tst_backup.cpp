// Backups of the embedded file: consistent while others write, checked,
// rotated, restored all or nothing.
#include "data/Backup.h"
#include "data/Database.h"
#include "support/Files.h"
#include "support/SmallDisk.h"
#include "support/TestDb.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace velmora;
using velmora::test::TestDb;

class TestBackup : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDb> m_db;
    QString file() const { return Backups::databaseFile(m_db->settings()); }
    QString folder() const { return Backups::folderFor(file()); }

    static int students(Database& db) { return test::rowCount(db, QStringLiteral("tblLogin")); }
    // A backup changed behind the program's back, as a crafted file would be.
    bool changeBackup(const QString& backup, const QString& sql)
    {
        Database crafted;
        return crafted.open({ QStringLiteral("(local)"), QFileInfo(backup).completeBaseName(), m_db->settings().user,
                   m_db->settings().password, QFileInfo(backup).path() })
            && crafted.exec(sql);
    }
    void addStudents(Database& db, int from, int count)
    {
        // Photos make the file span many pages: a backup takes many steps.
        const QByteArray photo(100 * 1024, 'p');
        for (int i = from; i < from + count; ++i)
            QVERIFY(db.exec(QStringLiteral("insert into tblLogin (学号, 姓名, 性别, 照片) values (?, ?, ?, ?)"),
                { QString::number(i), QStringLiteral("学生"), QStringLiteral("女"), photo }));
    }

private Q_SLOTS:
    void init()
    {
        m_db = std::make_unique<TestDb>();
        if (TestDb::isPostgres())
            QSKIP("backups are of the embedded file");
        QVERIFY2(m_db->create(), qPrintable(m_db->lastError()));
        addStudents(m_db->db(), 1, 20);
    }
    void cleanup() { m_db.reset(); }

    // Another connection writes while the copy is under way: the copy starts
    // over and ends holding every committed row, and it passes its check.
    void consistentWhileAnotherWrites()
    {
        QCOMPARE(file(), QDir(m_db->dir()).absoluteFilePath(m_db->settings().database + QStringLiteral(".db")));
        auto writer = m_db->connect();
        QVERIFY(writer);
        int writes = 0;
        int steps = 0;
        bool ownerOnly = true;
        QString second;
        auto taken = Backups::take(file(), folder(), QString(), [&](qint64, qint64) {
            ++steps;
            // Owner only from the first byte, not once the copy is done.
            for (const QFileInfo& part : QDir(folder()).entryInfoList({ QStringLiteral("*.part") }, QDir::Files))
                ownerOnly = ownerOnly && !test::othersMayUse(part.filePath());
            // Another program on the class closes in the same second: a backup of its own.
            if (second.isEmpty()) {
                auto other = Backups::take(file(), folder());
                second = other ? *other : QStringLiteral("failed: ") + other.error().description;
            }
            if (writes < 3) {
                ++writes;
                addStudents(*writer, 100 + writes, 1);
            }
            return true;
        });
        QVERIFY2(taken, qPrintable(taken.error().description));
        QVERIFY(steps > 3);
        QVERIFY(ownerOnly);
        QVERIFY(Backups::verify(*taken));
        QVERIFY2(second != *taken && Backups::verify(second), qPrintable(second));
        QVERIFY(QFile::remove(second));
        const auto all = Backups::list(file(), folder());
        QCOMPARE(all.size(), 1);
        QCOMPARE(all.first().students, 23);
        QCOMPARE(all.first().tests, 0);
        QVERIFY(all.first().bytes > 2'000'000);
        QVERIFY(!test::othersMayUse(*taken));
        QVERIFY(Backups::takenToday(file(), folder()));
        QVERIFY(QDir(folder()).entryList({ QStringLiteral("*.part") }).isEmpty());
    }

    // Links planted where a backup's part file goes are never written
    // through; the folder is the owner's; a killed backup's leftovers go at
    // the next one.
    void plantedLinksAndLeftovers()
    {
        QVERIFY(QDir().mkpath(folder()));
        const QString victim = QDir(m_db->dir()).filePath(QStringLiteral("victim.txt"));
        QVERIFY(test::writeFile(victim, "keep"));
        const QDateTime now = QDateTime::currentDateTime();
        for (int s = 0; s < 3; ++s) {
            const QString name = QFileInfo(file()).completeBaseName() + QLatin1Char('_')
                + now.addSecs(s).toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".db.part");
            QVERIFY(QFile::link(victim, QDir(folder()).filePath(name)));
        }
        const QString stale = QDir(folder()).filePath(QStringLiteral("old_20200101_000000.db.part"));
        for (const QString& leftover : { stale, stale + QStringLiteral("-journal") }) {
            QFile f(leftover);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.setFileTime(now.addSecs(-3600), QFileDevice::FileModificationTime));
        }
        auto taken = Backups::take(file(), folder());
        QVERIFY2(taken, qPrintable(taken.error().description));
        QVERIFY(Backups::verify(*taken));
        QCOMPARE(test::readFile(victim), QByteArray("keep"));
        QVERIFY(test::ownerOnlyFolder(folder()));
        QVERIFY(!QFileInfo::exists(stale));
        QVERIFY(!QFileInfo::exists(stale + QStringLiteral("-journal")));

        // A second copy elsewhere goes past a planted link too.
        QTemporaryDir usb;
        QVERIFY(QFile::link(victim, QDir(usb.path()).filePath(QFileInfo(*taken).fileName() + QStringLiteral(".part"))));
        auto copied = Backups::copyTo(*taken, usb.path());
        QVERIFY2(copied, qPrintable(copied.error().description));
        QVERIFY(Backups::verify(*copied));
        QCOMPARE(test::readFile(victim), QByteArray("keep"));
    }

    // The newest 30 stay; another database's backups and other files are left alone.
    void rotationKeepsThirty()
    {
        QVERIFY(QDir().mkpath(folder()));
        const QDateTime start = QDateTime::currentDateTime().addDays(-40);
        for (int i = 0; i < 33; ++i) {
            const QString name = QFileInfo(file()).completeBaseName() + QLatin1Char('_')
                + start.addDays(i).toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".db");
            QVERIFY(QFile::copy(file(), QDir(folder()).filePath(name)));
        }
        const QString other = QDir(folder()).filePath(QStringLiteral("other_20200101_000000.db"));
        QVERIFY(test::writeFile(other, {}));
        QVERIFY(!Backups::takenToday(file(), folder()));
        QVERIFY(Backups::take(file(), folder(), QStringLiteral("手动")));
        Backups::rotate(file(), folder());
        const auto kept = Backups::list(file(), folder());
        QCOMPARE(kept.size(), 30);
        QVERIFY(kept.first().path.endsWith(QStringLiteral("_手动.db")));
        QCOMPARE(kept.last().taken.date(), start.addDays(4).date());
        QVERIFY(QFile::exists(other));
    }

    // Restore puts the copy back; a stop halfway or a damaged copy leaves
    // the live file as it was.
    void restoreAllOrNothing()
    {
        auto taken = Backups::take(file(), folder());
        QVERIFY(taken);
        m_db->db().close();
        {
            auto db = m_db->connect();
            addStudents(*db, 200, 5);
            QCOMPARE(students(*db), 25);
        }
        int steps = 0;
        Status stopped = Backups::restore(*taken, file(), [&](qint64, qint64) { return ++steps < 2; });
        QVERIFY(!stopped);
        QCOMPARE(steps, 2);
        {
            auto db = m_db->connect();
            QCOMPARE(students(*db), 25);
            auto check = db->select(QStringLiteral("PRAGMA integrity_check"));
            QCOMPARE(check->text(0), QStringLiteral("ok"));
        }

        // Damaged: the middle of the copy overwritten.
        const QString damaged = m_db->dir() + QStringLiteral("/damaged.db");
        QVERIFY(QFile::copy(*taken, damaged));
        QFile f(damaged);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.seek(f.size() / 2);
        f.write(QByteArray(64 * 1024, '\xff'));
        f.seek(4096);
        f.write(QByteArray(4096, '\x07'));
        f.close();
        QVERIFY(!Backups::verify(damaged));
        QVERIFY(!Backups::restore(damaged, file()));
        // Neither a backup of it nor a copy of it elsewhere is made and counted.
        const QString elsewhere = m_db->dir() + QStringLiteral("/stick");
        QVERIFY(QDir().mkpath(elsewhere));
        QVERIFY(!Backups::copyTo(damaged, elsewhere));
        QVERIFY(!Backups::take(damaged, elsewhere));
        QCOMPARE(QDir(elsewhere).entryList(QDir::Files), QStringList());
        const QString text = m_db->dir() + QStringLiteral("/notes.db");
        QVERIFY(test::writeFile(text, "这不是数据库"));
        QVERIFY(!Backups::verify(text));

        QVERIFY(Backups::restore(*taken, file()));
        auto db = m_db->connect();
        QCOMPARE(students(*db), 20);
    }

    // Only a file of this program's, of a version it knows, without hidden
    // code, replaces the live one; each refusal says why and changes nothing.
    void restoreTakesOnlyOurOwn_data()
    {
        QTest::addColumn<QStringList>("sql");
        QTest::addColumn<QString>("says");
        const auto row = [](const char* name, const QStringList& sql, const char* says) {
            QTest::newRow(name) << sql << QString::fromUtf8(says);
        };
        row("another program's tables", { "drop table tblClass", "drop table tblTbl" }, "缺少 tblClass、tblTbl");
        row("a column gone", { "alter table tblUsers drop column Grade" }, "缺少 tblUsers.Grade");
        row("a planted trigger", { "create trigger wipe after update on tblClass begin delete from tblLogin; end" },
            "wipe（触发器）");
        row("a view", { "create view peek as select * from tblLogin" }, "peek（视图）");
        row("a newer version", { "update velmora_schema set version = 99" },
            "这个数据库由更新版本的Velmora创建（版本 99），请先升级程序。");
    }
    void restoreTakesOnlyOurOwn()
    {
        QFETCH(QStringList, sql);
        QFETCH(QString, says);
        auto taken = Backups::take(file(), folder());
        QVERIFY(taken);
        for (const QString& statement : std::as_const(sql))
            QVERIFY2(changeBackup(*taken, statement), qPrintable(statement));
        Status refused = Backups::restore(*taken, file());
        QVERIFY(!refused);
        QVERIFY2(refused.error().description.contains(says), qPrintable(refused.error().description));
        QCOMPARE(students(m_db->db()), 20);
    }

    // A backup whose table of students is an endless view is listed as
    // unreadable within seconds, not waited on for ever.
    void endlessViewIsBounded()
    {
        auto taken = Backups::take(file(), folder());
        QVERIFY(taken);
        QVERIFY(changeBackup(*taken, QStringLiteral("drop table tblLogin")));
        QVERIFY(changeBackup(*taken,
            QStringLiteral("create view tblLogin as with recursive r(x) as (select 1 union all select x + 1 from r) "
                           "select x from r")));
        const auto listed = Backups::list(file(), folder());
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed.first().students, -1);
        QVERIFY(!Backups::verify(*taken));
    }

    // The embedded login of dbcfg.dat opens our own backup, not another installation's.
    void loginOfTheCopy()
    {
        auto taken = Backups::take(file(), folder());
        QVERIFY(taken);
        QVERIFY(Backups::loginWorks(*taken, m_db->settings().user, m_db->settings().password));
        QVERIFY(!Backups::loginWorks(*taken, m_db->settings().user, QStringLiteral("another")));
        QVERIFY(!Backups::loginWorks(*taken, QStringLiteral("nobody"), m_db->settings().password));
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
