#include "app/Module1.h"
#include "data/Schema.h"
#include "exams/ScoreMarks.h"
#include "exams/Slips.h"
#include "exams/TestRecord.h"
#include "exams/ui/ReportSlips.h"
#include "platform/MessageService.h"
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
        ReportSlips dialog;
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
        ReportSlips dialog;
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
    // default template and from one typed, which is kept for next time.
    void parentNotices()
    {
        ReportSlips dialog;
        open(dialog);
        auto* shown = child<QComboBox>(&dialog, "cboShown");
        shown->setCurrentIndex(shown->findText(QStringLiteral("分数和等级")));
        QString third, typed;
        whenModal<ParentNotices>([&](ParentNotices* notices) {
            auto* grid = child<ResultGrid>(notices, "Grid");
            const QModelIndex cell = grid->model()->index(2, 2);
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
            third = child<QPlainTextEdit>(notices, "txtNotice")->toPlainText();
            test::click(notices, "BN_Copy");
            QCOMPARE(QGuiApplication::clipboard()->text(), third);
            auto* templ = child<QPlainTextEdit>(notices, "txtTemplate");
            templ->selectAll();
            typeText(templ, QStringLiteral("{姓名}：{各科成绩}。名次{名次}"));
            typed = grid->text(3, 2);
            test::click(notices, "BN_Close");
        });
        test::click(&dialog, "BN_Notices");
        QCOMPARE(third,
            QStringLiteral(
                "学生3家长您好：期中考试语文87分（良好），数学缺考，英语80分（良好），物理70分（合格），"
                "化学60分（合格），生物50分（待合格），政治89分（良好），历史100分（优秀），地理59分（待合格），"
                "总分595分。学习认真，望继续努力。"));
        QVERIFY2(typed.startsWith(QStringLiteral("学生3：语文87分（良好），数学缺考")), qPrintable(typed));
        QVERIFY(typed.endsWith(QStringLiteral("。名次—")));
        auto kept = Slips::loadTemplate(db());
        QVERIFY(kept);
        QCOMPARE(*kept, QStringLiteral("{姓名}：{各科成绩}。名次{名次}"));
    }
};

QTEST_MAIN(TestSlips)
#include "tst_slips.moc"
