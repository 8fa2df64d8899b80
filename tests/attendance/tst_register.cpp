// 考勤登记 by the keys a teacher presses: codes and half days typed down a
// day's column, a wrong code held back, undo, clear, paste and Tab, and a
// month left with unsaved cells only when the teacher says so.
#include "app/MessageService.h"
#include "app/Module1.h"
#include "attendance/Attendance.h"
#include "attendance/SchoolCalendar.h"
#include "attendance/ui/AttendanceRegister.h"
#include "attendance/ui/AttendanceTotals.h"
#include "attendance/ui/StudentAttendance.h"
#include "attendance/ui/TermCalendar.h"
#include "exams/ScoreHistory.h"
#include "exams/ui/ScoreGrid.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ResultGrid.h"
#include "platform/ui/TablePages.h"
#include "platform/ui/WindowRequests.h"
#include "sheets/SheetReader.h"
#include "students/ui/StudentInfo.h"
#include "support/DbTestCase.h"
#include "support/Modal.h"
#include "support/Typing.h"
#include "support/Ui.h"

#include <QAbstractItemModelTester>
#include <QAbstractProxyModel>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace velmora;
using test::child;

namespace {

QDate oct(int day)
{
    return QDate(2026, 10, day);
}

} // namespace

class TestRegister : public velmora::test::DbTestCase
{
    Q_OBJECT

    void prepare() override
    {
        addStudents({ QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3") });
        for (int day : { 1, 2, 5, 6, 7 })
            QVERIFY(SchoolCalendar::setDay(db(), oct(day), false, QStringLiteral("国庆节")));
        QVERIFY(SchoolCalendar::setDay(db(), oct(10), true, QStringLiteral("调休")));
    }

    static ScoreView* cells(AttendanceRegister& window) { return child<ScoreView>(&window, "grdRegister"); }
    static void key(AttendanceRegister& window, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::keyClick(cells(window), k, m);
    }
    static QString cell(AttendanceRegister& window, int row, int column)
    {
        return cells(window)->model()->index(row, column).data().toString();
    }
    static void select(AttendanceRegister& window, int row, int column)
    {
        cells(window)->setCurrentIndex(cells(window)->model()->index(row, column));
    }
    void open(AttendanceRegister& window, const QDate& day)
    {
        auto* shown = qobject_cast<QAbstractProxyModel*>(cells(window)->model());
        QVERIFY(shown && shown->sourceModel());
        for (QAbstractItemModel* model : { static_cast<QAbstractItemModel*>(shown), shown->sourceModel() })
            new QAbstractItemModelTester(model, QAbstractItemModelTester::FailureReportingMode::QtTest, &window);
        QVERIFY(window.showSpan(day));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    // Each stored cell as 学号, day and kind, half days marked.
    QStringList stored()
    {
        auto rows
            = db().texts(QStringLiteral("select 学号 || ' ' || 日期 || ' ' || 类别 || 半天 from velmora_attendance "
                                        "order by 学号, 日期"));
        return rows ? *rows : QStringList { rows.error().description };
    }

private Q_SLOTS:
    void typeUndoPasteSave()
    {
        AttendanceRegister window(mod());
        open(window, oct(12));
        // Eighteen school days; the day asked for is the current column.
        QCOMPARE(cells(window)->model()->columnCount(), 18);
        QCOMPARE(cells(window)->currentIndex(), cells(window)->model()->index(0, 3));
        QCOMPARE(cells(window)->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("10/12\n一"));

        test::typeText(cells(window), QStringLiteral("病"));
        test::typeKeys(QStringLiteral("\n"));
        QCOMPARE(cells(window)->currentIndex().row(), 1);
        test::typeKeys(QStringLiteral("bh\nx\n"));
        QCOMPARE(cell(window, 0, 3), QStringLiteral("病"));
        QCOMPARE(cell(window, 1, 3), QStringLiteral("病半"));
        QCOMPARE(cell(window, 2, 3), QStringLiteral("x"));
        QVERIFY(child<QLabel>(&window, "lblStatus")->text().contains(QStringLiteral("1 格不是考勤代号")));
        // Two away that day, counted under the class.
        QCOMPARE(cell(window, 3, 3), QStringLiteral("2"));

        // A wrong code is not saved, and nothing else with it.
        MessageService::clearMessages();
        key(window, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(MessageService::lastText().contains(QStringLiteral("不是考勤代号")));
        QCOMPARE(stored(), QStringList());

        key(window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(cell(window, 2, 3), QString());
        select(window, 0, 3);
        key(window, Qt::Key_Delete);
        QCOMPARE(cell(window, 0, 3), QString());
        key(window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(cell(window, 0, 3), QStringLiteral("病"));

        QApplication::clipboard()->setText(QStringLiteral("迟\t早\r\n旷半\t\r\n"));
        select(window, 0, 4);
        key(window, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(cell(window, 0, 5), QStringLiteral("早"));
        QCOMPARE(cell(window, 1, 4), QStringLiteral("旷半"));
        // Tab takes the code and moves right.
        select(window, 2, 6);
        test::typeKeys(QStringLiteral("s"));
        key(window, Qt::Key_Tab);
        QCOMPARE(cell(window, 2, 6), QStringLiteral("事"));
        QCOMPARE(cells(window)->currentIndex(), cells(window)->model()->index(2, 7));

        key(window, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(stored(),
            (QStringList { QStringLiteral("1 2026-10-12 病假0"), QStringLiteral("1 2026-10-13 迟到0"),
                QStringLiteral("1 2026-10-14 早退0"), QStringLiteral("2 2026-10-12 病假1"),
                QStringLiteral("2 2026-10-13 旷课1"), QStringLiteral("3 2026-10-15 事假0") }));
        QVERIFY(!window.hasUnsavedChanges());

        // The month as a workbook: a column a day, then the totals of each kind.
        QTemporaryDir dir;
        const QString xlsx = dir.filePath(QStringLiteral("考勤.xlsx"));
        FileDialogs::setNextFileName(xlsx);
        MessageService::setNextAnswer(MsgAnswer::Yes);
        test::click(&window, "BN_Export");
        auto book = SheetReader::read(xlsx);
        QVERIFY2(book, qPrintable(book ? QString() : book.error().description));
        const QVector<QVector<QVariant>>& rows = book->front().rows;
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0].size(), 2 + 18 + 5);
        QCOMPARE(rows[0][5].toString(), QStringLiteral("12"));
        QStringList second;
        for (const QVariant& v : rows[2])
            second << v.toString();
        QCOMPARE(second.mid(5, 2), (QStringList { QStringLiteral("病半"), QStringLiteral("旷半") }));
        QCOMPARE(second.mid(20), (QStringList { "0.5", "0", "0.5", "0", "0" }));
    }

    // F2 on a sick leave: the illness and 就诊, kept with the code; the day's list for the school.
    void detailsAndTheDaysList()
    {
        AttendanceRegister window(mod());
        open(window, oct(12));
        test::typeText(cells(window), QStringLiteral("病"));
        test::typeKeys(QStringLiteral("\n"));
        select(window, 0, 3);
        test::whenModal<AbsenceDetails>([](AbsenceDetails* details) {
            auto* reason = child<QComboBox>(details, "cmbReason");
            test::retype(reason->lineEdit(), QStringLiteral("发热"));
            child<QCheckBox>(details, "chkDoctor")->click();
            test::click(details, "BN_OK");
        });
        key(window, Qt::Key_F2);
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        cells(window)->setFocus();
        QCOMPARE(
            cells(window)->model()->index(0, 3).data(Qt::ToolTipRole).toString(), QStringLiteral("病假；发热，已就诊"));
        // Typed over with the same kind, the reason stays; undone, it goes.
        test::typeText(cells(window), QStringLiteral("病"));
        test::typeKeys(QStringLiteral("h\n"));
        key(window, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(rowOf(QStringLiteral("select 类别, 半天, 原因, 就诊 from velmora_attendance")),
            (QStringList { QStringLiteral("病假"), QStringLiteral("1"), QStringLiteral("发热"), QStringLiteral("1") }));
        QCOMPARE(child<QLabel>(&window, "lblAway")->text(),
            QStringLiteral("10月12日缺勤 1 人：学生1 病假半天（发热，已就诊）"));
    }

    // A test's attendance columns from October's register: whole days, shown before they are saved.
    void testColumnsFromTheRegister()
    {
        const int test = defineTest({ 0 }, true);
        QVERIFY(test > 0);
        QVERIFY(Attendance::write(db(),
            { { QStringLiteral("1"), oct(12), Attendance::parse(QStringLiteral("病")) },
                { QStringLiteral("1"), oct(13), Attendance::parse(QStringLiteral("病半")) },
                { QStringLiteral("1"), oct(14), Attendance::parse(QStringLiteral("迟")) } }));
        mod().setSelNo(QString::number(test));
        ScoreGrid grid(mod());
        QVERIFY(grid.load());
        test::whenModal<QDialog>([](QDialog* span) {
            child<QDateEdit>(span, "txtFrom")->setDate(oct(1));
            child<QDateEdit>(span, "txtTo")->setDate(oct(31));
            test::click(span, "BN_OK");
        });
        test::click(&grid, "BN_FromRegister");
        QStringList row;
        for (int c = 1; c <= 5; ++c)
            row << grid.table().text(0, c);
        // 16.5 days there, 1.5 of sick leave: rounded half up.
        QCOMPARE(row, (QStringList { "17", "2", "0", "0", "1" }));
        QCOMPARE(grid.table().text(1, 1), QStringLiteral("18"));
        QCOMPARE(scoreOf(test, QStringLiteral("1"), QStringLiteral("病假")), QStringLiteral("0"));
        QVERIFY(grid.save());
        QCOMPARE(scoreOf(test, QStringLiteral("1"), QStringLiteral("病假")), QStringLiteral("2"));
        QCOMPARE(scoreOf(test, QStringLiteral("3"), QStringLiteral("出勤共")), QStringLiteral("18"));
    }

    void leavingTheMonth()
    {
        AttendanceRegister window(mod());
        open(window, oct(12));
        test::typeText(cells(window), QStringLiteral("旷"));
        test::typeKeys(QStringLiteral("\n"));
        auto* day = child<QDateEdit>(&window, "txtDay");
        // Esc on the question: the month stays, with the typed cell.
        MessageService::setNextAnswer(MsgAnswer::Cancel);
        day->setDate(QDate(2026, 11, 2));
        QCOMPARE(day->date(), oct(12));
        QCOMPARE(cell(window, 0, 3), QStringLiteral("旷"));
        // Yes saves it, then shows November.
        MessageService::setNextAnswer(MsgAnswer::Yes);
        day->setDate(QDate(2026, 11, 2));
        QCOMPARE(cells(window)->model()->columnCount(), 21);
        QCOMPARE(stored(), QStringList { QStringLiteral("1 2026-10-12 旷课0") });
        // A week from Monday to Friday, the make-up Saturday with it.
        child<QComboBox>(&window, "cmbSpan")->setCurrentIndex(1);
        day->setDate(oct(9));
        QCOMPARE(cells(window)->model()->columnCount(), 3);
    }

    // Terms and holidays as an administrator keeps them; the totals of a term chosen by name.
    void calendarAndTotals()
    {
        TermCalendar calendar(mod());
        QVERIFY(calendar.load());
        QCOMPARE(child<ResultGrid>(&calendar, "grdDays")->rows(), 7); // the header and the six days
        test::retype(child<QLineEdit>(&calendar, "txtTermName"), QStringLiteral("秋季学期"));
        child<QDateEdit>(&calendar, "txtFirst")->setDate(QDate(2026, 9, 1));
        child<QDateEdit>(&calendar, "txtLast")->setDate(QDate(2027, 1, 22));
        test::click(&calendar, "BN_SaveTerm");
        QCOMPARE(rowOf(QStringLiteral("select 名称, 开始, 结束 from velmora_school_terms")),
            (QStringList { QStringLiteral("秋季学期"), QStringLiteral("2026-09-01"), QStringLiteral("2027-01-22") }));
        // Another term over the same days is refused, with the one it meets named.
        MessageService::clearMessages();
        test::retype(child<QLineEdit>(&calendar, "txtTermName"), QStringLiteral("春季学期"));
        child<QDateEdit>(&calendar, "txtFirst")->setDate(QDate(2027, 1, 1));
        test::click(&calendar, "BN_SaveTerm");
        QVERIFY(MessageService::lastText().contains(QStringLiteral("秋季学期")));
        QCOMPARE(valueOf(QStringLiteral("select count(*) from velmora_school_terms")), QStringLiteral("1"));
        // A Saturday is no school day already; a Monday becomes a holiday.
        child<QDateEdit>(&calendar, "txtDay")->setDate(QDate(2026, 10, 17));
        test::click(&calendar, "BN_SetDay");
        QVERIFY(MessageService::lastText().contains(QStringLiteral("本来就不上课")));
        child<QDateEdit>(&calendar, "txtDay")->setDate(QDate(2026, 10, 19));
        test::retype(child<QLineEdit>(&calendar, "txtNote"), QStringLiteral("运动会"));
        test::click(&calendar, "BN_SetDay");
        QCOMPARE(rowOf(QStringLiteral("select 上课, 说明 from velmora_school_days where 日期='2026-10-19'")),
            (QStringList { QStringLiteral("0"), QStringLiteral("运动会") }));

        QVERIFY(
            Attendance::write(db(), { { QStringLiteral("2"), oct(12), Attendance::parse(QStringLiteral("事半")) } }));
        AttendanceTotals totals(mod());
        QVERIFY(totals.load());
        auto* term = child<QComboBox>(&totals, "cmbTerm");
        term->setCurrentIndex(0);
        QTest::keyClick(term, Qt::Key_Down);
        QCOMPARE(term->currentText(), QStringLiteral("秋季学期"));
        const ResultGrid* grid = child<ResultGrid>(&totals, "grdTotals");
        QCOMPARE(grid->rows(), 4);
        // September 1 to January 22: 104 weekdays, less five of the national holiday and the sports
        // day, and the make-up Saturday.
        QCOMPARE(grid->rowTexts(2).join(QLatin1Char(' ')), QStringLiteral("2 学生2 99 98.5 0 0.5 0 0 0"));
    }

    // From a student's record form: a day typed, a wrong code refused with
    // nothing written, then the day put back to present.
    void fromTheStudentsForm()
    {
        QVERIFY(SchoolCalendar::saveTerm(db(), { QStringLiteral("秋季学期"), oct(8), QDate(2026, 10, 30) }));
        StudentInfo form(mod());
        QVERIFY(form.prepareReadOnly(QStringLiteral("2")));
        QSignalSpy asked(&WindowRequests::instance(), &WindowRequests::attendanceRequested);
        QTest::mouseClick(child<QPushButton>(&form, "BN_Attendance"), Qt::LeftButton);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0][1].toString(), QStringLiteral("2"));
        QCOMPARE(asked[0][2].toString(), QStringLiteral("学生2"));

        StudentAttendance days(mod(), QStringLiteral("2"), QStringLiteral("学生2"));
        QVERIFY(days.load());
        days.show();
        QVERIFY(QTest::qWaitForWindowActive(&days));
        auto* date = child<QDateEdit>(&days, "txtDate");
        auto* code = child<QLineEdit>(&days, "txtCode");
        auto* totals = child<QLabel>(&days, "lblTotals");
        QVERIFY(totals->text().endsWith(QStringLiteral("上课 18 天，出勤 18 天")));
        date->setDate(oct(9));
        code->setFocus();
        test::typeText(code, QStringLiteral("病半"));
        QTest::keyClick(code, Qt::Key_Return);
        QCOMPARE(stored(), QStringList { QStringLiteral("2 2026-10-09 病假1") });
        // In the history, to be read; mended only in the register.
        auto changes = ScoreHistory::list(db(), ScoreHistory::kAttendance, QStringLiteral("2"), QString());
        QVERIFY(changes && changes->size() == 1);
        QVERIFY(!ScoreHistory::putBack(db(), changes->first()));
        QVERIFY(totals->text().endsWith(QStringLiteral("上课 18 天，出勤 17.5 天，病假 0.5 天")));
        QCOMPARE(child<ResultGrid>(&days, "grdEntries")->rowTexts(1).mid(0, 2),
            QStringList({ QStringLiteral("2026-10-09 星期五"), QStringLiteral("病半") }));

        date->setDate(oct(12));
        code->setFocus();
        test::typeText(code, QStringLiteral("x"));
        QTest::keyClick(code, Qt::Key_Return);
        QVERIFY(MessageService::lastText().contains(QStringLiteral("不是考勤代码")));
        QCOMPARE(stored().size(), 1);

        date->setDate(oct(9));
        QCOMPARE(code->text(), QStringLiteral("病半"));
        code->clear();
        QTest::keyClick(code, Qt::Key_Return);
        QVERIFY(stored().isEmpty());
    }

    // A month of a class of 45 and its count of the absent: two pages as a
    // list prints, one when the register asks for it.
    void theMonthOnOnePage_data()
    {
        QTest::addColumn<int>("fit");
        QTest::addColumn<int>("pages");
        QTest::newRow("as a list") << int(TablePages::Fit::Width) << 2;
        QTest::newRow("one page") << int(TablePages::Fit::OnePage) << 1;
    }

    void theMonthOnOnePage()
    {
        QFETCH(int, fit);
        QFETCH(int, pages);
        TablePages::Table month;
        month.headers << QStringLiteral("学号") << QStringLiteral("姓名");
        for (int day = 1; day <= 23; ++day)
            month.headers << QStringLiteral("12-%1\n周%2").arg(day, 2, 10, QLatin1Char('0')).arg(day % 5 + 1);
        for (int r = 0; r <= 45; ++r) {
            QStringList row { QString::number(2024000 + r), QStringLiteral("学生%1").arg(r) };
            for (int day = 1; day <= 23; ++day)
                row << ((r + day) % 11 == 0 ? QStringLiteral("病半") : QString());
            month.rows << row;
        }
        QTemporaryDir dir;
        int painted = 0;
        const QPageLayout landscape(
            QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
        QCOMPARE(PrintOut::writePdf(
                     dir.filePath(QStringLiteral("month.pdf")), landscape, QStringLiteral("考勤表"),
                     [&](QPagedPaintDevice* d, const PrintOut::Progress&) {
                         return TablePages::paint(d, QStringLiteral("2026年12月1日至12月31日 考勤表"),
                             { QStringLiteral("病 病假  事 事假  旷 旷课  迟 迟到  早 早退；“半”为半天。") }, { month },
                             {}, TablePages::Fit(fit));
                     },
                     {}, &painted),
            PrintOut::Outcome::Written);
        QCOMPARE(painted, pages);
    }
};

QTEST_MAIN(TestRegister)
#include "tst_register.moc"
