#include "platform/MessageService.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ResultGrid.h"
#include "sheets/SheetWriter.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

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

static bool haveOpenpyxl()
{
    return QProcess::execute(pythonProgram(), { QStringLiteral("-c"), QStringLiteral("import openpyxl") }) == 0;
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
        if (!haveOpenpyxl())
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

        // A folder that cannot take the file: said so, nothing left behind.
        const QString nowhere = m_dir.filePath(QStringLiteral("no/such/folder/x.xlsx"));
        auto failed = SheetWriter::writeXlsx(nowhere, sheets);
        QVERIFY(!failed);
        QVERIFY(failed.error().message().contains(QStringLiteral("x.xlsx")));
        QVERIFY(!QFile::exists(nowhere + QStringLiteral(".part")));
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
