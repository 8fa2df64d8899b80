#include "exams/Questions.h"

#include "data/Schema.h"
#include "data/UserRights.h"
#include "exams/TestFacts.h"
#include "exams/TestLocks.h"
#include "history/History.h"

#include <QSet>
#include <algorithm>
#include <cmath>

namespace velmora::Questions {

namespace {
const QString kQuestions = QStringLiteral("velmora_questions");
const QString kMarks = QStringLiteral("velmora_question_scores");

Result<bool> kept(const Database& db)
{
    return db.tableExists(kMarks);
}
} // namespace

QString subjectOf(const QString& number)
{
    for (const QString& subject : Schema::subjects()) {
        if (number.startsWith(subject) && number.size() > subject.size())
            return subject;
    }
    return {};
}

QString label(const QString& number)
{
    const QString own = number.mid(subjectOf(number).size());
    return !own.isEmpty() && own.front().isDigit() ? QStringLiteral("第%1题").arg(own) : own;
}

QString historyItem(const QString& number)
{
    // The history's 项目 holds ten characters: the subject goes first when it must.
    const QString full = QStringLiteral("满分");
    const QString item = subjectOf(number) + label(number) + full;
    return item.size() <= kHistoryItemLength ? item : label(number).left(kHistoryItemLength - full.size()) + full;
}

int questionNumber(const QString& number)
{
    const QString own = number.mid(subjectOf(number).size());
    int digits = 0;
    while (digits < own.size() && own[digits].isDigit())
        ++digits;
    return digits > 0 ? own.left(digits).toInt() : 0;
}

Result<QVector<Question>> list(const Database& db, int test)
{
    QVector<Question> out;
    auto there = kept(db);
    if (!there || !*there)
        return there ? Result<QVector<Question>>(out) : Result<QVector<Question>>(there.error());
    auto rows
        = db.select(QStringLiteral("select 题号, 满分 from velmora_questions where 考试号=? order by 序号"), { test });
    if (!rows)
        return rows.error();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext())
        out.push_back({ rows->text(0), rows->text(1).toDouble() });
    return out;
}

Result<QHash<QString, QHash<QString, double>>> marks(const Database& db, int test)
{
    QHash<QString, QHash<QString, double>> out;
    auto there = kept(db);
    if (!there || !*there)
        return there ? Result<QHash<QString, QHash<QString, double>>>(out)
                     : Result<QHash<QString, QHash<QString, double>>>(there.error());
    auto rows
        = db.select(QStringLiteral("select 学号, 题号, 得分 from velmora_question_scores where 考试号=?"), { test });
    if (!rows)
        return rows.error();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        bool ok = false;
        const double v = rows->text(2).toDouble(&ok);
        if (ok)
            out[rows->text(0).trimmed()].insert(rows->text(1), v);
    }
    return out;
}

Result<QVector<int>> tests(const Database& db)
{
    QVector<int> out;
    auto there = kept(db);
    if (!there || !*there)
        return there ? Result<QVector<int>>(out) : Result<QVector<int>>(there.error());
    auto rows = db.select(QStringLiteral("select distinct 考试号 from velmora_questions order by 考试号 desc"));
    if (!rows)
        return rows.error();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext())
        out << rows->value(0).toInt();
    return out;
}

Status store(Database& db, int test, const QVector<Question>& questions,
    const QVector<std::pair<QString, QStringList>>& students)
{
    if (questions.isEmpty())
        return Done {};
    auto before = list(db, test);
    if (!before)
        return before.error();
    QHash<QString, double> typed;
    for (const Question& q : std::as_const(*before))
        typed.insert(q.number, q.fullMarks);
    if (auto gone = db.exec(QStringLiteral("delete from velmora_questions where 考试号=?"), { test }); !gone)
        return gone.error();
    QVector<QVariantList> rows;
    for (int i = 0; i < questions.size(); ++i) {
        const double full = questions[i].fullMarks > 0 ? questions[i].fullMarks : typed.value(questions[i].number);
        rows.push_back({ test, questions[i].number, i + 1, full > 0 ? QVariant(QString::number(full)) : QVariant() });
    }
    if (Status added = db.insertRows(kQuestions,
            { QStringLiteral("考试号"), QStringLiteral("题号"), QStringLiteral("序号"), QStringLiteral("满分") }, rows);
        !added)
        return added;
    QStringList numbers;
    for (const Question& q : questions)
        numbers << q.number;
    return TestFacts::replaceValues(
        db, kMarks, QStringLiteral("题号"), QStringLiteral("得分"), test, numbers, students, false);
}

Status setFullMarks(Database& db, int test, const QString& number, double fullMarks)
{
    return setFullMarks(db, test, QStringList { number }, fullMarks);
}

Status setFullMarks(Database& db, int test, const QStringList& numbers, double fullMarks)
{
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    // A question's full marks are the whole class's, kept with the test.
    if (Status open = TestLocks::guard(db, test); !open)
        return open;
    if (Status allowed = UserRights::guardAll(); !allowed)
        return allowed;
    const QString after = fullMarks > 0 ? QString::number(fullMarks) : QString();
    for (const QString& number : numbers) {
        auto before = db.select(
            QStringLiteral("select 满分 from velmora_questions where 考试号=? and 题号=?"), { test, number });
        if (!before)
            return before.error();
        auto set = db.exec(QStringLiteral("update velmora_questions set 满分=? where 考试号=? and 题号=?"),
            { after.isEmpty() ? QVariant() : QVariant(after), test, number });
        if (!set)
            return set.error();
        if (before->text(0) == after)
            continue;
        if (Status noted
            = ScoreHistory::record(db, test, { { QString(), historyItem(number), before->text(0), after } });
            !noted)
            return noted;
    }
    return tx.commit();
}

QVector<std::pair<QString, double>> fullMarksBySubject(const QVector<Question>& questions)
{
    QStringList subjects;
    QHash<QString, QVector<const Question*>> plain, parts;
    QSet<QString> whole; // plain questions with a column of their own
    for (const Question& q : questions) {
        const QString subject = subjectOf(q.number);
        if (!subjects.contains(subject))
            subjects << subject;
        if (questionNumber(q.number) > 0) {
            plain[subject] << &q;
            if (!q.number.endsWith(QLatin1Char(')')))
                whole.insert(q.number);
        } else {
            parts[subject] << &q;
        }
    }
    QVector<std::pair<QString, double>> out;
    for (const QString& subject : std::as_const(subjects)) {
        const auto& counted = plain.value(subject).isEmpty() ? parts[subject] : plain[subject];
        double sum = 0;
        bool known = true;
        for (const Question* q : counted) {
            if (q->number.endsWith(QLatin1Char(')')) && whole.contains(q->number.section(QLatin1Char('('), 0, 0)))
                continue;
            known = known && q->fullMarks > 0;
            sum += q->fullMarks;
        }
        if (known)
            out.push_back({ subject, sum });
    }
    return out;
}

QVector<Figures> analyse(const QVector<Question>& questions, const QHash<QString, QHash<QString, double>>& marks)
{
    // Students ranked by their sum over these questions (one subject's, where
    // the export has several), for the top and bottom 27%.
    QVector<std::pair<double, QString>> ranked;
    for (auto m = marks.cbegin(); m != marks.cend(); ++m) {
        double sum = 0;
        bool any = false;
        for (const Question& q : questions) {
            if (const auto v = m.value().constFind(q.number); v != m.value().cend()) {
                sum += *v;
                any = true;
            }
        }
        if (any)
            ranked.push_back({ sum, m.key() });
    }
    std::sort(ranked.begin(), ranked.end(),
        [](const auto& a, const auto& b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
    const qsizetype group = qsizetype(std::lround(ranked.size() * 0.27));
    QVector<Figures> out;
    for (const Question& q : questions) {
        Figures f { q.number, q.fullMarks, 0, std::nullopt, std::nullopt, std::nullopt };
        double sum = 0;
        for (const auto& held : marks) {
            if (const auto v = held.constFind(q.number); v != held.cend()) {
                sum += *v;
                ++f.students;
            }
        }
        if (f.students > 0)
            f.average = sum / f.students;
        if (q.fullMarks > 0 && f.average)
            f.rate = *f.average / q.fullMarks;
        if (q.fullMarks > 0 && group > 0) {
            const auto mean = [&](qsizetype from, qsizetype to) {
                double total = 0;
                for (qsizetype i = from; i < to; ++i)
                    total += marks.value(ranked[i].second).value(q.number);
                return total / double(to - from);
            };
            f.discrimination = (mean(0, group) - mean(ranked.size() - group, ranked.size())) / q.fullMarks;
        }
        out << f;
    }
    return out;
}

QStringList atMost(const QHash<QString, QHash<QString, double>>& marks, const QString& question, double limit)
{
    QStringList out;
    for (auto m = marks.cbegin(); m != marks.cend(); ++m) {
        if (const auto v = m.value().constFind(question); v != m.value().cend() && *v <= limit)
            out << m.key();
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace velmora::Questions
