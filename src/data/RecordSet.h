#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace velmora {

// The rows of one statement, read whole: the count is exact, the rows keep
// the statement's ORDER BY and the columns keep the table's definition order.
class RecordSet
{
public:
    RecordSet() = default;
    RecordSet(QStringList names, QVector<QVector<QVariant>> rows);

    int recordCount() const { return int(m_rows.size()); }
    int fieldCount() const { return int(m_names.size()); }
    QString fieldName(int index) const { return m_names.value(index); }
    const QStringList& fieldNames() const { return m_names; }
    // Column names match without regard to case, as the database treats them.
    int indexOf(QStringView name) const;

    bool eof() const { return m_pos >= recordCount() || m_rows.isEmpty(); }
    bool bof() const { return m_pos < 0 || m_rows.isEmpty(); }
    void moveFirst() { m_pos = 0; }
    void moveLast() { m_pos = recordCount() - 1; }
    void moveNext()
    {
        if (m_pos < recordCount())
            ++m_pos;
    }
    void movePrevious()
    {
        if (m_pos >= 0)
            --m_pos;
    }
    int position() const { return m_pos; }
    void move(int row) { m_pos = row; }

    // Values of the current row; null when out of range or the column is unknown.
    QVariant value(int column) const;
    QVariant value(QStringView name) const { return value(indexOf(name)); }
    // The value as text with surrounding blanks removed; null gives "" (a
    // null integer from PostgreSQL would otherwise read as "0").
    QString text(int column) const
    {
        const QVariant v = value(column);
        return v.isNull() ? QString() : v.toString().trimmed();
    }
    QString text(QStringView name) const { return text(indexOf(name)); }

    const QVector<QVector<QVariant>>& rows() const { return m_rows; }
    // Replaces one row with values read again; ignored when out of range or
    // when the values are of other columns.
    void setRow(int row, const QVector<QVariant>& values)
    {
        if (row >= 0 && row < recordCount() && values.size() == fieldCount())
            m_rows[row] = values;
    }

private:
    QStringList m_names;
    QVector<QVector<QVariant>> m_rows;
    int m_pos = 0;
};

} // namespace velmora
