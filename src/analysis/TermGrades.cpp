#include "analysis/TermGrades.h"

#include "data/Schema.h"
#include "data/UserRights.h"
#include "exams/Points.h"
#include "exams/ReportCards.h"
#include "exams/ScoreMarks.h"
#include "exams/TestEvents.h"
#include "students/StudentRecord.h"

#include <QMap>
#include <QSet>
#include <cmath>

namespace velmora::Analysis {

QString TermDefinition::problem() const
{
    const QString n = name.trimmed();
    if (n.isEmpty() || n.size() > kMaxName)
        return QStringLiteral("请填写总评的名称（最多%1个字）。").arg(kMaxName);
    if (parts.isEmpty() || parts.size() > kMaxTests)
        return QStringLiteral("请选择1到%1次考试。").arg(kMaxTests);
    QSet<int> seen;
    int sum = 0;
    for (const Part& p : parts) {
        if (seen.contains(p.test))
            return QStringLiteral("考试%1选了两次。").arg(p.test);
        seen.insert(p.test);
        if (p.weight <= 0 || p.weight > 100)
            return QStringLiteral("每次考试的权重应是1%到100%。");
        sum += p.weight;
    }
    if (sum != 100)
        return QStringLiteral("权重合计应为100%，现在是%1%。").arg(sum);
    return {};
}

namespace Terms {

namespace {
const QString kTable = QStringLiteral("velmora_terms");
const QString kChangeTerms = QStringLiteral("设置学期总评");
} // namespace

Result<QVector<TermDefinition>> list(const Database& db)
{
    QVector<TermDefinition> out;
    auto exists = db.tableExists(kTable);
    if (!exists)
        return exists.error();
    if (!*exists)
        return out;
    // Tests in the order they were held: their numbers.
    auto rows = db.select(QStringLiteral("select 名称, 考试号, 权重 from velmora_terms order by 名称, 考试号"));
    if (!rows)
        return rows.error();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        if (out.isEmpty() || out.last().name != rows->text(0))
            out.push_back({ rows->text(0), {} });
        out.last().parts.push_back({ rows->value(1).toInt(), rows->value(2).toInt() });
    }
    return out;
}

Status save(Database& db, const TermDefinition& term, const QString& replacing)
{
    if (Status allowed = UserRights::guardAdministrator(kChangeTerms); !allowed)
        return allowed;
    if (const QString why = term.problem(); !why.isEmpty())
        return Error::refused(why);
    auto exists = db.tableExists(kTable);
    if (!exists)
        return exists.error();
    if (!*exists)
        return Error::refused(QStringLiteral("这个数据库还不能保存学期总评，请管理员先升级数据库。"));
    const QString name = term.name.trimmed();
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (name != replacing) {
        auto taken = db.select(QStringLiteral("select count(*) from velmora_terms where 名称=?"), { name });
        if (!taken)
            return taken.error();
        if (taken->value(0).toInt() > 0)
            return Error::refused(QStringLiteral("已有名为“%1”的学期总评。").arg(name));
    }
    if (auto gone
        = db.exec(QStringLiteral("delete from velmora_terms where 名称=?"), { replacing.isEmpty() ? name : replacing });
        !gone)
        return gone.error();
    QVector<QVariantList> rows;
    for (const TermDefinition::Part& p : term.parts)
        rows.push_back({ name, p.test, p.weight });
    if (Status put
        = db.insertRows(kTable, { QStringLiteral("名称"), QStringLiteral("考试号"), QStringLiteral("权重") }, rows);
        !put)
        return put;
    if (Status committed = tx.commit(); !committed)
        return committed;
    TestEvents::changed();
    return Done {};
}

Status remove(Database& db, const QString& name)
{
    if (Status allowed = UserRights::guardAdministrator(kChangeTerms); !allowed)
        return allowed;
    if (auto gone = db.exec(QStringLiteral("delete from velmora_terms where 名称=?"), { name }); !gone)
        return gone.error();
    TestEvents::changed();
    return Done {};
}

} // namespace Terms

TermSheet termSheet(const QVector<TermInput>& tests, const StatsRules& rules)
{
    TermSheet sheet;
    for (const QString& subject : Schema::subjects()) {
        for (const TermInput& t : tests) {
            if (t.cells.subjects.contains(subject)) {
                sheet.subjects << subject;
                break;
            }
        }
    }
    // Each test's students by 学号, for the look-ups below.
    QVector<QHash<QString, int>> at(tests.size());
    QMap<QString, bool> numbers;
    for (int t = 0; t < tests.size(); ++t) {
        for (int s = 0; s < tests[t].cells.students.size(); ++s) {
            at[t].insert(tests[t].cells.students[s].number, s);
            numbers.insert(tests[t].cells.students[s].number, true);
        }
    }
    for (auto n = numbers.cbegin(); n != numbers.cend(); ++n) {
        TermSheet::Row row;
        row.number = n.key();
        for (const QString& subject : std::as_const(sheet.subjects)) {
            double weighted = 0;
            int weights = 0;
            int exempt = 0, assessing = 0;
            QStringList missed;
            for (int t = 0; t < tests.size(); ++t) {
                const int column = int(tests[t].cells.subjects.indexOf(subject));
                if (column < 0)
                    continue;
                ++assessing;
                const int s = at[t].value(row.number, -1);
                std::optional<int> score;
                QString mark;
                if (s >= 0) {
                    score = tests[t].cells.students[s].scores.value(column);
                    mark = tests[t].cells.students[s].marks.value(column);
                }
                if (!score && mark == ScoreMarks::kCheated && rules.cheatAsZero)
                    score = 0;
                if (!score) {
                    exempt += mark == ScoreMarks::kExempt;
                    missed << tests[t].testName
                            + (s < 0                 ? QStringLiteral("没有参加")
                                    : mark.isEmpty() ? QStringLiteral("没有成绩")
                                                     : mark);
                    continue;
                }
                weighted += double(tests[t].weight) * *score / tests[t].cells.fullMarks.value(column);
                weights += tests[t].weight;
            }
            TermCell cell;
            if (weights > 0) {
                cell.tenths = qint64(std::floor(weighted * 1000 / weights + 0.5 + 1e-9));
                if (!missed.isEmpty())
                    cell.why = missed.join(QStringLiteral("，")) + QStringLiteral("，其余按比例计");
            } else if (exempt < assessing) {
                cell.why = missed.join(QStringLiteral("，"));
            }
            row.partial = row.partial || !cell.tenths || !cell.why.isEmpty();
            if (cell.tenths)
                row.total = row.total.value_or(0) + *cell.tenths;
            row.cells << cell;
        }
        sheet.rows << row;
    }
    QVector<std::optional<int>> totals;
    for (const TermSheet::Row& r : std::as_const(sheet.rows))
        totals << (r.total && !r.partial ? std::optional<int>(int(*r.total)) : std::nullopt);
    const auto places = ReportCards::ranks(totals);
    for (int r = 0; r < sheet.rows.size(); ++r)
        sheet.rows[r].rank = places[r];
    return sheet;
}

TestCells termCells(const TermSheet& sheet)
{
    TestCells out;
    out.scale = 10;
    out.subjects = sheet.subjects;
    out.fullMarks = QVector<int>(sheet.subjects.size(), 1000);
    for (const TermSheet::Row& r : sheet.rows) {
        StudentCells student { r.number, {}, {}, r.partial };
        for (const TermCell& c : r.cells) {
            student.scores << (c.tenths ? std::optional<int>(int(*c.tenths)) : std::nullopt);
            student.marks << (c.tenths ? QString() : c.why.isEmpty() ? ScoreMarks::kExempt : ScoreMarks::kAbsent);
        }
        out.students << student;
    }
    return out;
}

ReportCards::TestCards termCards(const TermSheet& sheet, const QString& name, const QHash<QString, QString>& names)
{
    ReportCards::TestCards out;
    out.scale = 10;
    out.termGrade = true;
    out.test.name = name;
    out.test.type = QStringLiteral("学期总评");
    for (const QString& subject : sheet.subjects)
        out.test.items.subjects << int(Schema::subjects().indexOf(subject));
    qint64 sum = 0;
    int summed = 0;
    for (const TermSheet::Row& r : sheet.rows) {
        ReportCards::Card card;
        card.number = r.number;
        card.name = names.value(r.number);
        for (int s = 0; s < sheet.subjects.size(); ++s) {
            const TermCell& c = r.cells[s];
            ReportCards::SubjectLine line;
            line.subject = sheet.subjects[s];
            if (c.tenths)
                line.score = int(*c.tenths);
            else
                line.mark = c.why.isEmpty() ? ScoreMarks::kExempt : ScoreMarks::kAbsent;
            line.why = c.why;
            card.totalFullMarks += c.tenths ? line.fullMarks : 0;
            card.subjects << line;
        }
        card.total = r.total ? std::optional<int>(int(*r.total)) : std::nullopt;
        card.wholeTotal = r.total && !r.partial;
        if (card.wholeTotal) {
            sum += *r.total;
            ++summed;
        }
        card.totalRank = r.rank;
        out.ranked += r.rank.has_value();
        out.byNumber.insert(card.number, int(out.cards.size()));
        out.cards << card;
    }
    if (summed)
        out.totalAverage = Points::averageTenths(sum, summed, out.scale);
    ReportCards::placeSubjects(out);
    return out;
}

Result<ReportCards::TestCards> termCards(const Database& db, const TermDefinition& term)
{
    auto rules = StatsRules::load(db);
    if (!rules)
        return rules.error();
    auto names = Students::names(db);
    if (!names)
        return names.error();
    auto sheet = termSheet(db, term, *rules);
    if (!sheet)
        return sheet.error();
    return termCards(*sheet, term.name, *names);
}

Result<ReportCards::Term> cardsOf(const Database& db, const QVector<int>& tests, const QVector<TermDefinition>& terms)
{
    auto term = ReportCards::forTests(db, tests);
    if (!term)
        return term.error();
    for (auto t = terms.crbegin(); t != terms.crend(); ++t) {
        auto cards = termCards(db, *t);
        if (!cards)
            return cards.error();
        term->addFirst(*std::move(cards));
    }
    return term;
}

Result<TermSheet> termSheet(const Database& db, const TermDefinition& term, const StatsRules& rules)
{
    QVector<TermInput> inputs;
    for (const TermDefinition::Part& p : term.parts) {
        auto test = Exams::fetch(db, p.test);
        if (!test)
            return test.error();
        if (!*test)
            return Error::missing(QStringLiteral("学期总评“%1”中的考试%2已被删除。").arg(term.name).arg(p.test));
        auto cells = cellsOf(db, **test);
        if (!cells)
            return cells.error();
        inputs.push_back({ (*test)->name, p.weight, *std::move(cells) });
    }
    return termSheet(inputs, rules);
}

} // namespace velmora::Analysis
