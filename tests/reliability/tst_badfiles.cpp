// Random and broken input where the program reads what it did not write itself.
#include "app/DbConfig.h"
#include "app/Module1.h"
#include "platform/AppPaths.h"
#include "platform/MessageService.h"
#include "students/StudentRecord.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace velmora;

class TestBadFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("dbcfg.dat")); }
    void put(const QByteArray& bytes)
    {
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
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
    void initTestCase()
    {
        AppPaths::setAppDir(m_dir.path());
        MessageService::startRecording();
    }

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
            put(bytes);
            MessageService::clearMessages();
            const bool ok = mod().ReadDbConfig();
            // Either the four settings, or exactly one of the reader's messages.
            if (ok) {
                ++readOk;
                QVERIFY(MessageService::messages().isEmpty());
            } else {
                QCOMPARE(MessageService::messages().size(), 1);
                const QString text = MessageService::texts().first();
                QVERIFY2(text == QStringLiteral(" 读取文件出错！") || text.startsWith(QStringLiteral("未知错误！")),
                    qPrintable(text));
            }
        }
        QVERIFY(readOk > 0);
        put(base);
        QVERIFY(mod().ReadDbConfig());
        QCOMPARE(mod().DbName, QStringLiteral("students"));
    }

    void refusedWriteNeverTouchesTheFile()
    {
        put(good());
        QRandomGenerator rng(77);
        for (int round = 0; round < 500; ++round) {
            QString value;
            for (int n = int(rng.bounded(1u, 12u)); n > 0; --n)
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

    void dateCheckFuzz()
    {
        QRandomGenerator rng(99);
        const QString alphabet = QStringLiteral("0123456789-/.年月日 a");
        for (int round = 0; round < 5000; ++round) {
            QString text;
            for (int n = int(rng.bounded(0u, 14u)); n > 0; --n)
                text += alphabet[int(rng.bounded(quint32(alphabet.size())))];
            if (StudentRecord::isDate(text)) {
                // Anything accepted names a real day.
                static const QRegularExpression parts(QStringLiteral("(\\d+)\\D+(\\d+)\\D+(\\d+)"));
                const auto m = parts.match(text);
                QVERIFY2(m.hasMatch(), qPrintable(text));
                QVERIFY2(QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()).isValid(),
                    qPrintable(text));
            }
        }
        for (int y = 1990; y < 2030; ++y) {
            for (int d = 1; d <= 31; d += 3) {
                const QString t = QStringLiteral("%1-02-%2").arg(y).arg(d, 2, 10, QLatin1Char('0'));
                QCOMPARE(StudentRecord::isDate(t), QDate(y, 2, d).isValid());
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestBadFiles)
#include "tst_badfiles.moc"
