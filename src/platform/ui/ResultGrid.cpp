#include "platform/ui/ResultGrid.h"

#include "app/MessageService.h"
#include "app/Sharing.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/FileDialogs.h"
#include "sheets/SheetWriter.h"

#include <QAbstractTableModel>
#include <QContextMenuEvent>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>

namespace velmora {

// Texts only; the row colour follows from the row's position, so removing
// rows recolours the rest for free.
class ResultGrid::Model : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_headers.size());
    }

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
        // The row header is covered by the frozen column; it shows no numbers.
        if (orientation == Qt::Vertical)
            return {};
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
    // Whole columns at a time, so the column next to the frozen one is never cut.
    setHorizontalScrollMode(ScrollPerItem);
    setCornerButtonEnabled(false);
    // The row header only makes room at the left for the frozen first column,
    // which is laid over it; the columns beyond scroll in the space to its
    // right and never slide underneath it.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->setHighlightSections(false);
    setAccessibleName(QStringLiteral("结果表格"));

    setUpFrozen();
    // A reset forgets hidden sections: the first column stays in the frozen view only.
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        setColumnHidden(0, true);
        for (int c = 1; c < cols(); ++c)
            m_frozen->setColumnHidden(c, true);
    });
    const auto activated
        = [this](const QModelIndex& index) { Q_EMIT rowActivated(index.isValid() ? index.row() + 1 : currentRow()); };
    connect(this, &QAbstractItemView::doubleClicked, this, activated);
    connect(m_frozen, &QAbstractItemView::doubleClicked, this, activated);
    placeFrozen();
}

// The first column, laid over the row header: selected with the rows, never
// scrolled sideways, scrolled up and down with the grid.
void ResultGrid::setUpFrozen()
{
    m_frozen->setModel(m_model);
    m_frozen->setSelectionModel(selectionModel());
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->verticalHeader()->hide();
    m_frozen->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_frozen->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    m_frozen->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_frozen->horizontalHeader()->setHighlightSections(false);
    m_frozen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_frozen->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setStyleSheet(QStringLiteral("QTableView { border: none; border-right: 1px solid palette(mid); }"));
    m_frozen->setColumnWidth(0, horizontalHeader()->defaultSectionSize());

    connect(m_frozen->horizontalScrollBar(), &QAbstractSlider::valueChanged, m_frozen->horizontalScrollBar(),
        [bar = m_frozen->horizontalScrollBar()](int value) {
            if (value != 0)
                bar->setValue(0);
        });
    connect(
        m_frozen->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(), &QAbstractSlider::setValue);
    connect(
        verticalScrollBar(), &QAbstractSlider::valueChanged, m_frozen->verticalScrollBar(), &QAbstractSlider::setValue);
}

ResultGrid::~ResultGrid() = default;

void ResultGrid::setHeaders(const QStringList& headers)
{
    m_model->setHeaders(headers);
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
    // Qt gives a focused view a current index nobody picked; only a selected row counts.
    const QModelIndex index = currentIndex();
    if (!index.isValid() || !selectionModel()->isRowSelected(index.row(), {}))
        return 0;
    return index.row() + 1;
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

int ResultGrid::columnWidth(int col) const
{
    return col == 0 ? m_frozen->columnWidth(0) : QTableView::columnWidth(col);
}

void ResultGrid::setColumnWidth(int col, int width)
{
    if (col != 0) {
        QTableView::setColumnWidth(col, width);
        return;
    }
    m_frozen->setColumnWidth(0, width);
    updateGeometries();
}

void ResultGrid::setColumnTwips(int col, int twips)
{
    setColumnWidth(col, ChildWindow::fromTwips(this, twips));
}

void ResultGrid::fitColumns(int cap, const QList<int>& only)
{
    constexpr int kMeasuredRows = 500;
    const QFontMetrics cellFont = fontMetrics();
    const QFontMetrics headFont = horizontalHeader()->fontMetrics();
    const int rowsMeasured = qMin(m_model->rowCount(), kMeasuredRows);
    for (int c = 0; c < cols(); ++c) {
        if (!only.isEmpty() && !only.contains(c))
            continue;
        int width = headFont.horizontalAdvance(text(0, c)) + 20;
        for (int r = 0; r < rowsMeasured; ++r)
            width = qMax(width, cellFont.horizontalAdvance(m_model->cell(r, c)) + 14);
        setColumnWidth(c, qMin(width, cap));
    }
}

QSize ResultGrid::sizeHint() const
{
    int width = 2 * frameWidth() + verticalHeader()->width() + verticalScrollBar()->sizeHint().width();
    for (int c = 1; c < cols(); ++c)
        width += QTableView::columnWidth(c);
    return { width, QTableView::sizeHint().height() };
}

SheetTable ResultGrid::sheet() const
{
    // Plain numbers only: no leading zeros, nothing after them ("95*" stays text);
    // a change's sign, "+9" or "−1.5", is the number's.
    static const QRegularExpression number(QStringLiteral("^[-+\\x{2212}]?(0|[1-9][0-9]{0,14})(\\.[0-9]+)?$"));
    SheetTable table;
    table.title = m_exportTitle;
    for (int c = 0; c < cols(); ++c)
        table.headers << text(0, c);
    table.rows.reserve(m_model->rowCount());
    for (int r = 0; r < m_model->rowCount(); ++r) {
        QVector<QVariant> row;
        row.reserve(cols());
        for (int c = 0; c < cols(); ++c) {
            const QString t = m_model->cell(r, c);
            if (t.isEmpty()) {
                row << QVariant();
            } else if (m_numberColumns.contains(c) && number.match(t).hasMatch()) {
                const QString n = QString(t).replace(QChar(0x2212), QLatin1Char('-')).remove(QLatin1Char('+'));
                row << (n.contains(QLatin1Char('.')) ? QVariant(n.toDouble()) : QVariant(n.toLongLong()));
            } else {
                row << t;
            }
        }
        table.rows << row;
    }
    return table;
}

void ResultGrid::exportSheet()
{
    if (m_classList && !Sharing::mayShareClassList())
        return;
    SheetTable table = sheet();
    if (table.title.isEmpty())
        table.title = window()->windowTitle();
    saveSheet(this, table);
}

void ResultGrid::saveSheet(QWidget* parent, const SheetTable& table)
{
    const QString path = FileDialogs::saveFileName(parent, FileDialogs::Kind::Export,
        table.title + QStringLiteral(".xlsx"), QStringLiteral("Excel 工作簿 (*.xlsx);;CSV 文件（UTF-8） (*.csv)"));
    if (path.isEmpty())
        return;
    if (Status written = SheetWriter::write(path, { table }); !written) {
        MessageService::error(written.error(), ErrorWording::Restart);
        return;
    }
    MessageService::info(
        QStringLiteral("已导出 %1 行到“%2”。").arg(table.rows.size()).arg(QDir::toNativeSeparators(path)));
}

void ResultGrid::exportBy(QPushButton* button)
{
    connect(button, &QPushButton::clicked, this, &ResultGrid::exportSheet);
}

void ResultGrid::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    QAction* out = menu.addAction(QStringLiteral("导出Excel…"), this, &ResultGrid::exportSheet);
    out->setObjectName(QStringLiteral("actExport"));
    out->setEnabled(cols() > 0);
    menu.exec(event->globalPos());
}

void ResultGrid::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        Q_EMIT rowActivated(currentRow());
        return;
    }
    QTableView::keyPressEvent(event);
}

void ResultGrid::focusInEvent(QFocusEvent* event)
{
    const bool hadCurrent = currentIndex().isValid();
    QTableView::focusInEvent(event);
    // Qt makes the first row current, unselected, when the grid takes the
    // focus: no row is current until the user picks one, and the first key
    // press then picks the first row.
    if (!hadCurrent && currentIndex().isValid() && !selectionModel()->isSelected(currentIndex()))
        selectionModel()->clearCurrentIndex();
}

void ResultGrid::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (index.column() > 0 || cols() < 2) {
        QTableView::scrollTo(index, hint);
        return;
    }
    // The first column is always in view: bring the row into view, not the column.
    const int across = horizontalScrollBar()->value();
    QTableView::scrollTo(index.siblingAtColumn(1), hint);
    horizontalScrollBar()->setValue(across);
}

void ResultGrid::updateGeometries()
{
    const int frozen = m_frozen->columnWidth(0) + 1;
    if (verticalHeader()->width() != frozen || verticalHeader()->minimumWidth() != frozen)
        verticalHeader()->setFixedWidth(frozen);
    QTableView::updateGeometries();
    placeFrozen();
}

QRect ResultGrid::visualRect(const QModelIndex& index) const
{
    if (index.column() != 0 || !index.isValid())
        return QTableView::visualRect(index);
    const QRect r = m_frozen->visualRect(index);
    if (r.isNull())
        return r;
    return r.translated(m_frozen->viewport()->mapTo(this, QPoint()) - viewport()->mapTo(this, QPoint()));
}

void ResultGrid::placeFrozen()
{
    m_frozen->setGeometry(
        frameWidth(), frameWidth(), m_frozen->columnWidth(0) + 1, viewport()->height() + horizontalHeader()->height());
    m_frozen->verticalScrollBar()->setValue(verticalScrollBar()->value());
}

} // namespace velmora
