#include "platform/ui/ChartView.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <cmath>
#include <numbers>

namespace velmora {

namespace {

QColor paler(const QColor& c)
{
    return QColor::fromRgbF(0.35f * c.redF() + 0.65f, 0.35f * c.greenF() + 0.65f, 0.35f * c.blueF() + 0.65f);
}

QColor colourOf(const ChartData& chart, int s)
{
    const QColor given = chart.series.value(s).colour;
    return given.isValid() ? given : ChartData::palette(s);
}

QString number(double v)
{
    return QString::number(v, 'g', 10);
}

using Entry = ChartData::LegendEntry;

} // namespace

QVector<ChartData::LegendEntry> ChartData::legendEntries() const
{
    const ChartData& chart = *this;
    QVector<Entry> entries;
    if (chart.kind == ChartData::Kind::Pie) {
        for (int c = 0; c < chart.categories.size(); ++c)
            entries.append({ chart.sliceColour(c), chart.categories[c] });
        return entries;
    }
    bool pale = false;
    for (int s = 0; s < chart.series.size(); ++s) {
        entries.append({ colourOf(chart, s), chart.series[s].name });
        pale = pale || chart.series[s].pale.contains(true);
    }
    if (pale && !chart.paleLegend.isEmpty())
        entries.append({ QColor(200, 200, 200), chart.paleLegend });
    return entries;
}

QStringList ChartData::legendTexts() const
{
    QStringList texts;
    for (const LegendEntry& e : legendEntries())
        texts << e.text;
    return texts;
}

namespace {

// Takes the legend's room from `rest` and draws it there.
void drawLegend(QPainter& p, QRectF& rest, const ChartData& chart)
{
    const QVector<Entry> entries = chart.legendEntries();
    if (!chart.legend || entries.isEmpty())
        return;
    const QFontMetricsF fm(p.font());
    const qreal box = fm.height() * 0.7, line = fm.height() + 2;
    auto entryWidth = [&](const Entry& e) { return box + 6 + fm.horizontalAdvance(e.text) + 14; };
    auto drawEntry = [&](const Entry& e, QPointF at) {
        p.setPen(Qt::NoPen);
        p.setBrush(e.colour);
        p.drawRect(QRectF(at.x(), at.y() + (line - box) / 2, box, box));
        p.setPen(QColor(33, 33, 33));
        p.drawText(QRectF(at.x() + box + 6, at.y(), fm.horizontalAdvance(e.text) + 2, line), Qt::AlignVCenter, e.text);
    };
    if (chart.legendAt & Qt::AlignRight) {
        qreal width = 0;
        for (const Entry& e : entries)
            width = std::max(width, entryWidth(e));
        width = std::min(width, rest.width() / 2);
        qreal y = rest.center().y() - entries.size() * line / 2;
        for (const Entry& e : entries) {
            drawEntry(e, QPointF(rest.right() - width, y));
            y += line;
        }
        rest.setRight(rest.right() - width - 8);
        return;
    }
    QVector<QVector<int>> rows(1);
    qreal used = 0;
    for (int i = 0; i < entries.size(); ++i) {
        const qreal w = entryWidth(entries[i]);
        if (used + w > rest.width() && !rows.last().isEmpty()) {
            rows.append(QVector<int>());
            used = 0;
        }
        rows.last().append(i);
        used += w;
    }
    qreal y = rest.bottom() - rows.size() * line;
    rest.setBottom(y - 6);
    for (const auto& row : rows) {
        qreal width = 0;
        for (int i : row)
            width += entryWidth(entries[i]);
        qreal x = rest.center().x() - width / 2;
        for (int i : row) {
            drawEntry(entries[i], QPointF(x, y));
            x += entryWidth(entries[i]);
        }
        y += line;
    }
}

void drawPie(QPainter& p, const QRectF& rest, const ChartData& chart)
{
    const QVector<double> values = chart.series.value(0).values;
    double total = 0;
    for (double v : values)
        total += std::isnan(v) || v < 0 ? 0 : v;
    if (total <= 0)
        return;
    const QFontMetricsF fm(p.font());
    // Room beside the pie for the widest label on either side.
    qreal label = 0;
    for (int i = 0; i < values.size(); ++i)
        label = std::max(label, fm.horizontalAdvance(chart.categories.value(i)));
    const qreal radius = std::max(10.0,
        std::min(
            { rest.height() * 0.55 / 2, (rest.width() / 2 - label - 16) / 1.18, rest.height() / 2 - fm.height() }));
    const QPointF centre = rest.center();
    const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    double start = 90; // from twelve o'clock, clockwise
    for (int i = 0; i < values.size(); ++i) {
        const double v = std::isnan(values[i]) || values[i] < 0 ? 0 : values[i];
        if (v <= 0)
            continue;
        const double span = v / total * 360;
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(chart.sliceColour(i));
        p.drawPie(circle, qRound(start * 16), -qRound(span * 16));
        const double middle = (start - span / 2) * std::numbers::pi / 180;
        const QPointF dir(std::cos(middle), -std::sin(middle));
        const QPointF from = centre + dir * radius, knee = centre + dir * radius * 1.18;
        const bool right = dir.x() >= 0;
        const QPointF end = knee + QPointF(right ? 10 : -10, 0);
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.drawPolyline(QVector<QPointF> { from, knee, end });
        const QString text = chart.categories.value(i);
        const qreal w = fm.horizontalAdvance(text) + 2;
        p.setPen(QColor(33, 33, 33));
        p.drawText(QRectF(right ? end.x() + 3 : end.x() - 3 - w, end.y() - fm.height() / 2, w, fm.height()),
            Qt::AlignVCenter | (right ? Qt::AlignLeft : Qt::AlignRight), text);
        start -= span;
    }
}

void drawAxesAndData(QPainter& p, const QRectF& rest, const ChartData& chart, QVector<ChartView::Hit>* hits)
{
    const QFontMetricsF fm(p.font());
    const int ticks = std::max(2, chart.ticks);
    const double span = chart.high > chart.low ? chart.high - chart.low : 1;
    QStringList tickLabels;
    qreal labelWidth = 0;
    for (int t = 0; t < ticks; ++t) {
        tickLabels << QString::number(qRound(chart.low + span * t / (ticks - 1)));
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(tickLabels.last()));
    }
    const qreal titleRoom = chart.valueTitle.isEmpty() ? 0 : fm.height() + 4;
    const QRectF plot = rest.adjusted(titleRoom + labelWidth + 8, fm.height() * 1.2, -fm.height(), -fm.height() - 6);
    if (plot.width() < 10 || plot.height() < 10)
        return;
    auto yOf = [&](double v) {
        const double f = (std::clamp(v, chart.low, chart.high) - chart.low) / span;
        return chart.reversed ? plot.top() + f * plot.height() : plot.bottom() - f * plot.height();
    };
    for (int t = 0; t < ticks; ++t) {
        const qreal y = yOf(chart.low + span * t / (ticks - 1));
        p.setPen(QPen(QColor(225, 225, 225), 1));
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(QColor(60, 60, 60));
        p.drawText(QRectF(plot.left() - labelWidth - 6, y - fm.height() / 2, labelWidth, fm.height()),
            Qt::AlignRight | Qt::AlignVCenter, tickLabels[t]);
    }
    if (!chart.valueTitle.isEmpty()) {
        p.save();
        p.translate(rest.left() + fm.height() / 2 + 1, plot.center().y());
        p.rotate(-90);
        p.drawText(QRectF(-plot.height() / 2, -fm.height() / 2, plot.height(), fm.height()), Qt::AlignCenter,
            chart.valueTitle);
        p.restore();
    }
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawLine(plot.bottomLeft(), plot.topLeft());

    const int n = std::max<int>(1, int(chart.categories.size()));
    const qreal slot = plot.width() / n;
    p.setPen(QColor(60, 60, 60));
    for (int c = 0; c < chart.categories.size(); ++c) {
        const QRectF cell(plot.left() + slot * c, plot.bottom() + 4, slot, fm.height());
        p.drawText(cell, Qt::AlignHCenter | Qt::AlignTop, fm.elidedText(chart.categories[c], Qt::ElideRight, slot));
    }

    if (chart.kind == ChartData::Kind::Line) {
        for (int s = 0; s < chart.series.size(); ++s) {
            const QColor colour = colourOf(chart, s);
            QVector<QPointF> line;
            for (const QPointF& point : chart.points(s))
                line << QPointF(plot.left() + slot * (point.x() + 0.5), yOf(point.y()));
            p.setPen(QPen(colour, 2));
            p.drawPolyline(line);
            p.setBrush(colour);
            const auto values = chart.points(s);
            for (int i = 0; i < line.size(); ++i) {
                p.setPen(QPen(colour, 1));
                p.drawEllipse(line[i], 3.5, 3.5);
                if (chart.valueLabels) {
                    p.setPen(QColor(33, 33, 33));
                    p.drawText(QRectF(line[i].x() - slot / 2, line[i].y() - fm.height() - 4, slot, fm.height()),
                        Qt::AlignCenter, number(values[i].y()));
                }
            }
        }
        return;
    }
    const int k = std::max<int>(1, int(chart.series.size()));
    const qreal barWidth = slot * 0.8 / k;
    for (int s = 0; s < chart.series.size(); ++s) {
        const ChartData::Series& series = chart.series[s];
        const QColor colour = colourOf(chart, s);
        for (int c = 0; c < series.values.size() && c < n; ++c) {
            const double v = series.values[c];
            if (std::isnan(v))
                continue;
            const qreal x = plot.left() + slot * c + slot * 0.1 + barWidth * s;
            const QRectF bar = QRectF(QPointF(x, yOf(v)), QPointF(x + barWidth, yOf(chart.low))).normalized();
            p.setPen(Qt::NoPen);
            p.setBrush(series.pale.value(c) ? paler(colour) : colour);
            p.drawRect(bar);
            if (chart.valueLabels) {
                p.setPen(QColor(33, 33, 33));
                p.drawText(QRectF(x - 10, bar.top() - fm.height() - 1, barWidth + 20, fm.height()),
                    Qt::AlignHCenter | Qt::AlignBottom, number(v));
            }
            if (hits && !series.tips.value(c).isEmpty())
                hits->append({ bar, series.tips[c] });
        }
    }
}

} // namespace

QList<QPointF> ChartData::points(int s) const
{
    QList<QPointF> out;
    const QVector<double> values = series.value(s).values;
    for (int c = 0; c < values.size(); ++c) {
        if (!std::isnan(values[c]))
            out << QPointF(c, values[c]);
    }
    return out;
}

QColor ChartData::sliceColour(int slice) const
{
    return slice < sliceColours.size() && sliceColours[slice].isValid() ? sliceColours[slice] : palette(slice);
}

QColor ChartData::palette(int index)
{
    // Fourteen, one for each subject a test may have, none repeated on a chart of them all.
    static const QColor colours[]
        = { QColor(32, 159, 223), QColor(153, 202, 83), QColor(246, 166, 37), QColor(109, 95, 213), QColor(191, 89, 62),
              QColor(84, 110, 122), QColor(0, 150, 136), QColor(233, 30, 99), QColor(121, 85, 72), QColor(255, 213, 79),
              QColor(26, 35, 126), QColor(174, 213, 129), QColor(186, 104, 200), QColor(158, 158, 158) };
    const int n = int(std::size(colours));
    return colours[((index % n) + n) % n];
}

ChartView::ChartView(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 150);
}

void ChartView::setChart(ChartData chart)
{
    m_chart = std::move(chart);
    update();
}

void ChartView::paint(QPainter& p, const QRectF& area, const ChartData& chart, QVector<Hit>* hits)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(area, Qt::white);
    QRectF rest = area.adjusted(8, 8, -8, -8);
    if (!chart.title.isEmpty()) {
        QFont font = p.font();
        font.setPointSizeF(font.pointSizeF() + chart.titleGrow);
        font.setBold(true);
        p.save();
        p.setFont(font);
        const qreal h = QFontMetricsF(font).height();
        p.setPen(QColor(33, 33, 33));
        p.drawText(QRectF(rest.left(), rest.top(), rest.width(), h), Qt::AlignCenter, chart.title);
        p.restore();
        rest.setTop(rest.top() + h + 6);
    }
    drawLegend(p, rest, chart);
    if (chart.kind == ChartData::Kind::Pie)
        drawPie(p, rest, chart);
    else
        drawAxesAndData(p, rest, chart, hits);
    p.restore();
}

void ChartView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    m_hits.clear();
    paint(p, rect(), m_chart, &m_hits);
}

bool ChartView::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    for (const Hit& hit : std::as_const(m_hits)) {
        if (hit.area.contains(help->pos())) {
            QToolTip::showText(help->globalPos(), hit.tip, this);
            return true;
        }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}

} // namespace velmora
