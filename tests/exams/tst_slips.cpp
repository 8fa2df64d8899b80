#include "analysis/ui/ReportSlips.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/Schema.h"
#include "exams/ScoreMarks.h"
#include "exams/Slips.h"
#include "exams/TestRecord.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ReportPreview.h"
#include "platform/ui/ResultGrid.h"
#include "support/DbTestCase.h"
#include "support/Modal.h"
#include "support/Pdf.h"
#include "support/Typing.h"
#include "support/Ui.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QImageReader>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using namespace velmora;
using namespace velmora::test;

// A class of 45 with nine subjects, as slips are cut for it: 学生3 missed 数学.
class TestSlips : public velmora::test::DbTestCase
{
    Q_OBJECT

    int m_test = 0;

    void prepare() override
    {
        for (int i = 1; i <= 45; ++i) {
            const QString name = i == 4 ? QStringLiteral("a/b") : QStringLiteral("学生%1").arg(i);
            QVERIFY(db().exec(QStringLiteral("insert into tblLogin (学号, 姓名) values (?, ?)"),
                { QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')), name }));
        }
        m_test = defineTest({ 0, 1, 2, 3, 4, 5, 6, 7, 8 }, false, true, QStringLiteral("期中考试"));
        QVERIFY(m_test > 0);
        QVERIFY(Exams::setFullMarks(db(), m_test, 1, 150));
        const QString table = Schema::scoreTableName(m_test);
        QVERIFY(db().exec(QStringLiteral("update %1 set 语文=90 - cast(学号 as integer), 数学=135, 英语=80, 物理=70, "
                                         "化学=60, 生物=50, 政治=89, 历史=100, 地理=59")
                              .arg(table)));
        QVERIFY(db().exec(QStringLiteral("update %1 set 数学=NULL, 教师评语=? where 学号='03'").arg(table),
            { QStringLiteral("学习认真，望继续努力。") }));
        QVERIFY(ScoreMarks::write(
            db(), m_test, { { QStringLiteral("03"), QStringLiteral("数学"), {}, ScoreMarks::kAbsent } }));
    }

    static void open(ReportSlips& dialog)
    {
        QVERIFY(dialog.load());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    }

    // The slips as printed through the preview's 导出PDF.
    QStringList printed(ReportSlips& dialog, int* pages)
    {
        test::click(&dialog, "BN_Preview");
        auto* view = dialog.findChild<ReportPreview*>();
        if (!view)
            return {};
        const QString file = m_db->dir() + QStringLiteral("/slips.pdf");
        QFile::remove(file);
        FileDialogs::setNextFileName(file);
        view->findChild<QAction*>(QStringLiteral("ExportPdf"))->trigger();
        delete view;
        *pages = pdfPageCount(file);
        return pdfPages(file, *pages);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!canReadPdf())
            QSKIP("pdftotext is not installed");
    }

    // Every student once, each slip whole on its page under its own heading;
    // no rank unless ticked; bands at their bounds (135 of 150 and 90 of 100 are 优秀).
    void slipsOnPaper()
    {
        ReportSlips dialog(mod());
        open(dialog);
        int pages = 0;
        const QStringList plain = printed(dialog, &pages);
        QVERIFY2(pages >= 2, qPrintable(QString::number(pages)));
        int slips = 0;
        for (const QString& page : plain) {
            const int headings = int(page.count(QStringLiteral("学号 姓名 语文 数学")));
            const int rows = int(page.count(QRegularExpression(QStringLiteral("\\n\\d\\d (学生\\d+|a/b) "))));
            QCOMPARE(rows, headings);
            slips += rows;
            QVERIFY(!page.contains(QStringLiteral("名次")));
        }
        QCOMPARE(slips, 45);
        const QString all = plain.join(QLatin1Char('\n'));
        for (int i = 1; i <= 45; ++i)
            QCOMPARE(all.count(QStringLiteral(" 学生%1 ").arg(i)), i == 4 ? 0 : 1);
        QVERIFY2(all.contains(QStringLiteral("03 学生3 87 缺考 80 70 60 50 89 100 59 595")), qPrintable(plain[0]));
        QVERIFY(squeezed(all).contains(QStringLiteral("评语：学习认真，望继续努力。")));

        auto* shown = child<QComboBox>(&dialog, "cboShown");
        shown->setCurrentIndex(shown->findText(QStringLiteral("分数和等级")));
        test::tick(&dialog, "chkRanks");
        const QString ranked = printed(dialog, &pages).join(QLatin1Char('\n'));
        QVERIFY2(ranked.contains(QStringLiteral("总分 名次")), qPrintable(ranked.left(900)));
        QVERIFY2(ranked.contains(QStringLiteral("01 学生1 89 135 80 70 60 50 89 100 59 732 1\n"
                                                "等级 良好 优秀 良好 合格 合格 待合格 良好 优秀 待合格 合格\n")),
            qPrintable(ranked.left(600)));
    }

    // One picture per student, 600 pixels wide, under a safe file name.
    void onePicturePerStudent()
    {
        ReportSlips dialog(mod());
        open(dialog);
        const QString folder = m_db->dir() + QStringLiteral("/png");
        QVERIFY(QDir().mkpath(folder));
        FileDialogs::setNextFileName(folder);
        test::click(&dialog, "BN_Images");
        const QStringList files = QDir(folder).entryList(QDir::Files);
        QCOMPARE(files.size(), 45);
        QVERIFY(files.contains(QStringLiteral("04_a_b.png")) && files.contains(QStringLiteral("03_学生3.png")));
        const QImage picture(folder + QStringLiteral("/03_学生3.png"));
        QCOMPARE(picture.width(), 600);
        QVERIFY(picture.height() > 600);
        QVERIFY(MessageService::lastText().startsWith(QStringLiteral("已为45名学生各导出一个成绩条图片")));
    }

    // The message to the family of a student with a 缺考 subject, from the
    // default template and from one typed, which is kept for next time; all
    // of them at once, and the phones for a platform's batch send.
    void parentNotices()
    {
        QVERIFY(db().exec(QStringLiteral("update tblLogin set 联系电话='13800000003' where 学号='03'")));
        ReportSlips dialog(mod());
        open(dialog);
        auto* shown = child<QComboBox>(&dialog, "cboShown");
        shown->setCurrentIndex(shown->findText(QStringLiteral("分数和等级")));
        QString third, typed, all, phone;
        whenModal<ParentNotices>([&](ParentNotices* notices) {
            auto* grid = child<ResultGrid>(notices, "Grid");
            const QModelIndex cell = grid->model()->index(2, 2);
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
            third = child<QPlainTextEdit>(notices, "txtNotice")->toPlainText();
            phone = grid->text(3, 3);
            test::click(notices, "BN_Copy");
            QCOMPARE(QGuiApplication::clipboard()->text(), third);
            auto* templ = child<QPlainTextEdit>(notices, "txtTemplate");
            templ->selectAll();
            typeText(templ, QStringLiteral("{姓名}：{各科成绩}。名次{名次}"));
            typed = grid->text(3, 2);
            test::click(notices, "BN_CopyAll");
            all = QGuiApplication::clipboard()->text();
            test::click(notices, "BN_Close");
        });
        test::click(&dialog, "BN_Notices");
        // 缺考 leaves the total out; 数学 is marked of 150.
        QCOMPARE(third,
            QStringLiteral(
                "学生3家长您好：期中考试语文87分（良好），数学缺考，英语80分（良好），物理70分（合格），"
                "化学60分（合格），生物50分（待合格），政治89分（良好），历史100分（优秀），地理59分（待合格）。"
                "学习认真，望继续努力。"));
        QCOMPARE(phone, QStringLiteral("13800000003"));
        QVERIFY2(typed.startsWith(QStringLiteral("学生3：语文87分（良好），数学缺考")), qPrintable(typed));
        QVERIFY(typed.endsWith(QStringLiteral("。名次—")));
        const QStringList lines = all.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 45);
        QVERIFY2(lines[0].startsWith(QStringLiteral("学生1：学生1：语文89分（良好），数学135分（满分150，优秀），")),
            qPrintable(lines[0]));
        QCOMPARE(lines[2], QStringLiteral("学生3：") + typed);
        auto kept = Slips::loadTemplate(db());
        QVERIFY(kept);
        QCOMPARE(*kept, QStringLiteral("{姓名}：{各科成绩}。名次{名次}"));
    }

    // A part in brackets goes with a field that has no value; a gap outside
    // them shows; brackets round plain words stay the teacher's.
    void noticeTemplate_data()
    {
        QTest::addColumn<QString>("templ");
        QTest::addColumn<bool>("ranked");
        QTest::addColumn<QString>("expected");
        const QString full = QStringLiteral("{姓名}[，总分{总分}][，班级第{名次}名]。");
        QTest::newRow("all there") << full << true << QStringLiteral("张三，总分190分，班级第2名。");
        QTest::newRow("no rank") << full << false << QStringLiteral("张三，总分190分。");
        QTest::newRow("no rank, unbracketed")
            << QStringLiteral("{姓名}班级第{名次}名") << false << QStringLiteral("张三班级第—名");
        QTest::newRow("full-width brackets")
            << QStringLiteral("{姓名}【，第{名次}名】") << false << QStringLiteral("张三");
        QTest::newRow("plain words bracketed")
            << QStringLiteral("[通知]{姓名}{评语}") << false << QStringLiteral("[通知]张三");
        QTest::newRow("unknown braces stay") << QStringLiteral("{姓名}{班级}") << true << QStringLiteral("张三{班级}");
        QTest::newRow("no comment") << QStringLiteral("{姓名}[。评语：{评语}]") << true << QStringLiteral("张三");
        QTest::newRow("full marks named")
            << QStringLiteral("{各科成绩}") << true << QStringLiteral("语文98.5分，数学91.5分（满分120）");
    }
    void noticeTemplate()
    {
        QFETCH(QString, templ);
        QFETCH(bool, ranked);
        QFETCH(QString, expected);
        Slips::Slip slip;
        slip.name = QStringLiteral("张三");
        Slips::Item chinese, maths;
        chinese.name = QStringLiteral("语文");
        chinese.score = QStringLiteral("98.5");
        maths.name = QStringLiteral("数学");
        maths.score = QStringLiteral("91.5");
        maths.fullMarks = 120;
        slip.subjects = { chinese, maths };
        slip.total.score = QStringLiteral("190");
        slip.rank = ranked ? QStringLiteral("2") : QStringLiteral("—");
        QCOMPARE(Slips::notice(templ, slip, ReportCards::Shown::Scores), expected);
    }
};

QTEST_MAIN(TestSlips)
#include "tst_slips.moc"
