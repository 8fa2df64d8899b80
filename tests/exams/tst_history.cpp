// Every change to a score, an attendance count or a comment is recorded with
// its old and new value, who made it and when, in the change's own transaction;
// nobody changes what is locked or what they do not teach.
#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/Users.h"
#include "app/ui/MainForm.h"
#include "app/ui/User.h"
#include "classes/ClassSettings.h"
#include "classes/GradeBands.h"
#include "classes/StatsRules.h"
#include "data/Schema.h"
#include "data/ServerRoles.h"
#include "data/UserRights.h"
#include "exams/Questions.h"
#include "exams/ScoreHistory.h"
#include "exams/ScoreMarks.h"
#include "exams/ScoreSheet.h"
#include "exams/ScoreTable.h"
#include "exams/Slips.h"
#include "exams/TestLocks.h"
#include "exams/TestRecord.h"
#include "exams/ui/DeletedTests.h"
#include "exams/ui/ReportScore.h"
#include "exams/ui/ScoreGrid.h"
#include "exams/ui/ScoreImportDialog.h"
#include "exams/ui/TestFill.h"
#include "exams/ui/TestLockDialog.h"
#include "history/ui/ScoreHistoryView.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ReportPreview.h"
#include "platform/ui/ResultGrid.h"
#include "students/StudentRecord.h"
#include "support/DbTestCase.h"
#include "support/Files.h"
#include "support/Initdb.h"
#include "support/Modal.h"
#include "support/Typing.h"
#include "support/Ui.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using namespace velmora;
using velmora::test::child;
using velmora::test::whenModal;

namespace {
const QString kChinese = QStringLiteral("您只能修改所教科目（语文）的成绩。");
const QString kReadOnly = QStringLiteral("您是只读用户，只能查看、打印和导出，不能修改数据。");
} // namespace

class TestHistory : public velmora::test::DbTestCase
{
    Q_OBJECT

    int m_test = 0;

    void prepare() override
    {
        ScoreHistory::setUser(QStringLiteral("adm"));
        addStudents({ "01", "02" });
        m_test = defineTest({ 0, 1 }, true, true);
        QVERIFY(m_test > 0);
        // As a test of an older version stores them: 0 where nothing was typed.
        QVERIFY(db().exec(QStringLiteral("update %1 set 语文=0, 数学=0").arg(Schema::scoreTableName(m_test))));
    }

    // A student's values of these columns, as text.
    QStringList stored(const QString& columns, const QString& student = QStringLiteral("01"))
    {
        return rowOf(
            QStringLiteral("select %1 from %2 where 学号=?").arg(columns, Schema::scoreTableName(m_test)), { student });
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

    // What score entry shows of 02 before anyone typed: 语文 and 数学 0, no absence.
    static ScoreEntry shownOf02()
    {
        ScoreEntry entry;
        entry.student = QStringLiteral("02");
        entry.subjects[0] = entry.subjects[1] = QStringLiteral("0");
        entry.duties.fill(QStringLiteral("0"));
        return entry;
    }

    // Logs in as teacher, whose rights are these.
    void loginAsTeacher(const UserRights::Rights& rights)
    {
        QVERIFY(UserRights::store(db(), QStringLiteral("teacher"), rights));
        mod().setLogin(QStringLiteral("teacher"));
        QVERIFY(mod().CheckUser(QStringLiteral("teacher"), QStringLiteral("123456")));
        QVERIFY(!mod().IsAdmin());
        mod().setSelNo(QString::number(m_test));
    }

private Q_SLOTS:
    // Score entry, typed and saved with real keys: only the cell that changed.
    void scoreEntryRecordsWhatChanged()
    {
        ScoreHistory::setUser(QStringLiteral("王老师"));
        mod().setSelNo(QString::number(m_test));
        TestFill fill(mod());
        QVERIFY(test::showLoaded(fill));
        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(&fill, "Text1"));
        QTest::keyClicks(child<QLineEdit>(&fill, "Text1"), "88");
        test::click(&fill, "BN_Save");
        QCOMPARE(stored(QStringLiteral("语文"), QStringLiteral("01")), QStringList({ "88" }));
        QCOMPARE(history(), QStringList({ "01 语文 0→88 王老师" }));
        // Saving again unchanged records nothing more.
        test::click(&fill, "BN_Save");
        QCOMPARE(history().size(), 1);
        child<QPlainTextEdit>(&fill, "txtTeacher")->setFocus();
        test::commitText(QStringLiteral("认真"));
        QTest::keyClick(child<QLineEdit>(&fill, "txtDuty1"), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(child<QLineEdit>(&fill, "txtDuty1"), "2");
        test::click(&fill, "BN_Save");
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
            { { QStringLiteral("学号"), QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("总分") },
                { QStringLiteral("01"), 90, 0, 89.5 }, { QStringLiteral("02"), 75, QVariant(), 75 } } };
        QCOMPARE(table.importSheet(sheet).matched, 2);
        QVERIFY(db().exec(QStringLiteral("update %1 set 语文=5 where 学号='01'").arg(Schema::scoreTableName(m_test))));
        // 01's 语文 was changed by someone else meanwhile: the save is refused whole.
        QVERIFY(!table.save(db()));
        QVERIFY(history().isEmpty());
        QVERIFY(table.load(db(), **test));
        // The file's total, summed before a correction, is named; the grid shows the program's.
        QCOMPARE(table.importSheet(sheet, true, true).totalsDiffer,
            QStringList({ "01 学生01：成绩单总分 89.5，各科之和 90" }));
        QCOMPARE(table.data(table.index(0, table.itemColumns()), Qt::DisplayRole).toString(), QStringLiteral("90"));
        QVERIFY(table.save(db()));
        QStringList got = history();
        got.sort();
        QCOMPARE(got, QStringList({ "01 语文 5→90 adm", "02 数学 0→ adm", "02 语文 0→75 adm" }));
        // A mark another program planted beside a score is written over, not a duplicate key.
        QVERIFY(ScoreMarks::write(
            db(), m_test, { { QStringLiteral("02"), QStringLiteral("语文"), {}, ScoreMarks::kCheated } }));
        table.edit({ { 1, 0, ScoreMarks::kAbsent } });
        QVERIFY(table.save(db()));
    }

    // The administrator locks a test from its row, and unlocks it only with
    // the password typed again; printing report cards offers the lock.
    void lockingWindowAndReportCards()
    {
        mod().setAdmin(true);
        mod().setLogin(QStringLiteral("admin"));
        TestLockDialog dialog(mod());
        QVERIFY(dialog.fill());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* grid = child<ResultGrid>(&dialog, "grdTests");
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 1)).center());
        test::click(&dialog, "BN_Lock");
        QCOMPARE(grid->rowTexts(1).mid(3, 2), QStringList({ "已锁定", "adm" }));
        auto* password = child<QLineEdit>(&dialog, "txtPassword");
        QTest::keyClicks(password, "12345");
        QTest::keyClick(password, Qt::Key_Return);
        QCOMPARE(MessageService::lastText(), QStringLiteral("管理员密码不对，考试没有解锁。"));
        QCOMPARE(grid->text(1, 3), QStringLiteral("已锁定"));
        password->selectAll();
        QTest::keyClicks(password, "123456");
        test::click(&dialog, "BN_Unlock");
        QCOMPARE(grid->text(1, 3), QStringLiteral("未锁定"));

        // The cards saved as a PDF: asked, and locked on 是.
        ReportScore cards(mod());
        QVERIFY(cards.load());
        cards.show();
        test::click(&cards, "BN_Preview");
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
        mod().setSelNo(QString::number(m_test));
        ScoreGrid sheet(mod());
        QVERIFY(sheet.load());
        QVERIFY(!sheet.importFile());
        const QString locked = QStringLiteral("考试“期中”的成绩已锁定，如需修改请先解锁。");
        QCOMPARE(MessageService::lastText(), locked);
        // Nor can anything be typed there, to be lost at saving.
        QCOMPARE(child<QLabel>(&sheet, "lblStatus")->text(), locked);
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
        mod().setAdmin(true);
        ScoreTable table;
        auto test = Exams::fetch(db(), m_test);
        QVERIFY(table.load(db(), **test));
        table.edit({ { 0, 1, QStringLiteral("66") } });
        QVERIFY(table.save(db()));
        table.edit({ { 0, 1, QStringLiteral("67") } });
        QVERIFY(table.save(db()));

        ScoreHistoryView view(mod(), m_test, QStringLiteral("01"), QStringLiteral("数学"));
        QVERIFY(view.fill());
        QCOMPARE(child<QComboBox>(&view, "cboScope")->count(), 3);
        QCOMPARE(child<ResultGrid>(&view, "grdHistory")->rows(), 3);
        QCOMPARE(child<ResultGrid>(&view, "grdHistory")->text(1, 5), QStringLiteral("67"));
        child<ResultGrid>(&view, "grdHistory")->setCurrentRow(2); // 0 → 66
        MessageService::setNextAnswer(MsgAnswer::Yes);
        test::click(&view, "BN_PutBack");
        // 67 is there now, not the 66 that entry made: nothing happens.
        QVERIFY(!view.changedScores());
        QCOMPARE(stored(QStringLiteral("数学"), QStringLiteral("01")), QStringList({ "67" }));
        QVERIFY(MessageService::lastText().contains(QStringLiteral("没有恢复")));
        child<ResultGrid>(&view, "grdHistory")->setCurrentRow(1); // 66 → 67
        MessageService::setNextAnswer(MsgAnswer::Yes);
        test::click(&view, "BN_PutBack");
        QCOMPARE(stored(QStringLiteral("数学"), QStringLiteral("01")), QStringList({ "66" }));
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
        setScores(m_test, QStringLiteral("02"), QStringLiteral("数学=140, 教师评语='好'"), {});
        auto removed = Exams::remove(db(), m_test);
        QVERIFY(removed && *removed == Exams::Removal::Deleted);
        QVERIFY(!*db().tableExists(Schema::scoreTableName(m_test)));
        auto kept = Exams::deletedTests(db());
        QVERIFY(kept);
        QCOMPARE(kept->size(), 1);
        QCOMPARE(kept->first().test.name, QStringLiteral("期中"));
        QVERIFY(kept->first().scoresKept);
        QCOMPARE(kept->first().deletedBy, QStringLiteral("adm"));

        DeletedTests dialog(mod());
        QVERIFY(dialog.fill());
        QCOMPARE(child<ResultGrid>(&dialog, "grdTests")->rows(), 2);
        QCOMPARE(child<ResultGrid>(&dialog, "grdTests")->text(1, 1), QStringLiteral("期中"));
        MessageService::setNextAnswer(MsgAnswer::Yes);
        test::click(&dialog, "BN_Restore");
        QVERIFY(dialog.restoredAny());
        QCOMPARE(child<ResultGrid>(&dialog, "grdTests")->rows(), 1);
        auto back = Exams::fetch(db(), m_test);
        QVERIFY(back && *back);
        QCOMPARE((*back)->items.subjects, QVector<int>({ 0, 1 }));
        QVERIFY((*back)->items.attendance && (*back)->items.comment);
        QCOMPARE((*back)->items.fullMarksOf(1), 150);
        QCOMPARE(stored(QStringLiteral("数学, 教师评语"), QStringLiteral("02")), QStringList({ "140", "好" }));
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

    // Every way a score is written asks the core, whatever the window let
    // through: a locked test, a subject teacher, a read-only user.
    void coreRefusesEveryWayIn_data()
    {
        QTest::addColumn<int>("who"); // 0 locks the test; 1 teaches 语文; 2 only reads
        QTest::addColumn<QString>("why");
        QTest::newRow("locked") << 0 << QStringLiteral("考试“期中”的成绩已锁定，如需修改请先解锁。");
        QTest::newRow("语文 teacher") << 1 << kChinese;
        QTest::newRow("read-only") << 2 << kReadOnly;
    }
    void coreRefusesEveryWayIn()
    {
        QFETCH(int, who);
        QFETCH(QString, why);
        auto test = Exams::fetch(db(), m_test);
        QVERIFY(test && *test);
        // Read while open to all, as a window opened before the lock or the rights.
        ScoreTable table;
        QVERIFY(table.load(db(), **test));
        table.edit({ { 0, 1, QStringLiteral("66") } });
        QVERIFY(table.save(db()));
        const auto made = ScoreHistory::list(db(), m_test);
        QVERIFY(made && made->size() == 1);
        if (who == 0) {
            QVERIFY(TestLocks::lock(db(), m_test));
            QVERIFY(TestLocks::lock(db(), m_test)); // twice is once
        } else {
            UserRights::setCurrent({ who == 1 ? QStringList { QStringLiteral("语文") } : QStringList(), who == 2 });
        }

        const ScoreEntry entry = shownOf02();
        ScoreEntry typed = entry;
        typed.subjects[1] = QStringLiteral("70");
        const QVector<std::pair<QString, std::function<Status()>>> writes {
            { QStringLiteral("entry"), [&] { return Scores::save(db(), m_test, (*test)->items, typed, entry); } },
            { QStringLiteral("grid"),
                [&] {
                    table.edit({ { 1, 1, QStringLiteral("70") } });
                    return table.save(db());
                } },
            { QStringLiteral("full marks"), [&] { return Exams::setFullMarks(db(), m_test, 1, 120); } },
            { QStringLiteral("deletion"),
                [&]() -> Status {
                    auto gone = Exams::remove(db(), m_test);
                    return gone ? Status(Done {}) : Status(gone.error());
                } },
            { QStringLiteral("put back"), [&] { return ScoreHistory::putBack(db(), made->first()); } },
            { QStringLiteral("students added"), [&] { return Scores::addMissingStudents(db(), m_test); } },
            { QStringLiteral("question"),
                [&] { return Questions::setFullMarks(db(), m_test, QStringLiteral("1"), 3); } },
        };
        for (const auto& [way, write] : writes) {
            const Status done = write();
            QVERIFY2(!done, qPrintable(way));
            QCOMPARE(done.error().description, why);
        }
        QCOMPARE(scoresOf(m_test, QStringLiteral("数学")), QStringList({ "66", "0" }));
        QVERIFY(Exams::fetch(db(), m_test)->has_value());
        // What the class's administrators alone change is refused to anyone else in the core.
        if (who != 0) {
            UserRights::setAdministrator(false);
            const auto student = Students::fetch(db(), QStringLiteral("02"));
            QVERIFY(student && *student);
            const QVector<std::function<Status()>> adminOnly { [&] { return TestLocks::unlock(db(), m_test); },
                [&] { return UserRights::store(db(), QStringLiteral("teacher"), {}); },
                [&] { return Students::update(db(), **student, std::nullopt); },
                [&]() -> Status {
                    auto defined = Exams::define(db(), { QStringLiteral("新"), {}, {}, {}, {} });
                    return defined ? Status(Done {}) : Status(defined.error());
                },
                [&] { return StatsRules {}.save(db()); }, [&] { return GradeBands {}.save(db()); },
                [&] { return ClassSettings::load(db())->save(db()); } };
            for (const auto& write : adminOnly) {
                const Status done = write();
                QVERIFY(!done && done.error().description.startsWith(QStringLiteral("只有管理员才能")));
            }
            UserRights::setAdministrator(true);
        }

        // The subject taught goes in; nothing does for the others.
        typed = entry;
        typed.subjects[0] = QStringLiteral("91");
        QCOMPARE(bool(Scores::save(db(), m_test, (*test)->items, typed, entry)), who == 1);
        QCOMPARE(stored(QStringLiteral("语文"), QStringLiteral("02")).value(0), who == 1 ? "91" : QStringLiteral("0"));
        if (who != 0)
            return;
        // Unlocked, the grid's save goes in; lock and unlock are in the history.
        QVERIFY(TestLocks::unlock(db(), m_test));
        QVERIFY(table.save(db()));
        QCOMPARE(stored(QStringLiteral("数学"), QStringLiteral("02")), QStringList({ "70" }));
        auto history = ScoreHistory::list(db(), m_test);
        QVERIFY(history && history->size() == 4);
        QCOMPARE(QStringList({ history->at(1).after, history->at(2).after, history->at(2).user }),
            QStringList({ "未锁定", "已锁定", "adm" }));
    }

    // 权限设置: the subjects and 只读 of an ordinary user, kept and shown again.
    void rightsWindow()
    {
        User window(mod());
        QVERIFY(test::showLoaded(window, false));
        auto* users = child<QComboBox>(&window, "User");
        test::choose(users, QStringLiteral("admin"));
        QVERIFY(!child<QGroupBox>(&window, "fraSubjects")->isEnabled());
        test::choose(users, QStringLiteral("teacher"));
        QVERIFY(child<QGroupBox>(&window, "fraSubjects")->isEnabled());
        test::tick(&window, "chkSubject0");
        test::tick(&window, "chkSubject1");
        test::click(&window, "Command1");
        QCOMPARE(MessageService::lastText(), QStringLiteral("用户 teacher 已经更改为User（任教科目：语文、数学）"));
        QCOMPARE(rowOf(QStringLiteral("select 科目, 只读 from velmora_user_rights where UserName='teacher'")),
            QStringList({ "语文,数学", "0" }));

        test::choose(users, QStringLiteral("admin"));
        QVERIFY(!child<QCheckBox>(&window, "chkSubject0")->isChecked());
        test::choose(users, QStringLiteral("teacher"));
        QVERIFY(child<QCheckBox>(&window, "chkSubject1")->isChecked());
        test::tick(&window, "chkReadOnly");
        QVERIFY(!child<QGroupBox>(&window, "fraSubjects")->isEnabled());
        test::click(&window, "Command1");
        QCOMPARE(MessageService::lastText(), QStringLiteral("用户 teacher 已经更改为User（只读）"));
        QCOMPARE(rowOf(QStringLiteral("select 科目, 只读 from velmora_user_rights where UserName='teacher'")),
            QStringList({ "", "1" }));
        // Made an administrator, the limits go.
        test::click(&window, "Option1");
        test::click(&window, "Command1");
        QVERIFY(rowOf(QStringLiteral("select 只读 from velmora_user_rights")).isEmpty());
    }

    // A subject teacher's windows: other subjects grey and untouched by
    // typing, an import's other columns refused by name.
    void subjectTeacherWindows()
    {
        loginAsTeacher({ { QStringLiteral("语文") }, false });
        ScoreGrid sheet(mod());
        QVERIFY(test::showLoaded(sheet));
        auto* cells = child<QTableView>(&sheet, "Grid");
        cells->setCurrentIndex(cells->model()->index(0, 1));
        test::typeKeys(QStringLiteral("77\n"));
        cells->setCurrentIndex(cells->model()->index(0, 0));
        test::typeKeys(QStringLiteral("88\n"));
        QVERIFY(child<QLabel>(&sheet, "lblStatus")->text().endsWith(QStringLiteral("灰色列只能查看：") + kChinese));
        test::click(&sheet, "BN_Save");
        QCOMPARE(stored(QStringLiteral("语文, 数学")), QStringList({ "88", "0" }));

        // An export's other columns are refused each by name; the subject taught comes in.
        QTemporaryDir dir;
        const QString csv = dir.filePath(QStringLiteral("期中.csv"));
        QVERIFY(test::writeFile(csv, QStringLiteral("学号,语文,数学,总分\r\n02,90,80,170\r\n").toUtf8()));
        whenModal<ScoreImportDialog>([](ScoreImportDialog* preview) { test::click(preview, "BN_Import"); });
        FileDialogs::setNextFileName(csv);
        QVERIFY(sheet.importFile());
        QVERIFY2(MessageService::lastText().endsWith(QStringLiteral("数学、总分 没有导入：") + kChinese),
            qPrintable(MessageService::lastText()));
        QCOMPARE(cells->model()->index(1, 0).data().toString(), QStringLiteral("90"));
        QCOMPARE(cells->model()->index(1, 1).data().toString(), QStringLiteral("0"));

        TestFill fill(mod());
        QVERIFY(test::showLoaded(fill));
        QVERIFY(child<QLineEdit>(&fill, "Text2")->isReadOnly());
        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(&fill, "Text1"));
        QTest::keyClicks(child<QLineEdit>(&fill, "Text2"), "5");
        QTest::keyClicks(child<QLineEdit>(&fill, "Text1"), "95");
        // Tab passes over the boxes that only show.
        QTest::keyClick(child<QLineEdit>(&fill, "Text1"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("BN_First"));
        test::click(&fill, "BN_Save");
        QCOMPARE(stored(QStringLiteral("语文, 数学")), QStringList({ "95", "0" }));
        // The next student's boxes are as closed.
        test::click(&fill, "BN_Next");
        QVERIFY(child<QLineEdit>(&fill, "Text2")->isReadOnly() && !child<QLineEdit>(&fill, "Text1")->isReadOnly());
    }

    // Score entry only shows, with why, for a read-only user and on a locked test.
    void entryOnlyShows_data()
    {
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QString>("why");
        QTest::newRow("read-only") << false << QStringLiteral("灰色的格只能查看：") + kReadOnly;
        QTest::newRow("locked") << true << QStringLiteral("考试“期中”的成绩已锁定，如需修改请先解锁。本窗口只能查看。");
    }
    void entryOnlyShows()
    {
        QFETCH(bool, locked);
        QFETCH(QString, why);
        if (locked) {
            QVERIFY(TestLocks::lock(db(), m_test));
            mod().setSelNo(QString::number(m_test));
        } else {
            loginAsTeacher({ {}, true });
            // The connection itself refuses, beyond the scores; the own password still changes.
            const Status rules = Slips::saveTemplate(mod().Conn(), Slips::defaultTemplate());
            QVERIFY(!rules);
            QCOMPARE(rules.error().description, kReadOnly);
            QVERIFY(Users::setPassword(mod().Conn(), QStringLiteral("teacher"), QStringLiteral("654321")));
        }
        TestFill fill(mod());
        QVERIFY(test::showLoaded(fill, false));
        QCOMPARE(child<QLabel>(&fill, "lblReadOnly")->text(), why);
        QVERIFY(child<QLabel>(&fill, "lblReadOnly")->isVisible());
        QVERIFY(!child<QPushButton>(&fill, "BN_Save")->isEnabled());
        QVERIFY(!child<QPushButton>(&fill, "BN_Comment")->isEnabled());
        QTest::keyClicks(child<QLineEdit>(&fill, "Text1"), "5");
        QCOMPARE(child<QLineEdit>(&fill, "Text1")->text(), QStringLiteral("0"));
    }

    // On a server a teacher's own role is held to its subjects by the server,
    // even outside this program; a locked test loses UPDATE for it.
    void serverHoldsARoleToItsSubjects()
    {
        if (!ServerRoles::supported(db()))
            QSKIP("the embedded file has no roles");
        // A name only quoting keeps whole: a quote, a semicolon, a placeholder.
        const QString role = QStringLiteral("v\"; %1_") + QString::number(QCoreApplication::applicationPid());
        const QString quoted
            = QLatin1Char('"') + QString(role).replace(u'"', QStringLiteral("\"\"")) + QLatin1Char('"');
        QVERIFY(db().exec(QStringLiteral("CREATE ROLE ") + quoted + QStringLiteral(" LOGIN PASSWORD 'pw'")));
        const auto dropRole = qScopeGuard([&] {
            (void)db().exec(QStringLiteral("DROP OWNED BY ") + quoted);
            (void)db().exec(QStringLiteral("DROP ROLE ") + quoted);
        });
        const ConnectionSettings owner = m_db->settings();
        QByteArray said;
        const QStringList grant { QStringLiteral("-s"), owner.server, QStringLiteral("-d"), owner.database,
            QStringLiteral("-u"), owner.user, QStringLiteral("--grant-teacher"), role, QStringLiteral("--subjects"),
            QStringLiteral("语文") };
        QVERIFY2(test::initdb(grant, owner.password, {}, &said) == 0, said.constData());
        const Status owned = UserRights::store(db(), owner.user, { { QStringLiteral("语文") }, false });
        QVERIFY(!owned && owned.error().description.contains(QStringLiteral("不能限制它的权限")));
        // Nor a role that inherits the owner's rights: it would keep them, whatever it was told.
        const QString member = QStringLiteral("member_%1").arg(QCoreApplication::applicationPid());
        QVERIFY(db().exec(QStringLiteral("CREATE ROLE %1 IN ROLE %2").arg(member, owner.user)));
        const Status inherits = UserRights::store(db(), member, { { QStringLiteral("语文") }, false });
        (void)db().exec(QStringLiteral("DROP ROLE ") + member);
        QVERIFY(!inherits && inherits.error().description.contains(QStringLiteral("的成员，继承了它的全部权限")));
        QVERIFY(
            rowOf(QStringLiteral("select 只读 from velmora_user_rights where UserName=?"), { owner.user }).isEmpty());
        // A test defined later is the role's too.
        const int later = defineTest({ 0, 1 });
        QVERIFY(later > 0);

        Database teacher;
        QVERIFY(teacher.open({ owner.server, owner.database, role, QStringLiteral("pw"), QString() }));
        const auto update = [&](int test, const char* column) {
            return bool(teacher.exec(QStringLiteral("update %1 set %2=1 where 学号='01'")
                                         .arg(Schema::scoreTableName(test), QString::fromUtf8(column))));
        };
        for (int test : { m_test, later }) {
            QVERIFY(!update(test, "数学"));
            QVERIFY(update(test, "语文"));
        }
        QVERIFY(!teacher.select(QStringLiteral("select * from velmora_passwords")));
        // The program's own saves, with their lock, marks and history, go through as the role.
        UserRights::setCurrent({ { QStringLiteral("语文") }, false });
        ScoreHistory::setUser(role);
        ScoreTable table;
        QVERIFY(table.load(teacher, **Exams::fetch(db(), m_test)));
        table.edit({ { 1, 0, QStringLiteral("缺考") } });
        Status saved = table.save(teacher);
        QVERIFY2(saved, qPrintable(saved ? QString() : saved.error().description));
        ScoreEntry shown = shownOf02();
        shown.subjects[0].clear();
        shown.marks[0] = QStringLiteral("缺考");
        ScoreEntry typed = shown;
        typed.subjects[0] = QStringLiteral("87");
        saved = Scores::save(teacher, m_test, (*Exams::fetch(db(), m_test))->items, typed, shown);
        QVERIFY2(saved, qPrintable(saved ? QString() : saved.error().description));
        QCOMPARE(stored(QStringLiteral("语文"), QStringLiteral("02")), QStringList({ "87" }));
        // With psql it writes no mark or history row of another subject, nor in another's name, nor removes one.
        const auto attack = [&](const char* sql) { return bool(teacher.exec(QString::fromUtf8(sql), { m_test })); };
        QVERIFY(!attack("insert into velmora_score_marks (考试号, 学号, 项目, 标记) values (?, '01', '数学', '作弊')"));
        QVERIFY(!attack("insert into velmora_score_history (考试号, 学号, 项目, 原值, 新值, 用户, 时间) "
                        "values (?, '01', '语文', '1', '2', 'adm', '')"));
        QVERIFY(ScoreMarks::write(
            db(), m_test, { { QStringLiteral("01"), QStringLiteral("数学"), {}, ScoreMarks::kAbsent } }));
        QVERIFY(attack("delete from velmora_score_marks where 考试号=? and 项目='数学'"));
        QCOMPARE(*ScoreMarks::of(db(), m_test, QStringLiteral("01"), QStringLiteral("数学")), ScoreMarks::kAbsent);
        ScoreHistory::setUser(QStringLiteral("adm"));

        QVERIFY(TestLocks::lock(db(), m_test));
        QVERIFY(!update(m_test, "语文"));
        QVERIFY(!attack("insert into velmora_score_marks (考试号, 学号, 项目, 标记) values (?, '01', '语文', '作弊')"));
        // A grant made meanwhile leaves the locked test alone.
        QVERIFY2(test::initdb(grant, owner.password, {}, &said) == 0, said.constData());
        QVERIFY(!update(m_test, "语文"));
        QVERIFY(update(later, "语文"));
        QVERIFY(TestLocks::unlock(db(), m_test));
        QVERIFY(update(m_test, "语文"));

        // 权限设置 takes a role's name as typed and makes it read-only on the server too.
        {
            User window(mod());
            QVERIFY(test::showLoaded(window, false));
            auto* name = child<QComboBox>(&window, "User");
            QCOMPARE(name->findText(role), name->count() - 1);
            test::choose(name, role);
            QVERIFY(child<QRadioButton>(&window, "Option2")->isChecked());
            test::tick(&window, "chkReadOnly");
            test::click(&window, "Command1");
            QCOMPARE(MessageService::lastText(), QStringLiteral("服务器角色 %1 已经更改为User（只读）").arg(role));
        }
        QVERIFY(!update(m_test, "语文"));
        QVERIFY(teacher.select(QStringLiteral("select 语文 from %1").arg(Schema::scoreTableName(m_test))));
        // Its subjects cleared, the server lets it read alone; logged in with
        // the role, the program is that teacher's, and reads what it shows.
        QVERIFY(UserRights::store(db(), role, {}));
        mod().setLogin(role);
        QVERIFY(mod().ConnectDb(owner.server, owner.database, role, QStringLiteral("pw")));
        auto rights = mod().adoptRights(role);
        QVERIFY(rights && rights->readOnly);
        MessageService::clearMessages();
        MainForm form(mod());
        form.load();
        mod().setSelNo(QString::number(m_test));
        TestFill fill(mod());
        fill.load();
        QCOMPARE(MessageService::texts(), QStringList());
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
