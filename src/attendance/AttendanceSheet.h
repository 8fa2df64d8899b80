#pragma once

#include "attendance/Attendance.h"
#include "sheets/SheetTable.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QModelIndexList>
#include <QVector>

namespace velmora {

// The register on one sheet: a row per student in 学号 order, a column per
// school day of the span, and a last row counting who is away each day.
// A cell takes a code as a teacher types it; nothing is written until save().
class AttendanceSheet : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit AttendanceSheet(QObject* parent = nullptr);

    Status load(const Database& db, const QDate& from, const QDate& to);
    int students() const { return int(m_numbers.size()); }
    QString number(int row) const { return m_numbers.value(row); }
    QString name(int row) const { return m_names.value(row); }
    QDate day(int column) const { return m_days.value(column); }
    // The column of a day, or of the last school day before it; -1 before the first.
    int columnOnOrBefore(const QDate& day) const;
    QString text(int row, int column) const;
    std::optional<Attendance::Cell> cell(int row, int column) const { return m_current[row][column].cell; }
    // The reason, 就诊 and note of a filled cell, as one undoable step.
    void setDetails(int row, int column, const Attendance::Cell& cell);

    struct Typed
    {
        int row;
        int column;
        QString text;
    };
    // One undoable step each; a text that is no code stays in the cell, marked, until corrected.
    void edit(const QVector<Typed>& cells);
    void clear(const QModelIndexList& cells);
    void undo();
    void redo();
    // Tab-separated rows, as a spreadsheet copies them.
    QString copyText(const QModelIndexList& cells) const;
    // From the cell on, cut at the sheet's edges.
    void paste(int row, int column, const QString& text);

    // The sheet as shown, for export and print: 学号, 姓名, a column a day,
    // then the span's totals of each kind.
    SheetTable sheet() const;

    bool hasChanges() const { return m_changed > 0 || m_refused > 0; }
    // "已修改 N 格，其中 N 格不是考勤代号"
    QString status() const;
    // Refused while a cell holds what is no code; the sheet is read anew after.
    Status save(Database& db);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

Q_SIGNALS:
    void changed();

private:
    struct Slot
    {
        std::optional<Attendance::Cell> cell;
        QString refused; // typed, and no code

        friend bool operator==(const Slot&, const Slot&) = default;
    };
    struct Step
    {
        int row;
        int column;
        Slot before;
        Slot after;
    };

    Slot slotFor(int row, int column, const QString& typed) const;
    void apply(const QVector<Step>& steps, bool forward);
    void recount();

    QVector<QString> m_numbers;
    QVector<QString> m_names;
    QVector<QDate> m_days;
    QVector<QVector<Slot>> m_stored;
    QVector<QVector<Slot>> m_current;
    QVector<QVector<Step>> m_undo;
    QVector<QVector<Step>> m_redo;
    int m_changed = 0;
    int m_refused = 0;
    bool m_writable = true;
};

} // namespace velmora
