#pragma once

#include "analysis/StatsTable.h"
#include "data/Database.h"
#include "exams/ReportCards.h"

#include <QStringList>
#include <QVector>
#include <optional>

namespace velmora::Analysis {

// 学期总评: a named set of up to six tests, each with a weight in percent.
struct TermDefinition
{
    static constexpr int kMaxTests = 6;
    static constexpr int kMaxName = 50;
    struct Part
    {
        int test = 0;
        int weight = 0;
        bool operator==(const Part&) const = default;
    };
    QString name;
    QVector<Part> parts;

    // Empty when it may be kept, else why not ("权重合计应为100%，现在是90%。").
    QString problem() const;
    bool operator==(const TermDefinition&) const = default;
};

namespace Terms {
// By name; none in an older database.
Result<QVector<TermDefinition>> list(const Database& db);
// Replaces the definition called `replacing` (or adds it, when empty); a
// name another definition has is refused.
Status save(Database& db, const TermDefinition& term, const QString& replacing = {});
Status remove(Database& db, const QString& name);
} // namespace Terms

// One student's grade in one subject, on a scale of 100, in tenths.
struct TermCell
{
    std::optional<qint64> tenths;
    // Why it is not the weighted whole: "期中考试缺考，其余按比例计", or empty.
    QString why;
};

struct TermSheet
{
    QStringList subjects; // assessed by any of the tests, in the fixed order
    struct Row
    {
        QString number;
        QVector<TermCell> cells;
        std::optional<qint64> total; // the sum of the grades there are, in tenths
        bool partial = false; // a subject without a grade, or marked
        std::optional<int> rank;
    };
    QVector<Row> rows; // everyone in any of the tests, in 学号 order
};

// Each test's cells with its name, in the definition's order.
struct TermInput
{
    QString testName;
    int weight = 0;
    TestCells cells;
};
// Per subject, Σ weight × score ÷ full marks × 100 over the tests assessing
// it, divided by the weights of those tests: a test the student missed
// (缺考, 缓考, 免考, empty, 作弊 where it is not 0) leaves its weight out and
// marks the cell; 免考 in all of them gives no grade. Ranked by the total
// among those whose every subject has its whole grade.
TermSheet termSheet(const QVector<TermInput>& tests, const StatsRules& rules);
Result<TermSheet> termSheet(const Database& db, const TermDefinition& term, const StatsRules& rules);

// The term grades as one more test on a report card, in tenths of 100 per
// subject: no grade is 免考 or 缺考 in place of the score, a partial one is
// starred with why; ranks as the sheet gives them.
ReportCards::TestCards termCards(const TermSheet& sheet, const QString& name, const QHash<QString, QString>& names);
Result<ReportCards::TestCards> termCards(const Database& db, const TermDefinition& term);

// The cards of the tests, with each term grade's before them in the order given.
Result<ReportCards::Term> cardsOf(const Database& db, const QVector<int>& tests, const QVector<TermDefinition>& terms);

// The term grades as a test's cells, in tenths of a scale of 100 per subject,
// for the statistics table: no grade under 免考 in all is 免考, else 缺考.
TestCells termCells(const TermSheet& sheet);

} // namespace velmora::Analysis
