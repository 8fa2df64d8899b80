#include "analysis/GradeCompare.h"

#include "exams/Points.h"

#include <algorithm>

namespace velmora::Analysis {

namespace {

StatsRow rowOf(const ClassFigures::Figures& f)
{
    StatsRow r;
    static_cast<Tally&>(r) = f;
    r.item = f.item;
    r.expected = f.sat;
    r.scale = Points::kTenths;
    return r;
}

void add(StatsRow& to, const StatsRow& r)
{
    if (r.sat == 0)
        return;
    to.highest = to.sat ? qMax(to.highest, r.highest) : r.highest;
    to.lowest = to.sat ? qMin(to.lowest, r.lowest) : r.lowest;
    to.sat += r.sat;
    to.expected += r.sat;
    to.sum += r.sum;
    to.squares += r.squares;
    to.excellent += r.excellent;
    to.good += r.good;
    to.pass += r.pass;
    to.low += r.low;
}

// The figure as an exact ratio, compared across classes without rounding.
std::optional<std::pair<qint64, qint64>> ratioOf(const StatsRow& r, Figure f)
{
    if (r.sat == 0)
        return std::nullopt;
    switch (f) {
    case Figure::Average:
        return std::pair { r.sum, qint64(r.sat) };
    case Figure::Highest:
        return std::pair { qint64(r.highest), qint64(1) };
    case Figure::Excellent:
        return std::pair { qint64(r.excellent), qint64(r.sat) };
    case Figure::Good:
        return std::pair { qint64(r.good), qint64(r.sat) };
    case Figure::Pass:
        return std::pair { qint64(r.pass), qint64(r.sat) };
    case Figure::Low:
        return std::pair { -qint64(r.low), qint64(r.sat) };
    }
    return std::nullopt;
}

QVariant tenthsCell(std::optional<qint64> tenths)
{
    return tenths ? QVariant(double(*tenths) / 10) : QVariant();
}

// 实考, 平均分, 最高分, 标准差, then the four rates.
void figures(QVector<QVariant>& cells, const StatsRow& r)
{
    cells << r.sat << tenthsCell(r.averageTenths())
          << (r.sat ? Points::value(qint64(r.highest) * Points::kTenths / r.scale) : QVariant())
          << tenthsCell(r.sigmaTenths());
    for (int StatsRow::*count : { &StatsRow::excellent, &StatsRow::good, &StatsRow::pass, &StatsRow::low })
        cells << tenthsCell(r.shareTenths(r.*count));
}

const QVector<std::pair<Figure, QString>>& placed()
{
    static const QVector<std::pair<Figure, QString>> figures { { Figure::Average, QStringLiteral("平均分") },
        { Figure::Highest, QStringLiteral("最高分") }, { Figure::Excellent, QStringLiteral("优秀率") },
        { Figure::Good, QStringLiteral("良好率") }, { Figure::Pass, QStringLiteral("及格率") },
        { Figure::Low, QStringLiteral("低分率") } };
    return figures;
}

} // namespace

GradeTable gradeTable(const StatsTable& own, const QVector<ClassFigures::Figures>& others)
{
    GradeTable t;
    for (const ClassFigures::Figures& f : others) {
        if (!t.classes.contains(f.className))
            t.classes << f.className;
    }
    std::sort(t.classes.begin(), t.classes.end());
    for (const StatsRow& r : own.rows) {
        StatsRow mine = r;
        // Ours in tenths as theirs are: a term grade's already are, a test's too.
        t.items << r.item;
        t.own << mine;
        QVector<StatsRow> theirs(t.classes.size());
        for (const ClassFigures::Figures& f : others) {
            if (f.item == r.item)
                theirs[t.classes.indexOf(f.className)] = rowOf(f);
        }
        StatsRow grade;
        grade.item = r.item;
        grade.scale = r.scale;
        add(grade, mine);
        for (const StatsRow& o : std::as_const(theirs))
            add(grade, o);
        t.others << theirs;
        t.grade << grade;
    }
    return t;
}

std::optional<Place> placeOf(const GradeTable& table, int item, Figure figure)
{
    if (item < 0 || item >= table.own.size())
        return std::nullopt;
    const auto mine = ratioOf(table.own[item], figure);
    if (!mine)
        return std::nullopt;
    Place p { 1, 1 };
    for (const StatsRow& o : table.others[item]) {
        const auto theirs = ratioOf(o, figure);
        if (!theirs)
            continue;
        ++p.of;
        // a/b > c/d, both denominators positive.
        p.place += theirs->first * mine->second > mine->first * theirs->second;
    }
    return p;
}

QString placeText(const std::optional<Place>& place)
{
    return place ? QStringLiteral("第%1/%2").arg(place->place).arg(place->of) : QString();
}

QVector<int> topCounts(const QStringList& schoolRanks, const QVector<int>& tops)
{
    QVector<int> out(tops.size());
    for (const QString& text : schoolRanks) {
        bool ok = false;
        const int rank = text.trimmed().toInt(&ok);
        for (int n = 0; n < tops.size() && ok && rank > 0; ++n)
            out[n] += rank <= tops[n];
    }
    return out;
}

SheetTable gradeSheet(const GradeTable& table, const QString& title, const GradeTable* earlier,
    const QVector<int>& tops, const QVector<int>& counts)
{
    SheetTable sheet;
    sheet.title = title;
    const QStringList names { QStringLiteral("实考"), QStringLiteral("平均分"), QStringLiteral("最高分"),
        QStringLiteral("标准差"), QStringLiteral("优秀率(%)"), QStringLiteral("良好率(%)"), QStringLiteral("及格率(%)"),
        QStringLiteral("低分率(%)") };
    sheet.headers << QStringLiteral("科目");
    const auto group = [&](const QString& who) {
        for (const QString& n : names)
            sheet.headers << who + n;
    };
    group(QStringLiteral("本班"));
    for (const auto& [figure, name] : placed())
        sheet.headers << name + QStringLiteral("名次");
    group(QStringLiteral("年级"));
    for (const QString& c : table.classes)
        group(c);
    for (int i = 0; i < table.items.size(); ++i) {
        QVector<QVariant> cells { table.items[i] };
        figures(cells, table.own[i]);
        const int before = earlier ? int(earlier->items.indexOf(table.items[i])) : -1;
        for (const auto& [figure, name] : placed()) {
            QString text = placeText(placeOf(table, i, figure));
            if (earlier && !text.isEmpty()) {
                const QString then = placeText(placeOf(*earlier, before, figure));
                text = (then.isEmpty() ? QStringLiteral("—") : then) + QStringLiteral("→") + text;
            }
            cells << text;
        }
        figures(cells, table.grade[i]);
        for (const StatsRow& o : table.others[i])
            figures(cells, o);
        sheet.rows << cells;
    }
    if (!tops.isEmpty() && tops.size() == counts.size()) {
        sheet.rows << QVector<QVariant>();
        QVector<QVariant> heading { QStringLiteral("年级前N名（按成绩单的校次）") };
        QVector<QVariant> ours { QStringLiteral("本班人数") };
        for (int n = 0; n < tops.size(); ++n) {
            heading << QStringLiteral("前%1名").arg(tops[n]);
            ours << counts[n];
        }
        sheet.rows << heading << ours;
    }
    return sheet;
}

} // namespace velmora::Analysis
