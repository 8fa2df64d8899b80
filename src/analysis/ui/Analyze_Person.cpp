#include "analysis/ui/Analyze_Person.h"

#include "analysis/Analysis.h"
#include "analysis/Progress.h"
#include "analysis/StatsTable.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/Schema.h"
#include "exams/ScoreMarks.h"
#include "exams/ScoreSheet.h"
#include "exams/TestRecord.h"
#include "platform/ui/ChartView.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Pictures.h"
#include "students/ui/StudentInfo.h"
#include "ui_Analyze_Person.h"
#include "ui_Analyze_Person_Chart.h"

#include <QCheckBox>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolTip>
#include <QVBoxLayout>
#include <cmath>

namespace velmora {

bool PersonChartData::anyEstimated() const
{
    for (const auto& row : estimated) {
        if (row.contains(true))
            return true;
    }
    return false;
}

void drawPersonChart(ChartView* view, const PersonChartData& data, bool large)
{
    ChartData chart;
    chart.title = large ? QStringLiteral("个人成绩图（按科目，每次考试一种颜色）") : QStringLiteral("个人成绩图");
    chart.titleGrow = large ? 5 : 2;
    chart.categories = data.categories;
    double top = 100;
    for (int s = 0; s < data.series.size(); ++s) {
        ChartData::Series series;
        series.name = QStringLiteral("%1 %2").arg(data.series[s], data.names.value(s)).trimmed();
        series.values = data.values.value(s);
        series.pale = data.estimated.value(s);
        for (int c = 0; c < series.values.size(); ++c) {
            const double v = series.values[c];
            if (std::isnan(v))
                continue;
            top = std::max(top, v);
            series.tips << QStringLiteral("%1 %2：%3%4")
                               .arg(series.name, data.categories.value(c))
                               .arg(v)
                               .arg(series.pale.value(c) ? QStringLiteral("（估算）") : QString());
        }
        chart.series << series;
    }
    // An estimated bar takes a paler colour, named in the legend.
    chart.paleLegend = PersonChartData::estimateLegend();
    chart.valueLabels = large;
    chart.high = std::ceil(top / 10) * 10;
    chart.valueTitle = QStringLiteral("分数");
    chart.legendAt = large ? Qt::AlignRight : Qt::AlignBottom;
    view->setChart(std::move(chart));
}

Analyze_Person::Analyze_Person(Module1& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::Analyze_Person>())
    , Check1(6, nullptr)
    , Check2(14, nullptr)
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    m_ui->Image1->setPixmap(Pictures::appIcon().pixmap(40, 40));
    Controls::limitChars(m_ui->txtFind, 10);
    // The captions come from the fixed lists of test types and subjects.
    const QStringList typeNames = Exams::types() + QStringList { QStringLiteral("其他") };
    for (int i = 0; i < 6; ++i) {
        Check1[i] = findChild<QCheckBox*>(QStringLiteral("Check1_%1").arg(i));
        Check1[i]->setText(typeNames[i]);
        connect(Check1[i], &QCheckBox::clicked, this, [this, i] { typeClicked(i); });
    }
    for (int i = 0; i < 14; ++i) {
        Check2[i] = findChild<QCheckBox*>(QStringLiteral("Check2_%1").arg(i));
        Check2[i]->setText(Schema::subjects()[i]);
        connect(Check2[i], &QCheckBox::clicked, this, &Analyze_Person::FillTable);
    }
    connect(m_ui->txtOther, &QLineEdit::editingFinished, this, &Analyze_Person::FillTable);
    connect(m_ui->Check3, &QCheckBox::toggled, this, [this](bool on) {
        if (!on)
            return;
        for (QCheckBox* box : Check2)
            box->setChecked(true);
        FillTable();
    });

    connect(m_ui->BN_Find, &QPushButton::clicked, this, &Analyze_Person::find);
    connect(m_ui->txtFind, &QLineEdit::returnPressed, this, &Analyze_Person::find);
    connect(m_ui->BN_First, &QPushButton::clicked, this, &Analyze_Person::first);
    connect(m_ui->BN_Previous, &QPushButton::clicked, this, &Analyze_Person::previous);
    connect(m_ui->BN_Next, &QPushButton::clicked, this, &Analyze_Person::next);
    connect(m_ui->BN_Last, &QPushButton::clicked, this, &Analyze_Person::last);
    connect(m_ui->BN_Back, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
    connect(m_ui->Command3, &QPushButton::clicked, this, &Analyze_Person::enlarge);
    connect(m_ui->Command1, &QPushButton::clicked, this, [this] {
        if (!m_ui->txtNumber->text().isEmpty())
            StudentInfo::openReadOnly(m_session, this, m_ui->txtNumber->text());
    });
}

Analyze_Person::~Analyze_Person() = default;

bool Analyze_Person::load()
{
    m_ranks.clear();
    auto numbers = Students::numbers(m_session.Conn());
    if (!numbers) {
        MessageService::error(numbers.error(), ErrorWording::Restart);
        return false;
    }
    m_students = *numbers;
    if (m_students.isEmpty()) {
        MessageService::info(QStringLiteral("对不起，您的学生库不存在，请添加学生信息！"));
        return false;
    }
    showStudent(0);
    return true;
}

void Analyze_Person::showStudent(int student)
{
    m_current = student;
    FillTable();
}

bool Analyze_Person::testsShown(QVector<TestRecord>* tests) const
{
    auto all = Exams::list(m_session.Conn());
    if (!all) {
        MessageService::error(all.error(), ErrorWording::Restart);
        return false;
    }
    const QStringList& standard = Exams::types();
    for (const TestRecord& t : *all) {
        const int type = int(standard.indexOf(t.type));
        const bool other = type < 0 && Check1[5]->isChecked()
            && (m_ui->txtOther->text().trimmed().isEmpty() || t.type.contains(m_ui->txtOther->text().trimmed()));
        if ((type >= 0 && Check1[type]->isChecked()) || other)
            *tests << t;
    }
    return true;
}

void Analyze_Person::FillTable()
{
    if (m_students.isEmpty())
        return;
    const QString student = m_students[m_current];
    m_ui->txtNumber->setText(student);
    QVector<TestRecord> tests;
    if (!testsShown(&tests))
        return;
    QStringList headers { QStringLiteral("考试号"), QStringLiteral("考试类型"), QStringLiteral("考试名称") };
    QVector<int> checked;
    for (int i = 0; i < 14; ++i) {
        if (Check2[i]->isChecked()) {
            checked << i;
            headers << Schema::subjects()[i];
        }
    }
    m_ui->Grid->setHeaders(headers);
    m_ui->Grid->setColumnTwips(0, 705);
    m_ui->Grid->setColumnTwips(1, 1005);
    m_ui->Grid->setColumnTwips(2, 960);
    for (int c = 3; c < headers.size(); ++c)
        m_ui->Grid->setColumnTwips(c, 555);
    const QString none = QStringLiteral("---");
    // Why a score is missing, in its cell: one query for every test.
    const auto marks = ScoreMarks::ofStudentInAll(m_session.Conn(), student);
    QList<QStringList> cells;
    for (const TestRecord& t : tests) {
        QVector<int> taken;
        for (int i : checked) {
            if (t.items.hasSubject(i))
                taken << i;
        }
        QStringList row { QString(), QString(), QString() };
        if (taken.isEmpty()) {
            for (int k = 0; k < checked.size(); ++k)
                row << none;
            cells << row;
            continue;
        }
        auto score = Scores::studentScores(m_session.Conn(), t.number, student, taken);
        if (!score) {
            m_ui->Grid->setRows(std::move(cells));
            MessageService::error(score.error(), ErrorWording::Restart);
            return;
        }
        if (!*score)
            continue;
        row = QStringList { QString::number(t.number), t.type, t.name };
        for (int i : checked) {
            const QString value = t.items.hasSubject(i) ? (**score)[int(taken.indexOf(i))] : none;
            const QString mark = marks ? marks->value(t.number).value(Schema::subjects().value(i)) : QString();
            row << (!value.isEmpty() ? value : !mark.isEmpty() ? mark : Analysis::kAbsent);
        }
        cells << row;
    }
    m_ui->Grid->setRows(std::move(cells));
    fillChart();
}

void Analyze_Person::fillChart()
{
    m_chart = PersonChartData();
    QVector<QStringList> cells;
    for (int r = 1; r < m_ui->Grid->rows(); ++r) {
        m_chart.series << m_ui->Grid->text(r, 0);
        m_chart.names << m_ui->Grid->text(r, 2);
        cells << m_ui->Grid->rowTexts(r).mid(3);
    }
    for (int c = 3; c < m_ui->Grid->cols(); ++c)
        m_chart.categories << m_ui->Grid->text(0, c);
    const auto values = Analysis::chartValues(cells);
    for (int r = 0; r < values.size(); ++r) {
        QVector<double> series;
        QVector<bool> estimated;
        for (int c = 0; c < values[r].size(); ++c) {
            series << (values[r][c] ? *values[r][c] : std::nan(""));
            estimated << (values[r][c] && cells[r].value(c) == QStringLiteral("---"));
        }
        m_chart.values << series;
        m_chart.estimated << estimated;
    }
    drawPersonChart(m_ui->Chart, m_chart, false);
    fillRanks();
}

void Analyze_Person::fillRanks()
{
    auto rules = StatsRules::load(m_session.Conn());
    const QString student = m_ui->txtNumber->text().trimmed();
    ChartData chart;
    chart.kind = ChartData::Kind::Line;
    ChartData::Series line;
    line.name = QStringLiteral("总分名次");
    QStringList tests;
    int worst = 1;
    for (int r = 1; r < m_ui->Grid->rows(); ++r) {
        const int number = m_ui->Grid->text(r, 0).toInt();
        tests << m_ui->Grid->text(r, 0); // the test's number: the names would not fit
        // Each test is read once for the window, whichever student is shown.
        if (!m_ranks.contains(number) && rules) {
            QHash<QString, int> placed;
            if (auto test = Exams::fetch(m_session.Conn(), number); test && *test) {
                if (auto cells = Analysis::cellsOf(m_session.Conn(), **test))
                    placed = Analysis::resultsOf(*cells, {}, *rules).ranks;
            }
            m_ranks.insert(number, placed);
        }
        for (int rank : std::as_const(m_ranks[number]))
            worst = std::max(worst, rank);
        const auto at = m_ranks[number].constFind(student);
        line.values << (at != m_ranks[number].constEnd() ? double(*at) : std::nan(""));
    }
    chart.title = QStringLiteral("总分班级名次");
    chart.legend = false;
    chart.series << line;
    chart.valueLabels = true;
    chart.categories = tests;
    chart.reversed = true; // first place at the top
    chart.low = 1;
    chart.high = std::max(2, worst);
    chart.ticks = std::min(std::max(2, worst), 6);
    m_ui->RankChart->setChart(std::move(chart));
}

void Analyze_Person::typeClicked(int index)
{
    if (Check1[5]->isChecked())
        m_ui->txtOther->setEnabled(true);
    QVector<TestRecord> tests;
    bool anyType = false;
    for (QCheckBox* box : Check1)
        anyType = anyType || box->isChecked();
    if (!testsShown(&tests))
        return;
    if (!anyType || tests.isEmpty()) {
        MessageService::info(QStringLiteral("至少表中要有一项！"));
        Check1[index]->setChecked(true);
        return;
    }
    FillTable();
}

void Analyze_Person::find()
{
    const QString typed = m_ui->txtFind->text().trimmed();
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,10}$"));
    if (!digits.match(typed).hasMatch()) {
        MessageService::info(
            typed.isEmpty() ? QStringLiteral("请输入数据") : QStringLiteral("学号只能由1到10位数字组成，请重新输入！"));
        return;
    }
    int found = int(m_students.indexOf(typed));
    // The old lookup compared numbers: 1 finds 001 when nothing matches exactly.
    for (int i = 0; found < 0 && i < m_students.size(); ++i) {
        if (m_students[i].toLongLong() == typed.toLongLong())
            found = i;
    }
    if (found < 0) {
        MessageService::info(QStringLiteral("没有这个学生！请查实！"));
        return;
    }
    showStudent(found);
}

void Analyze_Person::first()
{
    showStudent(0);
}

void Analyze_Person::last()
{
    showStudent(int(m_students.size()) - 1);
}

void Analyze_Person::next()
{
    if (m_current + 1 < m_students.size())
        showStudent(m_current + 1);
}

void Analyze_Person::previous()
{
    if (m_current > 0)
        showStudent(m_current - 1);
}

void Analyze_Person::enlarge()
{
    Analyze_Person_Chart big(m_chart, this);
    big.exec();
}

Analyze_Person_Chart::Analyze_Person_Chart(const PersonChartData& chartData, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Analyze_Person_Chart>())
{
    m_ui->setupUi(this);
    drawPersonChart(m_ui->Chart, chartData, true);
}

Analyze_Person_Chart::~Analyze_Person_Chart() = default;

} // namespace velmora
