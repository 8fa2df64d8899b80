#include "students/ReportLayout.h"
#include "students/StudentRecord.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace velmora;

class TestStudentRecord : public QObject
{
    Q_OBJECT

    static StudentInput complete()
    {
        StudentInput in;
        in.record[StudentRecord::Number] = QStringLiteral("2024001");
        in.record[StudentRecord::Name] = QStringLiteral("张三");
        in.record[StudentRecord::Birth] = QStringLiteral("1985-01-31");
        in.record[StudentRecord::Address] = QStringLiteral("中山路1号");
        in.record[StudentRecord::Nation] = QStringLiteral("汉");
        in.nativeText = QStringLiteral("浙江");
        in.sexChosen = true;
        return in;
    }

private Q_SLOTS:
    void checkOrderAndFirstMessageOnly_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("native");
        QTest::addColumn<bool>("sex");
        QTest::addColumn<QString>("message");
        const QString fill = QStringLiteral("请填写完整！");
        const QString date = QStringLiteral("请按示例正确填写出生日期！");
        const QString digits = QStringLiteral("学号只能由1到10位数字组成，请重新填写！");
        const auto row = [](const char* name, int column, const char* value, const char* native, bool sex,
                             const QString& message) {
            QTest::newRow(name) << column << QString::fromUtf8(value) << QString::fromUtf8(native) << sex << message;
        };
        row("complete", -1, "", "浙江", true, {});
        row("no number", StudentRecord::Number, "", "浙江", true, fill);
        row("no nation", StudentRecord::Nation, "", "浙江", true, fill);
        row("prompt left", -1, "", "请选择...", true, fill);
        row("prompt cut", -1, "", "请选择", true, fill);
        row("native empty", -1, "", "", true, fill);
        row("no sex", -1, "", "浙江", false, fill);
        // An empty field is reported before a bad date.
        row("empty before date", StudentRecord::Birth, "", "", true, fill);
        row("slashes", StudentRecord::Birth, "1985/1/31", "浙江", true, {});
        row("chinese date", StudentRecord::Birth, "1985年1月31日", "浙江", true, {});
        row("leap day", StudentRecord::Birth, "2000-02-29", "浙江", true, {});
        row("no such day", StudentRecord::Birth, "1985-02-30", "浙江", true, date);
        row("not leap", StudentRecord::Birth, "1900-02-29", "浙江", true, date);
        row("words", StudentRecord::Birth, "去年春天", "浙江", true, date);
        row("mixed separators", StudentRecord::Birth, "1985-01/31", "浙江", true, date);
        row("letters in number", StudentRecord::Number, "20a4", "浙江", true, digits);
        row("eleven digits", StudentRecord::Number, "12345678901", "浙江", true, digits);
        row("quote in number", StudentRecord::Number, "1' or '1", "浙江", true, digits);
        row("native too long", -1, "", "浙江省杭州市西湖区文三路街道某某社区某号楼", true,
            "籍贯最多只能填写20个字符，请修改！");
    }

    void checkOrderAndFirstMessageOnly()
    {
        QFETCH(int, column);
        QFETCH(QString, value);
        QFETCH(QString, native);
        QFETCH(bool, sex);
        QFETCH(QString, message);
        StudentInput in = complete();
        if (column >= 0)
            in.record.values[column] = value;
        in.nativeText = native;
        in.record[StudentRecord::Native] = native;
        in.sexChosen = sex;
        QCOMPARE(checkStudentInput(in), message);
    }

    void reportPages()
    {
        // A4 landscape less one-inch margins.
        const int page = 11906 - 2 * 1440;
        auto none = ReportLayout::paginate(0, page);
        QCOMPARE(none.size(), 1);
        QVERIFY(none[0].reportHeader && none[0].reportFooter);
        QCOMPARE(none[0].rowCount, 0);

        // Later pages carry on where the one before stopped, without the report's header.
        auto many = ReportLayout::paginate(100, page);
        QCOMPARE(many[1].firstRow, many[0].rowCount);
        QVERIFY(!many[1].reportHeader && many[1].rowCount > many[0].rowCount);

        // The empty report footer never takes a page of its own: every class
        // size from one student to three pages' worth prints students on every page.
        for (int students = 1; students <= 100; ++students) {
            const auto pages = ReportLayout::paginate(students, page);
            int total = 0;
            for (const auto& p : pages) {
                QVERIFY2(p.rowCount > 0, qPrintable(QString::number(students)));
                total += p.rowCount;
            }
            QCOMPARE(total, students);
        }
        QVERIFY(ReportLayout::paginate(5, page)[0].reportFooter);
        QVERIFY(!ReportLayout::paginate(30, page).last().reportFooter);

        // Tall rows take their height; a row taller than a page still gets one.
        auto tall = ReportLayout::paginate(QVector<int> { 240, 3000, 240, 20000, 240 }, page);
        QCOMPARE(tall.size(), 3);
        QCOMPARE(tall[0].rowCount, 3);
        QCOMPARE(tall[1].rowCount, 1);
        QCOMPARE(tall[2].firstRow, 4);
        QCOMPARE(ReportLayout::pageNumber(2, 3), QStringLiteral("第 2 页 / 共 3 页"));
    }

    // Anything the date check accepts names a real day.
    void dateCheckFuzz()
    {
        QRandomGenerator rng(99);
        const QString alphabet = QStringLiteral("0123456789-/.年月日 a");
        for (int round = 0; round < 5000; ++round) {
            QString text;
            for (int n = int(rng.bounded(0u, 14u)); n > 0; --n)
                text += alphabet[int(rng.bounded(quint32(alphabet.size())))];
            if (StudentRecord::isDate(text)) {
                // Anything accepted names a real day.
                static const QRegularExpression parts(QStringLiteral("(\\d+)\\D+(\\d+)\\D+(\\d+)"));
                const auto m = parts.match(text);
                QVERIFY2(m.hasMatch(), qPrintable(text));
                QVERIFY2(QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()).isValid(),
                    qPrintable(text));
            }
        }
        for (int y = 1990; y < 2030; ++y) {
            for (int d = 1; d <= 31; d += 3) {
                const QString t = QStringLiteral("%1-02-%2").arg(y).arg(d, 2, 10, QLatin1Char('0'));
                QCOMPARE(StudentRecord::isDate(t), QDate(y, 2, d).isValid());
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestStudentRecord)
#include "tst_studentrecord.moc"
