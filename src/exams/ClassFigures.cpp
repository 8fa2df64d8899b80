#include "exams/ClassFigures.h"

#include "exams/Points.h"
#include "sheets/SheetReader.h"

#include <QMap>

namespace velmora::ClassFigures {

namespace {
const QString kTable = QStringLiteral("velmora_class_figures");
const QStringList kColumns { QStringLiteral("考试号"), QStringLiteral("班级"), QStringLiteral("项目"),
    QStringLiteral("实考"), QStringLiteral("总和"), QStringLiteral("平方和"), QStringLiteral("最高"),
    QStringLiteral("最低"), QStringLiteral("优秀"), QStringLiteral("良好"), QStringLiteral("及格"),
    QStringLiteral("低分") };
constexpr int kMaxClassName = 30;

} // namespace

QString classKey(const QString& written)
{
    QString key = written.simplified().remove(QLatin1Char(' '));
    key.replace(QChar(0xFF08), QLatin1Char('(')).replace(QChar(0xFF09), QLatin1Char(')'));
    return key.left(kMaxClassName);
}

QVector<Figures> ofRows(const SheetTable& sheet, const QVector<std::pair<int, QString>>& rows,
    const QVector<Subject>& subjects, const StatsRules& rules)
{
    QMap<QString, QVector<Figures>> byClass; // per class: the subjects, then the total
    int totalFull = 0;
    for (const Subject& s : subjects)
        totalFull += s.fullMarks * Points::kTenths;
    for (const auto& [row, written] : rows) {
        const QString cls = classKey(written);
        if (cls.isEmpty() || row < 0 || row >= sheet.rows.size())
            continue;
        QVector<Figures>& figures = byClass[cls];
        if (figures.isEmpty()) {
            for (const Subject& s : subjects)
                figures.push_back({ {}, cls, s.name });
            figures.push_back({ {}, cls, kTotal });
        }
        qint64 total = 0;
        bool whole = !subjects.isEmpty();
        for (int s = 0; s < subjects.size(); ++s) {
            const QString text = SheetReader::cellText(sheet.rows[row].value(subjects[s].column)).trimmed();
            const auto tenths = Points::parse(text, true);
            const int full = subjects[s].fullMarks * Points::kTenths;
            if (!tenths || *tenths > full) {
                whole = false;
                continue;
            }
            figures[s].add(*tenths, full, rules);
            total += *tenths;
        }
        if (whole)
            figures.last().add(int(total), totalFull, rules);
    }
    QVector<Figures> out;
    for (const QVector<Figures>& figures : std::as_const(byClass))
        out += figures;
    return out;
}

Result<bool> kept(const Database& db)
{
    return db.tableExists(kTable);
}

Status store(Database& db, int test, const QVector<Figures>& figures)
{
    if (auto gone = db.exec(QStringLiteral("delete from velmora_class_figures where 考试号=?"), { test }); !gone)
        return gone.error();
    QVector<QVariantList> rows;
    for (const Figures& f : figures) {
        rows.push_back({ test, f.className, f.item, f.sat, f.sum, f.squares, f.highest, f.lowest, f.excellent, f.good,
            f.pass, f.low });
    }
    return db.insertRows(kTable, kColumns, rows);
}

Result<QVector<Figures>> load(const Database& db, int test)
{
    QVector<Figures> out;
    auto exists = kept(db);
    if (!exists)
        return exists.error();
    if (!*exists)
        return out;
    auto rows = db.select(QStringLiteral("select %1 from velmora_class_figures where 考试号=? order by 班级")
                              .arg(kColumns.mid(1).join(QStringLiteral(", "))),
        { test });
    if (!rows)
        return rows.error();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        Figures f { {}, rows->text(0), rows->text(1) };
        f.sat = rows->value(2).toInt();
        f.sum = rows->value(3).toLongLong();
        f.squares = rows->value(4).toLongLong();
        f.highest = rows->value(5).toInt();
        f.lowest = rows->value(6).toInt();
        f.excellent = rows->value(7).toInt();
        f.good = rows->value(8).toInt();
        f.pass = rows->value(9).toInt();
        f.low = rows->value(10).toInt();
        out << f;
    }
    return out;
}

} // namespace velmora::ClassFigures
