// Every change to a score, an attendance count or a comment is recorded with
// its old and new value, who made it and when, in the change's own transaction.
#include "app/Module1.h"
#include "data/Schema.h"
#include "exams/ScoreHistory.h"
#include "exams/ScoreSheet.h"
#include "exams/ScoreTable.h"
#include "exams/TestLocks.h"
#include "exams/TestRecord.h"
#include "exams/ui/DeletedTests.h"
#include "exams/ui/ReportScore.h"
#include "exams/ui/ScoreGrid.h"
#include "exams/ui/ScoreHistoryView.h"
#include "exams/ui/TestFill.h"
#include "exams/ui/TestLockDialog.h"
#include "platform/MessageService.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ReportPreview.h"
#include "platform/ui/ResultGrid.h"
#include "support/DbTestCase.h"
#include "support/Ui.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using namespace velmora;
using velmora::test::child;

class TestHistory : public velmora::test::DbTestCase
{
    Q_OBJECT

    int m_test = 0;

    void prepare() override
    {
        ScoreHistory::setUser(QStringLiteral("adm"));
        for (const char* number : { "01", "02" })
            QVERIFY(db().exec(QStringLiteral("insert into tblLogin (学号, 姓名) values (?, ?)"),
                { QString::fromLatin1(number), QStringLiteral("学生") + QString::fromLatin1(number) }));
        auto defined = Exams::define(db(),
            { QStringLiteral("期中"), QStringLiteral("2026-11-01"), QStringLiteral("期中考试"), QString(),
                { { 0, 1 }, true, true } });
        QVERIFY(defined);
        m_test = defined->number;
    }

    QString stored(const QString& column, const QString& student)
    {
        auto row = db().select(
            QStringLiteral("select %1 from %2 where 学号=?").arg(column, Schema::scoreTableName(m_test)), { student });
        return row && !row->eof() ? row->text(0) : QStringLiteral("<none>");
    }
    // "学号 项目 原值→新值 用户", newest first.
    QStringList history(const QString& student = QString())
    {
        auto entries = ScoreHistory::list(db(), m_test, student);
        if (!entries)
            return { entries.error().description };
        QStringList out;
        for (const auto& e : *entries)
            out << QStringLiteral("%1 %2 %3→%4 %5").arg(e.student, e.column, e.before, e.after, e.user);
        return out;
    }

private Q_SLOTS:
    // Score entry, typed and saved with real keys: only the cell that changed.
    void scoreEntryRecordsWhatChanged()
    {
        ScoreHistory::setUser(QStringLiteral("王老师"));
        mod().SelNo = QString::number(m_test);
        TestFill fill;
        fill.load();
        fill.show();
        QVERIFY(QTest::qWaitForWindowActive(&fill));
        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(&fill, "Text1"));
        QTest::keyClicks(child<QLineEdit>(&fill, "Text1"), "88");
        QTest::mouseClick(child<QPushButton>(&fill, "BN_Save"), Qt::LeftButton);
        QCOMPARE(stored(QStringLiteral("语文"), QStringLiteral("01")), QStringLiteral("88"));
        QCOMPARE(history(), QStringList({ "01 语文 0→88 王老师" }));
        // Saving again unchanged records nothing more.
        QTest::mouseClick(child<QPushButton>(&fill, "BN_Save"), Qt::LeftButton);
        QCOMPARE(history().size(), 1);
        child<QPlainTextEdit>(&fill, "txtTeacher")->setFocus();
        // Chinese arrives as an input method commits it.
        QInputMethodEvent typed;
        typed.setCommitString(QStringLiteral("认真"));
        QApplication::sendEvent(child<QPlainTextEdit>(&fill, "txtTeacher"), &typed);
        QTest::keyClick(child<QLineEdit>(&fill, "txtDuty1"), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(child<QLineEdit>(&fill, "txtDuty1"), "2");
        QTest::mouseClick(child<QPushButton>(&fill, "BN_Save"), Qt::LeftButton);
        QVERIFY2(history().size() == 3, qPrintable(history().join(QLatin1Char('|'))));
        QCOMPARE(history(), QStringList({ "01 教师评语 →认真 王老师", "01 病假 0→2 王老师", "01 语文 0→88 王老师" }));
    }

    // The grid's save, an import included, writes one row per changed cell;
    // a save that is rolled back writes none.
    void gridSaveAndRollback()
    {
        ScoreTable table;
        auto test = Exams::fetch(db(), m_test);
        QVERIFY(test && *test);
        QVERIFY(table.load(db(), **test));
        // As read from a file: the header is the first row.
        const SheetTable sheet { QStringLiteral("成绩"), {},
            { { QStringLiteral("学号"), QStringLiteral("语文"), QStringLiteral("数学") },
                { QStringLiteral("01"), 90, 0 }, { QStringLiteral("02"), 75, QVariant() } } };
        QCOMPARE(table.importSheet(sheet).matched, 2);
        QVERIFY(db().exec(QStringLiteral("update %1 set 语文=5 where 学号='01'").arg(Schema::scoreTableName(m_test))));
        // 01's 语文 was changed by someone else meanwhile: the save is refused whole.
        QVERIFY(!table.save(db()));
        QVERIFY(history().isEmpty());
        QVERIFY(table.load(db(), **test));
        QCOMPARE(table.importSheet(sheet, true, true).matched, 2);
        QVERIFY(table.save(db()));
        QStringList got = history();
        got.sort();
        QCOMPARE(got, QStringList({ "01 语文 5→90 adm", "02 数学 0→ adm", "02 语文 0→75 adm" }));
    }

    // The administrator locks a test from its row, and unlocks it only with
    // the password typed again; printing report cards offers the lock.
    void lockingWindowAndReportCards()
    {
        mod().IsAdmin = true;
        mod().LoginUser = QStringLiteral("admin");
        TestLockDialog dialog;
        QVERIFY(dialog.fill());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* grid = child<ResultGrid>(&dialog, "grdTests");
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 1)).center());
        QTest::mouseClick(child<QPushButton>(&dialog, "BN_Lock"), Qt::LeftButton);
        QCOMPARE(grid->rowTexts(1).mid(3, 2), QStringList({ "已锁定", "adm" }));
        auto* password = child<QLineEdit>(&dialog, "txtPassword");
        QTest::keyClicks(password, "12345");
        QTest::keyClick(password, Qt::Key_Return);
        QCOMPARE(MessageService::lastText(), QStringLiteral("管理员密码不对，考试没有解锁。"));
        QCOMPARE(grid->text(1, 3), QStringLiteral("已锁定"));
        password->selectAll();
        QTest::keyClicks(password, "123456");
        QTest::mouseClick(child<QPushButton>(&dialog, "BN_Unlock"), Qt::LeftButton);
        QCOMPARE(grid->text(1, 3), QStringLiteral("未锁定"));

        // The cards saved as a PDF: asked, and locked on 是.
        ReportScore cards;
        QVERIFY(cards.load());
        cards.show();
        QTest::mouseClick(child<QPushButton>(&cards, "BN_Preview"), Qt::LeftButton);
        auto* view = cards.findChild<ReportPreview*>();
        QVERIFY(view);
        QTemporaryDir dir;
        FileDialogs::setNextFileName(dir.filePath(QStringLiteral("cards.pdf")));
        MessageService::setNextAnswer(MsgAnswer::Yes);
        view->findChild<QAction*>(QStringLiteral("ExportPdf"))->trigger();
        QCOMPARE(MessageService::lastText(), QStringLiteral("报告单已打印，是否锁定本次考试的成绩？"));
        const auto locks = TestLocks::list(db());
        QVERIFY(locks && locks->size() == 1 && locks->first().test == m_test);
        view->close();
        // An import into the locked test is refused before a file is chosen.
        mod().SelNo = QString::number(m_test);
        ScoreGrid sheet;
        QVERIFY(sheet.load());
        QVERIFY(!sheet.importFile());
        QCOMPARE(MessageService::lastText(), QStringLiteral("考试“期中”的成绩已锁定，如需修改请先解锁。"));
        // Nor can anything be typed there, to be lost at saving.
        QCOMPARE(
            child<QLabel>(&sheet, "lblStatus")->text(), QStringLiteral("考试“期中”的成绩已锁定，如需修改请先解锁。"));
        sheet.show();
        auto* cells = child<QTableView>(&sheet, "Grid");
        cells->setCurrentIndex(cells->model()->index(0, 1));
        QTest::keyClicks(cells, "77");
        QTest::keyClick(cells, Qt::Key_Return);
        QTest::keyClick(cells, Qt::Key_Up);
        QTest::keyClick(cells, Qt::Key_Delete);
        QCOMPARE(cells->model()->index(0, 1).data().toString(), QStringLiteral("0"));
    }

    // Put back an old value: it is recorded too; a cell changed since is left alone.
    void putBackAndDeletedTest()
    {
        mod().IsAdmin = true;
        ScoreTable table;
        auto test = Exams::fetch(db(), m_test);
        QVERIFY(table.load(db(), **test));
        table.edit({ { 0, 1, QStringLiteral("66") } });
        QVERIFY(table.save(db()));
        table.edit({ { 0, 1, QStringLiteral("67") } });
        QVERIFY(table.save(db()));

        ScoreHistoryView view(m_test, QStringLiteral("01"), QStringLiteral("数学"));
        QVERIFY(view.fill());
        QCOMPARE(child<QComboBox>(&view, "cboScope")->count(), 3);
        QCOMPARE(child<ResultGrid>(&view, "grdHistory")->rows(), 3);
        QCOMPARE(child<ResultGrid>(&view, "grdHistory")->text(1, 5), QStringLiteral("67"));
        child<ResultGrid>(&view, "grdHistory")->setCurrentRow(2); // 0 → 66
        MessageService::setNextAnswer(MsgAnswer::Yes);
        QTest::mouseClick(child<QPushButton>(&view, "BN_PutBack"), Qt::LeftButton);
        // 67 is there now, not the 66 that entry made: nothing happens.
        QVERIFY(!view.changedScores());
        QCOMPARE(stored(QStringLiteral("数学"), QStringLiteral("01")), QStringLiteral("67"));
        QVERIFY(MessageService::lastText().contains(QStringLiteral("没有恢复")));
        child<ResultGrid>(&view, "grdHistory")->setCurrentRow(1); // 66 → 67
        MessageService::setNextAnswer(MsgAnswer::Yes);
        QTest::mouseClick(child<QPushButton>(&view, "BN_PutBack"), Qt::LeftButton);
        QCOMPARE(stored(QStringLiteral("数学"), QStringLiteral("01")), QStringLiteral("66"));
        QVERIFY(view.changedScores());
        QCOMPARE(child<ResultGrid>(&view, "grdHistory")->rows(), 4);
        QCOMPARE(history().first(), QStringLiteral("01 数学 67→66 adm"));
        child<QComboBox>(&view, "cboScope")->setCurrentIndex(2);
        QCOMPARE(child<ResultGrid>(&view, "grdHistory")->rows(), 4);

        QVERIFY(Exams::remove(db(), m_test));
        auto kept = ScoreHistory::list(db(), m_test);
        QVERIFY(kept);
        QCOMPARE(kept->size(), 3);
        QVERIFY(kept->first().testDeleted);
        QCOMPARE(kept->first().testName, QStringLiteral("期中"));
        QVERIFY(!ScoreHistory::putBack(db(), kept->first()));
    }

    // A deleted test is kept with its scores for 30 days and comes back whole;
    // after that it is gone for good.
    void deletedTestComesBack()
    {
        QVERIFY(Exams::setFullMarks(db(), m_test, 1, 150));
        QVERIFY(db().exec(QStringLiteral("update %1 set 数学=140, 教师评语='好' where 学号='02'")
                              .arg(Schema::scoreTableName(m_test))));
        auto removed = Exams::remove(db(), m_test);
        QVERIFY(removed && *removed == Exams::Removal::Deleted);
        QVERIFY(!*db().tableExists(Schema::scoreTableName(m_test)));
        auto kept = Exams::deletedTests(db());
        QVERIFY(kept);
        QCOMPARE(kept->size(), 1);
        QCOMPARE(kept->first().test.name, QStringLiteral("期中"));
        QVERIFY(kept->first().scoresKept);
        QCOMPARE(kept->first().deletedBy, QStringLiteral("adm"));

        DeletedTests dialog;
        QVERIFY(dialog.fill());
        QCOMPARE(child<ResultGrid>(&dialog, "grdTests")->rows(), 2);
        QCOMPARE(child<ResultGrid>(&dialog, "grdTests")->text(1, 1), QStringLiteral("期中"));
        MessageService::setNextAnswer(MsgAnswer::Yes);
        QTest::mouseClick(child<QPushButton>(&dialog, "BN_Restore"), Qt::LeftButton);
        QVERIFY(dialog.restoredAny());
        QCOMPARE(child<ResultGrid>(&dialog, "grdTests")->rows(), 1);
        auto back = Exams::fetch(db(), m_test);
        QVERIFY(back && *back);
        QCOMPARE((*back)->items.subjects, QVector<int>({ 0, 1 }));
        QVERIFY((*back)->items.attendance && (*back)->items.comment);
        QCOMPARE((*back)->items.fullMarksOf(1), 150);
        QCOMPARE(stored(QStringLiteral("数学"), QStringLiteral("02")), QStringLiteral("140"));
        QCOMPARE(stored(QStringLiteral("教师评语"), QStringLiteral("02")), QStringLiteral("好"));
        QVERIFY(Exams::deletedTests(db())->isEmpty());
        QVERIFY(!Exams::restoreDeleted(db(), m_test));
        // The next test still takes a new number.
        auto next = Exams::nextNumber(db());
        QVERIFY(next && *next > m_test);

        QVERIFY(Exams::remove(db(), m_test));
        QVERIFY(db().exec(QStringLiteral("update velmora_deleted_tests set 删除时间=?"),
            { QDateTime::currentDateTime().addDays(-31).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) }));
        QVERIFY(Exams::deletedTests(db())->isEmpty());
        QVERIFY(!*db().tableExists(QStringLiteral("velmora_deleted_score%1").arg(m_test)));
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
