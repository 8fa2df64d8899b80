#include "analysis/TermGrades.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/Schema.h"
#include "exams/ReportCards.h"
#include "exams/TestFacts.h"
#include "exams/TestRecord.h"
#include "exams/ui/CardPrint.h"
#include "exams/ui/ReportScore.h"
#include "exams/ui/ReportTeach.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/PrintOut.h"
#include "platform/ui/ReportPreview.h"
#include "support/DbTestCase.h"
#include "support/Pdf.h"
#include "support/Ui.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <numeric>

using namespace velmora;
using velmora::test::child;

using namespace velmora::test;

// A printed page holds this line whole, or the page is shown.
#define VERIFY_LINE(page, line)                                                                                        \
    QVERIFY2(QString(page).split(QLatin1Char('\n')).contains(line), qPrintable(QString(line) + "\n" + (page)))

namespace {
CardPrint::Options opts(
    CardPrint::Paper paper, bool ranks, bool school = false, CardPrint::Shown shown = CardPrint::Shown::Scores)
{
    CardPrint::Options o;
    o.paper = paper;
    o.ranks = ranks;
    o.schoolRanks = school;
    o.shown = shown;
    return o;
}
} // namespace

class TestReports : public velmora::test::DbTestCase
{
    Q_OBJECT

    void addStudent(const QString& number, const QString& name)
    {
        QVERIFY(db().exec(QStringLiteral("insert into tblLogin (学号, 姓名, 性别) values (?, ?, ?)"),
            { number, name, QStringLiteral("男") }));
    }
    void set(int test, const QString& student, const QString& column, const QVariant& value)
    {
        setScores(test, student, column + QStringLiteral("=?"), { value });
    }
    QString pdf(const QString& name) const { return m_db->dir() + QLatin1Char('/') + name; }

    // Writes the cards and returns the pages' text.
    QStringList cards(
        const ReportCards::Term& term, CardPrint::Options options, int expectedPages, QVector<double>* scales = nullptr)
    {
        const QVector<int> all = term.everyone();
        const QString path = pdf(QStringLiteral("cards.pdf"));
        int pages = 0;
        const auto written = PrintOut::writePdf(
            path, CardPrint::pageLayout(options.paper), QStringLiteral("cards"),
            [&](QPagedPaintDevice* d, const PrintOut::Progress&) {
                return CardPrint::paint(d, term, all, options, {}, scales);
            },
            {}, &pages);
        if (written != PrintOut::Outcome::Written || pages != expectedPages || pdfPageCount(path) != pages) {
            qWarning() << "pages" << pages << pdfPageCount(path);
            return {};
        }
        return pdfPages(path, pages);
    }

    void smallClass(int* test)
    {
        addStudents({ "1", "2", "3", "4" });
        QVERIFY(db().exec(QStringLiteral("update tblClass set 班级名称=?, 班主任=?"),
            { QStringLiteral("初一(3)班"), QStringLiteral("王老师") }));
        *test = defineTest({ 0, 1 }, true, true, QStringLiteral("期中考试"));
        QVERIFY(Exams::setFullMarks(db(), *test, 1, 150));
        const int chinese[] = { 90, 80, 80, 70 };
        const QVariant maths[] = { 140, 150, QVariant(), 130 };
        for (int i = 0; i < 4; ++i)
            setScores(*test, QString::number(i + 1), QStringLiteral("语文=?, 数学=?"), { chinese[i], maths[i] });
        setScores(*test, QStringLiteral("3"), QStringLiteral("病假=2, 教师评语=?"),
            { QStringLiteral("学习认真，望继续努力。") });
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!canReadPdf())
            QSKIP("pdftotext is not installed");
    }

    // Every figure of a small class, known by hand, as the parent reads it;
    // ties share a rank and the empty score is 缺 and left out.
    void cardsOfASmallClass()
    {
        int test = 0;
        smallClass(&test);
        auto term = ReportCards::forTests(db(), { test });
        QVERIFY(term);
        QCOMPARE(term->students.size(), 4);
        const QStringList pages = cards(*term, {}, 4);
        QCOMPARE(pages.size(), 4);
        // Totals 230, 230, 80, 200 of 250; the partial 80 takes no rank and is
        // out of the average of the whole ones, 220.0.
        const char* expected[4][3] = {
            { "语文 90 100 80.0 1", "数学 140 150 140.0 2", "总分 230 250 220.0 1" },
            { "语文 80 100 80.0 2", "数学 150 150 140.0 1", "总分 230 250 220.0 1" },
            { "语文 80 100 80.0 2", "数学 缺 150 140.0 —", "总分 80 250 220.0 —" },
            { "语文 70 100 80.0 4", "数学 130 150 140.0 3", "总分 200 250 220.0 3" },
        };
        for (int s = 0; s < 4; ++s) {
            QVERIFY2(pages[s].contains(QStringLiteral("学号：%1 姓名：学生%1").arg(s + 1)), qPrintable(pages[s]));
            QVERIFY(squeezed(pages[s]).contains(QStringLiteral("初一(3)班学生成绩报告单")));
            QVERIFY(pages[s].contains(QStringLiteral("科目 成绩 满分 班级平均 班级名次")));
            for (const char* line : expected[s])
                VERIFY_LINE(pages[s], QString::fromUtf8(line));
            QVERIFY(pages[s].contains(QStringLiteral("家长签字：")));
            QVERIFY(pages[s].contains(QStringLiteral("班主任：王老师")));
            QCOMPARE(pages[s].contains(QStringLiteral("学习认真")), s == 2);
        }
        QVERIFY(squeezed(pages[2]).contains(QStringLiteral("病假：2")));
        QVERIFY(!pages.join(QString()).contains(QChar(0x2F63))); // 生 as written, not the radical
        QVERIFY(fontsEmbedded(pdf(QStringLiteral("cards.pdf"))));

        // Ranks off: none anywhere.
        const QStringList hidden = cards(*term, opts(CardPrint::Paper::A4, false), 4);
        QCOMPARE(hidden.size(), 4);
        VERIFY_LINE(hidden[2], QStringLiteral("总分 80 250 220.0"));
        QVERIFY(!hidden.join(QString()).contains(QStringLiteral("名次")));

        // The school's ranks as a marking system's export stated them, where it did.
        QVERIFY(TestFacts::store(db(), test, { QStringLiteral("语文校次"), QStringLiteral("校次") },
            { { QStringLiteral("1"), { QStringLiteral("12"), QStringLiteral("30") } } }));
        const auto stated = ReportCards::forTests(db(), { test });
        const QStringList school = cards(*stated, opts(CardPrint::Paper::A4, true, true), 4);
        QVERIFY(school[0].contains(QStringLiteral("科目 成绩 满分 班级平均 班级名次 年级名次")));
        VERIFY_LINE(school[0], QStringLiteral("总分 230 250 220.0 1 30"));
        VERIFY_LINE(school[0], QStringLiteral("语文 90 100 80.0 1 12"));
        VERIFY_LINE(school[1], QStringLiteral("语文 80 100 80.0 2 —"));

        // A5: two cards on each sheet.
        const QStringList a5 = cards(*term, opts(CardPrint::Paper::A5, true), 2);
        QCOMPARE(a5.size(), 2);
        QCOMPARE(a5[1].count(QStringLiteral("家长签字")), 2);
        QVERIFY(a5[1].contains(QStringLiteral("学生4")));

        // Stopped halfway: no file, and an older one stays.
        const QString path = pdf(QStringLiteral("cards.pdf"));
        const auto before = QFileInfo(path).size();
        const auto stopped = PrintOut::writePdf(
            path, CardPrint::pageLayout(CardPrint::Paper::A4), QStringLiteral("cards"),
            [&](QPagedPaintDevice* d, const PrintOut::Progress& progress) {
                return CardPrint::paint(d, *term, { 0, 1, 2, 3 }, {}, progress);
            },
            [](int done) { return done < 2; });
        QCOMPARE(stopped, PrintOut::Outcome::Stopped);
        QCOMPARE(QFileInfo(path).size(), before);
        QVERIFY(!QFileInfo::exists(path + QStringLiteral(".part")));

        // Two students whose file names come out alike get a file each, and each is counted.
        ReportCards::Term twins = *term;
        twins.students[1] = twins.students[0];
        const QString folder = pdf(QStringLiteral("twins"));
        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(ReportScore::exportEach(nullptr, folder, twins, { 0, 1 }, {}), 2);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 2);
    }

    // 成绩显示为: bands at their exact bounds (90 of 100, 200 of 250), a
    // 缺 subject leaving the total's band to what was sat, and a card in bands
    // alone showing no score, full marks or average.
    void cardsInBands_data()
    {
        QTest::addColumn<int>("shown");
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QStringList>("third");
        QTest::addColumn<QString>("fourthTotal");
        QTest::newRow("分数") << int(CardPrint::Shown::Scores)
                              << QStringList { "科目 成绩 满分 班级平均", "语文 90 100 80.0", "总分 230 250 220.0" }
                              << QStringList { "数学 缺 150 140.0" } << "总分 200 250 220.0";
        QTest::newRow("等级") << int(CardPrint::Shown::Grades)
                              << QStringList { "科目 等级", "语文 优秀", "数学 优秀", "总分 优秀" }
                              << QStringList { "数学 缺", "总分 —" } << "总分 良好";
        QTest::newRow("分数和等级") << int(CardPrint::Shown::Both)
                                    << QStringList { "语文 90 优秀 100 80.0", "总分 230 优秀 250 220.0" }
                                    << QStringList { "数学 缺 — 150 140.0", "总分 80 — 250 220.0" }
                                    << "总分 200 良好 250 220.0";
    }
    void cardsInBands()
    {
        QFETCH(int, shown);
        QFETCH(QStringList, first);
        QFETCH(QStringList, third);
        QFETCH(QString, fourthTotal);
        int test = 0;
        smallClass(&test);
        auto term = ReportCards::forTests(db(), { test });
        QVERIFY(term);
        const QStringList pages = cards(*term, opts(CardPrint::Paper::A4, false, false, CardPrint::Shown(shown)), 4);
        QCOMPARE(pages.size(), 4);
        for (const QString& line : first)
            VERIFY_LINE(pages[0], line);
        for (const QString& line : third)
            VERIFY_LINE(pages[2], line);
        VERIFY_LINE(pages[3], fourthTotal);
        if (CardPrint::Shown(shown) == CardPrint::Shown::Grades)
            QVERIFY(!pages.join(QString()).contains(QStringLiteral("满分")));
    }

    // Fourteen subjects, a 900-character comment and a long name still fit a
    // card whole, on A4 and on half an A4 sheet, in readable type.
    void theLongestCardFits()
    {
        addStudent(QStringLiteral("2024000001"), QStringLiteral("阿卜杜热合曼·买买"));
        addStudent(QStringLiteral("2024000002"), QStringLiteral("李明"));
        QVector<int> all(14);
        std::iota(all.begin(), all.end(), 0);
        const int test = defineTest(all, true, true, QStringLiteral("期末考试"));
        const QString comment
            = QStringLiteral("该生尊敬师长团结同学，上课认真听讲积极发言，作业按时完成。").repeated(31).left(899)
            + u'终';
        // Both students alike: every subject, and the comment.
        for (int i = 0; i < 14; ++i)
            QVERIFY(
                db().exec(QStringLiteral("update %1 set %2=?").arg(Schema::scoreTableName(test), Schema::subjects()[i]),
                    { 60 + i }));
        QVERIFY(db().exec(QStringLiteral("update %1 set 教师评语=?").arg(Schema::scoreTableName(test)), { comment }));
        auto term = ReportCards::forTests(db(), { test });
        QVERIFY(term);
        for (auto paper : { CardPrint::Paper::A4, CardPrint::Paper::A5 }) {
            QVector<double> scales;
            const QStringList pages = cards(*term, opts(paper, true), paper == CardPrint::Paper::A4 ? 2 : 1, &scales);
            QVERIFY(!pages.isEmpty());
            const QString text = squeezed(pages.join(QString()));
            QCOMPARE(text.count(squeezed(comment)), 2);
            QCOMPARE(text.count(QStringLiteral("家长签字")), 2);
            QVERIFY(text.contains(QStringLiteral("阿卜杜热合曼·买买")));
            for (const QString& subject : Schema::subjects())
                QCOMPARE(text.count(subject), 2);
            for (double s : std::as_const(scales))
                QVERIFY2(s >= (paper == CardPrint::Paper::A4 ? 1.0 : 0.6), qPrintable(QString::number(s)));
        }
    }

    // Several tests side by side, the last first; a student absent from one
    // test; the rank chart; ranks hidden hides the chart too.
    void severalTests()
    {
        addStudent(QStringLiteral("1"), QStringLiteral("甲"));
        addStudent(QStringLiteral("2"), QStringLiteral("乙"));
        const int first = defineTest({ 0, 1 }, false, false, QStringLiteral("十月月考"));
        for (const auto& [who, a, b] : { std::tuple { "1", 90, 80 }, std::tuple { "2", 95, 85 } })
            setScores(first, QString::fromUtf8(who), QStringLiteral("语文=?, 数学=?"), { a, b });
        addStudent(QStringLiteral("3"), QStringLiteral("丙"));
        const int last = defineTest({ 0, 2 }, false, true, QStringLiteral("期末考试"));
        for (const auto& [who, a, b] :
            { std::tuple { "1", 99, 98 }, std::tuple { "2", 70, 60 }, std::tuple { "3", 80, 80 } })
            setScores(last, QString::fromUtf8(who), QStringLiteral("语文=?, 英语=?"), { a, b });
        set(last, QStringLiteral("1"), QStringLiteral("教师评语"), QStringLiteral("进步很大。"));
        auto term = ReportCards::forTests(db(), { first, last });
        QVERIFY(term);
        QCOMPARE(term->tests.first().test.name, QStringLiteral("期末考试"));
        QCOMPARE(term->students.size(), 3);
        const QStringList pages = cards(*term, {}, 3);
        QCOMPARE(pages.size(), 3);
        // 期末 first: 99 then 90; 英语 was not in the 月考, 数学 not in the 期末.
        VERIFY_LINE(pages[0], QStringLiteral("语文 99 100 83.0 1 90 100 92.5 2"));
        VERIFY_LINE(pages[0], QStringLiteral("英语 98 100 79.3 1 — — — —"));
        VERIFY_LINE(pages[0], QStringLiteral("数学 — — — — 80 100 82.5 2"));
        VERIFY_LINE(pages[0], QStringLiteral("总分 197 200 162.3 1 170 200 175.0 2"));
        QVERIFY(pages[0].indexOf(QStringLiteral("期末考试")) < pages[0].indexOf(QStringLiteral("十月月考")));
        QVERIFY(squeezed(pages[0]).contains(QStringLiteral("班主任评语（期末考试）：进步很大。")));
        QVERIFY(pages[0].contains(QStringLiteral("总分名次变化")));
        QVERIFY(pages[0].contains(QStringLiteral("第2名")) && pages[0].contains(QStringLiteral("第1名")));
        // 丙 took only the 期末.
        VERIFY_LINE(pages[2], QStringLiteral("总分 160 200 162.3 2 — 200 175.0 —"));

        const QStringList hidden = cards(*term, opts(CardPrint::Paper::A4, false), 3);
        QVERIFY(!hidden.join(QString()).contains(QStringLiteral("名次")));
        QVERIFY(!hidden.join(QString()).contains(QStringLiteral("第1名")));

        // A term grade of the two, 40% and 60%, goes first: 丙 missed the 月考,
        // so his 语文 is the 期末's alone and starred, with no 数学 and no rank.
        const Analysis::TermDefinition definition { QStringLiteral("第一学期总评"), { { first, 40 }, { last, 60 } } };
        QVERIFY(Analysis::Terms::save(db(), definition));
        auto grades = Analysis::termCards(db(), definition);
        QVERIFY(grades);
        term->addFirst(*grades);
        const QStringList withTerm = cards(*term, {}, 3);
        VERIFY_LINE(withTerm[0], QStringLiteral("语文 95.4 100 85.1 1 99 100 83.0 1 90 100 92.5 2"));
        VERIFY_LINE(withTerm[2], QStringLiteral("总分 160* 300 249.2 — 160 200 162.3 2 — 200 175.0 —"));
        VERIFY_LINE(withTerm[2], QStringLiteral("数学 缺考 100 82.5 — — — — — 缺 100 — —"));
        QVERIFY(squeezed(withTerm[2])
                    .contains(QStringLiteral(
                        "第一学期总评语文：十月月考没有参加，其余按比例计；第一学期总评数学：十月月考没有参加")));
    }

    // The comments in 学号 order, as a list and as slips; who still has none
    // is named at the end; a slip is never split over two pages.
    void commentLists()
    {
        for (int i = 1; i <= 30; ++i)
            addStudent(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("生") + QString::number(i));
        const int test = defineTest({ 0 }, false, true, QStringLiteral("期末考试"));
        const QString longOne = QStringLiteral("勤奋好学，乐于助人，").repeated(30);
        for (int i = 1; i <= 30; ++i) {
            if (i == 4 || i == 17)
                continue;
            set(test, QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("教师评语"),
                QStringLiteral("评%1号：").arg(i) + longOne);
        }
        auto cards = ReportCards::forTest(db(), test);
        QVERIFY(cards);
        for (auto layout : { ReportTeach::Layout::List, ReportTeach::Layout::Slips }) {
            const QString path = pdf(QStringLiteral("comments.pdf"));
            int pages = 0;
            QCOMPARE(PrintOut::writePdf(
                         path, ReportTeach::pageLayout(), QStringLiteral("评语"),
                         [&](QPagedPaintDevice* d, const PrintOut::Progress&) {
                             return ReportTeach::paint(d, QStringLiteral("初一(3)班"), *cards, layout);
                         },
                         {}, &pages),
                PrintOut::Outcome::Written);
            QVERIFY(pages > 2);
            QCOMPARE(pdfPageCount(path), pages);
            const QStringList text = pdfPages(path, pages);
            QString all;
            int last = -1;
            for (const QString& page : text) {
                const QString flat = squeezed(page);
                // Each comment whole on the page of its student.
                for (int i = 1; i <= 30; ++i) {
                    const int at = flat.indexOf(QStringLiteral("评%1号：").arg(i));
                    if (at >= 0)
                        QVERIFY2(flat.mid(at).startsWith(squeezed(QStringLiteral("评%1号：").arg(i) + longOne)),
                            qPrintable(QString::number(i)));
                }
                all += flat;
            }
            for (int i = 1; i <= 30; ++i) {
                const int at = all.indexOf(QStringLiteral("评%1号：").arg(i));
                QCOMPARE(at >= 0, i != 4 && i != 17);
                if (at >= 0) {
                    QVERIFY(at > last);
                    last = at;
                }
            }
            const int missing = all.indexOf(QStringLiteral("尚无评语的学生（2名）："));
            QVERIFY(missing > last);
            QVERIFY(all.mid(missing).contains(QStringLiteral("04生4、17生17")));
            QVERIFY(text.last().contains(QStringLiteral("第 %1 页 / 共 %1 页").arg(pages)));
            if (layout == ReportTeach::Layout::List)
                QVERIFY(text[1].contains(QStringLiteral("学号 姓名 评语")));
        }
    }

    // The dialog, driven by keys and clicks: the picked students only, one
    // file each named 学号_姓名.pdf; odd names make sound file names.
    void dialogExportsOneFileEach()
    {
        int test = 0;
        smallClass(&test);
        QVERIFY(db().exec(
            QStringLiteral("update tblLogin set 姓名=? where 学号=?"), { QStringLiteral("a/b"), QStringLiteral("4") }));
        ReportScore dialog(mod());
        QVERIFY(dialog.load());
        dialog.show();
        auto* tests = child<QListWidget>(&dialog, "lstTests");
        auto* students = child<QListWidget>(&dialog, "lstStudents");
        auto* preview = child<QPushButton>(&dialog, "BN_Preview");
        QCOMPARE(tests->count(), 1);
        const auto ticked = [tests] {
            QList<int> rows;
            for (int r = 0; r < tests->count(); ++r) {
                if (tests->item(r)->checkState() == Qt::Checked)
                    rows << r;
            }
            return rows;
        };
        QCOMPARE(ticked(), QList<int>({ 0 }));
        test::click(&dialog, "optPick");
        QTest::mouseClick(preview, Qt::LeftButton);
        QCOMPARE(MessageService::lastText(), QStringLiteral("请勾选要打印的学生！"));
        students->setFocus();
        for (int row : { 1, 3 }) {
            students->setCurrentRow(row);
            QTest::keyClick(students, Qt::Key_Space);
        }
        QTest::mouseClick(preview, Qt::LeftButton);
        auto* view = dialog.findChild<ReportPreview*>();
        QVERIFY(view);
        const QString folder = m_db->dir() + QStringLiteral("/cards");
        QVERIFY(QDir().mkpath(folder));
        FileDialogs::setNextFileName(folder);
        view->findChild<QAction*>(QStringLiteral("ExportEach"))->trigger();
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList({ "2_学生2.pdf", "4_a_b.pdf" }));
        // A name of 90 characters, as older versions kept, is cut to a name every file system takes.
        QCOMPARE(
            PrintOut::fileNameFor(QStringLiteral("2"), QString(90, QChar(0x5f20))).toUtf8().size(), 2 + 58 * 3 + 4);
        // Ranks are for the family alone: off unless ticked.
        QVERIFY(!child<QCheckBox>(&dialog, "chkRanks")->isChecked());
        const QString own = pdfPages(folder + QStringLiteral("/2_学生2.pdf"), 1).first();
        QVERIFY(own.contains(QStringLiteral("学生2")) && !own.contains(QStringLiteral("名次")));
        QVERIFY(MessageService::lastText().startsWith(QStringLiteral("已为2名学生")));
        view->close();

        // More tests than fit side by side.
        for (int i = 0; i < 4; ++i)
            defineTest({ 0 }, false, false, QStringLiteral("测验"));
        QVERIFY(dialog.load());
        // A click anywhere on a row ticks it, on the box as on the text; what prints is what is ticked.
        auto click = [tests](int row, bool onBox) {
            const QRect r = tests->visualItemRect(tests->item(row));
            QTest::mouseClick(tests->viewport(), Qt::LeftButton, {},
                onBox ? QPoint(r.left() + r.height() / 2, r.center().y()) : r.center());
        };
        click(2, false);
        click(0, true);
        QCOMPARE(ticked(), QList<int>({ 2 }));
        click(2, true);
        QTest::mouseClick(preview, Qt::LeftButton);
        QCOMPARE(MessageService::lastText(), QStringLiteral("请至少勾选一次考试。"));
        for (int i = 0; i < tests->count(); ++i)
            click(i, i % 2 == 0);
        QTest::mouseClick(preview, Qt::LeftButton);
        QVERIFY(MessageService::lastText().contains(QStringLiteral("最多并排打印4次考试")));

        // The comment report offers only the test that records comments.
        ReportTeach comments(mod());
        QVERIFY(comments.load());
        QCOMPARE(child<QComboBox>(&comments, "cboTest")->count(), 1);
        QCOMPARE(child<QComboBox>(&comments, "cboTest")->currentData().toInt(), test);
        comments.show();
        test::tick(&comments, "optSlips");
        test::click(&comments, "BN_Preview");
        auto* slips = comments.findChild<ReportPreview*>();
        QVERIFY(slips);
        const QString file = pdf(QStringLiteral("slips.pdf"));
        FileDialogs::setNextFileName(file);
        slips->findChild<QAction*>(QStringLiteral("ExportPdf"))->trigger();
        QCOMPARE(MessageService::lastText(), QStringLiteral("已导出到 ") + file);
        const QString text = pdfPages(file, 1).first();
        QVERIFY2(text.contains(QStringLiteral("学号：3 姓名：学生3")), qPrintable(text));
        QVERIFY(squeezed(text).contains(QStringLiteral("尚无评语的学生（3名）：1学生1、2学生2、4a/b")));
    }
};

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
