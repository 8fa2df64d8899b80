#include "exams/ScoreTable.h"

#include "classes/ClassSettings.h"
#include "classes/StatsRules.h"
#include "data/Schema.h"
#include "data/TextLimits.h"
#include "data/UserRights.h"
#include "exams/Points.h"
#include "exams/ScoreImport.h"
#include "exams/ScoreMarks.h"
#include "exams/ScoreSheet.h"
#include "exams/TestFacts.h"
#include "exams/TestLocks.h"
#include "history/History.h"
#include "sheets/SheetReader.h"
#include "students/StudentIds.h"
#include "students/StudentRecord.h"

#include <QSet>
#include <algorithm>

namespace velmora {

namespace {
constexpr int kMaxDays = 366;
const QString kTotalFact = QStringLiteral("总分");
} // namespace

ScoreTable::ScoreTable(QObject* parent)
    : QAbstractTableModel(parent)
{ }

Status ScoreTable::load(const Database& db, const TestRecord& test)
{
    auto rows = Scores::rows(db, test.number);
    if (!rows)
        return rows.error();
    auto names = Students::names(db);
    if (!names)
        return names.error();
    auto ids = StudentIds::all(db);
    if (!ids)
        return ids.error();
    auto facts = TestFacts::load(db, test.number);
    if (!facts)
        return facts.error();
    // An older database not upgraded yet has nowhere to keep them.
    auto factsKept = db.tableExists(QStringLiteral("velmora_test_facts"));
    if (!factsKept)
        return factsKept.error();
    m_factsKept = *factsKept;
    auto marks = ScoreMarks::load(db, test.number);
    if (!marks)
        return marks.error();
    auto marksKept = ScoreMarks::kept(db);
    if (!marksKept)
        return marksKept.error();
    m_marksKept = *marksKept;
    auto rules = StatsRules::load(db);
    if (!rules)
        return rules.error();
    m_cheatAsZero = rules->cheatAsZero;
    m_rules = *rules;
    auto classFiguresKept = ClassFigures::kept(db);
    if (!classFiguresKept)
        return classFiguresKept.error();
    m_classFiguresKept = *classFiguresKept;
    // A locked test opens to be read: nothing typed there could be kept.
    const Status open = TestLocks::guard(db, test.number);
    m_lockedWhy = open ? QString() : open.error().description;
    m_rights = UserRights::current();
    auto remembered = ScoreImport::remembered(db);
    if (!remembered)
        return remembered.error();
    m_remembered = *remembered;
    auto cls = ClassSettings::load(db);
    m_ownClass = cls ? QStringList { cls->name, cls->number } : QStringList();
    beginResetModel();
    m_test = test;
    m_columns.clear();
    for (int i = 0; i < Schema::subjects().size(); ++i) {
        if (test.items.hasSubject(i))
            m_columns.push_back(
                { Schema::subjects()[i], Kind::Score, test.items.fullMarksOf(i), i, test.items.halves });
    }
    if (test.items.attendance) {
        for (const QString& item : Schema::attendanceItems())
            m_columns.push_back({ item, Kind::Days, kMaxDays, -1 });
    }
    if (test.items.comment)
        m_columns.push_back({ QStringLiteral("教师评语"), Kind::Comment, Scores::kMaxComment, -1 });
    m_numbers.clear();
    m_keys.clear();
    m_names.clear();
    m_examNumbers.clear();
    m_learned.clear();
    m_read.clear();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        m_numbers << rows->text(u"学号");
        m_keys << rows->value(u"学号").toString();
        m_names << names->value(m_numbers.last());
        m_examNumbers << ids->value(m_numbers.last().trimmed()).value(StudentIds::ExamNumber);
        const auto held = marks->value(m_numbers.last().trimmed());
        QStringList values;
        for (const Column& c : m_columns) {
            if (c.kind != Kind::Score) {
                values << rows->text(c.name);
                continue;
            }
            const QString score = Points::storedText(rows->value(c.name));
            values << (score.isEmpty() ? held.value(c.name) : score);
        }
        m_read << values;
    }
    QStringList factNames;
    for (const auto& held : std::as_const(*facts)) {
        for (auto f = held.cbegin(); f != held.cend(); ++f) {
            if (!factNames.contains(f.key()))
                factNames << f.key();
        }
    }
    TestFacts::sort(factNames);
    m_factColumns.clear();
    for (const QString& name : std::as_const(factNames))
        m_factColumns.push_back({ name, Kind::Fact, 0, -1 });
    m_facts.clear();
    for (const QString& number : std::as_const(m_numbers)) {
        QStringList values;
        for (const QString& name : std::as_const(factNames))
            values << facts->value(number.trimmed()).value(name);
        m_facts << values;
    }
    m_factRows.clear();
    m_questionRows.clear();
    m_classFigures.reset();
    m_current = m_read;
    m_undo.clear();
    m_redo.clear();
    recount();
    endResetModel();
    Q_EMIT changed();
    return Done {};
}

bool ScoreTable::refused(int row, int column) const
{
    const Column& c = m_columns[column];
    const QString& t = m_current[row][column];
    if (c.kind == Kind::Comment)
        return TextLimits::charCount(t) > c.max;
    if (c.kind == Kind::Score && ScoreMarks::isMark(t))
        return !m_marksKept;
    if (c.kind == Kind::Score && !t.isEmpty()) {
        const auto v = Points::parse(t, c.halves);
        return !v || *v > c.max * Points::kTenths;
    }
    if (t.size() > 4)
        return true;
    // Checked on every keystroke of a sheet of 5,000 rows: no regular expression.
    int v = 0;
    for (QChar ch : t) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return true;
        v = v * 10 + (ch.unicode() - '0');
    }
    return v > c.max;
}

QString ScoreTable::problem(int row, int column) const
{
    if (!refused(row, column))
        return {};
    const Column& c = m_columns[column];
    const QString& t = m_current[row][column];
    switch (c.kind) {
    case Kind::Comment:
        return QStringLiteral("评语最多%1个字，现在有%2个字").arg(c.max).arg(TextLimits::charCount(t));
    case Kind::Score:
        if (ScoreMarks::isMark(t))
            return QStringLiteral("这个数据库还不能记录缺考等标记，请管理员先升级数据库");
        if (c.halves)
            return QStringLiteral("%1的成绩应是0到%2之间的数，最多一位小数").arg(c.name).arg(c.max);
        return QStringLiteral("%1的成绩应是0到%2的整数").arg(c.name).arg(c.max);
    case Kind::Days:
    case Kind::Fact:
        break;
    }
    return QStringLiteral("%1应是0到%2的整数").arg(c.name).arg(c.max);
}

void ScoreTable::count(int row, int column, int sign)
{
    m_changedCount += sign * (m_current[row][column] != m_read[row][column]);
    m_refusedCount += sign * refused(row, column);
}

void ScoreTable::recount()
{
    m_changedCount = m_refusedCount = 0;
    m_figures.resize(m_columns.size());
    for (int c = 0; c < m_columns.size(); ++c) {
        for (int r = 0; r < students(); ++r)
            count(r, c, 1);
        m_figures[c] = computeFigures(c);
    }
}

QString ScoreTable::status() const
{
    if (!m_lockedWhy.isEmpty())
        return m_lockedWhy;
    const QString counts = QStringLiteral("已修改 %1 格，其中 %2 格有误").arg(m_changedCount).arg(m_refusedCount);
    return m_rights.limited() ? counts + QStringLiteral("；灰色列只能查看：") + m_rights.refusal() : counts;
}

QStringList ScoreTable::notEntered() const
{
    QStringList out;
    for (int c = 0; c < m_columns.size(); ++c) {
        if (m_columns[c].kind != Kind::Score || !writable(c))
            continue;
        QStringList names;
        for (int r = 0; r < students(); ++r) {
            if (m_current[r][c].isEmpty())
                names << m_names[r];
        }
        if (!names.isEmpty())
            out << QStringLiteral("%1 %2 人：%3").arg(m_columns[c].name).arg(names.size()).arg(names.join(u'、'));
    }
    return out;
}

bool ScoreTable::writable(int column) const
{
    return m_lockedWhy.isEmpty() && column >= 0 && column < itemColumns() && m_rights.mayChange(m_columns[column].name);
}

QStringList ScoreTable::changedColumns() const
{
    QStringList names;
    for (int c = 0; c < m_columns.size(); ++c) {
        for (int r = 0; r < students(); ++r) {
            if (m_current[r][c] != m_read[r][c]) {
                names << m_columns[c].name;
                break;
            }
        }
    }
    return names;
}

ScoreTable::Figures ScoreTable::computeFigures(int column) const
{
    Figures f;
    if (m_columns[column].kind != Kind::Score)
        return f;
    f.total = students();
    qint64 sum = 0;
    int scores = 0;
    for (int r = 0; r < students(); ++r) {
        // Empty is not entered, and a refused cell is not a score either;
        // a mark is entered but is no score.
        if (m_current[r][column].isEmpty() || refused(r, column))
            continue;
        const bool cheated = m_current[r][column] == ScoreMarks::kCheated && m_cheatAsZero;
        if (ScoreMarks::isMark(m_current[r][column]) && !cheated) {
            ++f.entered;
            continue;
        }
        const int v = cheated ? 0 : *tenths(r, column);
        f.highest = scores ? qMax(f.highest, v) : v;
        f.lowest = scores ? qMin(f.lowest, v) : v;
        sum += v;
        ++scores;
        ++f.entered;
    }
    if (scores)
        f.averageTenths = Points::averageTenths(sum, scores, Points::kTenths);
    return f;
}

std::optional<int> ScoreTable::tenths(int row, int column) const
{
    const Column& c = m_columns[column];
    if (c.kind != Kind::Score || refused(row, column))
        return std::nullopt;
    return Points::parse(m_current[row][column], c.halves);
}

QString ScoreTable::figuresText(int column) const
{
    if (m_columns[column].kind != Kind::Score)
        return {};
    const Figures& f = m_figures[column];
    QString text = QStringLiteral("已录 %1/%2").arg(f.entered).arg(f.total);
    // Always four lines: the row keeps its height as the first score comes in.
    if (f.averageTenths)
        text += QStringLiteral("\n均分 %1\n最高 %2\n最低 %3")
                    .arg(Points::figureText(*f.averageTenths), Points::text(f.highest), Points::text(f.lowest));
    else
        text += QStringLiteral("\n均分 —\n最高 —\n最低 —");
    return text;
}

void ScoreTable::apply(const Step& step, bool forward)
{
    QVector<bool> touched(m_columns.size());
    int first = students(), last = -1;
    for (const auto& [cell, before] : step) {
        count(cell.row, cell.column, -1);
        m_current[cell.row][cell.column] = forward ? cell.text : before;
        count(cell.row, cell.column, 1);
        touched[cell.column] = true;
        first = qMin(first, cell.row);
        last = qMax(last, cell.row);
    }
    int left = -1, right = -1;
    for (int c = 0; c < m_columns.size(); ++c) {
        if (!touched[c])
            continue;
        m_figures[c] = computeFigures(c);
        left = left < 0 ? c : left;
        right = c;
    }
    if (last >= 0) {
        Q_EMIT dataChanged(index(first, left), index(last, right));
        Q_EMIT dataChanged(index(students(), left), index(students(), right));
    }
    Q_EMIT changed();
}

void ScoreTable::edit(const QVector<Cell>& cells)
{
    Step step;
    for (const Cell& cell : cells) {
        if (cell.row < 0 || cell.row >= students() || !writable(cell.column))
            continue;
        const QString text = normalized(cell.column, cell.text);
        if (text != m_current[cell.row][cell.column])
            step.push_back({ { cell.row, cell.column, text }, m_current[cell.row][cell.column] });
    }
    if (step.isEmpty())
        return;
    m_undo.push_back(step);
    m_redo.clear();
    apply(step, true);
}

QString ScoreTable::normalized(int column, const QString& text) const
{
    if (m_columns[column].kind == Kind::Comment)
        return text;
    // Numbers are typed with blanks around them as often as not.
    const QString trimmed = text.trimmed();
    if (m_columns[column].kind == Kind::Score) {
        if (const QString mark = ScoreMarks::markFor(trimmed); !mark.isEmpty())
            return mark;
    }
    return trimmed;
}

void ScoreTable::mark(const QModelIndexList& cells, const QString& mark)
{
    QVector<Cell> marked;
    for (const QModelIndex& i : cells) {
        if (i.row() < students() && i.column() < itemColumns() && m_columns[i.column()].kind == Kind::Score)
            marked.push_back({ i.row(), i.column(), mark });
    }
    edit(marked);
}

void ScoreTable::clear(const QModelIndexList& cells)
{
    QVector<Cell> empty;
    for (const QModelIndex& i : cells)
        empty.push_back({ i.row(), i.column(), QString() });
    edit(empty);
}

QString ScoreTable::copyText(const QModelIndexList& cells) const
{
    int top = students(), bottom = -1, left = int(m_columns.size()), right = -1;
    QSet<std::pair<int, int>> chosen;
    for (const QModelIndex& i : cells) {
        if (i.row() < 0 || i.row() >= students() || i.column() < 0 || i.column() >= m_columns.size())
            continue;
        chosen.insert({ i.row(), i.column() });
        top = std::min(top, i.row());
        bottom = std::max(bottom, i.row());
        left = std::min(left, i.column());
        right = std::max(right, i.column());
    }
    QString out;
    for (int r = top; r <= bottom; ++r) {
        QStringList line;
        for (int c = left; c <= right; ++c) {
            QString text = chosen.contains({ r, c }) ? m_current[r][c] : QString();
            if (text.contains(QLatin1Char('\t')) || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('"')))
                text = QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
            line << text;
        }
        out += line.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return out;
}

QStringList ScoreTable::paste(int row, int column, const QString& text)
{
    const QVector<QStringList> lines = SheetReader::parseClipboard(text);
    QVector<Cell> cells;
    QStringList refused;
    for (int l = 0; l < lines.size() && row + l < students(); ++l) {
        const QStringList& values = lines[l];
        for (int v = 0; v < values.size() && column + v < m_columns.size(); ++v)
            take(row + l, column + v, values[v], cells, refused);
    }
    edit(cells);
    return refused;
}

void ScoreTable::take(int r, int c, const QString& text, QVector<Cell>& cells, QStringList& refused)
{
    if (!writable(c)) {
        if (m_lockedWhy.isEmpty())
            refused << QStringLiteral("%1 %2：%3").arg(m_numbers[r], m_columns[c].name, m_rights.refusal());
        return;
    }
    const QString before = m_current[r][c];
    m_current[r][c] = normalized(c, text);
    const QString why = problem(r, c);
    m_current[r][c] = before;
    if (why.isEmpty())
        cells.push_back({ r, c, text });
    else
        refused << QStringLiteral("%1 %2：%3").arg(m_numbers[r], m_columns[c].name, why);
}

QStringList ScoreTable::itemNames() const
{
    QStringList items;
    for (const Column& c : std::as_const(m_columns))
        items << c.name;
    return items;
}

ScoreImport::Layout ScoreTable::layoutOf(const SheetTable& sheet) const
{
    ScoreImport::Layout layout = ScoreImport::detect(sheet, itemNames());
    ScoreImport::applyRemembered(layout, m_remembered, itemNames());
    return layout;
}

ScoreImport::Matching ScoreTable::matchRows(const SheetTable& sheet, const ScoreImport::Layout& layout) const
{
    QVector<ScoreImport::Student> students;
    for (int r = 0; r < this->students(); ++r)
        students.push_back({ m_numbers[r].trimmed(), m_names[r], m_examNumbers.value(r) });
    return ScoreImport::match(sheet, layout, students, m_ownClass);
}

ScoreTable::SheetImport ScoreTable::importSheet(const SheetTable& sheet, bool apply, bool blankClears)
{
    return importSheet(sheet, layoutOf(sheet), apply, blankClears);
}

ScoreTable::SheetImport ScoreTable::importSheet(
    const SheetTable& sheet, const ScoreImport::Layout& layout, bool apply, bool blankClears)
{
    SheetImport out;
    if (layout.headerRow < 0)
        return out;
    const QStringList items = itemNames();
    QHash<int, int> columns; // sheet column -> grid column
    for (int c = 0; c < layout.columns.size(); ++c) {
        const ScoreImport::Column& column = layout.columns[c];
        const int item = int(items.indexOf(column.name));
        if (column.role != ScoreImport::Role::Item || columns.values().contains(item))
            continue;
        if (m_rights.mayChange(column.name))
            columns.insert(c, item);
        else if (!out.notAllowed.contains(column.name))
            out.notAllowed << column.name;
    }
    // What a marking system stated, facts and questions, is the whole class's.
    const bool classWide = m_factsKept && !m_rights.limited();
    for (const ScoreImport::Column& column : layout.columns) {
        if (m_rights.limited()
            && (column.role == ScoreImport::Role::Fact || column.role == ScoreImport::Role::Question))
            out.notAllowed << column.name;
    }
    if (!out.notAllowed.isEmpty())
        out.notAllowedWhy = m_rights.refusal();
    if (columns.isEmpty())
        return out;
    QList<int> filled = columns.values();
    std::sort(filled.begin(), filled.end());
    for (int c : filled)
        out.columns << m_columns[c].name;
    const ScoreImport::Matching matching = matchRows(sheet, layout);
    out.unmatched = matching.unmatched;
    out.otherClass = matching.otherClass;
    if (classWide && m_classFiguresKept && !matching.others.isEmpty()) {
        QVector<ClassFigures::Subject> subjects;
        for (auto c = columns.cbegin(); c != columns.cend(); ++c) {
            if (m_columns[c.value()].kind == Kind::Score)
                subjects.push_back({ c.key(), m_columns[c.value()].name, m_columns[c.value()].max });
        }
        std::sort(subjects.begin(), subjects.end(),
            [](const ClassFigures::Subject& a, const ClassFigures::Subject& b) { return a.column < b.column; });
        const auto figures = ClassFigures::ofRows(sheet, matching.others, subjects, m_rules);
        QSet<QString> classes;
        for (const ClassFigures::Figures& f : figures)
            classes.insert(f.className);
        out.otherClasses = int(classes.size());
        if (apply && !subjects.isEmpty())
            m_classFigures = figures;
    }
    for (const auto& [at, exam] : matching.learned) {
        out.learned.push_back({ m_numbers[at].trimmed(), exam });
        if (apply)
            m_examNumbers[at] = exam;
    }
    // Kept with the scores they came with, not before.
    if (apply)
        m_learned += out.learned;
    QHash<int, QString> factColumns; // sheet column -> fact
    for (int c = 0; c < layout.columns.size(); ++c) {
        if (classWide && layout.columns[c].role == ScoreImport::Role::Fact
            && !factColumns.values().contains(layout.columns[c].name))
            factColumns.insert(c, layout.columns[c].name);
    }
    QVector<int> questionColumns;
    QVector<Questions::Question> questions;
    for (int c = 0; c < layout.columns.size() && classWide; ++c) {
        if (layout.columns[c].role == ScoreImport::Role::Question) {
            questionColumns << c;
            questions.push_back({ layout.columns[c].name, layout.columns[c].fullMarks });
        }
    }
    out.questions = int(questions.size());
    if (apply && !questions.isEmpty()) {
        m_questions = questions;
        m_questionRows.clear();
    }
    out.facts = factColumns.values();
    TestFacts::sort(out.facts);
    if (apply)
        adoptFacts(out.facts);
    QVector<Cell> cells;
    for (int r = layout.firstRow; r < sheet.rows.size(); ++r) {
        const int at = matching.owner.value(r, -1);
        if (at < 0)
            continue;
        const auto& row = sheet.rows[r];
        ++out.matched;
        if (apply && !questionColumns.isEmpty()) {
            QStringList marks;
            for (int c : std::as_const(questionColumns)) {
                const QString text = SheetReader::cellText(row.value(c)).trimmed();
                bool number = false;
                text.toDouble(&number);
                marks << (number ? text : QString());
            }
            m_questionRows.insert(at, marks);
        }
        for (auto f = factColumns.cbegin(); f != factColumns.cend() && apply; ++f) {
            QString text = SheetReader::cellText(row.value(f.key())).trimmed();
            if (ScoreImport::isBlankWord(text) || !SheetReader::cellProblem(row.value(f.key())).isEmpty())
                text.clear();
            m_facts[at][factIndex(f.value())] = text.left(TestFacts::kMaxValue);
            m_factRows.insert(at);
        }
        // The file's own total against the sum of its scores: a correction made after it was summed.
        double sum = 0;
        bool summed = true;
        for (auto c = columns.cbegin(); c != columns.cend(); ++c) {
            bool number = false;
            const double v = SheetReader::cellText(row.value(c.key())).toDouble(&number);
            summed = summed && (number || m_columns[c.value()].kind != Kind::Score);
            sum += number && m_columns[c.value()].kind == Kind::Score ? v : 0;
        }
        for (auto f = factColumns.cbegin(); f != factColumns.cend(); ++f) {
            bool number = false;
            const double stated = SheetReader::cellText(row.value(f.key())).toDouble(&number);
            if (f.value() == kTotalFact && number && summed && !qFuzzyCompare(1 + stated, 1 + sum))
                out.totalsDiffer << QStringLiteral("%1 %2：成绩单总分 %3，各科之和 %4")
                                        .arg(m_numbers[at], m_names[at])
                                        .arg(stated)
                                        .arg(sum);
        }
        for (auto c = columns.cbegin(); c != columns.cend(); ++c) {
            const QVariant& cell = row.value(c.key());
            if (const QString why = SheetReader::cellProblem(cell); !why.isEmpty()) {
                out.refused << QStringLiteral("%1 %2：%3").arg(m_numbers[at], m_columns[c.value()].name, why);
                continue;
            }
            QString text = SheetReader::cellText(cell);
            if (ScoreImport::isBlankWord(text))
                text.clear();
            if (const QString mark = ScoreMarks::markFor(text);
                !mark.isEmpty() && m_columns[c.value()].kind == Kind::Score && m_marksKept)
                out.marked << QStringLiteral("%1 %2：%3").arg(m_numbers[at], m_columns[c.value()].name, mark);
            if (text.isEmpty() && !m_current[at][c.value()].isEmpty()) {
                ++out.blanks;
                if (!blankClears)
                    continue;
            }
            take(at, c.value(), text, cells, out.refused);
        }
    }
    if (apply && !factColumns.isEmpty() && !m_numbers.isEmpty())
        Q_EMIT dataChanged(index(0, itemColumns()), index(int(m_numbers.size()) - 1, columnCount() - 1));
    if (apply)
        edit(cells);
    return out;
}

int ScoreTable::factIndex(const QString& fact) const
{
    for (int f = 0; f < m_factColumns.size(); ++f) {
        if (m_factColumns[f].name == fact)
            return f;
    }
    return -1;
}

void ScoreTable::adoptFacts(const QStringList& facts)
{
    QStringList names;
    for (const Column& c : std::as_const(m_factColumns))
        names << c.name;
    QStringList added;
    for (const QString& f : facts) {
        if (!names.contains(f))
            added << f;
    }
    if (added.isEmpty())
        return;
    // New columns go at the end, in their order, so the columns shown never move.
    const int first = columnCount();
    beginInsertColumns({}, first, first + int(added.size()) - 1);
    for (const QString& f : std::as_const(added))
        m_factColumns.push_back({ f, Kind::Fact, 0, -1 });
    for (QStringList& values : m_facts)
        values.resize(m_factColumns.size());
    endInsertColumns();
}

void ScoreTable::fillDown(const QModelIndexList& cells)
{
    QHash<int, int> top;
    for (const QModelIndex& i : cells) {
        if (i.row() < students() && i.column() < itemColumns())
            top[i.column()] = top.contains(i.column()) ? qMin(top[i.column()], i.row()) : i.row();
    }
    QVector<Cell> filled;
    for (const QModelIndex& i : cells) {
        if (i.row() < students() && i.column() < itemColumns() && i.row() != top[i.column()])
            filled.push_back({ i.row(), i.column(), m_current[top[i.column()]][i.column()] });
    }
    edit(filled);
}

bool ScoreTable::undo()
{
    if (m_undo.isEmpty())
        return false;
    const Step step = m_undo.takeLast();
    apply(step, false);
    m_redo.push_back(step);
    return true;
}

bool ScoreTable::redo()
{
    if (m_redo.isEmpty())
        return false;
    const Step step = m_redo.takeLast();
    apply(step, true);
    m_undo.push_back(step);
    return true;
}

int ScoreTable::find(const QString& text, int after) const
{
    const QString wanted = text.trimmed();
    if (wanted.isEmpty() || students() == 0)
        return -1;
    if (after < 0 || after >= students())
        after = -1;
    for (int step = 1; step <= students(); ++step) {
        const int r = (after + step) % students();
        if (m_numbers[r].startsWith(wanted) || m_names[r].contains(wanted))
            return r;
    }
    return -1;
}

SheetTable ScoreTable::sheet() const
{
    SheetTable t;
    t.title = QStringLiteral("考试%1 %2 %3").arg(m_test.number).arg(m_test.name, m_test.date);
    t.headers << QStringLiteral("学号") << QStringLiteral("姓名");
    for (int c = 0; c < m_columns.size(); ++c)
        t.headers << headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    t.rows.reserve(students());
    for (int r = 0; r < students(); ++r) {
        QVector<QVariant> row { m_numbers[r], m_names[r] };
        for (int c = 0; c < m_columns.size(); ++c) {
            const QString& v = m_current[r][c];
            // A refused cell goes out as typed, so that nothing typed is lost.
            if (v.isEmpty())
                row << QVariant();
            else if (m_columns[c].kind == Kind::Comment || refused(r, c) || ScoreMarks::isMark(v))
                row << v;
            else if (m_columns[c].kind == Kind::Score)
                row << Points::value(*tenths(r, c));
            else
                row << v.toInt();
        }
        t.rows << row;
    }
    return t;
}

Status ScoreTable::setFullMarks(Database& db, int column, int marks)
{
    if (column < 0 || column >= m_columns.size() || m_columns[column].kind != Kind::Score)
        return Error::refused(QStringLiteral("只有科目才有满分。"));
    if (Status set = Exams::setFullMarks(db, m_test.number, m_columns[column].subject, marks); !set)
        return set;
    adoptFullMarks(m_columns[column].subject, marks);
    return Done {};
}

void ScoreTable::adoptFullMarks(int subject, int marks)
{
    m_test.items.fullMarks[subject] = marks;
    for (int c = 0; c < m_columns.size(); ++c) {
        if (m_columns[c].subject == subject && m_columns[c].max != marks) {
            m_columns[c].max = marks;
            recount();
            Q_EMIT headerDataChanged(Qt::Horizontal, c, c);
            Q_EMIT dataChanged(index(0, c), index(students(), c));
        }
    }
    Q_EMIT changed();
}

Status ScoreTable::save(Database& db)
{
    if (const int refused = refusedCells())
        return Error::refused(QStringLiteral("有 %1 格有误（红色），请改正后再保存。").arg(refused));
    const QString table = Schema::scoreTableName(m_test.number);
    const Error deleted { QStringLiteral("3021"), QStringLiteral("考试 %1 已被删除，成绩没有保存。").arg(m_test.number),
        Error::Kind::Missing };
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (Status open = TestLocks::guard(db, m_test.number); !open)
        return open;
    if (Status allowed = UserRights::guard(changedColumns()); !allowed)
        return allowed;
    // What a marking system stated belongs to the whole class.
    if (!m_factRows.isEmpty() || !m_questionRows.isEmpty() || m_classFigures) {
        if (Status allowed = UserRights::guardAll(); !allowed)
            return allowed;
    }
    // A test deleted meanwhile has no table to lock; the lock would fail with the driver's words.
    auto exists = db.tableExists(table);
    if (!exists)
        return exists.error();
    if (!*exists)
        return deleted;
    if (auto locked = db.exec(db.dialect().lockTableSql(table)); !locked)
        return locked.error();
    // Another teacher may have lowered a subject's full marks meanwhile.
    auto test = Exams::fetch(db, m_test.number);
    if (!test)
        return test.error();
    if (!*test)
        return deleted;
    for (const Column& c : m_columns) {
        if (c.subject >= 0 && (*test)->items.fullMarksOf(c.subject) != c.max)
            adoptFullMarks(c.subject, (*test)->items.fullMarksOf(c.subject));
    }
    if (const int refused = refusedCells())
        return Error::refused(
            QStringLiteral("别人刚修改了满分，有 %1 格超过了满分（红色），请改正后再保存。").arg(refused));
    auto marksNow = ScoreMarks::load(db, m_test.number);
    if (!marksNow)
        return marksNow.error();
    QStringList conflicts;
    QVector<int> rows;
    for (int r = 0; r < students(); ++r) {
        if (m_current[r] == m_read[r])
            continue;
        rows << r;
        auto now = Scores::row(db, m_test.number, m_keys[r]);
        if (!now)
            return now.error();
        if (now->eof())
            return Error { QStringLiteral("3021"), QStringLiteral("学号为 %1 的成绩记录已不存在。").arg(m_numbers[r]),
                Error::Kind::Missing };
        const auto marked = marksNow->value(m_keys[r].trimmed());
        for (int c = 0; c < m_columns.size(); ++c) {
            const bool score = m_columns[c].kind == Kind::Score;
            QString stored = score ? Points::storedText(now->value(m_columns[c].name)) : now->text(m_columns[c].name);
            if (stored.isEmpty() && score)
                stored = marked.value(m_columns[c].name);
            if (m_current[r][c] != m_read[r][c] && stored != m_read[r][c])
                conflicts << QStringLiteral("%1 %2：您打开时是“%3”，现在是“%4”")
                                 .arg(m_numbers[r], m_columns[c].name, m_read[r][c], stored);
        }
    }
    if (!conflicts.isEmpty())
        return Error::conflict(QStringLiteral("别人刚修改了下列成绩，本次没有保存，您输入的内容仍然保留：\r\n")
            + conflicts.join(QStringLiteral("\r\n")));
    QVector<ScoreHistory::Change> changes;
    QVector<ScoreMarks::Change> marks;
    for (int r : rows) {
        QStringList sets;
        QVariantList values;
        for (int c = 0; c < m_columns.size(); ++c) {
            if (m_current[r][c] == m_read[r][c])
                continue;
            sets << m_columns[c].name + QStringLiteral("=?");
            const QString& t = m_current[r][c];
            const bool marked = ScoreMarks::isMark(t);
            const QVariant value = m_columns[c].kind == Kind::Comment ? QVariant(t)
                : t.isEmpty() || marked                               ? QVariant()
                : m_columns[c].kind == Kind::Score                    ? Points::value(*tenths(r, c))
                                                                      : QVariant(t.toInt());
            values << value;
            // What was read is what is stored: a cell changed meanwhile was refused above.
            const QString now = m_columns[c].kind == Kind::Score ? Points::storedText(value) : value.toString();
            changes.push_back({ m_keys[r], m_columns[c].name, m_read[r][c], marked ? t : now });
            if (m_columns[c].kind == Kind::Score) {
                const QString before = ScoreMarks::isMark(m_read[r][c]) ? m_read[r][c] : QString();
                marks.push_back({ m_keys[r], m_columns[c].name, before, marked ? t : QString() });
            }
        }
        values << m_keys[r];
        auto updated = db.exec(
            QStringLiteral("update %1 set %2 where 学号=?").arg(table, sets.join(QStringLiteral(", "))), values);
        if (!updated)
            return updated.error();
    }
    if (Status kept = ScoreMarks::write(db, m_test.number, marks); !kept)
        return kept;
    QStringList factNames;
    for (const Column& c : std::as_const(m_factColumns))
        factNames << c.name;
    QVector<std::pair<QString, QStringList>> facts;
    for (int r : std::as_const(m_factRows))
        facts.push_back({ m_keys[r], m_facts[r] });
    if (Status kept = TestFacts::store(db, m_test.number, factNames, facts); !kept)
        return kept;
    QVector<std::pair<QString, QStringList>> questionMarks;
    for (auto q = m_questionRows.cbegin(); q != m_questionRows.cend(); ++q)
        questionMarks.push_back({ m_keys[q.key()], q.value() });
    if (Status kept = Questions::store(db, m_test.number, m_questions, questionMarks); !kept)
        return kept;
    if (m_classFigures) {
        if (Status kept = ClassFigures::store(db, m_test.number, *m_classFigures); !kept)
            return kept;
    }
    if (Status noted = ScoreHistory::record(db, m_test.number, changes); !noted)
        return noted;
    if (Status kept = StudentIds::keepExamNumbers(db, m_learned); !kept)
        return kept;
    if (Status committed = tx.commit(); !committed)
        return committed;
    m_learned.clear();
    m_read = m_current;
    m_changedCount = 0;
    m_factRows.clear();
    m_questionRows.clear();
    m_classFigures.reset();
    m_undo.clear();
    m_redo.clear();
    // The saved cells lose their colour now, not at the next repaint.
    if (!rows.isEmpty())
        Q_EMIT dataChanged(index(rows.first(), 0), index(rows.last(), itemColumns() - 1));
    Q_EMIT changed();
    return Done {};
}

int ScoreTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : students() + 1;
}

int ScoreTable::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size() + m_factColumns.size());
}

QString ScoreTable::totalText(int row) const
{
    QVector<std::optional<int>> scores;
    QStringList marks;
    QVector<int> full;
    for (int c = 0; c < m_columns.size(); ++c) {
        if (m_columns[c].kind != Kind::Score)
            continue;
        const QString& text = m_current[row][c];
        scores << tenths(row, c);
        marks << (ScoreMarks::isMark(text) ? text : QString());
        full << m_columns[c].max * Points::kTenths;
    }
    StatsRules rules;
    rules.cheatAsZero = m_cheatAsZero;
    const ScoreMarks::Total total = ScoreMarks::totalOf(scores, marks, full, rules);
    return total.any ? Points::text(total.sum) + (total.whole ? QString() : QStringLiteral("*")) : QString();
}

QVariant ScoreTable::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int r = index.row(), c = index.column();
    if (c >= itemColumns()) {
        if (r == students())
            return {};
        // The total is the program's, as everywhere else; the file's stays in the tooltip.
        const bool total = m_factColumns[c - itemColumns()].name == kTotalFact;
        switch (role) {
        case Qt::DisplayRole:
            return total ? totalText(r) : m_facts[r][c - itemColumns()];
        case StateRole:
            return int(CellState::Imported);
        case Qt::ToolTipRole:
            return total ? QStringLiteral("各科成绩之和；成绩单上是 %1").arg(m_facts[r][c - itemColumns()])
                         : QStringLiteral("从成绩单导入，只读");
        case Qt::TextAlignmentRole:
            return int(Qt::AlignCenter);
        default:
            return {};
        }
    }
    if (r == students())
        return role == Qt::DisplayRole ? QVariant(figuresText(c)) : QVariant();
    const std::optional<int> score = m_grades ? tenths(r, c) : std::nullopt;
    const bool graded = score.has_value();
    switch (role) {
    case Qt::DisplayRole:
        return graded ? m_grades->bandOf(*score, m_columns[c].max * Points::kTenths) : m_current[r][c];
    case Qt::EditRole:
        return m_current[r][c];
    case Qt::ToolTipRole: {
        const QString why = problem(r, c);
        if (why.isEmpty() && graded)
            return QStringLiteral("%1分").arg(m_current[r][c]);
        return why.isEmpty() ? QVariant() : QVariant(why);
    }
    case LongTextRole:
        return m_columns[c].kind == Kind::Comment;
    case MarkRole:
        return m_columns[c].kind == Kind::Score && ScoreMarks::isMark(m_current[r][c]);
    case StateRole:
        if (refused(r, c))
            return int(CellState::Refused);
        if (!writable(c) && m_lockedWhy.isEmpty())
            return int(CellState::ReadOnly);
        return int(m_current[r][c] != m_read[r][c] ? CellState::Changed : CellState::Stored);
    case Qt::TextAlignmentRole:
        return m_columns[c].kind == Kind::Comment ? int(Qt::AlignLeft | Qt::AlignVCenter) : int(Qt::AlignCenter);
    default:
        return {};
    }
}

void ScoreTable::showGrades(const std::optional<GradeBands>& bands)
{
    m_grades = bands;
    if (students() > 0)
        Q_EMIT dataChanged(index(0, 0), index(students() - 1, itemColumns() - 1), { Qt::DisplayRole });
}

bool ScoreTable::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= students() || index.column() >= itemColumns())
        return false;
    edit({ { index.row(), index.column(), value.toString() } });
    return true;
}

Qt::ItemFlags ScoreTable::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (index.row() == students())
        return Qt::ItemIsEnabled;
    if (!writable(index.column()))
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant ScoreTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal) {
        const Column& c = column(section);
        return c.kind == Kind::Score ? m_test.items.caption(c.subject) : c.name;
    }
    if (section == students())
        return QStringLiteral("统计");
    return QStringLiteral("%1  %2").arg(m_numbers.value(section), m_names.value(section));
}

} // namespace velmora
