#include "platform/ui/TablePages.h"

#include "platform/ui/ReportPreview.h"
#include "sheets/SheetReader.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

namespace velmora::TablePages {

namespace {

constexpr int kWrap = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextWrapAnywhere;

// Column widths at the given size of type.
QVector<double> widths(const Table& t, const QFontMetricsF& fm, double pad)
{
    QVector<double> out(t.headers.size());
    for (int c = 0; c < t.headers.size(); ++c) {
        out[c] = fm.horizontalAdvance(t.headers[c]) / 2;
        for (const QStringList& row : t.rows)
            out[c] = qMax(out[c], fm.horizontalAdvance(row.value(c)));
        out[c] += 2 * pad;
    }
    return out;
}

} // namespace

int paint(QPagedPaintDevice* device, const QString& title, const QStringList& notes, const QVector<Table>& tables,
    const PrintOut::Progress& progress, Fit fit)
{
    QPainter p;
    if (!p.begin(device))
        return 0;
    const double mm = device->logicalDpiY() / 25.4;
    const QRectF area = device->pageLayout().paintRectPixels(device->logicalDpiY());
    const double width = area.width(), height = area.height();
    int pages = 1;
    double y = 0;
    const auto newPage = [&] {
        device->newPage();
        ++pages;
        y = 0;
    };

    p.setFont(PrintOut::sans(14, true));
    const double titleHeight = QFontMetricsF(p.font(), device).lineSpacing() * 1.6;
    p.drawText(QRectF(0, 0, width, titleHeight), Qt::AlignCenter, title);
    y = titleHeight;
    p.setFont(PrintOut::serif(9));
    for (const QString& note : notes) {
        const QRectF box = p.boundingRect(QRectF(0, y, width, height), Qt::AlignLeft | Qt::TextWordWrap, note);
        p.drawText(box, Qt::AlignLeft | Qt::TextWordWrap, note);
        y += box.height();
    }
    y += 2 * mm;

    int done = 0;
    for (const Table& t : tables) {
        double points = 9;
        QFont font = PrintOut::serif(points);
        const double pad = 1 * mm;
        // A sheet meant for one page keeps its rows close.
        const double vpad = (fit == Fit::OnePage ? 0.3 : 1) * mm;
        const auto tall = [&](const QFont& f) {
            const double l = QFontMetricsF(f, device).lineSpacing();
            return fit == Fit::OnePage && y + 2 * l + 2 * vpad + t.rows.size() * (l + 2 * vpad) > height;
        };
        QVector<double> w = widths(t, QFontMetricsF(font, device), pad);
        double total = std::accumulate(w.cbegin(), w.cend(), 0.0);
        while ((total > width || tall(font)) && points > 5) {
            points -= 0.5;
            font = PrintOut::serif(points);
            w = widths(t, QFontMetricsF(font, device), pad);
            total = std::accumulate(w.cbegin(), w.cend(), 0.0);
        }
        // What is left of the page's width goes to the columns alike.
        if (total < width && !w.isEmpty()) {
            const double extra = qMin((width - total) / w.size(), 8 * mm);
            for (double& c : w)
                c += extra;
        }
        p.setFont(font);
        const double line = QFontMetricsF(font, device).lineSpacing();
        const double rowHeight = line + 2 * vpad, headerHeight = 2 * line + 2 * vpad;
        const auto drawRow = [&](const QStringList& cells, double h) {
            double x = 0;
            for (int c = 0; c < w.size(); ++c) {
                const QRectF cell(x, y, w[c], h);
                p.drawRect(cell);
                p.drawText(cell.adjusted(pad, 0, -pad, 0), kWrap, cells.value(c));
                x += w[c];
            }
            y += h;
        };
        if (y + headerHeight + rowHeight > height)
            newPage();
        drawRow(t.headers, headerHeight);
        for (const QStringList& row : t.rows) {
            if (y + rowHeight > height) {
                newPage();
                drawRow(t.headers, headerHeight);
            }
            drawRow(row, rowHeight);
            if (progress && !progress(++done))
                return -1;
        }
        y += 4 * mm;
    }
    return p.end() ? pages : 0;
}

namespace {
QStringList texts(const QVector<QVariant>& cells)
{
    QStringList out;
    for (const QVariant& v : cells)
        out << (v.typeId() == QMetaType::Double ? QString::number(v.toDouble(), 'f', 1) : SheetReader::cellText(v));
    return out;
}
} // namespace

QVector<Table> sections(const SheetTable& sheet)
{
    QVector<Table> out { { sheet.headers, {} } };
    bool heading = false;
    for (const QVector<QVariant>& row : sheet.rows) {
        if (row.isEmpty()) {
            out.push_back({});
            heading = true;
        } else if (heading) {
            out.last().headers = texts(row);
            heading = false;
        } else {
            out.last().rows << texts(row);
        }
    }
    // A change reads with its sign, as a teacher writes it: +2.2, −1.5.
    for (Table& t : out) {
        for (int c = 0; c < t.headers.size(); ++c) {
            if (!t.headers[c].endsWith(QStringLiteral("变化")))
                continue;
            for (QStringList& r : t.rows) {
                bool number = false;
                const double v = r.value(c).toDouble(&number);
                if (number && v > 0)
                    r[c].prepend(QLatin1Char('+'));
                else if (number && v < 0)
                    r[c].replace(0, 1, QChar(0x2212));
            }
        }
    }
    return out;
}

void preview(QWidget* parent, const QString& caption, const QString& title, const QStringList& notes,
    const QVector<Table>& tables, QPageLayout::Orientation orientation, Fit fit)
{
    auto paintTables = [title, notes, tables, fit](QPagedPaintDevice* device, const PrintOut::Progress& progress) {
        return paint(device, title, notes, tables, progress, fit);
    };
    int rows = 0;
    for (const Table& t : tables)
        rows += int(t.rows.size());
    const QPageLayout page(QPageSize(QPageSize::A4), orientation, QMarginsF(12, 12, 12, 12));
    auto* view = new ReportPreview(caption, page, paintTables, rows, parent);
    view->open();
}

} // namespace velmora::TablePages
