#include "platform/ResultGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStandardItemModel>

namespace velmora {

ResultGrid::ResultGrid(QWidget* parent)
    : QTableView(parent)
    , m_model(new QStandardItemModel(this))
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
    m_model->clear();
    m_model->setColumnCount(int(headers.size()));
    m_model->setHorizontalHeaderLabels(headers);
    m_frozen->setColumnWidth(0, columnWidth(0));
    updateFrozenGeometry();
}

void ResultGrid::appendRow(const QStringList& values)
{
    const int n = m_model->rowCount() + 1;
    const QBrush brush(n % 2 == 1 ? oddRowColor() : evenRowColor());
    QList<QStandardItem*> items;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        auto* item = new QStandardItem(values.value(c).trimmed());
        item->setBackground(brush);
        items << item;
    }
    m_model->appendRow(items);
}

void ResultGrid::clearRows()
{
    m_model->removeRows(0, m_model->rowCount());
}

void ResultGrid::clearTexts()
{
    for (int c = 0; c < m_model->columnCount(); ++c)
        m_model->setHorizontalHeaderItem(c, new QStandardItem(QString()));
    for (int r = 0; r < m_model->rowCount(); ++r) {
        for (int c = 0; c < m_model->columnCount(); ++c) {
            if (QStandardItem* item = m_model->item(r, c))
                item->setText(QString());
        }
    }
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
    if (row == 0) {
        const QStandardItem* h = m_model->horizontalHeaderItem(col);
        return h ? h->text() : QString();
    }
    const QStandardItem* item = m_model->item(row - 1, col);
    return item ? item->text() : QString();
}

QColor ResultGrid::background(int row, int col) const
{
    const QStandardItem* item = row > 0 ? m_model->item(row - 1, col) : nullptr;
    return item ? item->background().color() : QColor();
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
    if (row == 0) {
        m_model->setHorizontalHeaderItem(col, new QStandardItem(text));
        return;
    }
    if (QStandardItem* item = m_model->item(row - 1, col))
        item->setText(text);
}

void ResultGrid::keepRows(int first, int count)
{
    const int total = m_model->rowCount();
    first = qBound(1, first, total + 1);
    count = qBound(0, count, total - first + 1);
    m_model->removeRows(first - 1 + count, total - (first - 1 + count));
    m_model->removeRows(0, first - 1);
    for (int r = 0; r < m_model->rowCount(); ++r) {
        const QBrush brush((r + 1) % 2 == 1 ? oddRowColor() : evenRowColor());
        for (int c = 0; c < m_model->columnCount(); ++c) {
            if (QStandardItem* item = m_model->item(r, c))
                item->setBackground(brush);
        }
    }
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
