#include "exams/ScoreExport.h"

#include "data/Schema.h"
#include "exams/Points.h"
#include "exams/ScoreMarks.h"
#include "exams/ScoreSheet.h"
#include "exams/TestRecord.h"
#include "students/StudentRecord.h"

#include <QHash>

namespace velmora::ScoreExport {

Result<QVector<SheetTable>> allTests(const Database& db)
{
    auto tests = Exams::list(db);
    if (!tests)
        return tests.error();
    auto numbers = Students::numbers(db);
    if (!numbers)
        return numbers.error();
    auto names = Students::names(db);
    if (!names)
        return names.error();

    SheetTable totals { QStringLiteral("总分汇总"), { QStringLiteral("学号"), QStringLiteral("姓名") }, {} };
    QHash<QString, int> rowOf;
    for (const QString& n : *numbers) {
        rowOf.insert(n.trimmed(), int(totals.rows.size()));
        totals.rows.push_back({ n.trimmed(), names->value(n.trimmed()) });
    }
    QVector<SheetTable> book { totals };
    for (const TestRecord& t : *tests) {
        auto rows = Scores::rows(db, t.number);
        if (!rows)
            return rows.error();
        auto marks = ScoreMarks::load(db, t.number);
        if (!marks)
            return marks.error();
        SheetTable sheet { QStringLiteral("考试%1 %2 %3").arg(t.number).arg(t.name, t.date),
            { QStringLiteral("学号"), QStringLiteral("姓名") }, {} };
        const QStringList columns = t.items.scoreColumns().mid(1);
        for (const QString& c : columns) {
            const int subject = int(Schema::subjects().indexOf(c));
            sheet.headers << (subject >= 0 ? t.items.caption(subject) : c);
        }
        const int nSubjects = int(t.items.subjects.size());
        bool anyMissing = false;
        for (auto& r : book[0].rows)
            r << QVariant();
        for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
            const QString number = rows->text(u"学号");
            const auto held = marks->value(number);
            QVector<QVariant> row { number, names->value(number) };
            qint64 total = 0; // in tenths
            bool entered = false, missing = false;
            for (int c = 0; c < columns.size(); ++c) {
                const QVariant v = rows->value(columns[c]);
                const bool comment = c == columns.size() - 1 && t.items.comment;
                if (comment)
                    row << (rows->text(columns[c]).isEmpty() ? QVariant() : QVariant(rows->text(columns[c])));
                else if (c < nSubjects && !v.isNull())
                    row << Points::value(Points::fromStored(v).value_or(0));
                else if (!v.isNull())
                    row << v.toInt();
                else
                    row << (c < nSubjects && !held.value(columns[c]).isEmpty() ? QVariant(held.value(columns[c]))
                                                                               : QVariant());
                if (c < nSubjects) {
                    missing = missing || v.isNull();
                    entered = entered || !v.isNull();
                    total += Points::fromStored(v).value_or(0);
                }
            }
            sheet.rows << row;
            anyMissing = anyMissing || (missing && entered);
            if (const auto at = rowOf.constFind(number); at != rowOf.constEnd() && entered)
                book[0].rows[*at].last() = Points::value(total);
        }
        book[0].headers << QStringLiteral("考试%1 %2").arg(t.number).arg(t.name).trimmed()
                + (anyMissing ? QStringLiteral("（有未录入）") : QString());
        book << sheet;
    }
    return book;
}

} // namespace velmora::ScoreExport
