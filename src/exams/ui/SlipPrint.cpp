#include "exams/ui/SlipPrint.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numeric>

namespace velmora::SlipPrint {

using ReportCards::Shown;
using Slips::Choices;
using Slips::Slip;

namespace {

constexpr int kWrap = Qt::TextWordWrap | Qt::TextWrapAnywhere;
constexpr double kLargest = 10; // points
constexpr double kSmallest = 6;

// The rows a slip prints, the heading first.
QVector<QStringList> rowsOf(const Slip& slip, const Choices& choices)
{
    const bool both = choices.shown == Shown::Both;
    QVector<QStringList> rows { slip.headers(), slip.cells(both ? Shown::Scores : choices.shown) };
    if (both)
        rows << slip.grades();
    if (const QStringList averages = slip.averages(choices); !averages.isEmpty())
        rows << averages;
    return rows;
}

// Each column as wide as its widest cell in any slip, so that every slip lines up.
QVector<double> widthsOf(const QVector<Slip>& slips, const Choices& choices, const QFontMetricsF& head,
    const QFontMetricsF& body, double pad)
{
    QVector<double> out;
    for (const Slip& slip : slips) {
        const auto rows = rowsOf(slip, choices);
        out.resize(std::max(out.size(), rows.first().size()));
        for (int r = 0; r < rows.size(); ++r) {
            for (int c = 0; c < rows[r].size(); ++c)
                out[c] = std::max(out[c], (r == 0 ? head : body).horizontalAdvance(rows[r][c]) + 2 * pad);
        }
    }
    return out;
}

class SlipLayout
{
public:
    SlipLayout(QPainter& painter, const QString& title, const Choices& choices, double points)
        : p(painter)
        , m_title(title)
        , m_choices(choices)
        , m_head(PrintOut::sans(points, true))
        , m_body(PrintOut::serif(points))
        , m_mm(painter.device()->logicalDpiY() / 25.4)
        , m_pad(1.2 * m_mm * points / kLargest)
    { }

    QVector<double> widths(const QVector<Slip>& slips) const
    {
        return widthsOf(slips, m_choices, QFontMetricsF(m_head, p.device()), QFontMetricsF(m_body, p.device()), m_pad);
    }

    // The height the slip takes from `top`, painting it when `draw`.
    double run(const Slip& slip, const QVector<double>& widths, double left, double top, double width, bool draw)
    {
        double y = top;
        const QFont caption = PrintOut::sans(m_head.pointSizeF() * 0.9);
        p.setFont(caption);
        const QString line = m_title + QStringLiteral("　") + slip.testName;
        const QRectF titleBox = p.boundingRect(QRectF(left, y, width, 1e7), Qt::AlignLeft | kWrap, line);
        if (draw)
            p.drawText(titleBox, Qt::AlignLeft | kWrap, line);
        y += titleBox.height() + 0.5 * m_mm;
        const double rowHeight = QFontMetricsF(m_body, p.device()).lineSpacing() * 1.5;
        const auto rows = rowsOf(slip, m_choices);
        for (int r = 0; r < rows.size(); ++r) {
            if (draw) {
                p.setFont(r == 0 ? m_head : m_body);
                double x = left;
                for (int c = 0; c < rows[r].size(); ++c) {
                    const QRectF cell(x, y, widths.value(c), rowHeight);
                    if (r == 0)
                        p.fillRect(cell, QColor(232, 232, 232));
                    p.drawRect(cell);
                    p.drawText(cell, Qt::AlignCenter, rows[r][c]);
                    x += widths.value(c);
                }
            }
            y += rowHeight;
        }
        if (!slip.comment.isEmpty()) {
            p.setFont(m_body);
            const QString said = QStringLiteral("评语：") + slip.comment;
            const QRectF box = p.boundingRect(QRectF(left, y + 0.8 * m_mm, width, 1e7), Qt::AlignLeft | kWrap, said);
            if (draw)
                p.drawText(box, Qt::AlignLeft | kWrap, said);
            y = box.bottom();
        }
        return y - top;
    }

    double mm() const { return m_mm; }

private:
    QPainter& p;
    QString m_title;
    Choices m_choices;
    QFont m_head, m_body;
    double m_mm, m_pad;
};

} // namespace

QPageLayout pageLayout()
{
    return QPageLayout(
        QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
}

int paint(QPagedPaintDevice* device, const QString& title, const QVector<Slip>& slips, const Choices& choices,
    const PrintOut::Progress& progress)
{
    QPainter p(device);
    if (!p.isActive())
        return 0;
    const QRectF area = device->pageLayout().paintRectPixels(device->logicalDpiY());
    const QRectF page(0, 0, area.width(), area.height());
    if (slips.isEmpty()) {
        p.setFont(PrintOut::serif(12));
        p.drawText(page, Qt::AlignCenter, QStringLiteral("没有要打印的学生。"));
        return p.end() ? 1 : 0;
    }
    // The largest type at which the widest slip fits across the page.
    double points = kSmallest;
    for (double size = kLargest; size >= kSmallest; size -= 0.5) {
        const auto w = SlipLayout(p, title, choices, size).widths(slips);
        if (std::accumulate(w.cbegin(), w.cend(), 0.0) <= page.width()) {
            points = size;
            break;
        }
    }
    SlipLayout layout(p, title, choices, points);
    const QVector<double> widths = layout.widths(slips);
    const double gap = 8 * layout.mm(); // the cutting line runs through its middle
    int pages = 1;
    double y = page.top();
    p.setPen(QPen(Qt::black, 0.25 * layout.mm()));
    for (int i = 0; i < slips.size(); ++i) {
        const double height = layout.run(slips[i], widths, page.left(), 0, page.width(), false);
        const bool first = y <= page.top();
        if (!first && y + gap + height > page.bottom()) {
            device->newPage();
            ++pages;
            y = page.top();
        } else if (!first) {
            p.save();
            p.setPen(QPen(Qt::gray, 0.25 * layout.mm(), Qt::DashLine));
            p.drawLine(QPointF(page.left(), y + gap / 2), QPointF(page.right(), y + gap / 2));
            p.restore();
            y += gap;
        }
        layout.run(slips[i], widths, page.left(), y, page.width(), true);
        y += height;
        if (progress && !progress(i + 1)) {
            p.end();
            return -1;
        }
    }
    return p.end() ? pages : 0;
}

QImage image(const QString& title, const Slip& slip, const Choices& choices, int width)
{
    const bool scores = choices.shown != Shown::Grades, grades = choices.shown != Shown::Scores;
    const bool averages = scores && choices.average;
    QStringList headers { QStringLiteral("科目") };
    if (scores)
        headers << QStringLiteral("成绩");
    if (grades)
        headers << QStringLiteral("等级");
    if (averages)
        headers << QStringLiteral("班级平均");
    QVector<QStringList> rows;
    for (const Slips::Item& item : slip.subjects + QVector<Slips::Item> { slip.total }) {
        QStringList row { item.name };
        const bool has = item.mark.isEmpty() && !item.score.isEmpty();
        const QString missing = item.mark.isEmpty() ? QStringLiteral("—") : item.mark;
        if (scores)
            row << (has ? item.score + (item.starred ? QStringLiteral("*") : QString()) : missing);
        if (grades)
            row << (has ? item.grade : scores ? QString() : missing);
        if (averages)
            row << item.average;
        rows << row;
    }
    // Sizes in pixels of a 600-pixel image, read on a phone at its width.
    const double unit = width / 600.0;
    QFont big = PrintOut::sans(10, true), head = PrintOut::sans(10, true), body = PrintOut::sans(10);
    big.setPixelSize(int(30 * unit));
    head.setPixelSize(int(24 * unit));
    body.setPixelSize(int(24 * unit));
    const double margin = 24 * unit, rowHeight = 44 * unit;
    const double inner = width - 2 * margin;
    const QStringList lines {
        QStringLiteral("学号：%1　姓名：%2").arg(slip.number, slip.name),
    };
    QStringList after;
    if (!slip.rank.isEmpty())
        after << QStringLiteral("班级名次：") + slip.rank;
    if (!slip.comment.isEmpty())
        after << QStringLiteral("评语：") + slip.comment;

    // Measured on a scrap image first: the height follows the comment's length.
    const auto layout = [&](QPainter& p, bool draw) {
        double y = margin;
        const auto text = [&](const QFont& f, const QString& s, int align) {
            p.setFont(f);
            const QRectF box = p.boundingRect(QRectF(margin, y, inner, 1e6), align | kWrap, s);
            if (draw)
                p.drawText(box, align | kWrap, s);
            y = box.bottom() + 10 * unit;
        };
        text(big, title + QStringLiteral("\n") + slip.testName + QStringLiteral("成绩单"), Qt::AlignHCenter);
        for (const QString& l : lines)
            text(body, l, Qt::AlignLeft);
        const double first = inner * 0.3, other = (inner - first) / std::max<qsizetype>(1, headers.size() - 1);
        for (int r = -1; r < rows.size(); ++r) {
            const QStringList& cells = r < 0 ? headers : rows[r];
            double x = margin;
            if (draw) {
                p.setFont(r < 0 || r == rows.size() - 1 ? head : body);
                for (int c = 0; c < cells.size(); ++c) {
                    const QRectF cell(x, y, c == 0 ? first : other, rowHeight);
                    if (r < 0)
                        p.fillRect(cell, QColor(232, 232, 232));
                    p.drawRect(cell);
                    p.drawText(cell, Qt::AlignCenter, cells[c]);
                    x += cell.width();
                }
            }
            y += rowHeight;
        }
        y += 10 * unit;
        for (const QString& l : after)
            text(body, l, Qt::AlignLeft);
        return y + margin - 10 * unit;
    };
    QImage scrap(1, 1, QImage::Format_RGB32);
    QPainter measure(&scrap);
    const int height = int(std::ceil(layout(measure, false)));
    measure.end();
    QImage out(width, height, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, std::max(1.0, unit)));
    layout(p, true);
    p.end();
    return out;
}

} // namespace velmora::SlipPrint
