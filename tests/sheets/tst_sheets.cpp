#include "platform/MessageService.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ResultGrid.h"
#include "sheets/SheetReader.h"
#include "sheets/SheetWriter.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringEncoder>
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

// Another reader's view of a workbook: python3-openpyxl, as the school
// office's spreadsheet would see it. Per sheet: its name, the frozen cell,
// whether A1 is bold, and every cell as [type, value].
static QJsonObject readWithOpenpyxl(const QString& path)
{
    const char* script = R"(
import json, sys, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
out = {}
for ws in book.worksheets:
    out[ws.title] = {
        "frozen": ws.freeze_panes,
        "bold": bool(ws["A1"].font.b),
        "width": ws.column_dimensions["B"].width,
        "cells": [[[type(c.value).__name__, c.value] for c in row] for row in ws.iter_rows()],
    }
print(json.dumps(out, ensure_ascii=False))
)";
    QProcess python;
    python.start(pythonProgram(), { QStringLiteral("-c"), QString::fromUtf8(script), path });
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return { { QStringLiteral("error"), QString::fromUtf8(python.readAllStandardError()) } };
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

static bool havePython(const char* module)
{
    return QProcess::execute(
               pythonProgram(), { QStringLiteral("-c"), QStringLiteral("import ") + QLatin1String(module) })
        == 0;
}

// Runs a script that makes a file from elsewhere at argv[1].
static bool makeWithPython(const char* script, const QString& path)
{
    QProcess python;
    python.start(pythonProgram(), { QStringLiteral("-c"), QString::fromUtf8(script), path });
    return python.waitForFinished(60000) && python.exitCode() == 0;
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
        QCOMPARE(QString::fromUtf8(csv.mid(3)),
            QStringLiteral("学号,评语,语文\r\n001,\"好,很\"\"好\"\"\n继续\",95\r\n002,,87.5\r\n"));

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

    void workbookOpensElsewhereWithItsTypes()
    {
        if (!havePython("openpyxl"))
            QSKIP("python3-openpyxl is not installed (test.sh installs it)");
        const QString path = m_dir.filePath(QStringLiteral("成绩.xlsx"));
        QVector<SheetTable> sheets {
            { QStringLiteral("考试1 期中 2024-10-01"),
                { QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("语文") },
                { { QStringLiteral("001"), QStringLiteral("张三"), 95 },
                    { QStringLiteral("002"), QStringLiteral("李四"), QVariant() } } },
            { QStringLiteral("考试1 期中 2024-10-01"), { QStringLiteral("学号") }, {} },
        };
        QVERIFY(SheetWriter::writeXlsx(path, sheets));
        QCOMPARE(
            QFile::permissions(path) & (QFileDevice::ReadOther | QFileDevice::ReadGroup), QFileDevice::Permissions());
        QVERIFY(!QFile::exists(path + QStringLiteral(".part")));
        const QJsonObject book = readWithOpenpyxl(path);
        QVERIFY2(!book.contains(QStringLiteral("error")), qPrintable(book.value(QStringLiteral("error")).toString()));
        QCOMPARE(book.keys(), QStringList({ "考试1 期中 2024-10-01", "考试1 期中 2024-10-01(2)" }));
        const QJsonObject first = book.value(QStringLiteral("考试1 期中 2024-10-01")).toObject();
        QCOMPARE(first.value(QStringLiteral("frozen")).toString(), QStringLiteral("A2"));
        QVERIFY(first.value(QStringLiteral("bold")).toBool());
        QVERIFY(first.value(QStringLiteral("width")).toDouble() >= 4); // 姓名 counts four
        const QJsonArray cells = first.value(QStringLiteral("cells")).toArray();
        QCOMPARE(cells.size(), 3);
        QCOMPARE(cells[1].toArray()[0].toArray(), QJsonArray({ "str", "001" }));
        QCOMPARE(cells[1].toArray()[2].toArray(), QJsonArray({ "int", 95 }));
        QCOMPARE(cells[2].toArray()[2].toArray(), QJsonArray({ "NoneType", QJsonValue() }));

        // Read back as written: shared strings, numbers, the empty cell.
        auto back = SheetReader::read(path);
        QVERIFY(back);
        QCOMPARE(back->at(0).title, QStringLiteral("考试1 期中 2024-10-01"));
        QCOMPARE(rowTexts(back->at(0), 1), QStringList({ "001", "张三", "95" }));
        QCOMPARE(rowTexts(back->at(0), 2).mid(0, 2), QStringList({ "002", "李四" }));

        // A folder that cannot take the file: said so, nothing left behind.
        const QString nowhere = m_dir.filePath(QStringLiteral("no/such/folder/x.xlsx"));
        auto failed = SheetWriter::writeXlsx(nowhere, sheets);
        QVERIFY(!failed);
        QVERIFY(failed.error().message().contains(QStringLiteral("x.xlsx")));
        QVERIFY(!QFile::exists(nowhere + QStringLiteral(".part")));
    }

    // Files from elsewhere: openpyxl's shared strings, date cells and a merged
    // title row; libxlsxwriter's inline strings; xlwt's .xls; Chinese Excel's
    // GB18030 CSV; quotes and line breaks in cells.
    void filesFromElsewhere()
    {
        if (!havePython("openpyxl") || !havePython("xlwt"))
            QSKIP("python3-openpyxl and python3-xlwt are not installed (test.sh installs them)");
        const QString xlsx = m_dir.filePath(QStringLiteral("roster.xlsx"));
        QVERIFY(makeWithPython(R"(
import sys, datetime, openpyxl
b = openpyxl.Workbook()
ws = b.active
ws.title = "花名册"
ws.append(["初二(3)班 学生名单"])
ws.merge_cells("A1:C1")
ws.append(["学号", "姓名", "出生日期"])
ws.append(["2024001", "张三", datetime.date(2011, 5, 24)])
ws.append([2024002, "李四", "2011年6月1日"])
b.create_sheet("空表")
b.save(sys.argv[1])
)",
            xlsx));
        auto book = SheetReader::read(xlsx);
        QVERIFY2(book, qPrintable(book ? QString() : book.error().message()));
        QCOMPARE(book->size(), 2);
        const SheetTable& roster = book->at(0);
        QCOMPARE(roster.title, QStringLiteral("花名册"));
        QCOMPARE(
            rowTexts(roster, 0), QStringList({ "初二(3)班 学生名单", "初二(3)班 学生名单", "初二(3)班 学生名单" }));
        QCOMPARE(rowTexts(roster, 1), QStringList({ "学号", "姓名", "出生日期" }));
        QCOMPARE(roster.rows[2][2].toDate(), QDate(2011, 5, 24));
        QCOMPARE(rowTexts(roster, 3), QStringList({ "2024002", "李四", "2011年6月1日" }));
        QCOMPARE(SheetReader::toDate(roster.rows[3][2]), std::optional<QDate>(QDate(2011, 6, 1)));
        QVERIFY(book->at(1).rows.isEmpty());

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

        const QString xls = m_dir.filePath(QStringLiteral("old.xls"));
        QVERIFY(makeWithPython(R"(
import sys, datetime, xlwt
b = xlwt.Workbook(encoding="utf-8")
ws = b.add_sheet("学生")
ws.write(0, 0, "学号"); ws.write(0, 1, "姓名"); ws.write(0, 2, "出生年月")
ws.write(1, 0, "2024003"); ws.write(1, 1, "王五")
ws.write(1, 2, datetime.date(2010, 12, 31), xlwt.easyxf(num_format_str="yyyy-mm-dd"))
ws.write(2, 0, 2024004); ws.write(2, 1, "赵六")
b.save(sys.argv[1])
)",
            xls));
        auto old = SheetReader::read(xls);
        QVERIFY2(old, qPrintable(old ? QString() : old.error().message()));
        QCOMPARE(old->at(0).title, QStringLiteral("学生"));
        QCOMPARE(rowTexts(old->at(0), 1), QStringList({ "2024003", "王五", "2010-12-31" }));
        QCOMPARE(rowTexts(old->at(0), 2).mid(0, 2), QStringList({ "2024004", "赵六" }));

        const QString gbk = m_dir.filePath(QStringLiteral("gbk.csv"));
        QFile g(gbk);
        QVERIFY(g.open(QIODevice::WriteOnly));
        QStringEncoder toGb("GB18030");
        g.write(toGb(QStringLiteral("学号,姓名,备注\r\n001,欧阳晓燕,\"爱好：读书,\"\"围棋\"\"\n和足球\"\r\n")));
        g.close();
        auto text = SheetReader::read(gbk);
        QVERIFY(text);
        QCOMPARE(rowTexts(text->at(0), 1), QStringList({ "001", "欧阳晓燕", "爱好：读书,\"围棋\"\n和足球" }));
        QCOMPARE(text->at(0).rows.size(), 2);
        QCOMPARE(SheetReader::decodeText("\xEF\xBB\xBF\xE5\xAD\xA6"), QStringLiteral("学"));
        QCOMPARE(SheetReader::parseCsv(QStringLiteral("a\tb\n1\t\n")).value(1).size(), 2);
        for (const char* written : { "2011-05-24", "2011/5/24", "2011.5.24", "2011年5月24日", "20110524" })
            QCOMPARE(SheetReader::toDate(QString::fromUtf8(written)), std::optional<QDate>(QDate(2011, 5, 24)));
        QCOMPARE(SheetReader::toDate(40687.0), std::optional<QDate>(QDate(2011, 5, 24)));
        QVERIFY(!SheetReader::toDate(QStringLiteral("2011-02-30")));
    }

    // Each refused with a message, nothing read into memory past the limits.
    void badFilesAreRefused()
    {
        const auto file = [this](const char* name, const QByteArray& bytes) {
            const QString path = m_dir.filePath(QString::fromUtf8(name));
            QFile f(path);
            f.open(QIODevice::WriteOnly);
            f.write(bytes);
            return path;
        };
        const auto refused = [](const QString& path, const char* says) {
            auto r = SheetReader::read(path);
            QVERIFY2(!r, qPrintable(path));
            QVERIFY2(r.error().message().contains(QString::fromUtf8(says)), qPrintable(r.error().message()));
        };
        refused(file("picture.xlsx", QByteArray("\x89PNG\r\n\x1a\n") + QByteArray(100, '\0')), "不是 Excel 文件");
        refused(file("cut.xlsx", QByteArray("PK\x03\x04") + QByteArray(300, 'x')), "损坏");
        refused(file("cut.xls", QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") + QByteArray(600, '\0')), "损坏");
        QByteArray many = "学号,姓名\n";
        for (int i = 0; i < 100000; ++i)
            many += QByteArray::number(i) + ",某\n";
        refused(file("many.csv", many), "超过了 20000 行");
        if (!havePython("zipfile"))
            return;
        const QString bomb = m_dir.filePath(QStringLiteral("bomb.xlsx"));
        QVERIFY(makeWithPython(R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("xl/workbook.xml", "<workbook/>")
    z.writestr("xl/worksheets/sheet1.xml", b"\0" * (80 * 1024 * 1024))
)",
            bomb));
        QVERIFY(QFileInfo(bomb).size() < 1024 * 1024);
        refused(bomb, "过大");
    }

    // Any result grid: its context menu's export writes what it shows,
    // plain numbers of its number columns as numbers.
    void resultGridExports()
    {
        ResultGrid grid;
        grid.setHeaders({ QStringLiteral("学号"), QStringLiteral("总分"), QStringLiteral("语文") });
        grid.setRows({ { QStringLiteral("007"), QStringLiteral("195*"), QStringLiteral("95") },
            { QStringLiteral("010"), QStringLiteral("180"), QString() } });
        grid.setNumberColumns({ 1, 2 });
        grid.setExportTitle(QStringLiteral("班级成绩"));
        const SheetTable t = grid.sheet();
        QCOMPARE(t.headers, QStringList({ "学号", "总分", "语文" }));
        QCOMPARE(t.rows[0][0], QVariant(QStringLiteral("007")));
        QCOMPARE(t.rows[0][1], QVariant(QStringLiteral("195*")));
        QCOMPARE(t.rows[0][2].typeId(), QMetaType::LongLong);
        QCOMPARE(t.rows[1][1].toInt(), 180);
        QVERIFY(t.rows[1][2].isNull());

        const QString csv = m_dir.filePath(QStringLiteral("班级.csv"));
        FileDialogs::setNextFileName(csv);
        grid.exportSheet();
        QCOMPARE(MessageService::texts().last(), QStringLiteral("已导出 2 行到“%1”。").arg(csv));
        QFile written(csv);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), SheetWriter::csvText(t));
        FileDialogs::setNextFileName(QString());
        MessageService::clearMessages();
        grid.exportSheet(); // cancelled: nothing said, nothing written
        QVERIFY(MessageService::texts().isEmpty());
    }
};

QTEST_MAIN(TestSheets)
#include "tst_sheets.moc"
