// A writer killed at random moments: every record is wholly there or wholly
// absent, and the embedded file stays sound.
#include "data/Backup.h"
#include "data/Schema.h"
#include "exams/TestRecord.h"
#include "support/TestDb.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

using namespace velmora;
using velmora::test::TestDb;

class TestCrash : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDb> m_db;

    QByteArray photoOf(const QString& number)
    {
        QByteArray bytes(100 * 1024, '\0');
        QRandomGenerator rng(number.toUInt());
        for (char& c : bytes)
            c = char(rng.bounded(256));
        return bytes;
    }

    void killDuring(const char* mode, int times, QRandomGenerator& rng)
    {
        for (int round = 0; round < times; ++round) {
            QProcess worker;
            worker.start(
                QStringLiteral(CRASHWORKER), { m_db->dir(), QString::fromLatin1(mode), QString::number(round) });
            QVERIFY(worker.waitForStarted());
            QVERIFY(worker.waitForReadyRead(10000));
            QThread::msleep(rng.bounded(2u, 60u));
            worker.kill(); // SIGKILL; TerminateProcess on Windows
            QVERIFY(worker.waitForFinished());
            check(mode);
        }
    }

    void check(const char* mode)
    {
        auto db = m_db->connect();
        QVERIFY(db);
        auto integrity = db->select(QStringLiteral("PRAGMA integrity_check"));
        QVERIFY(integrity);
        QCOMPARE(integrity->text(0), QStringLiteral("ok"));
        const QByteArray m = mode;
        if (m == "define") {
            auto tests = db->select(QStringLiteral("select 考试号 from tblTestInfo"));
            for (tests->moveFirst(); !tests->eof(); tests->moveNext()) {
                auto rows = db->select(QStringLiteral("select count(*) from tblScore%1").arg(tests->text(0)));
                QVERIFY2(rows, qPrintable(tests->text(0)));
                QCOMPARE(rows->text(0), QStringLiteral("5"));
            }
            auto tables = db->select(QStringLiteral(
                "select count(*) from sqlite_master where type='table' and lower(name) like 'tblscore%'"));
            QCOMPARE(tables->value(0).toInt(), tests->recordCount());
        } else if (m == "scores") {
            auto rows = db->select(QStringLiteral("select 语文, 数学, 英语 from tblScore1"));
            QCOMPARE(rows->recordCount(), 5);
            for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
                QCOMPARE(rows->text(1), rows->text(0));
                QCOMPARE(rows->text(2), rows->text(0));
            }
        } else if (m == "student") {
            auto rows = db->select(QStringLiteral("select 学号, 照片 from tblLogin where length(学号) > 1"));
            for (rows->moveFirst(); !rows->eof(); rows->moveNext())
                QVERIFY(rows->value(1).toByteArray() == photoOf(rows->text(0)));
        } else if (m == "backup") {
            // Only whole, checked copies count as backups.
            const QString file = Backups::databaseFile(m_db->settings());
            for (const Backups::Info& b : Backups::list(file, Backups::folderFor(file))) {
                QVERIFY(Backups::verify(b.path));
                QCOMPARE(b.students, 35);
            }
        } else if (m == "class") {
            auto cls = db->select(QStringLiteral("select * from tblClass"));
            const QString v = cls->text(0);
            for (int c = 0; c < cls->fieldCount(); ++c)
                QCOMPARE(cls->text(c), v);
            auto cells = db->select(QStringLiteral("select 星期一, 星期二, 星期三, 星期四, 星期五 from tblTbl"));
            QCOMPARE(cells->recordCount(), 8);
            for (cells->moveFirst(); !cells->eof(); cells->moveNext()) {
                for (int c = 0; c < 5; ++c)
                    QCOMPARE(cells->text(c), v);
            }
        }
    }

private Q_SLOTS:
    void init()
    {
        m_db = std::make_unique<TestDb>();
        QVERIFY2(m_db->create(), qPrintable(m_db->lastError()));
        for (int i = 1; i <= 5; ++i)
            QVERIFY(m_db->db().exec(QStringLiteral("insert into tblLogin (学号, 姓名, 性别) values (?, ?, ?)"),
                { QString::number(i), QStringLiteral("学生"), QStringLiteral("女") }));
        QVERIFY(Exams::define(m_db->db(),
            { QStringLiteral("月考"), QString(), QStringLiteral("平时考试"), QString(),
                { { 0, 1, 2 }, false, false } }));
        m_db->db().close();
    }
    void cleanup() { m_db.reset(); }

    // Killed while copying: the live file is whole, and no half-written copy counts.
    void killedBackupLeavesNoHalfCopy()
    {
        {
            auto db = m_db->connect();
            const QByteArray photo(100 * 1024, 'x');
            for (int i = 10; i < 40; ++i)
                QVERIFY(db->exec(QStringLiteral("insert into tblLogin (学号, 姓名, 性别, 照片) values (?, ?, ?, ?)"),
                    { QString::number(i), QStringLiteral("学生"), QStringLiteral("男"), photo }));
        }
        QRandomGenerator rng(7);
        killDuring("backup", 20, rng);
        // Whatever the kills left behind, the next backup is taken and counted.
        const QString file = Backups::databaseFile(m_db->settings());
        QVERIFY(Backups::take(file, Backups::folderFor(file)));
        QVERIFY(!Backups::list(file, Backups::folderFor(file)).isEmpty());
        check("backup");
    }

    void killedWritersLeaveWholeRecords()
    {
        QRandomGenerator rng(2024);
        for (const char* mode : { "define", "scores", "student", "class" })
            killDuring(mode, 50, rng);
    }
};

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
