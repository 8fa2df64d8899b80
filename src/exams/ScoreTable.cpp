#include "exams/ScoreTable.h"

#include "data/Schema.h"
#include "data/TextLimits.h"
#include "exams/ScoreHistory.h"
#include "exams/ScoreSheet.h"
#include "sheets/SheetReader.h"
#include "students/StudentRecord.h"

#include <QSet>
#include <algorithm>

namespace velmora {

namespace {
constexpr int kMaxDays = 366;
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
    beginResetModel();
    m_test = test;
    m_columns.clear();
    for (int i = 0; i < Schema::subjects().size(); ++i) {
        if (test.items.hasSubject(i))
            m_columns.push_back({ Schema::subjects()[i], Kind::Score, test.items.fullMarksOf(i), i });
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
    m_read.clear();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        m_numbers << rows->text(u"学号");
        m_keys << rows->value(u"学号").toString();
        m_names << names->value(m_numbers.last());
        QStringList values;
        for (const Column& c : m_columns)
            values << rows->text(c.name);
        m_read << values;
    }
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
        return QStringLiteral("%1的成绩应是0到%2的整数").arg(c.name).arg(c.max);
    case Kind::Days:
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
    return QStringLiteral("已修改 %1 格，其中 %2 格有误").arg(m_changedCount).arg(m_refusedCount);
}

ScoreTable::Figures ScoreTable::computeFigures(int column) const
{
    Figures f;
    if (m_columns[column].kind != Kind::Score)
        return f;
    f.total = students();
    qint64 sum = 0;
    for (int r = 0; r < students(); ++r) {
        // Empty is not entered, and a refused cell is not a score either.
        if (m_current[r][column].isEmpty() || refused(r, column))
            continue;
        const int v = m_current[r][column].toInt();
        f.highest = f.entered ? qMax(f.highest, v) : v;
        f.lowest = f.entered ? qMin(f.lowest, v) : v;
        sum += v;
        ++f.entered;
    }
    if (f.entered)
        f.average = double(sum) / f.entered;
    return f;
}

QString ScoreTable::figuresText(int column) const
{
    if (m_columns[column].kind != Kind::Score)
        return {};
    const Figures& f = m_figures[column];
    QString text = QStringLiteral("已录 %1/%2").arg(f.entered).arg(f.total);
    // Always four lines: the row keeps its height as the first score comes in.
    if (f.average)
        text += QStringLiteral("\n均分 %1\n最高 %2\n最低 %3").arg(*f.average, 0, 'f', 1).arg(f.highest).arg(f.lowest);
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
        if (cell.row < 0 || cell.row >= students() || cell.column < 0 || cell.column >= m_columns.size())
            continue;
        // Numbers are typed with blanks around them as often as not.
        const QString text = m_columns[cell.column].kind == Kind::Comment ? cell.text : cell.text.trimmed();
        if (text != m_current[cell.row][cell.column])
            step.push_back({ { cell.row, cell.column, text }, m_current[cell.row][cell.column] });
    }
    if (step.isEmpty())
        return;
    m_undo.push_back(step);
    m_redo.clear();
    apply(step, true);
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
    const QString before = m_current[r][c];
    m_current[r][c] = m_columns[c].kind == Kind::Comment ? text : text.trimmed();
    const QString why = problem(r, c);
    m_current[r][c] = before;
    if (why.isEmpty())
        cells.push_back({ r, c, text });
    else
        refused << QStringLiteral("%1 %2：%3").arg(m_numbers[r], m_columns[c].name, why);
}

ScoreTable::SheetImport ScoreTable::importSheet(const SheetTable& sheet, bool apply, bool blankClears)
{
    SheetImport out;
    // The column a header names: 数学, 数学(150), 数学（满分150）, 评语 for the comment.
    const auto columnOf = [this](QString header) {
        header.remove(QLatin1Char(' ')).remove(QChar(0x3000));
        for (const QChar open : { QChar(u'('), QChar(0xFF08) }) {
            if (const qsizetype at = header.indexOf(open); at > 0)
                header.truncate(at);
        }
        if (header == QStringLiteral("评语"))
            header = QStringLiteral("教师评语");
        for (int c = 0; c < m_columns.size(); ++c) {
            if (m_columns[c].name == header)
                return c;
        }
        return -1;
    };
    int headerRow = -1, numberColumn = -1, nameColumn = -1;
    QHash<int, int> columns; // sheet column -> grid column
    for (int r = 0; r < qMin(int(sheet.rows.size()), 10) && headerRow < 0; ++r) {
        QHash<int, int> found;
        int number = -1, name = -1;
        for (int c = 0; c < sheet.rows[r].size(); ++c) {
            const QString h = SheetReader::cellText(sheet.rows[r][c]).remove(QLatin1Char(' '));
            if (h == QStringLiteral("学号") && number < 0)
                number = c;
            else if (h == QStringLiteral("姓名") && name < 0)
                name = c;
            else if (const int g = columnOf(h); g >= 0 && !found.values().contains(g))
                found.insert(c, g);
        }
        if ((number >= 0 || name >= 0) && !found.isEmpty()) {
            headerRow = r;
            numberColumn = number;
            nameColumn = name;
            columns = found;
        }
    }
    if (headerRow < 0)
        return out;
    QList<int> filled = columns.values();
    std::sort(filled.begin(), filled.end());
    for (int c : filled)
        out.columns << m_columns[c].name;
    QHash<QString, int> byNumber, byName;
    for (int r = 0; r < students(); ++r) {
        byNumber.insert(m_numbers[r].trimmed(), r);
        // A name two students share matches neither.
        byName.insert(m_names[r], byName.contains(m_names[r]) ? -1 : r);
    }
    // Each row's student: by 学号 where the file has them, and then the name
    // must agree; by a name no two students share only where it has none. A
    // row of nobody, of someone else or of a student listed twice is not taken.
    QVector<int> owner(sheet.rows.size(), -1);
    QHash<int, int> rowsOf;
    for (int r = headerRow + 1; r < sheet.rows.size(); ++r) {
        const auto& row = sheet.rows[r];
        const QString number = SheetReader::cellText(row.value(numberColumn));
        const QString name = SheetReader::cellText(row.value(nameColumn));
        if (number.isEmpty() && name.isEmpty())
            continue;
        const QString who = QStringLiteral("第 %1 行 %2")
                                .arg(r + 1)
                                .arg(QStringList({ number, name }).join(QLatin1Char(' ')).trimmed());
        int at = -1;
        if (numberColumn >= 0) {
            at = number.isEmpty() ? -1 : byNumber.value(number, -1);
            if (at < 0) {
                out.unmatched << who
                        + (number.isEmpty() ? QStringLiteral("：没有学号") : QStringLiteral("：学号不在本班"));
                continue;
            }
            if (nameColumn >= 0 && !name.isEmpty() && name != m_names[at]) {
                out.unmatched << who + QStringLiteral("：姓名与本班学号%1的“%2”不符").arg(number, m_names[at]);
                continue;
            }
        } else {
            at = byName.value(name, -1);
            if (at < 0) {
                out.unmatched << who
                        + (byName.contains(name) ? QStringLiteral("：本班有同名的学生，请用学号")
                                                 : QStringLiteral("：本班没有这名学生"));
                continue;
            }
        }
        owner[r] = at;
        rowsOf[at] += 1;
    }
    QVector<Cell> cells;
    for (int r = headerRow + 1; r < sheet.rows.size(); ++r) {
        const int at = owner[r];
        if (at < 0)
            continue;
        if (rowsOf.value(at) > 1) {
            out.unmatched << QStringLiteral("第 %1 行 %2 %3：在表中出现了不止一次，没有填入")
                                 .arg(r + 1)
                                 .arg(m_numbers[at], m_names[at]);
            continue;
        }
        const auto& row = sheet.rows[r];
        ++out.matched;
        for (auto c = columns.cbegin(); c != columns.cend(); ++c) {
            const QVariant& cell = row.value(c.key());
            if (const QString why = SheetReader::cellProblem(cell); !why.isEmpty()) {
                out.refused << QStringLiteral("%1 %2：%3").arg(m_numbers[at], m_columns[c.value()].name, why);
                continue;
            }
            const QString text = SheetReader::cellText(cell);
            if (text.isEmpty() && !m_current[at][c.value()].isEmpty()) {
                ++out.blanks;
                if (!blankClears)
                    continue;
            }
            take(at, c.value(), text, cells, out.refused);
        }
    }
    if (apply)
        edit(cells);
    return out;
}

void ScoreTable::fillDown(const QModelIndexList& cells)
{
    QHash<int, int> top;
    for (const QModelIndex& i : cells) {
        if (i.row() < students())
            top[i.column()] = top.contains(i.column()) ? qMin(top[i.column()], i.row()) : i.row();
    }
    QVector<Cell> filled;
    for (const QModelIndex& i : cells) {
        if (i.row() < students() && i.row() != top[i.column()])
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
            else if (m_columns[c].kind == Kind::Comment || refused(r, c))
                row << v;
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
        for (int c = 0; c < m_columns.size(); ++c) {
            const QString stored = now->text(m_columns[c].name);
            if (m_current[r][c] != m_read[r][c] && stored != m_read[r][c])
                conflicts << QStringLiteral("%1 %2：您打开时是“%3”，现在是“%4”")
                                 .arg(m_numbers[r], m_columns[c].name, m_read[r][c], stored);
        }
    }
    if (!conflicts.isEmpty())
        return Error::conflict(QStringLiteral("别人刚修改了下列成绩，本次没有保存，您输入的内容仍然保留：\r\n")
            + conflicts.join(QStringLiteral("\r\n")));
    QVector<ScoreHistory::Change> changes;
    for (int r : rows) {
        QStringList sets;
        QVariantList values;
        for (int c = 0; c < m_columns.size(); ++c) {
            if (m_current[r][c] == m_read[r][c])
                continue;
            sets << m_columns[c].name + QStringLiteral("=?");
            const QString& t = m_current[r][c];
            const QVariant value = m_columns[c].kind == Kind::Comment ? QVariant(t)
                : t.isEmpty()                                         ? QVariant()
                                                                      : QVariant(t.toInt());
            values << value;
            // What was read is what is stored: a cell changed meanwhile was refused above.
            changes.push_back({ m_keys[r], m_columns[c].name, m_read[r][c], value.toString() });
        }
        values << m_keys[r];
        auto updated = db.exec(
            QStringLiteral("update %1 set %2 where 学号=?").arg(table, sets.join(QStringLiteral(", "))), values);
        if (!updated)
            return updated.error();
    }
    if (Status noted = ScoreHistory::record(db, m_test.number, changes); !noted)
        return noted;
    if (Status committed = tx.commit(); !committed)
        return committed;
    m_read = m_current;
    m_changedCount = 0;
    m_undo.clear();
    m_redo.clear();
    Q_EMIT changed();
    return Done {};
}

int ScoreTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : students() + 1;
}

int ScoreTable::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ScoreTable::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int r = index.row(), c = index.column();
    if (r == students())
        return role == Qt::DisplayRole ? QVariant(figuresText(c)) : QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return m_current[r][c];
    case Qt::ToolTipRole: {
        const QString why = problem(r, c);
        return why.isEmpty() ? QVariant() : QVariant(why);
    }
    case LongTextRole:
        return m_columns[c].kind == Kind::Comment;
    case StateRole:
        if (refused(r, c))
            return int(CellState::Refused);
        return int(m_current[r][c] != m_read[r][c] ? CellState::Changed : CellState::Stored);
    case Qt::TextAlignmentRole:
        return m_columns[c].kind == Kind::Comment ? int(Qt::AlignLeft | Qt::AlignVCenter) : int(Qt::AlignCenter);
    default:
        return {};
    }
}

bool ScoreTable::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= students())
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
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant ScoreTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal) {
        const Column& c = m_columns[section];
        return c.kind == Kind::Score ? m_test.items.caption(c.subject) : c.name;
    }
    if (section == students())
        return QStringLiteral("统计");
    return QStringLiteral("%1  %2").arg(m_numbers.value(section), m_names.value(section));
}

} // namespace velmora
