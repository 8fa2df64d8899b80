#include "attendance/AttendanceSheet.h"

#include "attendance/SchoolCalendar.h"
#include "data/UserRights.h"
#include "exams/ScoreTable.h"

#include <QHash>

namespace velmora {

namespace {

const QString kWeekdays[] = { QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三"), QStringLiteral("四"),
    QStringLiteral("五"), QStringLiteral("六"), QStringLiteral("日") };

bool away(const std::optional<Attendance::Cell>& cell)
{
    return cell && cell->kind != Attendance::Kind::Late && cell->kind != Attendance::Kind::Early;
}

} // namespace

AttendanceSheet::AttendanceSheet(QObject* parent)
    : QAbstractTableModel(parent)
{ }

Status AttendanceSheet::load(const Database& db, const QDate& from, const QDate& to)
{
    auto rows = db.select(QStringLiteral("select 学号, 姓名 from tblLogin order by 学号"));
    if (!rows)
        return rows.error();
    auto days = SchoolCalendar::schoolDays(db, from, to);
    if (!days)
        return days.error();
    auto entries = Attendance::entries(db, from, to);
    if (!entries)
        return entries.error();
    beginResetModel();
    m_numbers.clear();
    m_names.clear();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        m_numbers << rows->text(0).trimmed();
        m_names << rows->text(1).trimmed();
    }
    m_days = *days;
    QHash<QString, int> rowOf;
    for (int r = 0; r < m_numbers.size(); ++r)
        rowOf.insert(m_numbers[r], r);
    QHash<QDate, int> columnOf;
    for (int c = 0; c < m_days.size(); ++c)
        columnOf.insert(m_days[c], c);
    m_stored = QVector<QVector<Slot>>(m_numbers.size(), QVector<Slot>(m_days.size()));
    for (const Attendance::Entry& e : std::as_const(*entries)) {
        const int r = rowOf.value(e.student, -1);
        const int c = columnOf.value(e.date, -1);
        if (r >= 0 && c >= 0)
            m_stored[r][c].cell = e.cell;
    }
    m_current = m_stored;
    m_undo.clear();
    m_redo.clear();
    m_writable = !UserRights::current().limited();
    recount();
    endResetModel();
    Q_EMIT changed();
    return Done {};
}

int AttendanceSheet::columnOnOrBefore(const QDate& day) const
{
    int found = -1;
    for (int c = 0; c < m_days.size() && m_days[c] <= day; ++c)
        found = c;
    return found;
}

QString AttendanceSheet::text(int row, int column) const
{
    const Slot& s = m_current[row][column];
    return s.cell ? Attendance::code(*s.cell) : s.refused;
}

AttendanceSheet::Slot AttendanceSheet::slotFor(int row, int column, const QString& typed) const
{
    Slot slot;
    if (typed.trimmed().isEmpty())
        return slot;
    slot.cell = Attendance::parse(typed);
    if (!slot.cell) {
        slot.refused = typed.trimmed();
        return slot;
    }
    // The reason and the note stay with the kind they were written for.
    const std::optional<Attendance::Cell>& was = m_current[row][column].cell;
    if (was && was->kind == slot.cell->kind) {
        slot.cell->reason = was->reason;
        slot.cell->sawDoctor = was->sawDoctor;
        slot.cell->note = was->note;
    }
    return slot;
}

void AttendanceSheet::edit(const QVector<Typed>& cells)
{
    if (!m_writable)
        return;
    QVector<Step> steps;
    for (const Typed& t : cells) {
        if (t.row < 0 || t.row >= students() || t.column < 0 || t.column >= m_days.size())
            continue;
        Slot after = slotFor(t.row, t.column, t.text);
        if (!(after == m_current[t.row][t.column]))
            steps.push_back({ t.row, t.column, m_current[t.row][t.column], after });
    }
    if (steps.isEmpty())
        return;
    m_undo.push_back(steps);
    m_redo.clear();
    apply(steps, true);
}

void AttendanceSheet::setDetails(int row, int column, const Attendance::Cell& cell)
{
    const Slot& now = m_current[row][column];
    if (!m_writable || !now.cell || now.cell->kind != cell.kind)
        return;
    Slot after { cell, QString() };
    if (after == now)
        return;
    const QVector<Step> steps { { row, column, now, after } };
    m_undo.push_back(steps);
    m_redo.clear();
    apply(steps, true);
}

void AttendanceSheet::clear(const QModelIndexList& cells)
{
    QVector<Typed> typed;
    for (const QModelIndex& i : cells)
        typed.push_back({ i.row(), i.column(), QString() });
    edit(typed);
}

void AttendanceSheet::undo()
{
    if (m_undo.isEmpty())
        return;
    const QVector<Step> steps = m_undo.takeLast();
    m_redo.push_back(steps);
    apply(steps, false);
}

void AttendanceSheet::redo()
{
    if (m_redo.isEmpty())
        return;
    const QVector<Step> steps = m_redo.takeLast();
    m_undo.push_back(steps);
    apply(steps, true);
}

void AttendanceSheet::apply(const QVector<Step>& steps, bool forward)
{
    for (const Step& s : steps) {
        m_current[s.row][s.column] = forward ? s.after : s.before;
        const QModelIndex at = index(s.row, s.column);
        Q_EMIT dataChanged(at, at);
        const QModelIndex count = index(students(), s.column);
        Q_EMIT dataChanged(count, count);
    }
    recount();
    Q_EMIT changed();
}

void AttendanceSheet::recount()
{
    m_changed = m_refused = 0;
    for (int r = 0; r < students(); ++r) {
        for (int c = 0; c < m_days.size(); ++c) {
            m_changed += m_current[r][c] == m_stored[r][c] ? 0 : 1;
            m_refused += m_current[r][c].refused.isEmpty() ? 0 : 1;
        }
    }
}

QString AttendanceSheet::copyText(const QModelIndexList& cells) const
{
    if (cells.isEmpty())
        return QString();
    int top = cells.front().row(), bottom = top, left = cells.front().column(), right = left;
    for (const QModelIndex& i : cells) {
        top = qMin(top, i.row());
        bottom = qMax(bottom, i.row());
        left = qMin(left, i.column());
        right = qMax(right, i.column());
    }
    QStringList lines;
    for (int r = top; r <= bottom && r < students(); ++r) {
        QStringList fields;
        for (int c = left; c <= right; ++c)
            fields << text(r, c);
        lines << fields.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n'));
}

void AttendanceSheet::paste(int row, int column, const QString& text)
{
    QVector<Typed> typed;
    QStringList lines = QString(text).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    for (int l = 0; l < lines.size(); ++l) {
        const QStringList fields = lines[l].split(QLatin1Char('\t'));
        for (int f = 0; f < fields.size(); ++f)
            typed.push_back({ row + l, column + f, fields[f] });
    }
    edit(typed);
}

QString AttendanceSheet::status() const
{
    if (m_changed == 0)
        return QString();
    QString s = QStringLiteral("已修改 %1 格").arg(m_changed);
    if (m_refused > 0)
        s += QStringLiteral("，其中 %1 格不是考勤代号（病 事 旷 迟 早，半天加“半”）").arg(m_refused);
    return s;
}

Status AttendanceSheet::save(Database& db)
{
    if (m_refused > 0)
        return Error::refused(
            QStringLiteral("有 %1 格不是考勤代号，请改为 病、事、旷、迟、早（半天加“半”，如“病半”）或清空。")
                .arg(m_refused));
    QVector<Attendance::Change> changes;
    for (int r = 0; r < students(); ++r) {
        for (int c = 0; c < m_days.size(); ++c) {
            if (!(m_current[r][c] == m_stored[r][c]))
                changes.push_back({ m_numbers[r], m_days[c], m_current[r][c].cell });
        }
    }
    if (Status written = Attendance::write(db, changes); !written)
        return written;
    const QDate from = m_days.isEmpty() ? QDate() : m_days.front();
    const QDate to = m_days.isEmpty() ? QDate() : m_days.back();
    return from.isValid() ? load(db, from, to) : Status(Done {});
}

SheetTable AttendanceSheet::sheet() const
{
    SheetTable out;
    out.title = QStringLiteral("考勤表");
    out.headers << QStringLiteral("学号") << QStringLiteral("姓名");
    // Within one month the day alone, so that a printed column stays narrow.
    const bool oneMonth = !m_days.isEmpty() && m_days.front().month() == m_days.back().month();
    for (const QDate& d : m_days)
        out.headers << (oneMonth ? QString::number(d.day()) : QStringLiteral("%1/%2").arg(d.month()).arg(d.day()));
    using Attendance::Kind;
    for (Kind k : { Kind::Sick, Kind::Personal, Kind::Truant, Kind::Late, Kind::Early })
        out.headers << Attendance::kindName(k);
    for (int r = 0; r < students(); ++r) {
        QVector<QVariant> row { m_numbers[r], m_names[r] };
        QVector<Attendance::Entry> shown;
        for (int c = 0; c < m_days.size(); ++c) {
            row << (text(r, c).isEmpty() ? QVariant() : QVariant(text(r, c)));
            if (m_current[r][c].cell)
                shown.push_back({ m_numbers[r], m_days[c], *m_current[r][c].cell });
        }
        const Attendance::Totals t = Attendance::tally(shown, m_days);
        row << Attendance::daysValue(t.sickHalves) << Attendance::daysValue(t.personalHalves)
            << Attendance::daysValue(t.truantHalves) << t.late << t.early;
        out.rows.push_back(row);
    }
    return out;
}

int AttendanceSheet::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : students() + 1;
}

int AttendanceSheet::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_days.size());
}

QVariant AttendanceSheet::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int r = index.row(), c = index.column();
    if (r == students()) {
        if (role != Qt::DisplayRole)
            return role == Qt::TextAlignmentRole ? QVariant(Qt::AlignCenter) : QVariant();
        int count = 0;
        for (int s = 0; s < students(); ++s)
            count += away(m_current[s][c].cell) ? 1 : 0;
        return count > 0 ? QVariant(count) : QVariant();
    }
    const Slot& slot = m_current[r][c];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return text(r, c);
    case Qt::TextAlignmentRole:
        return Qt::AlignCenter;
    // A filled cell opens its reason and note on F2 or a double-click.
    case ScoreTable::LongTextRole:
        return slot.cell.has_value();
    case ScoreTable::StateRole: {
        using State = ScoreTable::CellState;
        const State state = !m_writable ? State::ReadOnly
            : !slot.refused.isEmpty()   ? State::Refused
            : !(slot == m_stored[r][c]) ? State::Changed
                                        : State::Stored;
        return int(state);
    }
    case Qt::ToolTipRole: {
        if (!slot.refused.isEmpty())
            return QStringLiteral("“%1”不是考勤代号").arg(slot.refused);
        if (!slot.cell)
            return {};
        QStringList parts { Attendance::kindName(slot.cell->kind)
            + (slot.cell->half ? QStringLiteral("半天") : QString()) };
        if (!slot.cell->reason.isEmpty())
            parts << slot.cell->reason + (slot.cell->sawDoctor ? QStringLiteral("，已就诊") : QString());
        if (!slot.cell->note.isEmpty())
            parts << slot.cell->note;
        return parts.join(QStringLiteral("；"));
    }
    default:
        return {};
    }
}

QVariant AttendanceSheet::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal) {
        const QDate d = m_days.value(section);
        return QStringLiteral("%1/%2\n%3").arg(d.month()).arg(d.day()).arg(kWeekdays[d.dayOfWeek() - 1]);
    }
    if (section == students())
        return QStringLiteral("缺勤人数");
    return m_numbers.value(section) + QLatin1Char(' ') + m_names.value(section);
}

Qt::ItemFlags AttendanceSheet::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (index.row() >= students())
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | (m_writable ? Qt::ItemIsEditable : Qt::NoItemFlags);
}

bool AttendanceSheet::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    edit({ { index.row(), index.column(), value.toString() } });
    return true;
}

} // namespace velmora
