#include "app/DbConfig.h"
#include "app/Module1.h"
#include "platform/AppPaths.h"
#include "platform/MessageService.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

using namespace velmora;

class TestDbConfig : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path() const { return m_dir.filePath(QStringLiteral("dbcfg.dat")); }
    void writeRaw(const QByteArray& bytes)
    {
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

private Q_SLOTS:
    void init()
    {
        AppPaths::setAppDir(m_dir.path());
        QFile::remove(path());
        mod().reset();
        MessageService::startRecording();
    }

    void roundTripKeepsFormat()
    {
        const DbConfig::Values values { QStringLiteral(" (local) "), QStringLiteral("students"), QStringLiteral("adm"),
            QStringLiteral("p w~|#") };
        const Status written = DbConfig::write(path(), values);
        QVERIFY2(written, qPrintable(written.error().description));

        QFile f(path());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.count("\r\n"), 4);
        QVERIFY(bytes.endsWith("\r\n"));
        QVERIFY(!bytes.contains("students"));
        // A stored blank is never a blank, so the reader's trim leaves it alone.
        QVERIFY(!bytes.contains(' '));
        QCOMPARE(f.permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), QFileDevice::Permissions());

        const auto r = DbConfig::read(path());
        QCOMPARE(r.status, DbConfig::ReadStatus::Ok);
        QCOMPARE(r.values.server, QStringLiteral(" (local) "));
        QCOMPARE(r.values.database, QStringLiteral("students"));
        QCOMPARE(r.values.user, QStringLiteral("adm"));
        QCOMPARE(r.values.password, QStringLiteral("p w~|#"));

        const DbConfig::Values chinese { QStringLiteral("db.学校.cn:5433"), QStringLiteral("班级"),
            QStringLiteral("王老师"), QStringLiteral("密码𠀀") };
        QVERIFY(DbConfig::write(path(), chinese));
        const auto c = DbConfig::read(path());
        QCOMPARE(c.status, DbConfig::ReadStatus::Ok);
        QCOMPARE(c.values.password, chinese.password);
        QCOMPARE(c.values.server, chinese.server);
    }

    void badFilesGiveTheReadersMessages()
    {
        QVERIFY(!mod().ReadDbConfig());
        QCOMPARE(MessageService::texts(), QStringList({ "Dbcfg.dat不存在！" }));

        MessageService::clearMessages();
        writeRaw(QByteArray());
        QVERIFY(!mod().ReadDbConfig());
        QCOMPARE(MessageService::texts(), QStringList({ " 读取文件出错！" }));

        MessageService::clearMessages();
        bool ok = false;
        writeRaw(DbConfig::scramble(u"(local)", DbConfig::kShifts[0], &ok).toUtf8() + "\r\n"
            + DbConfig::scramble(u"students", DbConfig::kShifts[1], &ok).toUtf8() + "\r\n");
        QVERIFY(!mod().ReadDbConfig());
        QCOMPARE(MessageService::texts(), QStringList({ "未知错误！62 输入超出文件尾" }));
        // What was read before the missing line stays.
        QCOMPARE(mod().DbName, QStringLiteral("students"));

        MessageService::clearMessages();
        writeRaw("\x01\x02\r\n\xff\xfe\r\nabc\r\nabc\r\n");
        QVERIFY(!mod().ReadDbConfig());
        QCOMPARE(MessageService::texts().size(), 1);
        QVERIFY(MessageService::texts().first().startsWith(QStringLiteral("未知错误！5 ")));
    }

    // A directory or a FIFO named dbcfg.dat is refused at once, never opened
    // for reading (reading a FIFO would wait for a writer for ever).
    void notARegularFileIsRefusedAtOnce()
    {
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("dbcfg.dat")));
        QVERIFY(!mod().ReadDbConfig());
        QCOMPARE(MessageService::texts().size(), 1);
        QVERIFY(MessageService::texts().first().startsWith(QStringLiteral("未知错误！75 ")));
        QVERIFY(QDir(m_dir.path()).rmdir(QStringLiteral("dbcfg.dat")));

        if (::mkfifo(QFile::encodeName(path()).constData(), 0600) != 0)
            QSKIP("no FIFO can be made here");
        MessageService::clearMessages();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!mod().ReadDbConfig());
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(MessageService::texts().first().startsWith(QStringLiteral("未知错误！75 ")));
        QFile::remove(path());
    }

    // On a full disk the old file stays whole and the message says why.
    void fullDiskKeepsTheOldFile()
    {
        test::SmallDisk disk;
        if (!disk.mounted)
            QSKIP(qPrintable(disk.why));
        const QString file = disk.path(QStringLiteral("dbcfg.dat"));
        const DbConfig::Values old { QStringLiteral("(local)"), QStringLiteral("students"), QStringLiteral("adm"),
            QStringLiteral("adm") };
        QVERIFY(DbConfig::write(file, old));
        disk.fill();
        const Status full = DbConfig::write(file,
            { QStringLiteral("db.school"), QStringLiteral("students"), QStringLiteral("velmora"),
                QStringLiteral("a much longer password") });
        QVERIFY(!full);
        QVERIFY2(full.error().description.contains(QStringLiteral("磁盘已满")), qPrintable(full.error().description));
        const DbConfig::ReadResult kept = DbConfig::read(file);
        QCOMPARE(kept.status, DbConfig::ReadStatus::Ok);
        QCOMPARE(kept.values.server, QStringLiteral("(local)"));
        QCOMPARE(QDir(QFileInfo(file).path()).entryList(QDir::Files).size(), 2);
    }

    void unstorableValuesAreRefusedAndTheOldFileKept()
    {
        QVERIFY(DbConfig::write(path(), { "(local)", "students", "adm", "adm" }));
        const DbConfig::Values bad { QStringLiteral("(local)"), QStringLiteral("stu\tdents"), QStringLiteral("adm"),
            QStringLiteral("adm") };
        QVERIFY(!DbConfig::unstorable(bad).isEmpty());
        QVERIFY(DbConfig::unstorable(bad).startsWith(QStringLiteral("数据库名")));
        const Status refused = DbConfig::write(path(), bad);
        QVERIFY(refused.error().is(Error::Kind::Refused));
        QCOMPARE(refused.error().description, DbConfig::unstorable(bad));
        // The last code points cannot take a shift.
        QVERIFY(!DbConfig::unstorable({ "a", "b", "c", QString::fromUcs4(U"\U0010FFFF") }).isEmpty());
        QCOMPARE(DbConfig::read(path()).values.database, QStringLiteral("students"));

        const Status nowhere
            = DbConfig::write(m_dir.filePath(QStringLiteral("missing/dbcfg.dat")), { "a", "b", "c", "d" });
        QVERIFY(nowhere.error().is(Error::Kind::File));
        QVERIFY(!nowhere.error().description.isEmpty());
    }

    void module1WritesWhatItHolds()
    {
        mod().DbServer = QStringLiteral("(local)");
        mod().DbName = QStringLiteral("students");
        mod().DbUser = QStringLiteral(" adm ");
        mod().DbPwd = QStringLiteral("secret");
        QVERIFY(mod().WriteDbConfig());
        mod().reset();
        QVERIFY(mod().ReadDbConfig());
        QCOMPARE(mod().DbUser, QStringLiteral(" adm "));
        QCOMPARE(mod().DbPwd, QStringLiteral("secret"));
        QVERIFY(MessageService::messages().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDbConfig)
#include "tst_dbconfig.moc"
