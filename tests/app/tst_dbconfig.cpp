#include "app/DbConfig.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "platform/AppPaths.h"
#include "support/Files.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace velmora;

class TestDbConfig : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path() const { return m_dir.filePath(QStringLiteral("dbcfg.dat")); }
    void writeRaw(const QByteArray& bytes) { QVERIFY(test::writeFile(path(), bytes)); }

    static QByteArray good()
    {
        QByteArray out;
        const QString plain[4]
            = { QStringLiteral("(local)"), QStringLiteral("students"), QStringLiteral("adm"), QStringLiteral("adm") };
        for (int i = 0; i < 4; ++i) {
            bool ok = false;
            out += DbConfig::scramble(plain[i], DbConfig::kShifts[size_t(i)], &ok).toUtf8() + "\r\n";
        }
        return out;
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
        const auto fields = [](const DbConfig::Values& v) {
            return QStringList { v.server, v.database, v.user, v.password };
        };
        const DbConfig::Values values { QStringLiteral(" (local) "), QStringLiteral("students"), QStringLiteral("adm"),
            QStringLiteral("p w~|#") };
        QVERIFY(DbConfig::write(path(), values));
        const QByteArray bytes = test::readFile(path());
        QCOMPARE(bytes.count("\r\n"), 4);
        QVERIFY(bytes.endsWith("\r\n"));
        QVERIFY(!bytes.contains("students"));
        // A stored blank is never a blank, so the reader's trim leaves it alone.
        QVERIFY(!bytes.contains(' '));
        QVERIFY(!test::othersMayUse(path()));
        QCOMPARE(DbConfig::read(path()).status, DbConfig::ReadStatus::Ok);
        QCOMPARE(fields(DbConfig::read(path()).values), fields(values));

        const DbConfig::Values chinese { QStringLiteral("db.学校.cn:5433"), QStringLiteral("班级"),
            QStringLiteral("王老师"), QStringLiteral("密码𠀀") };
        QVERIFY(DbConfig::write(path(), chinese));
        QCOMPARE(fields(DbConfig::read(path()).values), fields(chinese));
    }

    // A directory or a FIFO named dbcfg.dat is refused at once, never opened
    // for reading (reading a FIFO would wait for a writer for ever).
    void notARegularFileIsRefusedAtOnce()
    {
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("dbcfg.dat")));
        QVERIFY(!mod().ReadDbConfig());
        QCOMPARE(MessageService::texts().size(), 1);
        QVERIFY(MessageService::texts().value(0).startsWith(QStringLiteral("未知错误！75 ")));
        QVERIFY(QDir(m_dir.path()).rmdir(QStringLiteral("dbcfg.dat")));

        if (!test::makeFifo(path()))
            QSKIP("no FIFO can be made here");
        MessageService::clearMessages();
        QVERIFY(!mod().ReadDbConfig());
        QVERIFY(MessageService::texts().value(0).startsWith(QStringLiteral("未知错误！75 ")));
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

    // Random and broken bytes: the four settings, or one of the reader's messages.
    void configurationFileFuzz()
    {
        QRandomGenerator rng(4242);
        const QByteArray base = good();
        const QVector<QByteArray> crafted {
            base.left(base.size() / 2), // cut short
            QByteArray(base).replace("\r\n", "\r"), // CR without LF
            QByteArray(base).replace("\r\n", "\n"), // LF only
            QByteArray(200000, 'x'), // a huge line
            QByteArray("\xff\xfe\xfd\r\n\x80\x81\r\n\xc3\r\n\xe4\xb8\r\n"), // not UTF-8
            QByteArray("\r\n\r\n\r\n\r\n"), // four empty lines
            QByteArray(4, '\0'),
        };
        int readOk = 0;
        for (int round = 0; round < 3000; ++round) {
            QByteArray bytes;
            if (round < crafted.size()) {
                bytes = crafted[round];
            } else if (round % 3 == 0) {
                bytes = base;
                for (int flips = int(rng.bounded(1u, 6u)); flips > 0; --flips)
                    bytes[int(rng.bounded(quint32(bytes.size())))] = char(rng.bounded(256u));
            } else {
                bytes.resize(int(rng.bounded(0u, 200u)));
                for (char& c : bytes)
                    c = char(rng.bounded(256u));
            }
            writeRaw(bytes);
            MessageService::clearMessages();
            const bool ok = mod().ReadDbConfig();
            // Either the four settings, or exactly one of the reader's messages.
            if (ok) {
                ++readOk;
                QVERIFY(MessageService::messages().isEmpty());
            } else {
                QCOMPARE(MessageService::messages().size(), 1);
                const QString text = MessageService::texts().value(0);
                QVERIFY2(text == QStringLiteral(" 读取文件出错！") || text.startsWith(QStringLiteral("未知错误！")),
                    qPrintable(text));
            }
        }
        QVERIFY(readOk > 0);
        writeRaw(base);
        QVERIFY(mod().ReadDbConfig());
        QCOMPARE(mod().DbName(), QStringLiteral("students"));
    }

    // A value that cannot be stored is refused, and the file stays as it was.
    void refusedWriteNeverTouchesTheFile()
    {
        writeRaw(good());
        // The last code points cannot take a shift; a missing folder is no file.
        const Status last = DbConfig::write(path(), { "a", "b", "c", QString::fromUcs4(U"\U0010FFFF") });
        QVERIFY(!last && last.error().is(Error::Kind::Refused));
        const Status nowhere
            = DbConfig::write(m_dir.filePath(QStringLiteral("missing/dbcfg.dat")), { "a", "b", "c", "d" });
        QVERIFY(!nowhere && nowhere.error().is(Error::Kind::File));
        QRandomGenerator rng(77);
        for (int round = 0; round < 500; ++round) {
            QString value = round ? QString() : QStringLiteral("stu\tdents");
            for (int n = int(rng.bounded(1u, 12u)); round && n > 0; --n)
                value += QChar(char16_t(rng.bounded(0u, 0x40u)));
            const Status written = DbConfig::write(
                path(), { value, QStringLiteral("students"), QStringLiteral("adm"), QStringLiteral("adm") });
            const auto back = DbConfig::read(path());
            QCOMPARE(back.status, DbConfig::ReadStatus::Ok);
            if (written) {
                QCOMPARE(back.values.server, value);
            } else {
                QVERIFY(!written.error().description.isEmpty());
                QCOMPARE(back.values.database, QStringLiteral("students"));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestDbConfig)
#include "tst_dbconfig.moc"
