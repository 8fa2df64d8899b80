// Conduct records: the term's grade at its bounds and set by hand, the
// class's own rules, and who may change whose record, in the program and on
// the server.
#include "app/MessageService.h"
#include "app/Module1.h"
#include "conduct/Conduct.h"
#include "conduct/ui/ConductRecords.h"
#include "data/ServerRoles.h"
#include "data/UserRights.h"
#include "history/History.h"
#include "platform/ui/ResultGrid.h"
#include "support/DbTestCase.h"
#include "support/Modal.h"
#include "support/Typing.h"
#include "support/Ui.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScopeGuard>
#include <QSpinBox>
#include <QtTest>

using namespace velmora;

namespace {

const QDate kFrom(2026, 9, 1);
const QDate kTo(2027, 1, 22);
const QString kTerm = QStringLiteral("秋季学期");

QStringList one(const char* student)
{
    return { QString::fromUtf8(student) };
}

// As a subject teacher or a read-only user, until the guard goes.
auto actingAs(const QString& user, bool readOnly)
{
    UserRights::setAdministrator(false);
    UserRights::setCurrent({ readOnly ? QStringList() : QStringList { QStringLiteral("语文") }, readOnly });
    ScoreHistory::setUser(user);
    return qScopeGuard([] {
        UserRights::setAdministrator(true);
        UserRights::setCurrent({});
        ScoreHistory::setUser(QString());
    });
}

} // namespace

class TestConduct : public velmora::test::DbTestCase
{
    Q_OBJECT

    void prepare() override { addStudents({ QStringLiteral("1"), QStringLiteral("2") }); }

    Conduct::TermGrade termOf(const char* student)
    {
        auto grade = Conduct::termGrade(db(), QString::fromUtf8(student), kTerm, kFrom, kTo);
        return grade ? *grade : Conduct::TermGrade { -1, grade.error().description, false, {}, {} };
    }

private Q_SLOTS:
    // Base 80; 优 from 90, 良 from 80, 中 from 60, 差 below.
    void gradeAtItsBounds_data()
    {
        QTest::addColumn<QVector<int>>("points");
        QTest::addColumn<int>("score");
        QTest::addColumn<QString>("grade");
        QTest::newRow("none") << QVector<int>() << 80 << QStringLiteral("良");
        QTest::newRow("to 90") << QVector<int> { 5, 3, 2 } << 90 << QStringLiteral("优");
        QTest::newRow("to 89") << QVector<int> { 10, -1 } << 89 << QStringLiteral("良");
        QTest::newRow("to 79") << QVector<int> { -1 } << 79 << QStringLiteral("中");
        QTest::newRow("to 60") << QVector<int> { -20 } << 60 << QStringLiteral("中");
        QTest::newRow("to 59") << QVector<int> { -20, -1 } << 59 << QStringLiteral("差");
    }

    void gradeAtItsBounds()
    {
        QFETCH(QVector<int>, points);
        QFETCH(int, score);
        QFETCH(QString, grade);
        for (int p : points)
            QVERIFY(Conduct::add(db(), one("1"), QDate(2026, 10, 12), QStringLiteral("纪律"), p, QString()));
        // A record outside the term counts in no grade of it.
        QVERIFY(Conduct::add(db(), one("1"), QDate(2026, 8, 30), QStringLiteral("纪律"), -30, QString()));
        const Conduct::TermGrade t = termOf("1");
        QCOMPARE(t.score, score);
        QCOMPARE(t.grade, grade);
        QVERIFY(!t.byHand);
    }

    void byHandAndTheClassRules()
    {
        QVERIFY(Conduct::add(db(), one("2"), QDate(2026, 10, 12), QStringLiteral("好人好事"), 3, QString()));
        Status noReason = Conduct::setGrade(db(), QStringLiteral("2"), kTerm, QStringLiteral("优"), QString());
        QVERIFY(!noReason && noReason.error().description.contains(QStringLiteral("原因")));
        QVERIFY(Conduct::setGrade(db(), QStringLiteral("2"), kTerm, QStringLiteral("优"), QStringLiteral("见义勇为")));
        Conduct::TermGrade t = termOf("2");
        QCOMPARE(t.score, 83);
        QCOMPARE(t.grade, QStringLiteral("优"));
        QVERIFY(t.byHand);
        QCOMPARE(t.reason, QStringLiteral("见义勇为"));
        QVERIFY(Conduct::setGrade(db(), QStringLiteral("2"), kTerm, QString(), QString()));
        QCOMPARE(termOf("2").grade, QStringLiteral("良"));
        auto history = ScoreHistory::list(db(), ScoreHistory::kConduct, QStringLiteral("2"));
        QVERIFY(history);
        QCOMPARE(history->size(), 3);
        QCOMPARE(history->at(1).after, QStringLiteral("优（见义勇为）"));

        // The class's own words and bounds; an item not on its list is refused.
        Conduct::Rules rules = *Conduct::Rules::load(db());
        rules.items = QStringList { QStringLiteral("纪律"), QStringLiteral("两操") };
        rules.base = 100;
        rules.grades = { { QStringLiteral("A"), 110 }, { QStringLiteral("B"), 95 }, { QStringLiteral("C"), 0 } };
        QVERIFY(rules.save(db()));
        QCOMPARE(*Conduct::Rules::load(db()), rules);
        QCOMPARE(termOf("2").grade, QStringLiteral("B"));
        QVERIFY(!Conduct::add(db(), one("2"), QDate(2026, 10, 13), QStringLiteral("卫生"), 1, QString()));
        rules.grades[1].lower = 120;
        QVERIFY(!rules.problem().isEmpty());
        QVERIFY(!rules.save(db()));
        auto teacher = actingAs(QStringLiteral("t1"), false);
        QVERIFY(!Conduct::Rules::load(db())->save(db()));
        QVERIFY(!Conduct::setGrade(db(), QStringLiteral("2"), kTerm, QStringLiteral("A"), QStringLiteral("x")));
    }

    // A teacher corrects its own record, not another's; a read-only user writes none.
    void whoChangesWhat()
    {
        QVERIFY(Conduct::add(db(), { QStringLiteral("1"), QStringLiteral("2") }, QDate(2026, 10, 12),
            QStringLiteral("卫生"), 2, QStringLiteral("值日认真")));
        QCOMPARE(valueOf(QStringLiteral("select count(*) from velmora_conduct")), QStringLiteral("2"));
        {
            auto reader = actingAs(QStringLiteral("r1"), true);
            QVERIFY(!Conduct::add(db(), one("1"), QDate(2026, 10, 13), QStringLiteral("纪律"), -1, QString()));
        }
        auto t1 = actingAs(QStringLiteral("t1"), false);
        QVERIFY(Conduct::add(db(), one("1"), QDate(2026, 10, 13), QStringLiteral("纪律"), -1, QStringLiteral("说话")));
        auto mine = Conduct::of(db(), QStringLiteral("1"), kFrom, kTo);
        QVERIFY(mine && mine->size() == 2);
        Conduct::Entry own = mine->front();
        QCOMPARE(own.writer, QStringLiteral("t1"));
        Conduct::Entry other = mine->back();
        own.points = -2;
        QVERIFY(Conduct::change(db(), own));
        other.points = 1;
        Status refused = Conduct::change(db(), other);
        QVERIFY(!refused && refused.error().description.contains(QStringLiteral("本人或管理员")));
        QVERIFY(!Conduct::remove(db(), other.id));
        QCOMPARE(termOf("1").score, 80 + 2 - 2);
        QVERIFY(Conduct::remove(db(), own.id));
        QCOMPARE(termOf("1").score, 82);
    }

    // A 值日 group's record from the window; the list shows one student at a time.
    void recordsWindow()
    {
        ConductRecords window(mod());
        QVERIFY(window.load());
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* list = test::child<QListWidget>(&window, "lstStudents");
        QCOMPARE(list->count(), 2);
        list->setCurrentRow(0);
        QTest::mouseClick(
            list->viewport(), Qt::LeftButton, Qt::ControlModifier, list->visualItemRect(list->item(1)).center());
        QCOMPARE(list->selectedItems().size(), 2);
        test::child<QComboBox>(&window, "cmbItem")->setCurrentIndex(2); // 卫生
        auto* points = test::child<QSpinBox>(&window, "spnPoints");
        points->selectAll();
        QTest::keyClicks(points, "2");
        test::typeText(test::child<QLineEdit>(&window, "txtNote"), QStringLiteral("值日认真"));
        test::click(&window, "BN_Add");
        QCOMPARE(valueOf(QStringLiteral("select count(*) from velmora_conduct where 项目='卫生' and 分数=2")),
            QStringLiteral("2"));
        const auto* grid = test::child<ResultGrid>(&window, "grdRecords");
        QCOMPARE(grid->rows(), 2);
        QCOMPARE(grid->text(1, 3), QStringLiteral("值日认真"));
        QVERIFY(test::child<QLabel>(&window, "lblGrade")->text().contains(QStringLiteral("共 82 分")));
        // The class's grades typed as a teacher writes them.
        const auto parsed = ConductRecords::parseGrades(QStringLiteral("优秀 95，良好 85、合格 60、待改进"));
        QVERIFY(parsed && parsed->size() == 4 && parsed->at(1).lower == 85);
        QCOMPARE(ConductRecords::gradesText(*parsed), QStringLiteral("优秀 95、良好 85、合格 60、待改进"));
        QVERIFY(!ConductRecords::parseGrades(QStringLiteral("优 90、良")).value().isEmpty());
        QVERIFY(!ConductRecords::parseGrades(QStringLiteral("优、良 80、差")));
        // Removed after the question, from the list.
        test::child<ResultGrid>(&window, "grdRecords")->setCurrentRow(1);
        MessageService::setNextAnswer(MsgAnswer::Yes);
        test::click(&window, "BN_Delete");
        QCOMPARE(valueOf(QStringLiteral("select count(*) from velmora_conduct")), QStringLiteral("1"));
    }

    // On a server the role of a teacher is held to its own records by the server itself.
    void serverHoldsATeacherToItsRecords()
    {
        if (!ServerRoles::supported(db()))
            QSKIP("the embedded file has no roles");
        const QString pid = QString::number(QCoreApplication::applicationPid());
        const QString a = QStringLiteral("ta_") + pid, b = QStringLiteral("tb_") + pid;
        for (const QString& role : { a, b })
            QVERIFY(db().exec(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'pw'").arg(role)));
        const auto dropRoles = qScopeGuard([&] {
            for (const QString& role : { a, b }) {
                (void)db().exec(QStringLiteral("DROP OWNED BY %1").arg(role));
                (void)db().exec(QStringLiteral("DROP ROLE %1").arg(role));
            }
        });
        for (const QString& role : { a, b })
            QVERIFY(UserRights::store(db(), role, { { QStringLiteral("语文") }, false }));
        const ConnectionSettings owner = m_db->settings();
        Database asA, asB;
        QVERIFY(asA.open({ owner.server, owner.database, a, QStringLiteral("pw"), QString() }));
        QVERIFY(asB.open({ owner.server, owner.database, b, QStringLiteral("pw"), QString() }));
        {
            auto teacherA = actingAs(a, false);
            Status added = Conduct::add(asA, one("1"), QDate(2026, 10, 12), QStringLiteral("纪律"), -1, QString());
            QVERIFY2(added, qPrintable(added ? QString() : added.error().description));
        }
        const QString id = valueOf(QStringLiteral("select 编号 from velmora_conduct"));
        // Outside the program: B changes and removes nothing of A's, nor writes in A's name.
        QVERIFY(asB.exec(QStringLiteral("update velmora_conduct set 分数=5 where 编号=?"), { id }));
        QVERIFY(asB.exec(QStringLiteral("delete from velmora_conduct where 编号=?"), { id }));
        QCOMPARE(
            valueOf(QStringLiteral("select 分数 from velmora_conduct where 编号=?"), { id }), QStringLiteral("-1"));
        QVERIFY(!asB.exec(QStringLiteral("insert into velmora_conduct (学号, 日期, 项目, 分数, 记录人, 时间) "
                                         "values ('2', '2026-10-12', '纪律', -5, ?, '')"),
            { a }));
        QVERIFY(asA.exec(QStringLiteral("update velmora_conduct set 分数=-2 where 编号=?"), { id }));
        QCOMPARE(
            valueOf(QStringLiteral("select 分数 from velmora_conduct where 编号=?"), { id }), QStringLiteral("-2"));
        // A read-only role writes none.
        QVERIFY(UserRights::store(db(), b, { {}, true }));
        QVERIFY(!asB.exec(QStringLiteral("insert into velmora_conduct (学号, 日期, 项目, 分数, 记录人, 时间) "
                                         "values ('2', '2026-10-12', '纪律', -5, ?, '')"),
            { b }));
    }
};

QTEST_MAIN(TestConduct)
#include "tst_conduct.moc"
