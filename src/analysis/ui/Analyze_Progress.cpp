#include "analysis/ui/Analyze_Progress.h"

#include "analysis/ui/TestChoice.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/Sharing.h"
#include "exams/Points.h"
#include "exams/TestRecord.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ReportPreview.h"
#include "platform/ui/ResultGrid.h"
#include "platform/ui/TablePages.h"
#include "students/StudentRecord.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
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

Analyze_Progress::Analyze_Progress(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Analyze_Progress"));
    setWindowTitle(QStringLiteral("进退步分析"));
    cmbEarlier = new QComboBox(this);
    cmbEarlier->setObjectName(QStringLiteral("cmbEarlier"));
    cmbLater = new QComboBox(this);
    cmbLater->setObjectName(QStringLiteral("cmbLater"));
    cmbItem = new QComboBox(this);
    cmbItem->setObjectName(QStringLiteral("cmbItem"));
    chkStandard = new QCheckBox(QStringLiteral("按标准分比较(&B)"), this);
    chkStandard->setObjectName(QStringLiteral("chkStandard"));
    chkStandard->setToolTip(QStringLiteral("两次考试难度不同、参加的人不同时，比较标准分（T = 50 + 10z）更公平"));
    lblCaption = new QLabel(this);
    lblCaption->setObjectName(QStringLiteral("lblCaption"));
    lblCaption->setWordWrap(true);
    Grid = new ResultGrid(this);
    Grid->setClassList(true);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setExportTitle(QStringLiteral("进退步分析"));
    Grid->horizontalHeader()->setSectionsClickable(true);
    lblOnce = new QLabel(this);
    lblOnce->setObjectName(QStringLiteral("lblOnce"));
    lblOnce->setWordWrap(true);
    txtTop = Controls::edit(this, "txtTop", QStringLiteral("5"));
    txtTop->setValidator(new QIntValidator(1, 9999, txtTop));
    txtTop->setMaximumWidth(60);
    BN_Up = Controls::button(this, "BN_Up", QStringLiteral("进步最大(&U)"));
    BN_Down = Controls::button(this, "BN_Down", QStringLiteral("退步最大(&D)"));
    BN_All = Controls::button(this, "BN_All", QStringLiteral("全部(&A)"));
    txtLine = Controls::edit(this, "txtLine");
    txtLine->setValidator(new QIntValidator(0, 99999, txtLine));
    txtLine->setMaximumWidth(70);
    txtMargin = Controls::edit(this, "txtMargin", QStringLiteral("5"));
    txtMargin->setValidator(new QIntValidator(0, 9999, txtMargin));
    txtMargin->setMaximumWidth(60);
    lblBorder = new QLabel(this);
    lblBorder->setObjectName(QStringLiteral("lblBorder"));
    lblBorder->setWordWrap(true);
    lblBorder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    BN_Print = Controls::button(this, "BN_Print", QStringLiteral("打印预览(&P)…"));
    BN_Back = Controls::button(this, "BN_Back", QStringLiteral("返回"));

    auto* tests = new QHBoxLayout;
    tests->addWidget(Controls::label(this, "lblEarlier", QStringLiteral("前一次考试(&E)："), cmbEarlier));
    tests->addWidget(cmbEarlier, 1);
    tests->addWidget(Controls::label(this, "lblLater", QStringLiteral("后一次考试(&L)："), cmbLater));
    tests->addWidget(cmbLater, 1);
    tests->addWidget(Controls::label(this, "lblItem", QStringLiteral("比较(&I)："), cmbItem));
    tests->addWidget(cmbItem);
    tests->addWidget(chkStandard);
    auto* steps = new QHBoxLayout;
    steps->addWidget(Controls::label(this, "lblTop", QStringLiteral("前(&N)"), txtTop));
    steps->addWidget(txtTop);
    steps->addWidget(new QLabel(QStringLiteral("名："), this));
    steps->addWidget(BN_Up);
    steps->addWidget(BN_Down);
    steps->addWidget(BN_All);
    steps->addStretch();
    steps->addWidget(Controls::label(this, "lblLine", QStringLiteral("临界生：本次低于(&K)"), txtLine));
    steps->addWidget(txtLine);
    steps->addWidget(Controls::label(this, "lblMargin", QStringLiteral("分，差距在(&M)"), txtMargin));
    steps->addWidget(txtMargin);
    steps->addWidget(new QLabel(QStringLiteral("分以内"), this));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tests);
    layout->addWidget(lblCaption);
    layout->addWidget(Grid, 1);
    layout->addWidget(lblOnce);
    layout->addLayout(steps);
    layout->addWidget(lblBorder);
    layout->addLayout(Controls::buttonRow({ Grid->exportButton(this), BN_Print, BN_Back }));
    ChildWindow::setDesignSize(this, { 14400, 9600 });

    connect(cmbEarlier, &QComboBox::currentIndexChanged, this, &Analyze_Progress::compare);
    connect(cmbLater, &QComboBox::currentIndexChanged, this, &Analyze_Progress::compare);
    connect(cmbItem, &QComboBox::currentIndexChanged, this, [this] {
        txtLine->clear();
        compare();
    });
    connect(chkStandard, &QCheckBox::toggled, this, &Analyze_Progress::showRows);
    connect(BN_Up, &QPushButton::clicked, this, [this] { showSteps(true); });
    connect(BN_Down, &QPushButton::clicked, this, [this] { showSteps(false); });
    connect(BN_All, &QPushButton::clicked, this, [this] {
        m_sortColumn = -1;
        showRows();
    });
    connect(txtTop, &QLineEdit::returnPressed, this, [this] { showSteps(true); });
    connect(txtLine, &QLineEdit::textEdited, this, &Analyze_Progress::showBorder);
    connect(txtMargin, &QLineEdit::textEdited, this, &Analyze_Progress::showBorder);
    connect(Grid->horizontalHeader(), &QHeaderView::sectionClicked, this, &Analyze_Progress::sortBy);
    connect(BN_Print, &QPushButton::clicked, this, &Analyze_Progress::print);
    connect(BN_Back, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
    TestChoice::follow(this, { cmbEarlier, cmbLater }, [this] { return load(); });
}

bool Analyze_Progress::load()
{
    auto started = TestChoice::start(2, QStringLiteral("至少要有两次考试才能比较进退步。"));
    if (!started)
        return false;
    m_start = *std::move(started);
    const QSignalBlocker quietEarlier(cmbEarlier), quietLater(cmbLater);
    cmbEarlier->clear();
    cmbLater->clear();
    // The later defaults to the newest, the earlier to the one before.
    TestChoice::fill({ cmbEarlier, cmbLater }, m_start);
    cmbLater->setCurrentIndex(0);
    cmbEarlier->setCurrentIndex(1);
    compare();
    return true;
}

void Analyze_Progress::compare()
{
    m_earlier = TestChoice::cells(cmbEarlier->currentData(), m_start);
    m_later = TestChoice::cells(cmbLater->currentData(), m_start);
    fillItems();
    showRows();
}

void Analyze_Progress::fillItems()
{
    const QString chosen = cmbItem->currentData().toString();
    const QSignalBlocker quiet(cmbItem);
    cmbItem->clear();
    cmbItem->addItem(QStringLiteral("总分"), QString());
    if (m_earlier && m_later) {
        for (const QString& subject : std::as_const(m_later->subjects)) {
            if (m_earlier->subjects.contains(subject))
                cmbItem->addItem(subject, subject);
        }
    }
    cmbItem->setCurrentIndex(qMax(0, cmbItem->findData(chosen)));
}

void Analyze_Progress::showRows()
{
    if (!m_earlier || !m_later)
        return;
    const QString subject = cmbItem->currentData().toString();
    const auto earlier = Analysis::resultsOf(*m_earlier, subject, m_start.rules);
    m_laterResults = Analysis::resultsOf(*m_later, subject, m_start.rules);
    m_progress = Analysis::progressOf(earlier, m_laterResults);
    lblCaption->setText(chkStandard->isChecked()
            ? QStringLiteral("按标准分比较：标准分 T = 50 + 10z，z 由该次考试全班的平均分和标准差算出，"
                             "不受两次考试难度和参加人数不同的影响。标准分变化为正是进步。")
            : QStringLiteral("按班级名次比较（同分同名次；有科目缺成绩的学生%1）。名次变化 ↑ 是进步。")
                  .arg(m_start.rules.absentNoRank ? QStringLiteral("不参加总分排名")
                                                  : QStringLiteral("也参加总分排名")));
    if (m_progress.byRate)
        lblCaption->setText(lblCaption->text()
            + QStringLiteral(
                "两次的满分或科目不同，分数不能直接相比：变化按得分率（占满分的百分比）计，单位是百分点。"));
    QStringList once;
    for (const QString& n : std::as_const(m_progress.onlyOnce))
        once << (name(n).isEmpty() ? n : name(n));
    lblOnce->setText(
        once.isEmpty() ? QString() : QStringLiteral("只参加了一次考试的学生：") + once.join(QStringLiteral("、")));
    lblOnce->setVisible(!once.isEmpty());
    if (txtLine->text().isEmpty())
        txtLine->setText(QString::number( // the class's 及格线
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
    return columnsFor(cmbItem->currentText(), chkStandard->isChecked(), m_progress.scale, m_progress.byRate,
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
    Grid->setHeaders(headers);
    Grid->setNumberColumns(numbers);
    QList<QStringList> rows;
    for (int r : std::as_const(m_shown)) {
        QStringList texts;
        for (const Column& c : shown)
            texts << c.text(m_progress.rows[r]);
        rows << texts;
    }
    Grid->setRows(rows);
    Grid->fitColumns(140);
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
    const int n = txtTop->text().toInt();
    if (n <= 0) {
        MessageService::info(QStringLiteral("请填写要显示的人数（1 到 9999）。"));
        txtTop->setFocus();
        return;
    }
    const bool standard = chkStandard->isChecked();
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
    const int line = txtLine->text().toInt(&lineOk);
    const int margin = txtMargin->text().toInt(&marginOk);
    if (!lineOk || !marginOk) {
        lblBorder->clear();
        return;
    }
    QStringList near;
    for (const QString& n : Analysis::borderline(m_laterResults, line, margin))
        near << QStringLiteral("%1（%2）")
                    .arg(name(n).isEmpty() ? n : name(n))
                    .arg(figure(m_laterResults.values.value(n), m_laterResults.scale));
    lblBorder->setText(QStringLiteral("临界生（本次%1低于%2分、差距在%3分以内）：%4")
                           .arg(cmbItem->currentText())
                           .arg(line)
                           .arg(margin)
                           .arg(near.isEmpty() ? QStringLiteral("没有") : near.join(QStringLiteral("、"))));
}

void Analyze_Progress::print()
{
    if (!Sharing::mayShareClassList())
        return;
    QStringList notes { QStringLiteral("%1 → %2").arg(cmbEarlier->currentText(), cmbLater->currentText()),
        lblCaption->text() };
    for (const QLabel* l : { lblOnce, lblBorder }) {
        if (!l->text().isEmpty())
            notes << l->text();
    }
    TablePages::preview(this, QStringLiteral("进退步分析"),
        QStringLiteral("进退步分析（%1）").arg(cmbItem->currentText()), notes, TablePages::sections(Grid->sheet()),
        QPageLayout::Portrait);
}

} // namespace velmora
