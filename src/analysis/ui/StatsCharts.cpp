#include "analysis/ui/StatsCharts.h"

#include "app/MessageService.h"
#include "platform/ui/ChartView.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/Pictures.h"
#include "platform/ui/PrintOut.h"
#include "platform/ui/ReportPreview.h"
#include "ui_StatsCharts.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace velmora {

namespace {

enum Measure { Bands, Average, Excellent, Pass, Grade };
const QString kTotal = QStringLiteral("总分");
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

double tenths(const std::optional<qint64>& v)
{
    return v ? double(*v) / 10 : kNone;
}

// A top of the axis that divides into five steps of whole people.
double countTop(double most)
{
    return std::max(5.0, std::ceil(most / 5) * 5);
}

// The test's score bands, from the highest: a subject's, or every subject's side by side.
ChartData bandChart(const StatsCharts::Test& test, const QString& item)
{
    ChartData chart;
    chart.kind = ChartData::Kind::Bars;
    chart.title = QStringLiteral("%1 %2分数段人数").arg(test.name, item.isEmpty() ? QStringLiteral("各科") : item);
    chart.categories = { QStringLiteral("90%～100%"), QStringLiteral("80%～90%"), QStringLiteral("70%～80%"),
        QStringLiteral("60%～70%"), QStringLiteral("60%以下") };
    chart.valueTitle = QStringLiteral("人数");
    chart.valueLabels = true;
    double most = 0;
    for (const Analysis::StatsRow& r : test.table.rows) {
        if (item.isEmpty() ? r.item == kTotal : r.item != item)
            continue;
        ChartData::Series s;
        s.name = r.item;
        for (int band = 9; band >= 6; --band)
            s.values << r.bands[band];
        s.values << std::accumulate(r.bands.begin(), r.bands.begin() + 6, 0);
        most = std::max(most, *std::max_element(s.values.cbegin(), s.values.cend()));
        chart.series << s;
    }
    chart.high = countTop(most);
    chart.legend = chart.series.size() > 1;
    return chart;
}

// Each subject's average, our class's beside the grade's.
ChartData gradeChart(const StatsCharts::Test& test)
{
    ChartData chart;
    chart.kind = ChartData::Kind::Bars;
    chart.title = QStringLiteral("%1 本班与年级各科平均分").arg(test.name);
    chart.valueTitle = QStringLiteral("分");
    chart.valueLabels = true;
    chart.legend = true;
    ChartData::Series own, grade;
    own.name = QStringLiteral("本班");
    grade.name = QStringLiteral("年级");
    chart.high = 100;
    for (int i = 0; i < test.grade->items.size(); ++i) {
        if (test.grade->items[i] == kTotal)
            continue;
        chart.categories << test.grade->items[i];
        own.values << tenths(test.grade->own[i].averageTenths());
        grade.values << tenths(test.grade->grade[i].averageTenths());
        if (i < test.table.fullMarks.size())
            chart.high = std::max(chart.high, double(test.table.fullMarks[i]) / test.table.rows[i].scale);
    }
    chart.series = { own, grade };
    return chart;
}

// Each subject of the last test over the tests, oldest first.
ChartData lineChart(const QVector<StatsCharts::Test>& tests, Measure measure)
{
    ChartData chart;
    chart.kind = ChartData::Kind::Line;
    const QString what = measure == Average ? QStringLiteral("平均分")
        : measure == Excellent              ? QStringLiteral("优秀率")
                                            : QStringLiteral("及格率");
    chart.title = tests.size() > 1 ? QStringLiteral("各科%1（最近 %2 次考试）").arg(what).arg(tests.size())
                                   : QStringLiteral("%1 各科%2").arg(tests.last().name, what);
    chart.valueTitle = measure == Average ? QStringLiteral("分") : QStringLiteral("%");
    chart.high = 100;
    for (const StatsCharts::Test& t : tests) {
        chart.categories << t.name;
        // Room for the highest full marks of any subject on any of the tests.
        for (int s = 0; measure == Average && s < t.table.fullMarks.size(); ++s) {
            if (t.table.rows.value(s).item != kTotal)
                chart.high = std::max(chart.high, double(t.table.fullMarks[s]) / t.table.rows[s].scale);
        }
    }
    const Analysis::StatsTable& last = tests.last().table;
    for (int s = 0; s < last.rows.size(); ++s) {
        const QString item = last.rows[s].item;
        if (item == kTotal)
            continue;
        ChartData::Series series;
        series.name = item;
        for (const StatsCharts::Test& t : tests) {
            const auto row = std::find_if(
                t.table.rows.cbegin(), t.table.rows.cend(), [&item](const auto& r) { return r.item == item; });
            if (row == t.table.rows.cend()) {
                series.values << kNone;
                continue;
            }
            series.values << (measure == Average ? tenths(row->averageTenths())
                    : measure == Excellent       ? tenths(row->shareTenths(row->excellent))
                                                 : tenths(row->shareTenths(row->pass)));
        }
        chart.series << series;
    }
    return chart;
}

// The chart on a 1920×1080 canvas scaled into `area`: the same picture on a
// slide and on paper. Type sizes are set for the device, which resolves
// points at its own resolution before the scaling.
void paintSlide(QPainter& p, const QRectF& area, const ChartData& chart)
{
    const QSizeF canvas = StatsCharts::kSlide;
    const double scale = std::min(area.width() / canvas.width(), area.height() / canvas.height());
    p.save();
    p.translate(area.topLeft());
    p.scale(scale, scale);
    p.fillRect(QRectF(QPointF(), canvas), Qt::white);
    QFont font = Pictures::uiFont();
    const double dpi = p.device()->logicalDpiY();
    font.setPointSizeF(26.0 * 72 / dpi / scale);
    p.setFont(font);
    ChartData big = chart;
    big.titleGrow = int(std::lround(10.0 * 72 / dpi / scale));
    ChartView::paint(p, QRectF(QPointF(48, 32), canvas - QSizeF(96, 64)), big);
    p.restore();
}

} // namespace

StatsCharts::StatsCharts(QVector<Test> tests, const QString& note, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::StatsCharts>())
    , m_tests(std::move(tests))
{
    m_ui->setupUi(this);
    m_ui->cmbChart->addItem(QStringLiteral("分数段人数"), Bands);
    m_ui->cmbChart->addItem(QStringLiteral("各科平均分"), Average);
    m_ui->cmbChart->addItem(QStringLiteral("各科优秀率"), Excellent);
    m_ui->cmbChart->addItem(QStringLiteral("各科及格率"), Pass);
    if (m_tests.last().grade)
        m_ui->cmbChart->addItem(QStringLiteral("本班与年级"), Grade);
    QString said = note;
    while (said.endsWith(QChar(0x3002)))
        said.chop(1);
    m_ui->lblNote->setText(said + QStringLiteral("。图中没有学生姓名，可用于家长会。"));
    fillSubjects();
    connect(m_ui->cmbChart, &QComboBox::currentIndexChanged, this, &StatsCharts::draw);
    connect(m_ui->cmbSubject, &QComboBox::currentIndexChanged, this, &StatsCharts::draw);
    connect(m_ui->BN_SavePng, &QPushButton::clicked, this, &StatsCharts::savePicture);
    connect(m_ui->BN_Print, &QPushButton::clicked, this, &StatsCharts::print);
    connect(m_ui->BN_Close, &QPushButton::clicked, this, &QDialog::reject);
    draw();
}

StatsCharts::~StatsCharts() = default;

void StatsCharts::fillSubjects()
{
    m_ui->cmbSubject->addItem(QStringLiteral("各科"), QString());
    for (const Analysis::StatsRow& r : m_tests.last().table.rows)
        m_ui->cmbSubject->addItem(r.item, r.item);
}

void StatsCharts::draw()
{
    const auto measure = Measure(m_ui->cmbChart->currentData().toInt());
    m_ui->cmbSubject->setEnabled(measure == Bands);
    m_ui->Chart->setChart(measure == Bands ? bandChart(m_tests.last(), m_ui->cmbSubject->currentData().toString())
            : measure == Grade             ? gradeChart(m_tests.last())
                                           : lineChart(m_tests, measure));
}

QImage StatsCharts::slide() const
{
    QImage image(kSlide, QImage::Format_RGB32);
    // 96 dots per inch, as a screen: the type comes out as on the slide's canvas.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paintSlide(p, QRectF(QPointF(), QSizeF(kSlide)), m_ui->Chart->chart());
    return image;
}

void StatsCharts::savePicture()
{
    const QString path = FileDialogs::saveFileName(this, FileDialogs::Kind::Export,
        m_ui->Chart->chart().title + QStringLiteral(".png"), QStringLiteral("PNG 图片 (*.png)"));
    if (path.isEmpty())
        return;
    if (!PrintOut::writeImage(path, slide())) {
        MessageService::show(
            QStringLiteral("图片没有保存，请检查文件夹是否可写、磁盘是否已满：%1").arg(path), MsgIcon::Critical);
        return;
    }
    MessageService::info(QStringLiteral("已保存图片（1920×1080）：%1").arg(path));
}

void StatsCharts::print()
{
    const ChartData chart = m_ui->Chart->chart();
    auto paint = [chart](QPagedPaintDevice* device, const PrintOut::Progress&) {
        QPainter p(device);
        if (!p.isActive())
            return 0;
        p.setRenderHint(QPainter::Antialiasing);
        paintSlide(p, QRectF(p.viewport()), chart);
        return 1;
    };
    const QPageLayout page(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(12, 12, 12, 12));
    auto* view = new ReportPreview(QStringLiteral("成绩图表"), page, paint, 1, this);
    view->open();
}

} // namespace velmora
