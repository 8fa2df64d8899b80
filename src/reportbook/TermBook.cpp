#include "reportbook/TermBook.h"

#include "analysis/TermGrades.h"
#include "classes/ClassSettings.h"
#include "data/UserRights.h"
#include "history/History.h"
#include "students/StudentRecord.h"

#include <QDateTime>

namespace velmora::TermBook {

namespace {

// An older database has no book yet: nothing is written, nothing is missing.
Result<bool> kept(const Database& db)
{
    return db.tableExists(QStringLiteral("velmora_term_book"));
}

Status tooLong(const QString& text, int most, const QString& what)
{
    if (text.size() > most)
        return Error::refused(QStringLiteral("%1最多%2个字，现在有%3个字。").arg(what).arg(most).arg(text.size()));
    return Done {};
}

Status writable(const Database& db, const QString& what)
{
    if (Status admin = UserRights::guardAdministrator(what); !admin)
        return admin;
    auto exists = kept(db);
    if (!exists)
        return exists.error();
    if (!*exists)
        return Error::refused(QStringLiteral("这个数据库还不能保存学期评语，请管理员先升级数据库。"));
    return Done {};
}

// The chosen test's cards, or the term grade's.
Result<ReportCards::Term> cardsFor(const Database& db, const Choice& choice)
{
    QVector<int> tests;
    QVector<Analysis::TermDefinition> grades;
    if (choice.termGrade.isEmpty()) {
        tests << choice.test;
    } else {
        auto defined = Analysis::Terms::list(db);
        if (!defined)
            return defined.error();
        for (const Analysis::TermDefinition& t : std::as_const(*defined)) {
            if (t.name != choice.termGrade)
                continue;
            grades << t;
            // Its tests beside it, for their comments.
            for (const Analysis::TermDefinition::Part& part : t.parts)
                tests << part.test;
        }
        if (grades.isEmpty())
            return Error::refused(QStringLiteral("学期总评“%1”已不存在。").arg(choice.termGrade));
    }
    return Analysis::cardsOf(db, tests, grades);
}

} // namespace

Result<QHash<QString, Words>> words(const Database& db, const QString& term)
{
    QHash<QString, Words> out;
    auto exists = kept(db);
    if (!exists)
        return exists.error();
    if (!*exists)
        return out;
    auto rows = db.select(QStringLiteral("select 学号, 评语, 奖惩 from velmora_term_book where 学期 = ?"), { term });
    if (!rows)
        return rows.error();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext())
        out.insert(rows->text(0), { rows->text(1), rows->text(2) });
    return out;
}

Status saveWords(Database& db, const QString& term, const QString& student, const Words& words)
{
    if (Status ok = writable(db, QStringLiteral("写学期评语")); !ok)
        return ok;
    if (Status ok = tooLong(words.comment, kMaxComment, QStringLiteral("评语")); !ok)
        return ok;
    if (Status ok = tooLong(words.honours, kMaxHonours, QStringLiteral("奖惩和荣誉")); !ok)
        return ok;
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (auto gone
        = db.exec(QStringLiteral("delete from velmora_term_book where 学期 = ? and 学号 = ?"), { term, student });
        !gone)
        return gone.error();
    if (!words.comment.trimmed().isEmpty() || !words.honours.trimmed().isEmpty()) {
        const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (auto put = db.exec(QStringLiteral("insert into velmora_term_book (学期, 学号, 评语, 奖惩, 设置人, 时间) "
                                              "values (?, ?, ?, ?, ?, ?)"),
                { term, student, words.comment, words.honours, ScoreHistory::user(), now });
            !put)
            return put.error();
    }
    return tx.commit();
}

Result<Notice> notice(const Database& db, const QString& term)
{
    auto exists = db.tableExists(QStringLiteral("velmora_term_notices"));
    if (!exists)
        return exists.error();
    if (!*exists)
        return Notice {};
    auto rows = db.select(QStringLiteral("select 学校, 通知 from velmora_term_notices where 学期 = ?"), { term });
    if (!rows)
        return rows.error();
    rows->moveFirst();
    if (rows->eof())
        return Notice {};
    return Notice { rows->text(0), rows->text(1) };
}

Status saveNotice(Database& db, const QString& term, const Notice& notice)
{
    if (Status ok = writable(db, QStringLiteral("写假期通知")); !ok)
        return ok;
    if (Status ok = tooLong(notice.school, kMaxSchool, QStringLiteral("学校名称")); !ok)
        return ok;
    if (Status ok = tooLong(notice.text, kMaxNotice, QStringLiteral("假期通知")); !ok)
        return ok;
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (auto gone = db.exec(QStringLiteral("delete from velmora_term_notices where 学期 = ?"), { term }); !gone)
        return gone.error();
    if (auto put = db.exec(QStringLiteral("insert into velmora_term_notices (学期, 学校, 通知) values (?, ?, ?)"),
            { term, notice.school, notice.text });
        !put)
        return put.error();
    return tx.commit();
}

Result<Book> make(const Database& db, const Choice& choice)
{
    Book book;
    book.term = choice.term.name;
    book.shown = choice.scores ? ReportCards::Shown::Both : ReportCards::Shown::Grades;
    auto cls = ClassSettings::load(db);
    if (!cls)
        return cls.error();
    book.className = cls->name;
    book.teacher = cls->teacher;
    auto said = notice(db, choice.term.name);
    if (!said)
        return said.error();
    book.school = said->school;
    book.notice = said->text;

    auto cards = cardsFor(db, choice);
    if (!cards)
        return cards.error();
    auto bands = GradeBands::load(db);
    if (!bands)
        return bands.error();
    const Slips::Choices shown {
        .shown = book.shown, .grades = *bands, .ranks = false, .average = false, .comment = false
    };
    QHash<QString, Slips::Slip> slips;
    for (Slips::Slip& s : Slips::slipsOf(*cards, cards->everyone(), shown))
        slips.insert(s.number.trimmed(), std::move(s));
    if (!cards->tests.isEmpty())
        book.studies = cards->tests.first().test.name;

    auto names = Students::names(db);
    if (!names)
        return names.error();
    auto present = Attendance::totals(db, choice.term.first, choice.term.last);
    if (!present)
        return present.error();
    auto written = words(db, choice.term.name);
    if (!written)
        return written.error();
    QStringList numbers = names->keys();
    numbers.sort();
    for (const QString& number : std::as_const(numbers)) {
        Page page;
        page.number = number.trimmed();
        page.name = names->value(number);
        if (auto slip = slips.constFind(page.number); slip != slips.cend())
            page.subjects = slip->subjects;
        page.attendance = present->value(page.number);
        auto conduct = Conduct::termGrade(db, page.number, choice.term.name, choice.term.first, choice.term.last);
        if (!conduct)
            return conduct.error();
        page.conduct = *conduct;
        page.words = written->value(page.number);
        book.pages << page;
    }
    return book;
}

std::optional<Choice> studiesIn(
    const SchoolCalendar::Term& term, const QVector<TestRecord>& tests, const QVector<Analysis::TermDefinition>& grades)
{
    QHash<int, QDate> given;
    for (const TestRecord& t : tests)
        given.insert(t.number, QDate::fromString(t.date.trimmed(), Qt::ISODate));
    const auto inTerm = [&](int test) {
        const QDate d = given.value(test);
        return d.isValid() && d >= term.first && d <= term.last;
    };
    Choice out;
    out.term = term;
    for (const Analysis::TermDefinition& g : grades) {
        if (!g.parts.isEmpty()
            && std::all_of(g.parts.cbegin(), g.parts.cend(),
                [&](const Analysis::TermDefinition::Part& p) { return inTerm(p.test); }))
            out.termGrade = g.name;
    }
    if (!out.termGrade.isEmpty())
        return out;
    QDate latest;
    for (const TestRecord& t : tests) {
        if (inTerm(t.number) && given.value(t.number) >= latest) {
            latest = given.value(t.number);
            out.test = t.number;
        }
    }
    return out.test > 0 ? std::optional<Choice>(out) : std::nullopt;
}

Result<QHash<QString, QString>> studiesComments(const Database& db, const Choice& choice)
{
    auto cards = cardsFor(db, choice);
    if (!cards)
        return cards.error();
    QHash<QString, QString> out;
    for (const auto& [number, name] : std::as_const(cards->students)) {
        if (const QString said = cards->comment(number).second.trimmed(); !said.isEmpty())
            out.insert(number.trimmed(), said);
    }
    return out;
}

} // namespace velmora::TermBook
