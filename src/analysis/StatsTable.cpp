#include "analysis/StatsTable.h"

#include "data/Schema.h"
#include "exams/Points.h"
#include "exams/ScoreMarks.h"

#include <QtMath>

namespace velmora::Analysis {

namespace {

// a ÷ b rounded half up, for b > 0 and a ≥ 0.
qint64 halfUp(qint64 a, qint64 b)
{
    return (2 * a + b) / (2 * b);
}

// A score (or a total) against its full marks.
void count(StatsRow& row, int score, int full, const StatsRules& rules, const GradeBands& grades)
{
    row.grades.resize(grades.bands.size());
    if (!grades.bands.isEmpty())
        ++row.grades[grades.indexOf(score, full)];
    row.add(score, full, rules);
    if (full > 0)
        ++row.bands[qBound(0, int(qint64(score) * 10 / full), 9)];
}

} // namespace

std::optional<qint64> StatsRow::averageTenths() const
{
    if (sat == 0)
        return std::nullopt;
    return Points::averageTenths(sum, sat, scale);
}

std::optional<qint64> StatsRow::sigmaTenths() const
{
    if (sat == 0)
        return std::nullopt;
    // σ = √(nΣx² − (Σx)²) ÷ n; the radicand is exact in whole numbers.
    const qint64 radicand = qint64(sat) * squares - sum * sum;
    return qint64(std::floor(10.0 * std::sqrt(double(radicand)) / sat / scale + 0.5));
}

std::optional<qint64> StatsRow::shareTenths(int count) const
{
    if (sat == 0)
        return std::nullopt;
    return halfUp(qint64(count) * 1000, sat);
}

StatsTable statsOf(const TestCells& cells, const StatsRules& rules, const GradeBands& grades)
{
    const QStringList& subjects = cells.subjects;
    const QVector<int>& fullMarks = cells.fullMarks;
    const QVector<StudentCells>& students = cells.students;
    StatsTable table;
    table.rules = rules;
    table.grades = grades;
    table.fullMarks = fullMarks;
    table.rows.resize(subjects.size() + 1);
    for (StatsRow& row : table.rows) {
        row.grades.resize(grades.bands.size());
        row.scale = cells.scale;
    }
    for (int s = 0; s < subjects.size(); ++s)
        table.rows[s].item = subjects[s];
    StatsRow& total = table.rows.last();
    total.item = QStringLiteral("总分");
    for (const StudentCells& student : students) {
        bool absent = false, deferred = false, cheated = false;
        for (int s = 0; s < subjects.size(); ++s) {
            StatsRow& row = table.rows[s];
            const QString mark = student.marks.value(s);
            std::optional<int> score = student.scores.value(s);
            if (!score && mark == ScoreMarks::kExempt) {
                ++row.exempt;
                continue;
            }
            ++row.expected;
            if (!score && mark == ScoreMarks::kCheated) {
                ++row.cheated;
                row.cheats << student.number;
                cheated = true;
                if (rules.cheatAsZero)
                    score = 0;
            }
            if (score) {
                count(row, *score, fullMarks.value(s), rules, grades);
            } else if (mark == ScoreMarks::kAbsent) {
                ++row.absent;
                row.absentees << student.number;
                absent = true;
            } else if (mark == ScoreMarks::kDeferred) {
                ++row.deferred;
                row.deferrals << student.number;
                deferred = true;
            }
        }
        const ScoreMarks::Total sum = ScoreMarks::totalOf(student.scores, student.marks, fullMarks, rules);
        if (sum.exempt) {
            ++total.exempt;
            continue;
        }
        ++total.expected;
        total.cheated += cheated;
        if (sum.whole) {
            count(total, sum.sum, sum.fullMarks, rules, grades);
        } else if (absent) {
            ++total.absent;
            total.absentees << student.number;
        } else if (deferred) {
            ++total.deferred;
            total.deferrals << student.number;
        }
    }
    return table;
}

Result<TestCells> cellsOf(const Database& db, const TestRecord& test)
{
    TestCells out;
    // Tenths, whether the test takes half points or not: one arithmetic for both.
    out.scale = Points::kTenths;
    QStringList& subjects = out.subjects;
    for (int i : test.items.subjects) {
        if (i >= 0 && i < Schema::subjects().size()) {
            subjects << Schema::subjects()[i];
            out.fullMarks << test.items.fullMarksOf(i) * out.scale;
        }
    }
    // The names come from the fixed list, never from what was typed.
    auto rows = db.select(QStringLiteral("select 学号%1 from %2 order by 学号")
                              .arg(subjects.isEmpty() ? QString() : QStringLiteral(", ") + subjects.join(u", "),
                                  Schema::scoreTableName(test.number)));
    if (!rows)
        return rows.error();
    auto marks = ScoreMarks::load(db, test.number);
    if (!marks)
        return marks.error();
    QVector<StudentCells>& students = out.students;
    students.reserve(rows->recordCount());
    for (const QVector<QVariant>& row : rows->rows()) {
        StudentCells cells;
        cells.number = row.value(0).toString().trimmed();
        const auto held = marks->value(cells.number);
        cells.scores.resize(subjects.size());
        cells.marks.resize(subjects.size());
        for (int s = 0; s < subjects.size(); ++s) {
            const QVariant& v = row[s + 1];
            if (!v.isNull())
                cells.scores[s] = Points::fromStored(v);
            else if (!held.isEmpty())
                cells.marks[s] = held.value(subjects[s]);
        }
        students << cells;
    }
    return out;
}

Result<StatsTable> statsOf(
    const Database& db, const TestRecord& test, const StatsRules& rules, const GradeBands& grades)
{
    auto cells = cellsOf(db, test);
    if (!cells)
        return cells.error();
    return statsOf(*cells, rules, grades);
}

QString tenthsText(qint64 tenths, bool signedChange)
{
    return Points::figureText(tenths, signedChange);
}

namespace {

QVariant tenthsCell(std::optional<qint64> tenths)
{
    return tenths ? QVariant(double(*tenths) / 10) : QVariant();
}

// A figure as the exact quotient it is rounded from.
struct Ratio
{
    qint64 num = 0;
    qint64 den = 0; // 0: no figure
};

Ratio averageOf(const StatsRow& r)
{
    return { r.sum, qint64(r.sat) * r.scale };
}

// The average as percent of full marks, where the scales differ.
Ratio rateOf(const StatsRow& r, qint64 fullMarks)
{
    return { r.sum * 100, qint64(r.sat) * fullMarks };
}

Ratio shareOf(const StatsRow& r, int count)
{
    return { qint64(count) * 100, r.sat };
}

// The change in tenths, rounded once from the exact figures (half away from zero), as a number.
QVariant changeCell(Ratio now, Ratio before)
{
    if (now.den <= 0 || before.den <= 0)
        return {};
    const qint64 num = 10 * (now.num * before.den - before.num * now.den);
    const qint64 den = now.den * before.den;
    const qint64 tenths = (2 * qAbs(num) + den) / (2 * den);
    return double(num < 0 ? -tenths : tenths) / 10;
}

// Full marks in points, with the subjects they are of: only a change between
// equal scales is a change of points.
QString scaleOf(const StatsTable& table, const StatsRow& row, qint64& fullMarks)
{
    const qsizetype at = &row - table.rows.constData();
    QStringList parts;
    fullMarks = 0;
    for (qsizetype s = 0; s < table.fullMarks.size(); ++s) {
        if (at == table.rows.size() - 1 || s == at) {
            fullMarks += table.fullMarks[s];
            parts << table.rows[s].item + QLatin1Char(':') + QString::number(double(table.fullMarks[s]) / row.scale);
        }
    }
    return parts.join(QLatin1Char(','));
}

const StatsRow* rowOf(const StatsTable* table, const QString& item)
{
    if (!table)
        return nullptr;
    for (const StatsRow& r : table->rows) {
        if (r.item == item)
            return &r;
    }
    return nullptr;
}

} // namespace

void appendSection(SheetTable& sheet, const SheetTable& section)
{
    sheet.rows << QVector<QVariant>();
    QVector<QVariant> heading;
    for (const QString& h : section.headers)
        heading << h;
    sheet.rows << heading;
    sheet.rows += section.rows;
}

QString sigmaNote()
{
    return QStringLiteral("总体标准差：除以实考人数，同 Excel 的 STDEV.P");
}

SheetTable statsSheet(const StatsTable& table, const QString& title, const StatsTable* earlier)
{
    SheetTable sheet;
    sheet.title = title;
    const bool compare = earlier != nullptr;
    const QString change = QStringLiteral("变化");
    sheet.headers << QStringLiteral("科目") << QStringLiteral("应考") << QStringLiteral("实考")
                  << QStringLiteral("缺考") << QStringLiteral("免考") << QStringLiteral("平均分");
    if (compare)
        sheet.headers << QStringLiteral("平均分") + change << QStringLiteral("变化按");
    sheet.headers << QStringLiteral("最高分") << QStringLiteral("最低分") << QStringLiteral("总体标准差");
    for (const QString& rate :
        { QStringLiteral("优秀"), QStringLiteral("良好"), QStringLiteral("及格"), QStringLiteral("低分") }) {
        sheet.headers << rate + QStringLiteral("人数") << rate + QStringLiteral("率(%)");
        if (compare)
            sheet.headers << rate + QStringLiteral("率") + change;
    }
    for (const StatsRow& r : table.rows) {
        const StatsRow* before = rowOf(earlier, r.item);
        const auto average = r.averageTenths();
        QVector<QVariant> cells { r.item, r.expected, r.sat, r.absent, r.exempt, tenthsCell(average) };
        if (compare && before) {
            // Different full marks or subjects: compared as shares of full marks.
            qint64 full = 0, fullBefore = 0;
            if (scaleOf(table, r, full) == scaleOf(*earlier, *before, fullBefore))
                cells << changeCell(averageOf(r), averageOf(*before)) << QStringLiteral("分数");
            else
                cells << changeCell(rateOf(r, full), rateOf(*before, fullBefore)) << QStringLiteral("得分率(百分点)");
        } else if (compare) {
            cells << QVariant() << QVariant();
        }
        const auto extreme
            = [&r](int v) { return r.sat ? Points::value(qint64(v) * Points::kTenths / r.scale) : QVariant(); };
        cells << extreme(r.highest) << extreme(r.lowest) << tenthsCell(r.sigmaTenths());
        for (int StatsRow::*count : { &StatsRow::excellent, &StatsRow::good, &StatsRow::pass, &StatsRow::low }) {
            const auto share = r.shareTenths(r.*count);
            cells << r.*count << tenthsCell(share);
            if (compare)
                cells << (before ? changeCell(shareOf(r, r.*count), shareOf(*before, before->*count)) : QVariant());
        }
        sheet.rows << cells;
    }
    sheet.rows << QVector<QVariant>();
    QVector<QVariant> heading { QStringLiteral("分数段（满分的）") };
    for (const StatsRow& r : table.rows)
        heading << r.item + QStringLiteral("人数") << r.item + QStringLiteral("比率(%)");
    sheet.rows << heading;
    for (int band = 9; band >= 0; --band) {
        QVector<QVariant> cells { band == 9 ? QStringLiteral("90%～100%")
                                            : QStringLiteral("%1%～%2%").arg(band * 10).arg(band * 10 + 10) };
        for (const StatsRow& r : table.rows)
            cells << r.bands[band] << tenthsCell(r.shareTenths(r.bands[band]));
        sheet.rows << cells;
    }
    sheet.rows << QVector<QVariant>();
    QVector<QVariant> grading { QStringLiteral("等级（%1）").arg(table.grades.caption()) };
    for (const StatsRow& r : table.rows)
        grading << r.item + QStringLiteral("人数") << r.item + QStringLiteral("比率(%)");
    sheet.rows << grading;
    for (int g = 0; g < table.grades.bands.size(); ++g) {
        QVector<QVariant> cells { table.grades.bands[g].name };
        for (const StatsRow& r : table.rows)
            cells << r.grades.value(g) << tenthsCell(r.shareTenths(r.grades.value(g)));
        sheet.rows << cells;
    }
    return sheet;
}

} // namespace velmora::Analysis
