#include "analysis/ClassTable.h"

#include "analysis/Analysis.h"
#include "classes/StatsRules.h"
#include "data/Schema.h"
#include "exams/Points.h"
#include "exams/ScoreMarks.h"

namespace velmora::Analysis {

bool ClassTable::hasMissing() const
{
    for (const QStringList& row : rows) {
        if (row.value(1).endsWith(QLatin1Char('*')))
            return true;
    }
    return false;
}

void ClassTable::keep(int first, int count)
{
    const int total = int(rows.size());
    first = qBound(1, first, total + 1);
    count = qBound(0, count, total - first + 1);
    rows = rows.mid(first - 1, count);
}

Result<ClassTable> classTable(const Database& db, const TestRecord& test, const QVector<int>& summed, ClassOrder order)
{
    const QString sql = order == ClassOrder::NumberDescending
        ? QStringLiteral("select * from tblScore%1 order by 学号 desc")
        // Sorted on the totals below, where an empty score counts 0, not in
        // SQL, where the sum of a row with an empty score is itself empty.
        : QStringLiteral("select * from tblScore%1 order by 学号");
    auto r = db.select(sql.arg(test.number));
    if (!r)
        return r.error();
    QVector<int> columns;
    QStringList names;
    QVector<bool> counted;
    QVector<int> fullMarks; // of the subjects summed
    for (int i = 0; i < Schema::subjects().size(); ++i) {
        if (!test.items.hasSubject(i))
            continue;
        const int column = r->indexOf(Schema::subjects()[i]);
        if (column < 0)
            return Error::refused(QStringLiteral("考试%1的成绩表中没有“%2”这一列，无法分析！")
                                      .arg(test.number)
                                      .arg(Schema::subjects()[i]));
        columns << column;
        names << Schema::subjects()[i];
        counted << (summed.isEmpty() || summed.contains(i));
        if (counted.last())
            fullMarks << test.items.fullMarksOf(i) * Points::kTenths;
    }
    auto marks = ScoreMarks::load(db, test.number);
    if (!marks)
        return marks.error();
    auto rules = StatsRules::load(db);
    if (!rules)
        return rules.error();
    ClassTable table;
    table.rows.reserve(r->recordCount());
    for (r->moveFirst(); !r->eof(); r->moveNext()) {
        QStringList values { r->text(u"学号"), QString() };
        const auto held = marks->value(values[0]);
        QVector<std::optional<int>> scores;
        QStringList why;
        for (int k = 0; k < columns.size(); ++k) {
            const std::optional<int> tenths = Points::fromStored(r->value(columns[k]));
            // An empty score shows why it is missing.
            const QString mark = tenths ? QString() : held.value(names[k]);
            values << (tenths ? Points::text(*tenths) : mark);
            if (!counted[k])
                continue;
            scores << tenths;
            why << mark;
        }
        const ScoreMarks::Total total = ScoreMarks::totalOf(scores, why, fullMarks, *rules);
        values[1] = Points::text(total.sum) + (total.whole ? QString() : QStringLiteral("*"));
        table.rows << values;
    }
    if (order == ClassOrder::TotalDescending)
        sortByTotal(table.rows, 0, 1);
    return table;
}

} // namespace velmora::Analysis
