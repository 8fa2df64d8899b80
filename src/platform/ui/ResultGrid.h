#pragma once

#include "sheets/SheetTable.h"

#include <QStringList>
#include <QTableView>

class QPushButton;

namespace velmora {

// The result grid every list of the program uses: a header row, a first
// column that stays in view when the grid scrolls sideways, trimmed values
// and data rows alternately light cyan and light grey.
// Rows are counted as on the old grid: row 0 is the header, data from 1.
class ResultGrid : public QTableView
{
    Q_OBJECT

public:
    static QColor oddRowColor() { return QColor(192, 255, 255); }
    static QColor evenRowColor() { return QColor(224, 224, 224); }

    explicit ResultGrid(QWidget* parent = nullptr);
    ~ResultGrid() override;

    void setHeaders(const QStringList& headers);
    // Appends data row n (from 1) with trimmed values, coloured by n.
    void appendRow(const QStringList& values);
    // Every data row at once, replacing those there: one model reset instead
    // of one insertion per row, which matters with thousands of rows.
    void setRows(QList<QStringList> rows);
    // Header only.
    void clearRows();
    // Every text blank, headers too; the rows stay.
    void clearTexts();

    // Including the header row.
    int rows() const;
    int cols() const;
    // Row 0 is the header.
    QString text(int row, int col) const;
    QColor background(int row, int col) const;
    // The current data row (from 1), or 0 when none.
    int currentRow() const;
    void setCurrentRow(int row);
    QStringList rowTexts(int row) const;
    int currentColumn() const;
    void setText(int row, int col, const QString& text);
    // Keeps `count` data rows from `first` (from 1) and colours them anew from row 1.
    void keepRows(int first, int count);

    // The first column lives in the frozen view; these see it there.
    int columnWidth(int col) const;
    void setColumnWidth(int col, int width);
    // A width from the design, in twips.
    void setColumnTwips(int col, int twips);
    // Each column (or those listed) as wide as its header and its widest
    // value among the first rows, up to `cap` pixels.
    void fitColumns(int cap, const QList<int>& only = {});
    // Wide enough for every column, so a window can open showing them all.
    QSize sizeHint() const override;
    // The first column's cells where the frozen view shows them, so that
    // accessibility tools find them showing rather than hidden.
    QRect visualRect(const QModelIndex& index) const override;

    // What an export is called: the worksheet's name and the file name offered.
    void setExportTitle(const QString& title) { m_exportTitle = title; }
    QString exportTitle() const { return m_exportTitle; }
    // Columns whose plain numbers go out as number cells; the rest stay text
    // (学号 "001" keeps its zeros).
    void setNumberColumns(const QList<int>& columns) { m_numberColumns = columns; }
    // Names with scores or ranks of the whole class: an export first reminds
    // that they are for each family alone.
    void setClassList(bool classList) { m_classList = classList; }
    // The grid as shown, in its current order and cut.
    SheetTable sheet() const;
    // 导出Excel…: asks where, writes .xlsx or .csv, says how it went.
    void exportSheet();
    // Asks where and writes any table, as exportSheet() does.
    static void saveSheet(QWidget* parent, const SheetTable& table);
    // A form's own 导出Excel… button exports this grid.
    void exportBy(QPushButton* button);

Q_SIGNALS:
    // A double-click on a row, or Enter on the current one.
    void rowActivated(int row);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void updateGeometries() override;

private:
    void setUpFrozen();
    void placeFrozen();

    class Model;
    Model* m_model;
    QTableView* m_frozen;
    QString m_exportTitle;
    QList<int> m_numberColumns;
    bool m_classList = false;
};

} // namespace velmora
