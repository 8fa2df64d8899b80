// The term report book: each student's page against a hand count (bands,
// attendance over a month with a holiday and a make-up day, the conduct
// grade, the comment), read back from the PDF; who may write it; the window
// by keys.
#include "app/MessageService.h"
#include "app/Module1.h"
#include "attendance/Attendance.h"
#include "conduct/Conduct.h"
#include "data/UserRights.h"
#include "history/History.h"
#include "reportbook/TermBook.h"
#include "reportbook/ui/BookPrint.h"
#include "reportbook/ui/ReportBook.h"
#include "support/DbTestCase.h"
#include "support/Modal.h"
#include "support/Pdf.h"
#include "support/Typing.h"
#include "support/Ui.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QtTest>

using namespace velmora;
using namespace velmora::test;

namespace {

const SchoolCalendar::Term kTerm { QStringLiteral("2026-2027学年第一学期"), QDate(2026, 12, 1), QDate(2026, 12, 31) };

Attendance::Change absence(const char* student, int day, const char* code)
{
    return { QString::fromUtf8(student), QDate(2026, 12, day), Attendance::parse(QString::fromUtf8(code)) };
}

} // namespace

class TestReportBook : public DbTestCase
{
    Q_OBJECT

    int m_test = 0;

    void prepare() override { addStudents({ QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3") }); }

    // December 2026 has 23 weekdays; Christmas Day is a holiday and Saturday
    // the 26th a make-up day: 23 school days still.
    void term()
    {
        QVERIFY(db().exec(QStringLiteral("update tblClass set 班级名称=?, 班主任=?"),
            { QStringLiteral("初一(3)班"), QStringLiteral("王老师") }));
        QVERIFY(SchoolCalendar::saveTerm(db(), kTerm));
        QVERIFY(SchoolCalendar::setDay(db(), QDate(2026, 12, 25), false, QStringLiteral("放假")));
        QVERIFY(SchoolCalendar::setDay(db(), QDate(2026, 12, 26), true, QStringLiteral("调休")));
        m_test = defineTest({ 0, 1 }, false, true, QStringLiteral("期末考试"));
        const QVariant chinese[] = { 95, 85, 60 };
        const QVariant maths[] = { 79, QVariant(), 59 };
        for (int i = 0; i < 3; ++i)
            setScores(m_test, QString::number(i + 1), QStringLiteral("语文=?, 数学=?, 教师评语=?"),
                { chinese[i], maths[i], QStringLiteral("考试评语%1").arg(i + 1) });
        QVERIFY(Attendance::write(db(),
            { absence("1", 2, "病"), absence("1", 3, "事半"), absence("1", 4, "迟"), absence("1", 26, "旷半"),
                absence("3", 31, "早") }));
        QVERIFY(Conduct::add(db(), { QStringLiteral("1") }, QDate(2026, 12, 8), QStringLiteral("纪律"), 5, {}));
        QVERIFY(Conduct::add(db(), { QStringLiteral("3") }, QDate(2026, 12, 9), QStringLiteral("卫生"), -25, {}));
        QVERIFY(
            Conduct::setGrade(db(), QStringLiteral("2"), kTerm.name, QStringLiteral("优"), QStringLiteral("期末表彰")));
        const Status w = TermBook::saveWords(db(), kTerm.name, QStringLiteral("1"),
            { QStringLiteral("学习认真，乐于助人。"), QStringLiteral("三好学生\n学习委员") });
        QVERIFY2(w, qPrintable(w ? QString() : w.error().description));
        QVERIFY(TermBook::saveNotice(
            db(), kTerm.name, { QStringLiteral("实验中学"), QStringLiteral("寒假自1月23日起，2月20日报到。") }));
    }

    TermBook::Book book(bool scores)
    {
        auto made = TermBook::make(db(), { kTerm, m_test, {}, scores });
        if (!made)
            qWarning() << made.error().description;
        return made ? *made : TermBook::Book {};
    }

private Q_SLOTS:
    void initTestCase() { QApplication::setFont(PrintOut::sans(10)); }

    void eachPageAsCountedByHand()
    {
        term();
        const TermBook::Book b = book(false);
        QCOMPARE(b.pages.size(), 3);
        QCOMPARE(b.className, QStringLiteral("初一(3)班"));
        QCOMPARE(b.school, QStringLiteral("实验中学"));
        QStringList cells;
        for (const TermBook::Page& p : b.pages) {
            for (const Slips::Item& i : p.subjects)
                cells << i.name + QLatin1Char('=') + i.cell(b.shown);
        }
        QCOMPARE(cells, QStringList({ "语文=优秀", "数学=合格", "语文=良好", "数学=—", "语文=合格", "数学=待合格" }));
        // 1: 病 a day, 事 half, 旷 half on the make-up day; 迟 once.
        QCOMPARE(Attendance::summary(b.pages[0].attendance),
            QStringLiteral("上课 23 天，出勤 21 天，病假 1 天，事假 0.5 天，旷课 0.5 天，迟到 1 次"));
        QCOMPARE(Attendance::summary(b.pages[1].attendance), QStringLiteral("上课 23 天，出勤 23 天"));
        QCOMPARE(Attendance::summary(b.pages[2].attendance), QStringLiteral("上课 23 天，出勤 23 天，早退 1 次"));
        QCOMPARE(b.pages[0].conduct.grade, QStringLiteral("良"));
        QCOMPARE(b.pages[1].conduct.grade, QStringLiteral("优"));
        QVERIFY(b.pages[1].conduct.byHand);
        QCOMPARE(b.pages[2].conduct.grade, QStringLiteral("差"));
        QCOMPARE(b.pages[0].words.honours, QStringLiteral("三好学生\n学习委员"));
    }

    // What goes home, as a reader copies it: bands and no score unless
    // asked, never a rank, no other child's anything.
    void readBackFromThePdf_data()
    {
        QTest::addColumn<bool>("scores");
        QTest::addColumn<int>("paper");
        QTest::addColumn<int>("pages");
        QTest::newRow("A4, bands") << false << int(CardPrint::Paper::A4) << 3;
        QTest::newRow("A5, with scores") << true << int(CardPrint::Paper::A5) << 2;
    }

    void readBackFromThePdf()
    {
        QFETCH(bool, scores);
        QFETCH(int, paper);
        QFETCH(int, pages);
        if (!canReadPdf())
            QSKIP("pdftotext is not installed");
        term();
        const TermBook::Book b = book(scores);
        const QString path = m_db->dir() + QStringLiteral("/book.pdf");
        int painted = 0;
        QCOMPARE(PrintOut::writePdf(
                     path, CardPrint::pageLayout(CardPrint::Paper(paper)), QStringLiteral("book"),
                     [&](QPagedPaintDevice* d, const PrintOut::Progress&) {
                         return BookPrint::paint(d, b, { 0, 1, 2 }, CardPrint::Paper(paper));
                     },
                     {}, &painted),
            PrintOut::Outcome::Written);
        QCOMPARE(painted, pages);
        if (qEnvironmentVariableIsSet("KEEP_BOOK"))
            QFile::copy(path, qEnvironmentVariable("KEEP_BOOK") + QString::number(paper) + QStringLiteral(".pdf"));
        const QString all = squeezed(pdfPages(path, pages).join(QString()));
        for (const char* seen : { "学生素质报告书", "实验中学", "初一(3)班", "2026-2027学年第一学期", "优秀", "待合格",
                 "上课23天，出勤21天，病假1天，事假0.5天", "学习认真，乐于助人。", "三好学生", "家长意见",
                 "寒假自1月23日起，2月20日报到。", "班主任：王老师" })
            QVERIFY2(all.contains(squeezed(QString::fromUtf8(seen))), seen);
        QVERIFY(!all.contains(QStringLiteral("名次")));
        QVERIFY(!all.contains(QStringLiteral("排名")));
        QCOMPARE(all.contains(QStringLiteral("95")), scores);
        if (paper == int(CardPrint::Paper::A4)) {
            const QString first = squeezed(pdfPages(path, pages).first());
            QVERIFY(first.contains(QStringLiteral("学生1")));
            QVERIFY(!first.contains(QStringLiteral("学生2")));
        }
    }

    // The book opens on the term's own studies: a term grade whose tests all
    // fall in the term, else its last test.
    void studiesOfTheTerm_data()
    {
        QTest::addColumn<QStringList>("dates");
        QTest::addColumn<QVector<int>>("graded");
        QTest::addColumn<QString>("shown");
        const QStringList dated { "2026-12-03", "2026-12-20", "2026-11-30" };
        QTest::newRow("grade inside") << dated << QVector<int> { 1, 2 } << QStringLiteral("总评");
        QTest::newRow("grade reaching out") << dated << QVector<int> { 2, 3 } << QStringLiteral("2");
        QTest::newRow("undated tests") << QStringList { "", "2026-12-05", "" } << QVector<int> { 1, 2 }
                                       << QStringLiteral("2");
        QTest::newRow("none in the term")
            << QStringList { "2026-11-30", "2027-01-01", "" } << QVector<int>() << QString();
    }

    void studiesOfTheTerm()
    {
        QFETCH(QStringList, dates);
        QFETCH(QVector<int>, graded);
        QFETCH(QString, shown);
        QVector<TestRecord> tests;
        for (int i = 0; i < dates.size(); ++i)
            tests << TestRecord { i + 1, QStringLiteral("考试%1").arg(i + 1), dates[i], {}, {}, {} };
        Analysis::TermDefinition grade;
        grade.name = QStringLiteral("总评");
        for (int t : graded)
            grade.parts << Analysis::TermDefinition::Part { t, 50 };
        const auto studies = TermBook::studiesIn(kTerm, tests, { grade });
        const QString got = !studies       ? QString()
            : studies->termGrade.isEmpty() ? QString::number(studies->test)
                                           : studies->termGrade;
        QCOMPARE(got, shown);
    }

    void onlyTheAdministratorWrites()
    {
        term();
        UserRights::setAdministrator(false);
        UserRights::setCurrent({ { QStringLiteral("语文") }, false });
        auto back = qScopeGuard([] {
            UserRights::setAdministrator(true);
            UserRights::setCurrent({});
        });
        QVERIFY(!TermBook::saveWords(db(), kTerm.name, QStringLiteral("2"), { QStringLiteral("好"), {} }));
        QVERIFY(!TermBook::saveNotice(db(), kTerm.name, { QStringLiteral("别的学校"), {} }));
        back.dismiss();
        UserRights::setAdministrator(true);
        UserRights::setCurrent({});
        const Status tooLong = TermBook::saveWords(
            db(), kTerm.name, QStringLiteral("2"), { QString(TermBook::kMaxComment + 1, QChar(u'好')), {} });
        QVERIFY(!tooLong);
        QVERIFY(tooLong.error().description.contains(QStringLiteral("800")));
        QCOMPARE(valueOf(QStringLiteral("select count(*) from velmora_term_book")), QStringLiteral("1"));
        QCOMPARE(valueOf(QStringLiteral("select 学校 from velmora_term_notices")), QStringLiteral("实验中学"));
    }

    // Typed for one student, kept on moving to the next, written by 保存;
    // an unsaved change is asked about on closing.
    void theWindowByKeys()
    {
        term();
        QVERIFY(m_db->loginModule(true));
        ReportBook window(mod());
        QVERIFY(window.load());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* students = child<QListWidget>(&window, "lstStudents");
        auto* comment = child<QPlainTextEdit>(&window, "txtComment");
        QCOMPARE(comment->toPlainText(), QStringLiteral("学习认真，乐于助人。"));
        students->setCurrentRow(1);
        comment->setFocus();
        typeText(comment, QStringLiteral("进步很大"));
        students->setCurrentRow(2);
        QVERIFY(comment->toPlainText().isEmpty());
        students->setCurrentRow(1);
        QCOMPARE(comment->toPlainText(), QStringLiteral("进步很大"));
        QTest::mouseClick(child<QPushButton>(&window, "BN_Save"), Qt::LeftButton);
        QCOMPARE(
            valueOf(QStringLiteral("select 评语 from velmora_term_book where 学号='2'")), QStringLiteral("进步很大"));
        comment->setFocus();
        QTest::keyClick(comment, Qt::Key_End, Qt::ControlModifier);
        typeText(comment, QStringLiteral("！"));
        MessageService::clearMessages();
        MessageService::setNextAnswer(MsgAnswer::Yes);
        window.reject();
        QCOMPARE(MessageService::texts(), QStringList { QStringLiteral("评语或通知已修改，是否保存？") });
        QCOMPARE(
            valueOf(QStringLiteral("select 评语 from velmora_term_book where 学号='2'")), QStringLiteral("进步很大！"));
    }
};

QTEST_MAIN(TestReportBook)
#include "tst_reportbook.moc"
