// Two teachers at once: two processes enter scores for different students of
// one test and define tests at the same moment.
#include "exams/TestRecord.h"
#include "support/DbTestCase.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QtTest>

using namespace velmora;

class TestConcurrent : public velmora::test::DbTestCase
{
    Q_OBJECT

    void prepare() override
    {
        for (int i = 1; i <= 4; ++i)
            QVERIFY(db().exec(QStringLiteral("insert into tblLogin (学号, 姓名, 性别) values (?, ?, ?)"),
                { QString::number(i), QStringLiteral("学生"), QStringLiteral("男") }));
        QVERIFY(Exams::define(db(),
            { QStringLiteral("月考"), QString(), QStringLiteral("平时考试"), QString(),
                { { 0, 1, 2 }, false, false } }));
    }

    std::unique_ptr<QProcess> worker(const QStringList& args)
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const ConnectionSettings& s = m_db->settings();
        if (!velmora::test::TestDb::isPostgres()) {
            env.remove(QStringLiteral("VELMORA_WORKER_SERVER"));
        } else {
            env.insert(QStringLiteral("VELMORA_WORKER_SERVER"), s.server);
            env.insert(QStringLiteral("VELMORA_WORKER_DATABASE"), s.database);
            env.insert(QStringLiteral("VELMORA_WORKER_USER"), s.user);
            env.insert(QStringLiteral("VELMORA_WORKER_PASSWORD"), s.password);
        }
        p->setProcessEnvironment(env);
        p->start(QStringLiteral(CRASHWORKER), QStringList { m_db->dir() } + args);
        return p;
    }
    static void finish(QProcess& p)
    {
        QVERIFY(p.waitForFinished(120000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    }

private Q_SLOTS:
    void definitionsAtTheSameMoment()
    {
        auto a = worker({ QStringLiteral("define"), QStringLiteral("1"), QStringLiteral("15") });
        auto b = worker({ QStringLiteral("define"), QStringLiteral("2"), QStringLiteral("15") });
        finish(*a);
        finish(*b);
        auto tests = db().select(QStringLiteral("select 考试号 from tblTestInfo order by 考试号"));
        QCOMPARE(tests->recordCount(), 31);
        QSet<int> numbers;
        for (tests->moveFirst(); !tests->eof(); tests->moveNext()) {
            numbers.insert(tests->value(0).toInt());
            auto rows = db().select(QStringLiteral("select count(*) from tblScore%1").arg(tests->text(0)));
            QVERIFY(rows);
            QCOMPARE(rows->text(0), QStringLiteral("4"));
        }
        QCOMPARE(numbers.size(), 31);
    }
};

QTEST_GUILESS_MAIN(TestConcurrent)
#include "tst_concurrent.moc"
