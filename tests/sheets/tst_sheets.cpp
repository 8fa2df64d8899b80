#include "app/MessageService.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ResultGrid.h"
#include "sheets/SheetReader.h"
#include "sheets/SheetWriter.h"
#include "support/Files.h"
#include "support/HostTools.h"
#include "support/Office.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <xlsxwriter.h>

using namespace velmora;

// Debian's own python, where python3-openpyxl lives, before any other on the PATH.
static QString pythonProgram()
{
    return QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                             : QStringLiteral("python3");
}

static bool havePython(const char* module)
{
    return test::runHost(pythonProgram(), { QStringLiteral("-c"), QStringLiteral("import ") + QLatin1String(module) })
        .ok();
}

// Runs a python script with these arguments; whether it ran to its end.
static bool runPython(const char* script, const QStringList& args)
{
    QStringList hostArgs;
    for (const QString& arg : args)
        hostArgs << test::hostPath(arg);
    return test::runHost(
        pythonProgram(), QStringList { QStringLiteral("-c"), QString::fromUtf8(script) } + hostArgs, 60000)
        .ok();
}

// Runs a script that makes a file from elsewhere at argv[1].
static bool makeWithPython(const char* script, const QString& path)
{
    return runPython(script, { path });
}

static QStringList rowTexts(const SheetTable& t, int row)
{
    QStringList out;
    for (const QVariant& v : t.rows.value(row))
        out << SheetReader::cellText(v);
    return out;
}

class TestSheets : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        SheetReader::setXlsHelper(QStringLiteral(SHEET_READER));
        MessageService::startRecording();
        QVERIFY(m_dir.isValid());
    }

    void csvAsExcelReadsIt()
    {
        SheetTable t { QStringLiteral("名单"),
            { QStringLiteral("学号"), QStringLiteral("评语"), QStringLiteral("语文") },
            { { QStringLiteral("001"), QStringLiteral("好,很\"好\"\n继续"), 95 },
                { QStringLiteral("002"), QVariant(), 87.5 } } };
        const QByteArray csv = SheetWriter::csvText(t);
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
        // 001 written so that Excel keeps its zeros; read back as the text it was.
        QCOMPARE(QString::fromUtf8(csv.mid(3)),
            QStringLiteral(
                "学号,评语,语文\r\n\"=\"\"001\"\"\",\"好,很\"\"好\"\"\n继续\",95\r\n\"=\"\"002\"\"\",,87.5\r\n"));
        QCOMPARE(
            SheetReader::parseCsv(QString::fromUtf8(csv.mid(3))).value(2).value(0), QVariant(QStringLiteral("002")));

        QCOMPARE(
            SheetWriter::sheetName(QStringLiteral("期中[1]: 语文/数学?"), {}), QStringLiteral("期中_1__ 语文_数学_"));
        QCOMPARE(SheetWriter::sheetName(QStringLiteral("'成绩'"), {}), QStringLiteral("成绩"));
        QCOMPARE(
            SheetWriter::sheetName(QStringLiteral("Sheet"), { QStringLiteral("sheet") }), QStringLiteral("Sheet(2)"));
        const QString long40(40, QChar(0x8003));
        QCOMPARE(SheetWriter::sheetName(long40, {}).size(), 31);
        QCOMPARE(SheetWriter::sheetName(long40, { long40.left(31) }).right(3), QStringLiteral("(2)"));
        QCOMPARE(SheetWriter::displayWidth(QStringLiteral("学号a")), 5);
    }

    // Our workbook read back: sheet names made unique, text as text, a score
    // as a number and the empty score empty; the owner's alone, no part file left.
    // (LibreOffice opening it is exportsOpenInLibreOffice.)
    void workbookKeepsItsTypes()
    {
        const QString path = m_dir.filePath(QStringLiteral("成绩.xlsx"));
        QVector<SheetTable> sheets {
            { QStringLiteral("考试1 期中 2024-10-01"),
                { QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("语文") },
                { { QStringLiteral("001"), QStringLiteral("张三"), 95 },
                    { QStringLiteral("002"), QStringLiteral("李四"), QVariant() } } },
            { QStringLiteral("考试1 期中 2024-10-01"), { QStringLiteral("学号") }, {} },
        };
        QVERIFY(SheetWriter::writeXlsx(path, sheets));
        QVERIFY(!test::othersMayUse(path));
        QVERIFY(!QFile::exists(path + QStringLiteral(".part")));
        auto back = SheetReader::read(path);
        QVERIFY(back && back->size() == 2);
        QCOMPARE(back->at(1).title, QStringLiteral("考试1 期中 2024-10-01(2)"));
        const auto& rows = back->at(0).rows;
        QCOMPARE(rowTexts(back->at(0), 1), QStringList({ "001", "张三", "95" }));
        QCOMPARE(QList<int>({ rows.value(1).value(0).typeId(), rows.value(1).value(2).typeId() }),
            QList<int>({ QMetaType::QString, QMetaType::Double }));
        QVERIFY(rows.value(2).value(2).isNull());

        // A folder that cannot take the file: said so, nothing left behind.
        const QString nowhere = m_dir.filePath(QStringLiteral("no/such/folder/x.xlsx"));
        auto failed = SheetWriter::writeXlsx(nowhere, sheets);
        QVERIFY(!failed);
        QVERIFY(failed.error().message().contains(QStringLiteral("x.xlsx")));
        QVERIFY(!QFile::exists(nowhere + QStringLiteral(".part")));
    }

    // Files from elsewhere: libxlsxwriter's inline strings; Chinese Excel's
    // GB18030 CSV; quotes and line breaks in cells; dates as offices write them.
    // (LibreOffice's own files are read in the import tests.)
    void filesFromElsewhere()
    {
        // Inline strings, as libxlsxwriter writes them in its low-memory mode.
        const QString inlined = m_dir.filePath(QStringLiteral("inline.xlsx"));
        {
            lxw_workbook_options options {};
            options.constant_memory = LXW_TRUE;
            lxw_workbook* b = workbook_new_opt(QFile::encodeName(inlined).constData(), &options);
            lxw_worksheet* ws = workbook_add_worksheet(b, "成绩");
            worksheet_write_string(ws, 0, 0, "学号", nullptr);
            worksheet_write_string(ws, 0, 1, "语文", nullptr);
            worksheet_write_string(ws, 1, 0, "001", nullptr);
            worksheet_write_number(ws, 1, 1, 95, nullptr);
            QCOMPARE(workbook_close(b), LXW_NO_ERROR);
        }
        auto scores = SheetReader::read(inlined);
        QVERIFY(scores);
        QCOMPARE(rowTexts(scores->at(0), 1), QStringList({ "001", "95" }));

        const QString gbk = m_dir.filePath(QStringLiteral("gbk.csv"));
        // As Excel saves it on a Chinese Windows: GB18030 bytes, spelt out.
        QVERIFY(test::writeFile(gbk,
            QByteArray("\xD1\xA7\xBA\xC5,\xD0\xD5\xC3\xFB,\xB1\xB8\xD7\xA2\r\n001,\xC5\xB7\xD1\xF4\xCF\xFE\xD1\xE0,"
                       "\"\xB0\xAE\xBA\xC3\xA3\xBA\xB6\xC1\xCA\xE9,"
                       "\"\"\xCE\xA7\xC6\xE5\"\"\n\xBA\xCD\xD7\xE3\xC7\xF2\"\r\n")));
        auto text = SheetReader::read(gbk);
        QVERIFY(text);
        QCOMPARE(rowTexts(text->at(0), 1), QStringList({ "001", "欧阳晓燕", "爱好：读书,\"围棋\"\n和足球" }));
        QCOMPARE(text->at(0).rows.size(), 2);
        QCOMPARE(SheetReader::decodeText("\xEF\xBB\xBF\xE5\xAD\xA6"), QStringLiteral("学"));
        // One stray byte in UTF-8 is replaced and counted; the rest stays readable.
        int stray = 0;
        QCOMPARE(
            SheetReader::decodeText(
                QStringLiteral("学号,姓名,备注\n001,欧阳晓燕,爱好读书和围棋\n").toUtf8().insert(25, '\xFF'), &stray),
            QStringLiteral("学号,姓名,备注\n001,\uFFFD欧阳晓燕,爱好读书和围棋\n"));
        QCOMPARE(stray, 1);
        QCOMPARE(SheetReader::parseCsv(QStringLiteral("a\tb\n1\t\n")).value(1).size(), 2);
        for (const char* written : { "2011-05-24", "2011/5/24", "2011.5.24", "2011年5月24日", "20110524" })
            QCOMPARE(SheetReader::toDate(QString::fromUtf8(written)), std::optional<QDate>(QDate(2011, 5, 24)));
        QCOMPARE(SheetReader::toDate(40687.0), std::optional<QDate>(QDate(2011, 5, 24)));
        QVERIFY(!SheetReader::toDate(QStringLiteral("2011-02-30")));
    }

    // What a workbook says, as it says it: dates of the 1904 system, and
    // error values that are neither numbers nor empty.
    void datesAndErrorsAsWritten()
    {
        if (!havePython("openpyxl"))
            QSKIP("python3-openpyxl is not installed (test.sh installs them)");
        const QString xlsx = m_dir.filePath(QStringLiteral("mac.xlsx"));
        QVERIFY(makeWithPython(R"(
import sys, datetime, openpyxl
from openpyxl.utils.datetime import CALENDAR_MAC_1904
b = openpyxl.Workbook()
b.epoch = CALENDAR_MAC_1904
ws = b.active
ws.append(["学号", "出生日期", "数学"])
ws.append(["01", datetime.date(2012, 3, 15), "#N/A"])
ws.append(["02", datetime.date(2011, 1, 2), "#DIV/0!"])
b.save(sys.argv[1])
)",
            xlsx));
        auto book = SheetReader::read(xlsx);
        QVERIFY2(book, qPrintable(book ? QString() : book.error().message()));
        const SheetTable& t = book->at(0);
        QCOMPARE(t.rows[1][1].toDate(), QDate(2012, 3, 15));
        QCOMPARE(t.rows[2][1].toDate(), QDate(2011, 1, 2));
        QCOMPARE(SheetReader::cellProblem(t.rows[1][2]), QStringLiteral("单元格是错误值 #N/A"));
        QCOMPARE(SheetReader::cellText(t.rows[2][2]), QStringLiteral("#DIV/0!"));
        QVERIFY(SheetReader::cellProblem(t.rows[1][0]).isEmpty());
    }

    // An .xls keeps each formula's result beside it, and an error constant
    // is an error, not 1 or 0: LibreOffice writes the one, xlwt the other.
    void xlsFormulasAndErrors()
    {
        if (!havePython("xlwt"))
            QSKIP("python3-xlwt is not installed (test.sh installs it)");
        const QString errors = m_dir.filePath(QStringLiteral("errors.xls"));
        QVERIFY(makeWithPython(R"(
import sys, xlwt
b = xlwt.Workbook(encoding="utf-8")
ws = b.add_sheet("成绩")
ws.write(0, 0, "学号"); ws.write(0, 1, "数学"); ws.write(0, 2, "语文")
ws.write(1, 0, "01"); ws.row(1).set_cell_error(1, 0x2A); ws.write(1, 2, True)
ws.write(2, 0, "02"); ws.row(2).set_cell_error(2, "#DIV/0!"); ws.write(2, 1, 1)
b.save(sys.argv[1])
)",
            errors));
        auto e = SheetReader::read(errors);
        QVERIFY2(e, qPrintable(e ? QString() : e.error().message()));
        QCOMPARE(SheetReader::cellProblem(e->at(0).rows[1][1]), QStringLiteral("单元格是错误值 #N/A"));
        QCOMPARE(rowTexts(e->at(0), 1), QStringList({ "01", "#N/A", "TRUE" }));
        QCOMPARE(rowTexts(e->at(0), 2), QStringList({ "02", "1", "#DIV/0!" }));

        VELMORA_REQUIRE_OFFICE();
        QString why;
        const QStringList made
            = test::Office::make({ QStringLiteral("formulas") }, QStringLiteral("xls"), m_dir.path(), &why);
        QVERIFY2(!made.isEmpty(), qPrintable(why));
        auto marks = SheetReader::read(made.first());
        QVERIFY2(marks, qPrintable(marks ? QString() : marks.error().message()));
        QCOMPARE(rowTexts(marks->at(0), 1), QStringList({ "01", "40", "45", "85", "#N/A" }));
        QCOMPARE(rowTexts(marks->at(0), 2), QStringList({ "02", "30", "38", "68", "缺考" }));
        QCOMPARE(SheetReader::cellProblem(marks->at(0).rows[1][4]), QStringLiteral("单元格是错误值 #N/A"));
    }

    // A link planted where an export's part file goes is never written through.
    void exportsNeverFollowAPlantedLink_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("csv") << QStringLiteral("planted.csv");
        QTest::newRow("xlsx") << QStringLiteral("planted.xlsx");
    }
    void exportsNeverFollowAPlantedLink()
    {
        QFETCH(QString, name);
        const QString victim = m_dir.filePath(name + QStringLiteral(".victim"));
        QVERIFY(test::writeFile(victim, "keep"));
        const QString path = m_dir.filePath(name);
        QVERIFY(QFile::link(victim, path + QStringLiteral(".part")));
        const SheetTable t { QStringLiteral("x"), { QStringLiteral("学号") }, { { QStringLiteral("001") } } };
        QVERIFY(SheetWriter::write(path, { t }));
        QCOMPARE(test::readFile(victim), QByteArray("keep"));
        auto back = SheetReader::read(path);
        QVERIFY(back);
        QCOMPARE(rowTexts(back->at(0), 1), QStringList({ "001" }));
    }

    // An .xls is read in a process of its own: a reader that crashes or
    // hangs costs a message, never this process; what it reads comes back whole.
    void xlsReaderApart()
    {
        VELMORA_REQUIRE_OFFICE();
        QString why;
        const QStringList made
            = test::Office::make({ QStringLiteral("roster") }, QStringLiteral("xls"), m_dir.path(), &why);
        QVERIFY2(!made.isEmpty(), qPrintable(why));
        const QString xls = made.first();
        const SheetTable t { QStringLiteral("学生"), {},
            { { QStringLiteral("学号"), 95.5, QDate(2011, 5, 24), QVariant(),
                QVariant::fromValue(CellError { QStringLiteral("#N/A") }) } } };
        auto back = SheetReader::decode(SheetReader::encode({ t }));
        QVERIFY(back);
        QCOMPARE(rowTexts(back->at(0), 0), QStringList({ "学号", "95.5", "2011-05-24", "", "#N/A" }));
        QVERIFY(!SheetReader::decode(SheetReader::encode({ t }).chopped(3)));

        auto read = SheetReader::read(xls);
        QVERIFY2(read, qPrintable(read ? QString() : read.error().message()));
        QCOMPARE(read->at(0).title, QStringLiteral("roster"));

        const QString crash = test::crashingProgram(m_dir.path());
        if (crash.isEmpty())
            QSKIP("no program that crashes on purpose can be made here");
        SheetReader::setXlsHelper(crash);
        auto crashed = SheetReader::read(xls);
        SheetReader::setXlsHelper(QStringLiteral(SHEET_READER));
        QVERIFY(!crashed);
        QVERIFY2(
            crashed.error().message().contains(QStringLiteral("读取时出错")), qPrintable(crashed.error().message()));
        QVERIFY(SheetReader::read(xls));
    }

    // A text a spreadsheet would run as a formula goes out as text.
    void csvTextNeverRunsAsAFormula_data()
    {
        QTest::addColumn<QVariant>("cell");
        QTest::addColumn<QString>("written");
        QTest::newRow("link") << QVariant(QStringLiteral("=HYPERLINK(\"http://x\",\"点我\")"))
                              << QStringLiteral("\"'=HYPERLINK(\"\"http://x\"\",\"\"点我\"\")\"");
        QTest::newRow("command") << QVariant(QStringLiteral("=cmd|' /C calc'!A0"))
                                 << QStringLiteral("'=cmd|' /C calc'!A0");
        QTest::newRow("plus") << QVariant(QStringLiteral("+1+1")) << QStringLiteral("'+1+1");
        QTest::newRow("minus") << QVariant(QStringLiteral("-2+3")) << QStringLiteral("'-2+3");
        QTest::newRow("at") << QVariant(QStringLiteral("@SUM(1)")) << QStringLiteral("'@SUM(1)");
        QTest::newRow("tab") << QVariant(QStringLiteral("\t=1")) << QStringLiteral("'\t=1");
        QTest::newRow("negative number") << QVariant(-5) << QStringLiteral("-5");
        QTest::newRow("plain comment") << QVariant(QStringLiteral("很好")) << QStringLiteral("很好");
    }
    void csvTextNeverRunsAsAFormula()
    {
        QFETCH(QVariant, cell);
        QFETCH(QString, written);
        const SheetTable t { QStringLiteral("x"), { QStringLiteral("=A1") }, { { cell } } };
        QCOMPARE(QString::fromUtf8(SheetWriter::csvText(t).mid(3)),
            QStringLiteral("'=A1\r\n") + written + QStringLiteral("\r\n"));
    }

    // Each refused with a message, nothing read into memory past the limits;
    // an empty merged range far to the right makes no cells at all.
    void badFilesAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // or, made by a python script
        QTest::addColumn<QString>("says"); // empty: read as it is
        const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n") + QByteArray(100, '\0');
        QByteArray many = "学号,姓名\n";
        for (int i = 0; i < 100000; ++i)
            many += QByteArray::number(i) + ",某\n";
        // The file's name is the row's; its bytes, or the python script that makes it; what is said.
        const auto row = [](const char* name, const QByteArray& bytes, const char* says) {
            QTest::newRow(name) << QString::fromUtf8(name) << bytes << QString::fromUtf8(says);
        };
        row("picture.xlsx", png, "不是有效的Excel文件，文件可能已损坏。");
        row("random.xlsx", "学号,姓名\nkq3j4h5k2j3h4k5jh\n", "不是有效的Excel文件");
        row("picture.csv", png, "不是 Excel 文件");
        row("page.xls", "<html><body><table><tr><td>学号</td></tr>",
            "无法读取“page.xls”：不是有效的Excel文件，文件可能已损坏。");
        row("book.xlsb",
            "import sys, zipfile\nwith zipfile.ZipFile(sys.argv[1], 'w') as z:\n    z.writestr('xl/workbook.bin', "
            "b'\\0' * 64)\n",
            "另存为.xlsx");
        row("wide.csv", "学号" + QByteArray(100000, ',') + "x\n", "列的上限");
        row("cut.xlsx", QByteArray("PK\x03\x04") + QByteArray(300, 'x'), "损坏");
        row("cut.xls", QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") + QByteArray(600, '\0'), "损坏");
        // An Excel 95 workbook (BIFF5, the workbook's own code page) reads; Excel 4.0 is refused by name.
        row("excel95.xls", "import runpy\nrunpy.run_path('" FIXTURES "/excel95.py')\n", "");
        row("excel4.xls", QByteArray("\x09\x04\x06\x00\x00\x00\x10\x00", 8) + QByteArray(100, '\0'), "Excel 4.0或更早");
        row("many.csv", many, "超过了 20000 行");
        const QByteArray zip
            = "import sys, zipfile\nwith zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
              "    z.writestr('xl/workbook.xml', '<workbook><sheets><sheet name=\"a\" r:id=\"r1\" "
              "xmlns:r=\"x\"/></sheets></workbook>')\n"
              "    z.writestr('xl/_rels/workbook.xml.rels', '<Relationships><Relationship Id=\"r1\" "
              "Target=\"worksheets/sheet1.xml\"/></Relationships>')\n    z.writestr('xl/worksheets/sheet1.xml', ";
        row("bomb.xlsx", zip + "b'\\0' * (80 << 20))\n", "过大");
        // A value far right on every row: tens of kilobytes that would take gigabytes.
        const QByteArray farRight = zip
            + "'<worksheet><sheetData>' + ''.join('<row r=\"%d\"><c r=\"%1%d\"><v>1</v></c></row>' "
              "% (r, r) for r in range(1, 19001)) + '</sheetData></worksheet>')\n";
        row("farXFD.xlsx", QByteArray(farRight).replace("%1", "XFD"), "列的上限");
        row("farAMJ.xlsx", QByteArray(farRight).replace("%1", "AMJ"), "表格过大");
        // An empty merged range far to the right: read, one row of 学号.
        row("merged.xlsx",
            zip
                + "'<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>学号</t></is></c>"
                  "</row></sheetData><mergeCells count=\"1\"><mergeCell "
                  "ref=\"XEA1:XFD19999\"/></mergeCells></worksheet>')\n",
            "");
    }
    void badFilesAreRefused()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, says);
        const QString path = m_dir.filePath(name);
        if (bytes.startsWith("import ")) {
            if (!havePython("zipfile"))
                QSKIP("no python3");
            QVERIFY(makeWithPython(bytes.constData(), path));
            QVERIFY(QFileInfo(path).size() < 1024 * 1024);
        } else {
            QVERIFY(test::writeFile(path, bytes));
        }
        auto r = SheetReader::read(path);
        if (says.isEmpty()) {
            QVERIFY2(r, qPrintable(r ? QString() : r.error().message()));
            QCOMPARE(r->at(0).rows.size(), 1);
            QCOMPARE(rowTexts(r->at(0), 0), QStringList({ "学号" }));
        } else {
            QVERIFY(!r);
            QVERIFY2(r.error().message().contains(says), qPrintable(r.error().message()));
        }
    }

    // Our exports as LibreOffice opens them: the same cells, Chinese intact,
    // and a text that looks like a formula is never run as one.
    void exportsOpenInLibreOffice_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("xlsx") << QStringLiteral("导出.xlsx");
        QTest::newRow("csv") << QStringLiteral("导出.csv");
    }
    void exportsOpenInLibreOffice()
    {
        VELMORA_REQUIRE_OFFICE();
        QFETCH(QString, name);
        const SheetTable t { QStringLiteral("成绩"),
            { QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("评语") },
            { { QStringLiteral("001"), QStringLiteral("欧阳晓燕"), QStringLiteral("=1+1") },
                { QStringLiteral("002"), QStringLiteral("张子涵"), QStringLiteral("@SUM(1,1)") },
                { QStringLiteral("003"), QStringLiteral("李明"), 95 } } };
        const QString path = m_dir.filePath(name);
        QVERIFY(SheetWriter::write(path, { t }));
        QString why;
        const QList<QStringList> back = test::Office::readBack(path, m_dir.path(), &why);
        QVERIFY2(!back.isEmpty(), qPrintable(why));
        QCOMPARE(back.value(0), QStringList({ "学号", "姓名", "评语" }));
        QCOMPARE(back.value(3), QStringList({ "003", "李明", "95" }));
        // A CSV marks such a text with an apostrophe, as Excel does; it stays text.
        const QString mark = name.endsWith(QLatin1String(".csv")) ? QStringLiteral("'") : QString();
        QCOMPARE(back.value(1), QStringList({ "001", "欧阳晓燕", mark + QStringLiteral("=1+1") }));
        QCOMPARE(back.value(2), QStringList({ "002", "张子涵", mark + QStringLiteral("@SUM(1,1)") }));
    }

    // One design made by LibreOffice into each format reads as the same cells:
    // a merged title in each of its cells, 学号 shown with leading zeros,
    // dates, times of day and booleans alike.
    void officeFormatsReadAlike_data()
    {
        QTest::addColumn<QString>("format");
        for (const char* format : { "xlsx", "xls", "ods", "csv", "txt" })
            QTest::newRow(format) << QString::fromLatin1(format);
    }
    void officeFormatsReadAlike()
    {
        VELMORA_REQUIRE_OFFICE();
        QFETCH(QString, format);
        QString why;
        const QStringList made = test::Office::make({ QStringLiteral("formats") }, format, m_dir.path(), &why);
        QVERIFY2(!made.isEmpty(), qPrintable(why));
        auto book = SheetReader::read(made.first());
        QVERIFY2(book, qPrintable(book ? QString() : book.error().message()));
        const SheetTable& t = book->at(0);
        QCOMPARE(rowTexts(t, 1), QStringList({ "学号", "姓名", "出生日期", "到校", "合格" }));
        QCOMPARE(rowTexts(t, 2), QStringList({ "00401", "于书瑶", "2011-05-24", "07:45:00", "TRUE" }));
        QCOMPARE(rowTexts(t, 3), QStringList({ "00402", "张子涵", "20111103", "08:05:30", "FALSE" }));
        // Text keeps a merged title once; a workbook has it in every cell it covers.
        const bool text = format == u"csv" || format == u"txt";
        QCOMPARE(rowTexts(t, 0).value(4), text ? QString() : QStringLiteral("初二(3)班到校记录"));
        if (format != u"xls")
            return;
        // The same workbook with its records encrypted: said so, not called damaged.
        QByteArray bytes = test::readFile(made.first());
        const qsizetype codepage = bytes.indexOf(QByteArray("\x42\x00\x02\x00", 4));
        QVERIFY(codepage > 0);
        bytes[codepage] = '\x2F'; // FILEPASS in its place
        const QString locked = m_dir.filePath(QStringLiteral("locked.xls"));
        QVERIFY(test::writeFile(locked, bytes));
        auto refused = SheetReader::read(locked);
        QVERIFY(!refused);
        QCOMPARE(refused.error().message(),
            QStringLiteral("无法读取“locked.xls”：文件设有密码，请先在Excel中取消密码后再导入。"));
    }

    // Packages as other programs write them: cells and rows that do not say
    // where they are, a workbook found through the package's relationships,
    // ISO date cells, escaped characters, a hidden sheet and a chart sheet.
    void packagesAsOthersWriteThem_data()
    {
        QTest::addColumn<QByteArray>("sheetXml");
        QTest::addColumn<QString>("rows"); // the first sheet's rows, cells by "|", rows by "/"
        QTest::newRow("no r") << QByteArray("<row><c t='inlineStr'><is><t>学号</t></is></c><c t='inlineStr'><is>"
                                            "<t>姓名</t></is></c></row><row><c><v>1</v></c><c/><c><v>3</v></c></row>")
                              << "学号|姓名/1||3";
        QTest::newRow("iso date") << QByteArray("<row r='1'><c r='B1' t='d'><v>2011-05-24T00:00:00</v></c></row>")
                                  << "|2011-05-24";
        QTest::newRow("escapes") << QByteArray("<row r='1'><c r='A1' t='inlineStr'><is><t>好_x000D_\n学_x005F_x</t>"
                                               "</is></c></row>")
                                 << "好\r\n学_x";
    }
    void packagesAsOthersWriteThem()
    {
        QFETCH(QByteArray, sheetXml);
        QFETCH(QString, rows);
        if (!havePython("zipfile"))
            QSKIP("no python3");
        // The workbook lives in book/, a hidden sheet and a chart sheet come first.
        const QByteArray script
            = "import sys, zipfile\nwith zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
              "    z.writestr('_rels/.rels', '<Relationships><Relationship Id=\"b\" Type=\"http://x/officeDocument\" "
              "Target=\"book/main.xml\"/></Relationships>')\n"
              "    z.writestr('book/main.xml', '<workbook><sheets><sheet name=\"h\" state=\"hidden\" r:id=\"r1\" "
              "xmlns:r=\"x\"/><sheet name=\"c\" r:id=\"r2\" xmlns:r=\"x\"/><sheet name=\"成绩\" r:id=\"r1\" "
              "xmlns:r=\"x\"/></sheets></workbook>')\n"
              "    z.writestr('book/_rels/main.xml.rels', '<Relationships><Relationship Id=\"r1\" "
              "Type=\"http://x/worksheet\" Target=\"s/one.xml\"/><Relationship Id=\"r2\" Type=\"http://x/chartsheet\" "
              "Target=\"s/chart.xml\"/></Relationships>')\n"
              "    z.writestr('book/s/one.xml', '<worksheet><sheetData>' + sys.argv[2] + '</sheetData></worksheet>')\n";
        const QString path = m_dir.filePath(QStringLiteral("package.xlsx"));
        QVERIFY(runPython(script.constData(), { path, QString::fromUtf8(sheetXml) }));
        auto book = SheetReader::read(path);
        QVERIFY2(book, qPrintable(book ? QString() : book.error().message()));
        QCOMPARE(book->size(), 1);
        QCOMPARE(book->at(0).title, QStringLiteral("成绩"));
        QStringList read;
        for (int r = 0; r < book->at(0).rows.size(); ++r)
            read << rowTexts(book->at(0), r).join(QLatin1Char('|'));
        QCOMPARE(read.join(QLatin1Char('/')), rows);
    }

    // Any result grid: its context menu's export writes what it shows,
    // plain numbers of its number columns as numbers.
    void resultGridExports()
    {
        ResultGrid grid;
        grid.setHeaders({ QStringLiteral("学号"), QStringLiteral("总分"), QStringLiteral("语文") });
        grid.setRows({ { QStringLiteral("007"), QStringLiteral("195*"), QStringLiteral("95") },
            { QStringLiteral("010"), QStringLiteral("180"), QString() },
            { QStringLiteral("011"), QStringLiteral("+9"), QStringLiteral("−1.5") } });
        grid.setNumberColumns({ 1, 2 });
        grid.setExportTitle(QStringLiteral("班级成绩"));
        const SheetTable t = grid.sheet();
        QCOMPARE(t.headers, QStringList({ "学号", "总分", "语文" }));
        QCOMPARE(t.rows[0][0], QVariant(QStringLiteral("007")));
        QCOMPARE(t.rows[0][1], QVariant(QStringLiteral("195*")));
        QCOMPARE(t.rows[0][2].typeId(), QMetaType::LongLong);
        QCOMPARE(t.rows[1][1].toInt(), 180);
        QVERIFY(t.rows[1][2].isNull());
        QCOMPARE(t.rows[2].mid(1), QVector<QVariant>({ 9LL, -1.5 })); // a change's sign is the number's

        const QString csv = m_dir.filePath(QStringLiteral("班级.csv"));
        FileDialogs::setNextFileName(csv);
        grid.exportSheet();
        QCOMPARE(MessageService::lastText(), QStringLiteral("已导出 3 行到“%1”。").arg(QDir::toNativeSeparators(csv)));
        QCOMPARE(test::readFile(csv), SheetWriter::csvText(t));
        FileDialogs::setNextFileName(QString());
        MessageService::clearMessages();
        grid.exportSheet(); // cancelled: nothing said, nothing written
        QVERIFY(MessageService::texts().isEmpty());
    }
};

QTEST_MAIN(TestSheets)
#include "tst_sheets.moc"
