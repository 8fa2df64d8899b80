#include "exams/ReportCards.h"

#include "classes/ClassSettings.h"
#include "classes/StatsRules.h"
#include "data/Schema.h"
#include "exams/Points.h"
#include "exams/ScoreMarks.h"
#include "exams/ScoreSheet.h"
#include "exams/TestFacts.h"
#include "students/StudentRecord.h"

#include <algorithm>

namespace velmora::ReportCards {

QVector<std::optional<int>> ranks(const QVector<std::optional<int>>& values)
{
    QVector<int> present;
    for (const auto& v : values) {
        if (v)
            present << *v;
    }
    std::sort(present.begin(), present.end(), std::greater<>());
    QVector<std::optional<int>> out;
    out.reserve(values.size());
    for (const auto& v : values) {
        if (!v) {
            out << std::nullopt;
            continue;
        }
        // One more than the number of values above it.
        out << int(std::lower_bound(present.begin(), present.end(), *v, std::greater<>()) - present.begin()) + 1;
    }
    return out;
}

void placeSubjects(TestCards& cards)
{
    const int subjects = cards.cards.isEmpty() ? 0 : int(cards.cards.first().subjects.size());
    for (int s = 0; s < subjects; ++s) {
        QVector<std::optional<int>> scores;
        qint64 sum = 0;
        int entered = 0;
        for (const Card& c : std::as_const(cards.cards)) {
            scores << c.subjects[s].score;
            if (c.subjects[s].score) {
                sum += *c.subjects[s].score;
                ++entered;
            }
        }
        const auto placed = ranks(scores);
        for (int c = 0; c < cards.cards.size(); ++c) {
            cards.cards[c].subjects[s].rank = placed[c];
            if (entered)
                cards.cards[c].subjects[s].classAverage = Points::averageTenths(sum, entered, cards.scale);
        }
    }
}

Result<TestCards> forTest(const Database& db, int testNumber)
{
    auto test = Exams::fetch(db, testNumber);
    if (!test)
        return test.error();
    if (!*test)
        return Error::missing(QStringLiteral("考试号为%1的考试已不存在。").arg(testNumber));
    auto rows = Scores::rows(db, testNumber);
    if (!rows)
        return rows.error();
    auto names = Students::names(db);
    if (!names)
        return names.error();
    auto facts = TestFacts::load(db, testNumber);
    if (!facts)
        return facts.error();
    auto marks = ScoreMarks::load(db, testNumber);
    if (!marks)
        return marks.error();
    auto rules = StatsRules::load(db);
    if (!rules)
        return rules.error();
    TestCards out;
    out.test = **test;
    out.scale = Points::kTenths;
    const TestItems& items = out.test.items;
    QVector<int> fullMarks;
    for (int i : items.subjects)
        fullMarks << items.fullMarksOf(i) * out.scale;
    QVector<std::optional<int>> totals; // those that take a rank
    qint64 sum = 0;
    int summed = 0;
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        Card card;
        card.number = rows->text(u"学号");
        card.name = names->value(card.number);
        const auto held = marks->value(card.number);
        QVector<std::optional<int>> scores;
        QStringList why;
        for (int i : items.subjects) {
            SubjectLine line;
            line.subject = Schema::subjects()[i];
            line.fullMarks = items.fullMarksOf(i);
            const QVariant v = rows->value(Schema::subjects()[i]);
            if (!v.isNull()) {
                line.score = Points::fromStored(v);
            } else {
                line.mark = held.value(line.subject);
                if (line.mark == ScoreMarks::kCheated && rules->cheatAsZero)
                    line.score = 0;
            }
            scores << (v.isNull() ? std::nullopt : line.score);
            why << line.mark;
            card.subjects << line;
        }
        const ScoreMarks::Total total = ScoreMarks::totalOf(scores, why, fullMarks, *rules);
        card.total = total.value();
        card.wholeTotal = total.whole;
        card.totalFullMarks = total.fullMarks / out.scale;
        totals << (total.ranked(*rules) ? card.total : std::nullopt);
        out.ranked += totals.last().has_value();
        if (total.whole) {
            sum += total.sum;
            ++summed;
        }
        if (items.attendance) {
            for (const QString& item : Schema::attendanceItems())
                card.attendance << rows->text(item);
        }
        if (items.comment)
            card.comment = rows->text(u"教师评语");
        card.facts = facts->value(card.number.trimmed());
        out.byNumber.insert(card.number, int(out.cards.size()));
        out.cards << card;
    }
    placeSubjects(out);
    if (summed)
        out.totalAverage = Points::averageTenths(sum, summed, out.scale);
    const auto placed = ranks(totals);
    for (int c = 0; c < out.cards.size(); ++c)
        out.cards[c].totalRank = placed[c];
    return out;
}

const Card* TestCards::card(const QString& number) const
{
    const int i = byNumber.value(number, -1);
    return i < 0 ? nullptr : &cards[i];
}

QPair<QString, QString> Term::comment(const QString& number) const
{
    for (const TestCards& t : tests) {
        const Card* c = t.card(number);
        if (c && !c->comment.trimmed().isEmpty())
            return { t.test.name, c->comment };
    }
    return {};
}

QVector<int> Term::everyone() const
{
    QVector<int> all;
    for (int i = 0; i < students.size(); ++i)
        all << i;
    return all;
}

void Term::addFirst(TestCards cards)
{
    QMap<QString, QString> all;
    for (const auto& [number, name] : std::as_const(students))
        all.insert(number, name);
    for (const Card& c : std::as_const(cards.cards)) {
        if (all.value(c.number).isEmpty())
            all.insert(c.number, c.name);
    }
    students.clear();
    for (auto it = all.cbegin(); it != all.cend(); ++it)
        students << qMakePair(it.key(), it.value());
    tests.prepend(std::move(cards));
}

Result<Term> forTests(const Database& db, QVector<int> testNumbers)
{
    Term term;
    auto cls = ClassSettings::load(db);
    if (!cls)
        return cls.error();
    term.className = cls->name;
    term.teacher = cls->teacher;
    // Tests are numbered as they are defined: the highest is the latest;
    // each goes before those older than it.
    std::sort(testNumbers.begin(), testNumbers.end());
    testNumbers.erase(std::unique(testNumbers.begin(), testNumbers.end()), testNumbers.end());
    for (int n : std::as_const(testNumbers)) {
        auto cards = forTest(db, n);
        if (!cards)
            return cards.error();
        term.addFirst(*std::move(cards));
    }
    return term;
}

} // namespace velmora::ReportCards
