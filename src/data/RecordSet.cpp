#include "data/RecordSet.h"

namespace velmora {

RecordSet::RecordSet(QStringList names, QVector<QVector<QVariant>> rows)
    : m_names(std::move(names))
    , m_rows(std::move(rows))
{ }

int RecordSet::indexOf(QStringView name) const
{
    // Names are nearly always asked for as the table spells them.
    for (int i = 0; i < m_names.size(); ++i) {
        if (m_names[i] == name)
            return i;
    }
    for (int i = 0; i < m_names.size(); ++i) {
        if (QStringView(m_names[i]).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QVariant RecordSet::value(int column) const
{
    if (m_pos < 0 || m_pos >= recordCount() || column < 0 || column >= fieldCount())
        return {};
    return m_rows[m_pos][column];
}

} // namespace velmora
