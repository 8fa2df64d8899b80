#include "analysis/ui/Analyze_Progress.h"

#include "analysis/ui/TestChoice.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/Sharing.h"
#include "exams/Points.h"
#include "exams/TestRecord.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/ReportPreview.h"
#include "platform/ui/TablePages.h"
#include "students/StudentRecord.h"
#include "ui_Analyze_Progress.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <functional>

namespace velmora {

using Column = Analyze_Progress::Column;
using Analysis::ProgressRow;

namespace {

QString number(std::optional<int> v)
{
    return v ? QString::number(*v) : QString();
}

QString tenths(std::optional<double> v, bool sign = false)
{
    if (!v)
        return {};
    const qint64 t = qint64(std::floor(*v * 10 + 0.5));
    return Analysis::tenthsText(t, sign);
}

std::optional<double> real(std::optional<int> v, int scale = 1)
{
    return v ? std::optional<double>(double(*v) / scale) : std::nullopt;
}

// A total or a score, held in 1/scale of a point.
QString figure(std::optional<int> v, int scale, bool sign = false)
{
    if (!v)
        return {};
    return Points::text(qint64(*v) * Points::kTenths / scale, sign);
}

QVector<Column> columnsFor(
    const QString& item, bool standard, int scale, bool byRate, const std::function<QString(const QString&)>& name)
{
    QVector<Column> c {
        { QStringLiteral("学号"), [](const ProgressRow& r) { return r.number; }, nullptr },
        { QStringLiteral("姓名"), [name](const ProgressRow& r) { return name(r.number); }, nullptr },
        { QStringLiteral("前次") + item, [scale](const ProgressRow& r) { return figure(r.before, scale); },
            [scale](const ProgressRow& r) { return real(r.before, scale); } },
    };
    if (standard) {
        c.push_back({ QStringLiteral("前次标准分"), [](const ProgressRow& r) { return tenths(r.beforeT); },
            [](const ProgressRow& r) { return r.beforeT; } });
    } else {
        c.push_back({ QStringLiteral("前次名次"), [](const ProgressRow& r) { return number(r.beforeRank); },
            [](const ProgressRow& r) { return real(r.beforeRank); } });
    }
    c.push_back({ QStringLiteral("本次") + item, [scale](const ProgressRow& r) { return figure(r.after, scale); },
        [scale](const ProgressRow& r) { return real(r.after, scale); } });
    if (standard) {
        c.push_back({ QStringLiteral("本次标准分"), [](const ProgressRow& r) { return tenths(r.afterT); },
            [](const ProgressRow& r) { return r.afterT; } });
        c.push_back({ QStringLiteral("标准分变化"), [](const ProgressRow& r) { return tenths(r.tChange(), true); },
            [](const ProgressRow& r) { return r.tChange(); } });
    } else {
        c.push_back({ QStringLiteral("本次名次"), [](const ProgressRow& r) { return number(r.afterRank); },
            [](const ProgressRow& r) { return real(r.afterRank); } });
        c.push_back(
            { QStringLiteral("名次变化"), [](const ProgressRow& r) { return Analysis::rankChangeText(r.rankChange()); },
                [](const ProgressRow& r) { return real(r.rankChange()); } });
    }
    // Points change only between equal scales; else 得分率, in percentage points.
    const bool points = !byRate;
    c.push_back({ item + (byRate ? QStringLiteral("得分率变化(百分点)") : QStringLiteral("变化")),
        [points](const ProgressRow& r) {
            return !r.change ? QString()
                : points     ? Points::text(*r.change, true)
                             : Analysis::tenthsText(*r.change, true);
        },
        [](const ProgressRow& r) { return r.change ? std::optional<double>(double(*r.change) / 10) : std::nullopt; } });
    return c;
}

} // namespace

Analyze_Progress::Analyze_Progress(Module1& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::Analyze_Progress>())
{
    m_ui->setupUi(this);
    m_ui->Grid->setClassList(true);
    m_ui->Grid->setExportTitle(QStringLiteral("进退步分析"));
    m_ui->Grid->horizontalHeader()->setSectionsClickable(true);
    m_ui->Grid->exportBy(m_ui->BN_Export);
    m_ui->txtTop->setValidator(new QIntValidator(1, 9999, m_ui->txtTop));
    m_ui->txtLine->setValidator(new QIntValidator(0, 99999, m_ui->txtLine));
    m_ui->txtMargin->setValidator(new QIntValidator(0, 9999, m_ui->txtMargin));
    ChildWindow::setDesignSize(this, { 14400, 9600 });

    connect(m_ui->cmbEarlier, &QComboBox::currentIndexChanged, this, &Analyze_Progress::compare);
    connect(m_ui->cmbLater, &QComboBox::currentIndexChanged, this, &Analyze_Progress::compare);
    connect(m_ui->cmbItem, &QComboBox::currentIndexChanged, this, [this] {
        m_ui->txtLine->clear();
        compare();
    });
    connect(m_ui->chkStandard, &QCheckBox::toggled, this, &Analyze_Progress::showRows);
    connect(m_ui->BN_Up, &QPushButton::clicked, this, [this] { showSteps(true); });
    connect(m_ui->BN_Down, &QPushButton::clicked, this, [this] { showSteps(false); });
    connect(m_ui->BN_All, &QPushButton::clicked, this, [this] {
        m_sortColumn = -1;
        showRows();
    });
    connect(m_ui->txtTop, &QLineEdit::returnPressed, this, [this] { showSteps(true); });
    connect(m_ui->txtLine, &QLineEdit::textEdited, this, &Analyze_Progress::showBorder);
    connect(m_ui->txtMargin, &QLineEdit::textEdited, this, &Analyze_Progress::showBorder);
    connect(m_ui->Grid->horizontalHeader(), &QHeaderView::sectionClicked, this, &Analyze_Progress::sortBy);
    connect(m_ui->BN_Print, &QPushButton::clicked, this, &Analyze_Progress::print);
    connect(m_ui->BN_Back, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
    TestChoice::follow(this, { m_ui->cmbEarlier, m_ui->cmbLater }, [this] { return load(); });
}

Analyze_Progress::~Analyze_Progress() = default;

bool Analyze_Progress::load()
{
    auto started = TestChoice::start(m_session.Conn(), 2, QStringLiteral("至少要有两次考试才能比较进退步。"));
    if (!started)
        return false;
    m_start = *std::move(started);
    const QSignalBlocker quietEarlier(m_ui->cmbEarlier), quietLater(m_ui->cmbLater);
    m_ui->cmbEarlier->clear();
    m_ui->cmbLater->clear();
    // The later defaults to the newest, the earlier to the one before.
    TestChoice::fill({ m_ui->cmbEarlier, m_ui->cmbLater }, m_start);
    m_ui->cmbLater->setCurrentIndex(0);
    m_ui->cmbEarlier->setCurrentIndex(1);
    compare();
    return true;
}

void Analyze_Progress::compare()
{
    m_earlier = TestChoice::cells(m_session.Conn(), m_ui->cmbEarlier->currentData(), m_start);
    m_later = TestChoice::cells(m_session.Conn(), m_ui->cmbLater->currentData(), m_start);
    fillItems();
    showRows();
}

void Analyze_Progress::fillItems()
{
    const QString chosen = m_ui->cmbItem->currentData().toString();
    const QSignalBlocker quiet(m_ui->cmbItem);
    m_ui->cmbItem->clear();
    m_ui->cmbItem->addItem(QStringLiteral("总分"), QString());
    if (m_earlier && m_later) {
        for (const QString& subject : std::as_const(m_later->subjects)) {
            if (m_earlier->subjects.contains(subject))
                m_ui->cmbItem->addItem(subject, subject);
        }
    }
    m_ui->cmbItem->setCurrentIndex(qMax(0, m_ui->cmbItem->findData(chosen)));
}

void Analyze_Progress::showRows()
{
    if (!m_earlier || !m_later)
        return;
    const QString subject = m_ui->cmbItem->currentData().toString();
    const auto earlier = Analysis::resultsOf(*m_earlier, subject, m_start.rules);
    m_laterResults = Analysis::resultsOf(*m_later, subject, m_start.rules);
    m_progress = Analysis::progressOf(earlier, m_laterResults);
    m_ui->lblCaption->setText(m_ui->chkStandard->isChecked()
            ? QStringLiteral("按标准分比较：标准分 T = 50 + 10z，z 由该次考试全班的平均分和标准差算出，"
                             "不受两次考试难度和参加人数不同的影响。标准分变化为正是进步。")
            : QStringLiteral("按班级名次比较（同分同名次；有科目缺成绩的学生%1）。名次变化 ↑ 是进步。")
                  .arg(m_start.rules.absentNoRank ? QStringLiteral("不参加总分排名")
                                                  : QStringLiteral("也参加总分排名")));
    if (m_progress.byRate)
        m_ui->lblCaption->setText(m_ui->lblCaption->text()
            + QStringLiteral(
                "两次的满分或科目不同，分数不能直接相比：变化按得分率（占满分的百分比）计，单位是百分点。"));
    QStringList once;
    for (const QString& n : std::as_const(m_progress.onlyOnce))
        once << (name(n).isEmpty() ? n : name(n));
    m_ui->lblOnce->setText(
        once.isEmpty() ? QString() : QStringLiteral("只参加了一次考试的学生：") + once.join(QStringLiteral("、")));
    m_ui->lblOnce->setVisible(!once.isEmpty());
    if (m_ui->txtLine->text().isEmpty())
        m_ui->txtLine->setText(QString::number( // the class's 及格线
            (m_laterResults.fullMarks / m_laterResults.scale * m_start.rules.pass + 99) / 100));
    m_shown.clear();
    for (int r = 0; r < m_progress.rows.size(); ++r)
        m_shown << r;
    applySort();
    render();
    showBorder();
}

QVector<Analyze_Progress::Column> Analyze_Progress::columns() const
{
    return columnsFor(m_ui->cmbItem->currentText(), m_ui->chkStandard->isChecked(), m_progress.scale, m_progress.byRate,
        [this](const QString& n) { return name(n); });
}

void Analyze_Progress::render()
{
    const auto shown = columns();
    QStringList headers;
    QList<int> numbers;
    for (int c = 0; c < shown.size(); ++c) {
        headers << shown[c].header;
        // "↑3" stays text; the other figures go out as numbers.
        if (shown[c].key && !shown[c].header.endsWith(QStringLiteral("名次变化")))
            numbers << c;
    }
    m_ui->Grid->setHeaders(headers);
    m_ui->Grid->setNumberColumns(numbers);
    QList<QStringList> rows;
    for (int r : std::as_const(m_shown)) {
        QStringList texts;
        for (const Column& c : shown)
            texts << c.text(m_progress.rows[r]);
        rows << texts;
    }
    m_ui->Grid->setRows(rows);
    m_ui->Grid->fitColumns(140);
}

void Analyze_Progress::sortBy(int column)
{
    const auto shown = columns();
    if (column < 0 || column >= shown.size())
        return;
    // Figures first sort highest first; a second click turns the order round.
    m_descending = column == m_sortColumn ? !m_descending : shown[column].key != nullptr;
    m_sortColumn = column;
    applySort();
    render();
}

void Analyze_Progress::applySort()
{
    const auto shown = columns();
    if (m_sortColumn < 0 || m_sortColumn >= shown.size())
        return;
    const Column& by = shown[m_sortColumn];
    std::stable_sort(m_shown.begin(), m_shown.end(), [&](int a, int b) {
        const ProgressRow& x = m_progress.rows[a];
        const ProgressRow& y = m_progress.rows[b];
        if (!by.key)
            return m_descending ? by.text(y) < by.text(x) : by.text(x) < by.text(y);
        const auto p = by.key(x), q = by.key(y);
        if (!p || !q)
            return p.has_value() && !q.has_value();
        return m_descending ? *p > *q : *p < *q;
    });
}

void Analyze_Progress::showSteps(bool up)
{
    const int n = m_ui->txtTop->text().toInt();
    if (n <= 0) {
        MessageService::info(QStringLiteral("请填写要显示的人数（1 到 9999）。"));
        m_ui->txtTop->setFocus();
        return;
    }
    const bool standard = m_ui->chkStandard->isChecked();
    QVector<std::optional<double>> changes;
    for (const ProgressRow& row : std::as_const(m_progress.rows))
        changes << (standard ? row.tChange() : real(row.rankChange()));
    m_sortColumn = -1;
    m_shown = Analysis::largestChanges(changes, up, n);
    render();
}

void Analyze_Progress::showBorder()
{
    bool lineOk = false, marginOk = false;
    const int line = m_ui->txtLine->text().toInt(&lineOk);
    const int margin = m_ui->txtMargin->text().toInt(&marginOk);
    if (!lineOk || !marginOk) {
        m_ui->lblBorder->clear();
        return;
    }
    QStringList near;
    for (const QString& n : Analysis::borderline(m_laterResults, line, margin))
        near << QStringLiteral("%1（%2）")
                    .arg(name(n).isEmpty() ? n : name(n))
                    .arg(figure(m_laterResults.values.value(n), m_laterResults.scale));
    m_ui->lblBorder->setText(QStringLiteral("临界生（本次%1低于%2分、差距在%3分以内）：%4")
                                 .arg(m_ui->cmbItem->currentText())
                                 .arg(line)
                                 .arg(margin)
                                 .arg(near.isEmpty() ? QStringLiteral("没有") : near.join(QStringLiteral("、"))));
}

void Analyze_Progress::print()
{
    if (!Sharing::mayShareClassList())
        return;
    QStringList notes { QStringLiteral("%1 → %2").arg(m_ui->cmbEarlier->currentText(), m_ui->cmbLater->currentText()),
        m_ui->lblCaption->text() };
    for (const QLabel* l : { m_ui->lblOnce, m_ui->lblBorder }) {
        if (!l->text().isEmpty())
            notes << l->text();
    }
    TablePages::preview(this, QStringLiteral("进退步分析"),
        QStringLiteral("进退步分析（%1）").arg(m_ui->cmbItem->currentText()), notes,
        TablePages::sections(m_ui->Grid->sheet()), QPageLayout::Portrait);
}

} // namespace velmora
