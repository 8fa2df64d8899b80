#include "exams/Slips.h"

#include "exams/Points.h"

#include <QRegularExpression>
#include <algorithm>

namespace velmora::Slips {

namespace {

const QString kNone = QStringLiteral("—");
const QString kTemplateKey = QStringLiteral("通知.模板");
constexpr int kMaxTemplate = 200; // what the settings table holds

QString average(const std::optional<qint64>& tenths)
{
    return tenths ? Points::figureText(*tenths) : QString();
}

} // namespace

QString Item::cell(ReportCards::Shown shown) const
{
    if (!mark.isEmpty())
        return mark;
    if (score.isEmpty())
        return kNone;
    const QString star = starred ? QStringLiteral("*") : QString();
    switch (shown) {
    case ReportCards::Shown::Scores:
        return score + star;
    case ReportCards::Shown::Grades:
        return grade.isEmpty() ? kNone : grade + star;
    case ReportCards::Shown::Both:
        break;
    }
    // A partial total has no band.
    return grade.isEmpty() ? score + star : score + star + QStringLiteral("（") + grade + QStringLiteral("）");
}

QStringList Slip::headers() const
{
    QStringList out { QStringLiteral("学号"), QStringLiteral("姓名") };
    for (const Item& i : subjects)
        out << i.name;
    out << QStringLiteral("总分");
    if (!rank.isEmpty())
        out << QStringLiteral("名次");
    return out;
}

QStringList Slip::cells(ReportCards::Shown shown) const
{
    QStringList out { number, name };
    for (const Item& i : subjects)
        out << i.cell(shown);
    out << total.cell(shown);
    if (!rank.isEmpty())
        out << rank;
    return out;
}

QStringList Slip::grades() const
{
    QStringList out { QStringLiteral("等级"), QString() };
    for (const Item& i : subjects)
        out << (i.mark.isEmpty() ? i.grade : QString());
    out << total.grade;
    if (!rank.isEmpty())
        out << QString();
    return out;
}

QStringList Slip::averages(const Choices& choices) const
{
    if (!choices.average || choices.shown == ReportCards::Shown::Grades)
        return {};
    QStringList out { QStringLiteral("班级平均"), QString() };
    for (const Item& i : subjects)
        out << i.average;
    out << total.average;
    if (!rank.isEmpty())
        out << QString();
    return out;
}

QVector<Slip> slipsOf(const ReportCards::Term& term, const QVector<int>& students, const Choices& choices)
{
    QVector<Slip> out;
    if (term.tests.isEmpty())
        return out;
    const ReportCards::TestCards& test = term.tests.first();
    for (int s : students) {
        const auto& [number, name] = term.students.value(s);
        const ReportCards::Card* card = test.card(number);
        if (!card)
            continue;
        Slip slip;
        slip.testName = test.test.name;
        slip.number = number;
        slip.name = name;
        for (const ReportCards::SubjectLine& line : card->subjects) {
            Item item;
            item.name = line.subject;
            item.mark = line.mark;
            item.starred = !line.why.isEmpty();
            if (line.score) {
                item.score = Points::textAt(*line.score, test.scale);
                item.grade = choices.grades.bandOf(*line.score, line.fullMarks * test.scale);
            }
            item.average = average(line.classAverage);
            item.fullMarks = line.fullMarks;
            slip.subjects << item;
        }
        slip.total.name = QStringLiteral("总分");
        slip.total.starred
            = std::any_of(slip.subjects.cbegin(), slip.subjects.cend(), [](const Item& i) { return i.starred; });
        if (card->total) {
            slip.total.score = Points::textAt(*card->total, test.scale);
            // A partial total has no band, as it has no rank.
            if (card->wholeTotal)
                slip.total.grade = choices.grades.bandOf(*card->total, card->totalFullMarks * test.scale);
            slip.total.fullMarks = card->totalFullMarks;
        }
        slip.total.counted = card->total && (card->wholeTotal || card->totalRank);
        slip.total.average = average(test.totalAverage);
        if (choices.ranks)
            slip.rank = card->totalRank ? QString::number(*card->totalRank) : kNone;
        if (choices.comment)
            slip.comment = card->comment.trimmed();
        out << slip;
    }
    return out;
}

QStringList fields()
{
    return { QStringLiteral("{姓名}"), QStringLiteral("{考试}"), QStringLiteral("{各科成绩}"), QStringLiteral("{等级}"),
        QStringLiteral("{总分}"), QStringLiteral("{名次}"), QStringLiteral("{评语}") };
}

QString defaultTemplate()
{
    return QStringLiteral("{姓名}家长您好：{考试}{各科成绩}[，总分{总分}]。{评语}");
}

namespace {
// "数学84分", "数学84分（满分120）", "数学84分（满分120，良好）".
QString subjectText(const Item& i, ReportCards::Shown shown)
{
    if (!i.mark.isEmpty() || i.score.isEmpty())
        return i.name + (i.mark.isEmpty() ? QStringLiteral("没有成绩") : i.mark);
    if (shown == ReportCards::Shown::Grades)
        return i.name + i.grade;
    QStringList notes;
    if (i.fullMarks != 100)
        notes << QStringLiteral("满分%1").arg(i.fullMarks);
    if (shown == ReportCards::Shown::Both && !i.grade.isEmpty())
        notes << i.grade;
    const QString said = i.name + i.score + QStringLiteral("分");
    return notes.isEmpty() ? said
                           : said + QStringLiteral("（") + notes.join(QStringLiteral("，")) + QStringLiteral("）");
}

// Each field's text for the student; none where the student has no value.
QHash<QString, std::optional<QString>> fieldValues(const Slip& slip, ReportCards::Shown shown)
{
    QStringList each;
    for (const Item& i : slip.subjects)
        each << subjectText(i, shown);
    const auto given = [](const QString& v) { return v.isEmpty() ? std::nullopt : std::optional<QString>(v); };
    std::optional<QString> total;
    if (slip.total.counted && !slip.total.score.isEmpty())
        total = shown == ReportCards::Shown::Grades ? given(slip.total.grade) : slip.total.score + QStringLiteral("分");
    return { { QStringLiteral("{姓名}"), slip.name }, { QStringLiteral("{考试}"), slip.testName },
        { QStringLiteral("{各科成绩}"), each.join(QStringLiteral("，")) },
        { QStringLiteral("{等级}"), given(slip.total.grade) }, { QStringLiteral("{总分}"), total },
        { QStringLiteral("{名次}"), slip.rank == kNone ? std::nullopt : given(slip.rank) },
        { QStringLiteral("{评语}"), given(slip.comment) } };
}

// One pass over the fields, so that no filled-in text (a comment holding
// "{名次}") is read again as a field.
QString filled(const QString& text, const QHash<QString, std::optional<QString>>& values)
{
    static const QRegularExpression field(QStringLiteral("\\{[^{}]+\\}"));
    QString out;
    qsizetype from = 0;
    for (auto it = field.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        const auto value = values.constFind(m.captured(0));
        if (value == values.cend())
            continue;
        // A comment not written is simply not there; any other gap shows.
        out += text.mid(from, m.capturedStart() - from)
            + value->value_or(m.captured(0) == u"{评语}" ? QString() : kNone);
        from = m.capturedEnd();
    }
    return out + text.mid(from);
}
} // namespace

QString notice(const QString& templ, const Slip& slip, ReportCards::Shown shown)
{
    static const QRegularExpression optionalPart(QStringLiteral("\\[([^\\[\\]]*)\\]|【([^【】]*)】"));
    const auto values = fieldValues(slip, shown);
    QString out;
    qsizetype from = 0;
    for (auto it = optionalPart.globalMatch(templ); it.hasNext();) {
        const auto m = it.next();
        out += filled(templ.mid(from, m.capturedStart() - from), values);
        from = m.capturedEnd();
        const QString inner = m.captured(1).isNull() ? m.captured(2) : m.captured(1);
        bool hasField = false, allGiven = true;
        for (auto v = values.cbegin(); v != values.cend(); ++v) {
            if (inner.contains(v.key())) {
                hasField = true;
                allGiven = allGiven && v.value().has_value();
            }
        }
        // Brackets round plain words are the teacher's own text.
        if (!hasField)
            out += m.captured(0);
        else if (allGiven)
            out += filled(inner, values);
    }
    out += filled(templ.mid(from), values);
    return out.trimmed();
}

Result<QString> loadTemplate(const Database& db)
{
    auto exists = db.tableExists(QStringLiteral("velmora_settings"));
    if (!exists)
        return exists.error();
    if (!*exists)
        return defaultTemplate();
    auto rows = db.select(QStringLiteral("select 值 from velmora_settings where 名称 = ?"), { kTemplateKey });
    if (!rows)
        return rows.error();
    rows->moveFirst();
    const QString kept = rows->eof() ? QString() : rows->text(0);
    return kept.trimmed().isEmpty() ? defaultTemplate() : kept;
}

QString templateProblem(const QString& templ)
{
    if (templ.trimmed().isEmpty() || templ.size() > kMaxTemplate)
        return QStringLiteral("通知模板不能为空，最多%1个字。").arg(kMaxTemplate);
    return {};
}

Status saveTemplate(Database& db, const QString& templ)
{
    if (const QString why = templateProblem(templ); !why.isEmpty())
        return Error::refused(why);
    auto exists = db.tableExists(QStringLiteral("velmora_settings"));
    if (!exists)
        return exists.error();
    if (!*exists)
        return Error::refused(QStringLiteral("这个数据库还不能保存通知模板，请管理员先升级数据库。"));
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (auto gone = db.exec(QStringLiteral("delete from velmora_settings where 名称 = ?"), { kTemplateKey }); !gone)
        return gone.error();
    if (auto put
        = db.exec(QStringLiteral("insert into velmora_settings (名称, 值) values (?, ?)"), { kTemplateKey, templ });
        !put)
        return put.error();
    return tx.commit();
}

} // namespace velmora::Slips
