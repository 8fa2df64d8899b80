#pragma once

#include <QColor>
#include <QPointF>
#include <QStringList>
#include <QVector>
#include <QWidget>

class QPainter;

namespace velmora {

// What a chart shows, apart from how: the window fills it, the view and the
// printer draw it with the same painter.
struct ChartData
{
    enum class Kind { Bars, Line, Pie };
    struct Series
    {
        QString name;
        QVector<double> values; // one per category, NaN where there is none
        QVector<bool> pale; // a paler bar: a value estimated, not entered
        QColor colour; // the palette's, by position, when not given
        QStringList tips; // shown when the pointer rests on a bar
    };

    Kind kind = Kind::Bars;
    QString title;
    int titleGrow = 2; // points above the widget's font
    QStringList categories; // along the bottom; a pie's slices
    QVector<Series> series; // a pie draws the first only
    QString valueTitle;
    double low = 0;
    double high = 100;
    int ticks = 6;
    bool reversed = false; // the low value at the top, as first place
    bool valueLabels = false;
    bool legend = true;
    Qt::Alignment legendAt = Qt::AlignBottom;
    QString paleLegend; // the legend's entry for pale bars, when there are any
    QVector<QColor> sliceColours; // a pie's, by slice; the palette's where not given

    struct LegendEntry
    {
        QColor colour;
        QString text;
    };
    QVector<LegendEntry> legendEntries() const;
    QStringList legendTexts() const;
    // The points of a series with a value: (category, value).
    QList<QPointF> points(int series) const;
    QColor sliceColour(int slice) const;
    static QColor palette(int index);
};

class ChartView : public QWidget
{
    Q_OBJECT
public:
    explicit ChartView(QWidget* parent = nullptr);
    void setChart(ChartData chart);
    const ChartData& chart() const { return m_chart; }
    QSize sizeHint() const override { return { 480, 320 }; }

    struct Hit
    {
        QRectF area;
        QString tip;
    };
    // Draws into any device: the screen, a printer, a picture.
    static void paint(QPainter& painter, const QRectF& area, const ChartData& chart, QVector<Hit>* hits = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    ChartData m_chart;
    QVector<Hit> m_hits;
};

} // namespace velmora
