#include "platform/ResultGrid.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

namespace velmora {

// Texts only; the row colour follows from the row's position, so removing
// rows recolours the rest for free.
class ResultGrid::Model : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_headers.size()); }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::AccessibleTextRole)
            return cell(index.row(), index.column());
        if (role == Qt::BackgroundRole)
            return QBrush(index.row() % 2 == 0 ? oddRowColor() : evenRowColor());
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return m_headers.value(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

    QString cell(int row, int col) const { return m_rows.value(row).value(col); }

    void setHeaders(const QStringList& headers)
    {
        beginResetModel();
        m_headers = headers;
        m_rows.clear();
        endResetModel();
    }

    void setHeader(int col, const QString& text)
    {
        if (col < 0 || col >= m_headers.size())
            return;
        m_headers[col] = text;
        Q_EMIT headerDataChanged(Qt::Horizontal, col, col);
    }

    static QStringList fitted(QStringList values, qsizetype columns)
    {
        values.resize(columns);
        for (QString& v : values)
            v = v.trimmed();
        return values;
    }

    void append(const QStringList& values)
    {
        const int n = rowCount();
        beginInsertRows({}, n, n);
        m_rows << fitted(values, m_headers.size());
        endInsertRows();
    }

    void setRows(QList<QStringList> rows)
    {
        beginResetModel();
        for (QStringList& r : rows)
            r = fitted(std::move(r), m_headers.size());
        m_rows = std::move(rows);
        endResetModel();
    }

    void setCell(int row, int col, const QString& text)
    {
        if (row < 0 || row >= m_rows.size() || col < 0 || col >= m_headers.size())
            return;
        m_rows[row][col] = text;
        Q_EMIT dataChanged(index(row, col), index(row, col));
    }

    void clearTexts()
    {
        beginResetModel();
        for (QString& h : m_headers)
            h.clear();
        for (QStringList& r : m_rows) {
            for (QString& v : r)
                v.clear();
        }
        endResetModel();
    }

    void keep(int first, int count)
    {
        beginResetModel();
        m_rows = m_rows.mid(first, count);
        endResetModel();
    }

private:
    QStringList m_headers;
    QList<QStringList> m_rows;
};

ResultGrid::ResultGrid(QWidget* parent)
    : QTableView(parent)
    , m_model(new Model(this))
    , m_frozen(new QTableView(this))
{
    setObjectName(QStringLiteral("Grid"));
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollMode(ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->setHighlightSections(false);
    setAccessibleName(QStringLiteral("结果表格"));

    // The first column, laid over the grid's own, as Qt's frozen-column example does.
    m_frozen->setModel(m_model);
    m_frozen->setSelectionModel(selectionModel());
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->verticalHeader()->hide();
    m_frozen->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    m_frozen->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_frozen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_frozen->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setStyleSheet(QStringLiteral("QTableView { border: none; border-right: 1px solid palette(mid); }"));
    viewport()->stackUnder(m_frozen);

    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (section == 0) {
            m_frozen->setColumnWidth(0, size);
            updateFrozenGeometry();
        }
    });
    // The overlay is as wide as the first column; the other columns lie
    // beyond its edge, and it never scrolls sideways.
    connect(m_frozen->horizontalScrollBar(), &QAbstractSlider::valueChanged, m_frozen->horizontalScrollBar(),
            [bar = m_frozen->horizontalScrollBar()](int value) {
                if (value != 0)
                    bar->setValue(0);
            });
    connect(m_frozen->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, m_frozen->verticalScrollBar(),
            &QAbstractSlider::setValue);
    const auto activated = [this](const QModelIndex& index) { Q_EMIT rowActivated(index.isValid() ? index.row() + 1 : currentRow()); };
    connect(this, &QAbstractItemView::doubleClicked, this, activated);
    connect(m_frozen, &QAbstractItemView::doubleClicked, this, activated);
}

ResultGrid::~ResultGrid() = default;

void ResultGrid::setHeaders(const QStringList& headers)
{
    m_model->setHeaders(headers);
    m_frozen->setColumnWidth(0, columnWidth(0));
    updateFrozenGeometry();
}

void ResultGrid::appendRow(const QStringList& values)
{
    m_model->append(values);
}

void ResultGrid::setRows(QList<QStringList> rows)
{
    m_model->setRows(std::move(rows));
}

void ResultGrid::clearRows()
{
    m_model->setRows({});
}

void ResultGrid::clearTexts()
{
    m_model->clearTexts();
}

int ResultGrid::rows() const
{
    return m_model->rowCount() + 1;
}

int ResultGrid::cols() const
{
    return m_model->columnCount();
}

QString ResultGrid::text(int row, int col) const
{
    if (row == 0)
        return m_model->headerData(col, Qt::Horizontal, Qt::DisplayRole).toString();
    return m_model->cell(row - 1, col);
}

QColor ResultGrid::background(int row, int col) const
{
    if (row <= 0 || row >= rows() || col < 0 || col >= cols())
        return {};
    return m_model->index(row - 1, col).data(Qt::BackgroundRole).value<QBrush>().color();
}

int ResultGrid::currentRow() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.row() + 1 : 0;
}

void ResultGrid::setCurrentRow(int row)
{
    if (row >= 1 && row < rows())
        setCurrentIndex(m_model->index(row - 1, 0));
}

QStringList ResultGrid::rowTexts(int row) const
{
    QStringList texts;
    for (int c = 0; c < cols(); ++c)
        texts << text(row, c);
    return texts;
}

int ResultGrid::currentColumn() const
{
    return currentIndex().isValid() ? currentIndex().column() : -1;
}

void ResultGrid::setText(int row, int col, const QString& text)
{
    if (row == 0)
        m_model->setHeader(col, text);
    else
        m_model->setCell(row - 1, col, text);
}

void ResultGrid::keepRows(int first, int count)
{
    const int total = m_model->rowCount();
    first = qBound(1, first, total + 1);
    count = qBound(0, count, total - first + 1);
    m_model->keep(first - 1, count);
}

void ResultGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    updateFrozenGeometry();
}

void ResultGrid::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        Q_EMIT rowActivated(currentRow());
        return;
    }
    QTableView::keyPressEvent(event);
}

QModelIndex ResultGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    QModelIndex current = QTableView::moveCursor(cursorAction, modifiers);
    // Keep the cell the keyboard moves to from hiding under the frozen column.
    if (cursorAction == MoveLeft && current.column() > 0
        && visualRect(current).topLeft().x() < m_frozen->columnWidth(0)) {
        const int newValue = horizontalScrollBar()->value() + visualRect(current).topLeft().x() - m_frozen->columnWidth(0);
        horizontalScrollBar()->setValue(newValue);
    }
    return current;
}

void ResultGrid::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (index.column() > 0)
        QTableView::scrollTo(index, hint);
}

void ResultGrid::updateFrozenGeometry()
{
    m_frozen->setGeometry(verticalHeader()->width() + frameWidth(), frameWidth(), columnWidth(0),
                          viewport()->height() + horizontalHeader()->height());
}

} // namespace velmora
