#include "exams/ScoreImport.h"

#include "data/Schema.h"
#include "sheets/SheetReader.h"
#include "students/StudentImport.h"

#include <QHash>
#include <QRegularExpression>

namespace velmora::ScoreImport {

namespace {

constexpr int kHeaderSearchRows = 10;

QString bare(QString text)
{
    text.remove(QLatin1Char(' ')).remove(QChar(0x3000)).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    text.replace(QChar(0xFF08), QLatin1Char('(')).replace(QChar(0xFF09), QLatin1Char(')'));
    return text;
}

bool among(const QString& text, std::initializer_list<const char16_t*> words)
{
    for (const char16_t* w : words) {
        if (text == QStringView(w))
            return true;
    }
    return false;
}

// The words under a subject in a two-row header, and alone after one.
bool scoreWord(const QString& t)
{
    return among(t, { u"得分", u"分数", u"成绩", u"原始分", u"卷面分", u"总分" });
}
bool classRankWord(const QString& t)
{
    return among(t, { u"班次", u"班名次", u"班级名次", u"班排名", u"班级排名", u"班排" });
}
bool schoolRankWord(const QString& t)
{
    return among(t, { u"校次", u"年级名次", u"校名次", u"年级排名", u"校排名", u"级次", u"级名次" });
}
bool averageWord(const QString& t)
{
    return among(t, { u"年级平均", u"年级均分", u"年级平均分" });
}

// 道德与法治 is 政治, and its 班次 and 校次 are 政治's.
QString subjectNamed(const QString& header)
{
    for (const char16_t* alias : { u"道德与法治", u"思想品德", u"道法", u"思品" }) {
        const QStringView a(alias);
        if (header.startsWith(a))
            return QStringLiteral("政治") + header.mid(a.size());
    }
    return header;
}

// 数学(150) and 数学（满分150） are 数学.
QString itemFor(QString header, const QStringList& items)
{
    if (const qsizetype at = header.indexOf(QLatin1Char('(')); at > 0)
        header.truncate(at);
    if (header == u"评语")
        header = QStringLiteral("教师评语");
    header = subjectNamed(header);
    return items.contains(header) ? header : QString();
}

// The fact a header states: 总分, 班次 and 校次 of the total, or a subject's.
QString factFor(const QString& written)
{
    const QString header = subjectNamed(written);
    if (header == u"总分" || header == u"总成绩")
        return QStringLiteral("总分");
    if (classRankWord(header))
        return QStringLiteral("班次");
    if (schoolRankWord(header))
        return QStringLiteral("校次");
    for (const QString& subject : Schema::subjects()) {
        if (!header.startsWith(subject) || header.size() == subject.size())
            continue;
        const QString rest = header.mid(subject.size());
        if (classRankWord(rest))
            return subject + QStringLiteral("班次");
        if (schoolRankWord(rest))
            return subject + QStringLiteral("校次");
        if (averageWord(rest))
            return subject + QStringLiteral("年级平均");
    }
    return {};
}

// The subject a header starts with (道德与法治 as 政治), and the rest.
std::pair<QString, QString> leadingSubject(const QString& header)
{
    const QString named = subjectNamed(header);
    for (const QString& subject : Schema::subjects()) {
        if (named.startsWith(subject))
            return { subject, named.mid(subject.size()) };
    }
    return { QString(), header };
}

} // namespace

std::optional<QuestionHeader> question(const QString& header)
{
    // 1, 1题, 第1题, T1, 21(1), each maybe with its full marks: 1(3分), 第2题[满分4分].
    static const QRegularExpression numbered(QStringLiteral(
        "^(?:第|[TtQq])?(\\d{1,3}(?:\\(\\d{1,2}\\))?)题?(?:[(\\[【]?(?:满分)?(\\d{1,3}(?:\\.5)?)分[)\\]】]?)?$"));
    // A part of the paper, maybe over a range: 客观题, 选择题1-12, 选择题(1~12).
    static const QRegularExpression part(QStringLiteral("^(客观题|主观题|选择题|非选择题|填空题|判断题|解答题|单选题|"
                                                        "多选题)\\(?(?:第?(\\d{1,3})[-－—–~～至到](\\d{1,3})题?)?\\)?"
                                                        "(?:[(\\[【]?(?:满分)?(\\d{1,3}(?:\\.5)?)分[)\\]】]?)?$"));
    // An older name kept whole: up to four characters before the number (卷一3).
    static const QRegularExpression prefixed(QStringLiteral("^([\\p{Han}]{1,4}\\d{1,3}(?:\\(\\d{1,2}\\))?)题?$"));
    const QString text = bare(header);
    auto [subject, rest] = leadingSubject(text);
    for (const char16_t* filler : { u"各小题得分", u"小题得分", u"各题得分", u"小题分", u"小题", u"得分" }) {
        if (!subject.isEmpty() && rest.startsWith(QStringView(filler))) {
            rest = rest.mid(QStringView(filler).size());
            break;
        }
    }
    QuestionHeader q;
    q.subject = subject;
    if (const auto m = numbered.match(rest); m.hasMatch()) {
        q.number = m.captured(1);
        q.fullMarks = m.captured(2).toDouble();
    } else if (const auto p = part.match(rest); p.hasMatch()) {
        q.number = p.captured(1);
        if (p.hasCaptured(2))
            q.number += QStringLiteral("%1-%2").arg(p.captured(2), p.captured(3));
        q.fullMarks = p.captured(4).toDouble();
    } else if (const auto old = prefixed.match(text); old.hasMatch()) {
        q.subject.clear();
        q.number = old.captured(1);
    } else {
        return std::nullopt;
    }
    return q;
}

namespace {

// A two-row header's column: the subject over what its column holds.
QString joined(const QString& top, const QString& sub)
{
    if (sub.isEmpty() || sub == top)
        return top;
    if (top.isEmpty())
        return sub;
    if (scoreWord(sub))
        return top;
    if (top == u"总分" && (classRankWord(sub) || schoolRankWord(sub)))
        return sub;
    return top + sub;
}

bool isSecondHeaderWord(const QString& t)
{
    const auto q = question(t);
    return scoreWord(t) || classRankWord(t) || schoolRankWord(t) || averageWord(t) || (q && q->subject.isEmpty());
}

QString textAt(const SheetTable& sheet, int row, int column)
{
    return bare(SheetReader::cellText(sheet.rows.value(row).value(column)));
}

bool summaryRow(const QString& label)
{
    for (const char16_t* w : { u"平均", u"最高", u"最低", u"合计", u"总计", u"及格", u"优秀", u"统计" }) {
        if (label.startsWith(QStringView(w)))
            return true;
    }
    return false;
}

} // namespace

int Layout::column(Role role) const
{
    for (int c = 0; c < columns.size(); ++c) {
        if (columns[c].role == role)
            return c;
    }
    return -1;
}

Column classify(const QString& header, const QStringList& items)
{
    const QString h = bare(header);
    Column c;
    c.header = header.simplified();
    if (h == u"学号")
        c.role = Role::Number;
    else if (among(h, { u"考号", u"准考证号", u"考生号", u"准考号", u"考籍号" }))
        c.role = Role::ExamNumber;
    else if (h == u"姓名" || h == u"学生姓名")
        c.role = Role::Name;
    else if (among(h, { u"班级", u"班别", u"班级名称", u"所在班级" }))
        c.role = Role::Class;
    else if (const QString item = itemFor(h, items); !item.isEmpty()) {
        c.role = Role::Item;
        c.name = item;
    } else if (const QString fact = factFor(h); !fact.isEmpty()) {
        c.role = Role::Fact;
        c.name = fact;
    } else if (const auto q = question(h)) {
        c.role = Role::Question;
        c.name = q->subject + q->number;
        c.fullMarks = q->fullMarks;
    }
    return c;
}

Layout detect(const SheetTable& sheet, const QStringList& items)
{
    Layout layout;
    const int search = qMin(int(sheet.rows.size()), kHeaderSearchRows);
    for (int r = 0; r < search && layout.headerRow < 0; ++r) {
        const int width = int(sheet.rows[r].size());
        QVector<Column> columns(width);
        bool key = false, values = false;
        for (int c = 0; c < width; ++c) {
            columns[c] = classify(SheetReader::cellText(sheet.rows[r][c]), items);
            key = key || columns[c].role == Role::Number || columns[c].role == Role::ExamNumber
                || columns[c].role == Role::Name;
            values = values || columns[c].role == Role::Item || columns[c].role == Role::Fact;
        }
        // A subject over 得分 / 班次 / 校次 (or its questions) on the row below.
        // Under 学号, 考号 and 姓名 it holds nothing else: a student's row is no header.
        bool twoRows = false, keysAlone = true;
        for (int c = 0; c < width && r + 1 < sheet.rows.size(); ++c) {
            const QString sub = textAt(sheet, r + 1, c);
            twoRows = twoRows || (isSecondHeaderWord(sub) && !textAt(sheet, r, c).isEmpty());
            if (columns[c].role == Role::Number || columns[c].role == Role::ExamNumber || columns[c].role == Role::Name)
                keysAlone = keysAlone && (sub.isEmpty() || sub == textAt(sheet, r, c));
        }
        twoRows = twoRows && keysAlone;
        if (twoRows) {
            const int below = int(qMax(sheet.rows[r + 1].size(), sheet.rows[r].size()));
            columns.resize(below);
            values = false;
            QString top;
            for (int c = 0; c < below; ++c) {
                // A merged subject written once (as CSV keeps it) still heads the columns after it.
                const QString sub = textAt(sheet, r + 1, c);
                if (!textAt(sheet, r, c).isEmpty() || sub.isEmpty())
                    top = textAt(sheet, r, c);
                columns[c] = classify(joined(top, sub), items);
                columns[c].header = sub.isEmpty() || sub == top ? top : top + QLatin1Char(' ') + sub;
                values = values || columns[c].role == Role::Item || columns[c].role == Role::Fact;
            }
        }
        if (!key || !values)
            continue;
        layout.headerRow = r;
        layout.columns = columns;
        layout.firstRow = r + (twoRows ? 2 : 1);
    }
    // No column named as this test's: the first row naming 学号, 考号 or 姓名
    // still heads the sheet, for the teacher to say what its columns hold.
    for (int r = 0; r < search && layout.headerRow < 0; ++r) {
        QVector<Column> columns;
        bool key = false;
        for (const QVariant& cell : sheet.rows[r]) {
            columns << classify(SheetReader::cellText(cell), items);
            key = key || columns.last().role == Role::Number || columns.last().role == Role::ExamNumber
                || columns.last().role == Role::Name;
        }
        if (key) {
            layout.headerRow = r;
            layout.firstRow = r + 1;
            layout.columns = columns;
        }
    }
    if (layout.headerRow < 0)
        return layout;
    // A row of full marks under the header: "满分" where the names go.
    const int label = qMax(layout.column(Role::Name), layout.column(Role::Number));
    const QString first = textAt(sheet, layout.firstRow, label);
    if (first.contains(QStringLiteral("满分")) || textAt(sheet, layout.firstRow, 0).contains(QStringLiteral("满分"))) {
        for (int c = 0; c < layout.columns.size(); ++c) {
            if (layout.columns[c].role == Role::Question)
                if (const double full = textAt(sheet, layout.firstRow, c).toDouble(); full > 0)
                    layout.columns[c].fullMarks = full;
        }
        ++layout.firstRow;
    }
    return layout;
}

QString code(const Column& column)
{
    switch (column.role) {
    case Role::Number:
        return QStringLiteral("学号");
    case Role::ExamNumber:
        return QStringLiteral("考号");
    case Role::Name:
        return QStringLiteral("姓名");
    case Role::Class:
        return QStringLiteral("班级");
    case Role::Item:
        return QStringLiteral("项目:") + column.name;
    case Role::Fact:
        return QStringLiteral("信息:") + column.name;
    case Role::Question:
        return QStringLiteral("小题:") + column.name;
    case Role::Ignore:
        break;
    }
    return {};
}

Column fromCode(const QString& code, const QString& header)
{
    Column c;
    c.header = header;
    const QString kind = code.section(QLatin1Char(':'), 0, 0);
    c.name = code.section(QLatin1Char(':'), 1);
    c.role = kind == u"学号" ? Role::Number
        : kind == u"考号"    ? Role::ExamNumber
        : kind == u"姓名"    ? Role::Name
        : kind == u"班级"    ? Role::Class
        : kind == u"项目"    ? Role::Item
        : kind == u"信息"    ? Role::Fact
        : kind == u"小题"    ? Role::Question
                             : Role::Ignore;
    return c;
}

Result<QHash<QString, QString>> remembered(const Database& db)
{
    QHash<QString, QString> out;
    auto exists = db.tableExists(QStringLiteral("velmora_import_columns"));
    if (!exists)
        return exists.error();
    if (!*exists)
        return out;
    auto rows = db.select(QStringLiteral("select 表头, 项目 from velmora_import_columns"));
    if (!rows)
        return rows.error();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext())
        out.insert(rows->text(0), rows->text(1));
    return out;
}

Status remember(Database& db, const QVector<std::pair<QString, QString>>& choices)
{
    auto exists = db.tableExists(QStringLiteral("velmora_import_columns"));
    if (!exists)
        return exists.error();
    if (!*exists || choices.isEmpty())
        return Done {};
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    for (const auto& [header, choice] : choices) {
        const QString key = header.left(60);
        if (auto gone = db.exec(QStringLiteral("delete from velmora_import_columns where 表头=?"), { key }); !gone)
            return gone.error();
        // "不导入" is a choice too: an empty code would not be told from none.
        auto kept = db.exec(QStringLiteral("insert into velmora_import_columns (表头, 项目) values (?, ?)"),
            { key, choice.isEmpty() ? QStringLiteral("-") : choice.left(40) });
        if (!kept)
            return kept.error();
    }
    return tx.commit();
}

void applyRemembered(Layout& layout, const QHash<QString, QString>& remembered, const QStringList& items)
{
    for (Column& c : layout.columns) {
        const auto choice = remembered.constFind(c.header.left(60));
        if (choice == remembered.cend())
            continue;
        Column chosen = fromCode(*choice == u"-" ? QString() : *choice, c.header);
        // A subject this test lacks is not taken, whatever was chosen for another.
        if (chosen.role == Role::Item && !items.contains(chosen.name))
            continue;
        chosen.fullMarks = c.fullMarks;
        c = chosen;
    }
}

bool isBlankWord(const QString& text)
{
    return among(bare(text), { u"—", u"-", u"--", u"/", u"／", u"——", u"－" });
}

Matching match(
    const SheetTable& sheet, const Layout& layout, const QVector<Student>& students, const QStringList& ownClass)
{
    Matching out;
    out.owner.fill(-1, sheet.rows.size());
    QHash<QString, int> byNumber, byExam, byName;
    for (int i = 0; i < students.size(); ++i) {
        byNumber.insert(students[i].number, i);
        if (!students[i].examNumber.isEmpty())
            byExam.insert(students[i].examNumber, i);
        // A name two students share matches neither.
        byName.insert(students[i].name, byName.contains(students[i].name) ? -1 : i);
    }
    int numberColumn = layout.column(Role::Number);
    int examColumn = layout.column(Role::ExamNumber);
    // With no 考号 kept, a 考号 column of this class's 学号 is what it looks like.
    if (numberColumn < 0 && examColumn >= 0 && byExam.isEmpty()) {
        for (int r = qMax(0, layout.firstRow); r < sheet.rows.size() && !out.examAsNumber; ++r)
            out.examAsNumber = byNumber.contains(SheetReader::cellText(sheet.rows[r].value(examColumn)).trimmed());
        if (out.examAsNumber)
            std::swap(numberColumn, examColumn);
    }
    const int nameColumn = layout.column(Role::Name);
    const int classColumn = layout.column(Role::Class);
    // Rows of other classes are told apart when the sheet names this class at
    // all, or when this class's own name says plainly which it is.
    bool classNamed = classColumn >= 0 && StudentImport::recognised(ownClass.value(0), ownClass.value(1));
    for (int r = layout.firstRow; r < sheet.rows.size() && classColumn >= 0 && !classNamed; ++r) {
        const QString cls = SheetReader::cellText(sheet.rows[r].value(classColumn));
        classNamed = !cls.isEmpty() && StudentImport::sameClass(cls, ownClass.value(0), ownClass.value(1));
    }
    QHash<int, int> rowsOf;
    for (int r = qMax(0, layout.firstRow); r < sheet.rows.size(); ++r) {
        const auto cell = [&](int column) { return SheetReader::cellText(sheet.rows[r].value(column)).trimmed(); };
        const QString number = cell(numberColumn), exam = cell(examColumn), name = cell(nameColumn);
        if (number.isEmpty() && exam.isEmpty() && (name.isEmpty() || summaryRow(bare(name))))
            continue;
        if (classNamed && !StudentImport::sameClass(cell(classColumn), ownClass.value(0), ownClass.value(1))) {
            ++out.otherClass;
            out.others.push_back({ r, cell(classColumn) });
            continue;
        }
        const QString who
            = QStringLiteral("第 %1 行 %2")
                  .arg(r + 1)
                  .arg(QStringList({ number.isEmpty() ? exam : number, name }).join(QLatin1Char(' ')).trimmed());
        int at = -1;
        QString why;
        if (numberColumn >= 0) {
            at = number.isEmpty() ? -1 : byNumber.value(number, -1);
            why = number.isEmpty() ? QStringLiteral("：没有学号") : QStringLiteral("：学号不在本班");
        } else if (examColumn >= 0 && !exam.isEmpty()) {
            at = byExam.value(exam, -1);
            // First met: the name no two students share says whose 考号 it is.
            if (at < 0 && byName.value(name, -1) >= 0 && students[byName.value(name)].examNumber.isEmpty()) {
                at = byName.value(name);
                out.learned.push_back({ at, exam });
            }
            why = byName.contains(name) ? QStringLiteral("：考号%1不认识，本班有同名的学生").arg(exam)
                                        : QStringLiteral("：考号不在本班");
        } else {
            at = byName.value(name, -1);
            why = byName.contains(name) ? QStringLiteral("：本班有同名的学生，请用学号")
                                        : QStringLiteral("：本班没有这名学生");
        }
        if (at < 0) {
            out.unmatched << who + why;
            continue;
        }
        if (nameColumn >= 0 && !name.isEmpty() && name != students[at].name) {
            out.unmatched << who
                    + QStringLiteral("：姓名与本班学号%1的“%2”不符").arg(students[at].number, students[at].name);
            continue;
        }
        out.owner[r] = at;
        rowsOf[at] += 1;
    }
    for (int r = 0; r < out.owner.size(); ++r) {
        const int at = out.owner[r];
        if (at >= 0 && rowsOf.value(at) > 1) {
            out.unmatched << QStringLiteral("第 %1 行 %2 %3：在表中出现了不止一次，没有填入")
                                 .arg(r + 1)
                                 .arg(students[at].number, students[at].name);
            out.owner[r] = -1;
        }
    }
    for (qsizetype i = out.learned.size() - 1; i >= 0; --i) {
        if (rowsOf.value(out.learned[i].first) > 1)
            out.learned.remove(i);
    }
    return out;
}

} // namespace velmora::ScoreImport
