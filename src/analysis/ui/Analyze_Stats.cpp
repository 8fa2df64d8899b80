#include "analysis/ui/Analyze_Stats.h"

#include "analysis/TermGrades.h"
#include "analysis/ui/StatsCharts.h"
#include "analysis/ui/TestChoice.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/Sharing.h"
#include "classes/ui/GradeBandsDialog.h"
#include "exams/ClassFigures.h"
#include "exams/TestRecord.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ReportPreview.h"
#include "platform/ui/ResultGrid.h"
#include "platform/ui/TablePages.h"
#include "sheets/SheetReader.h"
#include "students/StudentRecord.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace velmora {

namespace {

QSpinBox* percentBox(QWidget* parent, const char* name, int value)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, 100);
    box->setSuffix(QStringLiteral("%"));
    box->setValue(value);
    return box;
}

} // namespace

StatsRulesDialog::StatsRulesDialog(const StatsRules& rules, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("StatsRules"));
    setWindowTitle(QStringLiteral("统计标准"));
    spnExcellent = percentBox(this, "spnExcellent", rules.excellent);
    spnGood = percentBox(this, "spnGood", rules.good);
    spnPass = percentBox(this, "spnPass", rules.pass);
    spnLow = percentBox(this, "spnLow", rules.low);
    chkCheatZero = new QCheckBox(QStringLiteral("作弊按0分计(&Z)"), this);
    chkCheatZero->setObjectName(QStringLiteral("chkCheatZero"));
    chkCheatZero->setChecked(rules.cheatAsZero);
    chkNoRank = new QCheckBox(QStringLiteral("有缺考科目的学生不参加总分排名(&K)"), this);
    chkNoRank->setObjectName(QStringLiteral("chkNoRank"));
    chkNoRank->setChecked(rules.absentNoRank);
    auto* ok = Controls::button(this, "BN_OK", QStringLiteral("确定"));
    auto* cancel = Controls::button(this, "BN_Cancel", QStringLiteral("取消"));
    ok->setDefault(true);
    auto* form = new QFormLayout;
    form->addRow(
        Controls::label(this, "lblExcellent", QStringLiteral("优秀(&E)：不低于满分的"), spnExcellent), spnExcellent);
    form->addRow(Controls::label(this, "lblGood", QStringLiteral("良好(&G)：不低于满分的"), spnGood), spnGood);
    form->addRow(Controls::label(this, "lblPass", QStringLiteral("及格(&P)：不低于满分的"), spnPass), spnPass);
    form->addRow(Controls::label(this, "lblLow", QStringLiteral("低分(&L)：低于满分的"), spnLow), spnLow);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(new QLabel(QStringLiteral("总分按各科满分之和计算。"), this));
    layout->addWidget(chkCheatZero);
    layout->addWidget(chkNoRank);
    layout->addLayout(Controls::buttonRow({ ok, cancel }));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

StatsRules StatsRulesDialog::rules() const
{
    return { spnExcellent->value(), spnGood->value(), spnPass->value(), spnLow->value(), chkCheatZero->isChecked(),
        chkNoRank->isChecked() };
}

void StatsRulesDialog::accept()
{
    if (Status saved = rules().save(mod().Conn); !saved) {
        MessageService::error(saved.error());
        return;
    }
    QDialog::accept();
}

Analyze_Stats::Analyze_Stats(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Analyze_Stats"));
    setWindowTitle(QStringLiteral("成绩统计表"));
    cmbTest = new QComboBox(this);
    cmbTest->setObjectName(QStringLiteral("cmbTest"));
    cmbCompare = new QComboBox(this);
    cmbCompare->setObjectName(QStringLiteral("cmbCompare"));
    lblCaption = new QLabel(this);
    lblCaption->setObjectName(QStringLiteral("lblCaption"));
    lblCaption->setWordWrap(true);
    grdStats = new ResultGrid(this);
    grdStats->setObjectName(QStringLiteral("grdStats"));
    grdBands = new ResultGrid(this);
    grdBands->setObjectName(QStringLiteral("grdBands"));
    grdGrades = new ResultGrid(this);
    grdGrades->setObjectName(QStringLiteral("grdGrades"));
    lblMissing = new QLabel(this);
    lblMissing->setObjectName(QStringLiteral("lblMissing"));
    lblMissing->setWordWrap(true);
    lblMissing->setTextInteractionFlags(Qt::TextSelectableByMouse);
    BN_Rules = Controls::button(this, "BN_Rules", QStringLiteral("统计标准(&R)…"));
    auto* grades = Controls::button(this, "BN_Grades", QStringLiteral("等级标准(&G)…"));
    // The class's standards are its administrators' to change.
    BN_Rules->setVisible(mod().IsAdmin);
    grades->setVisible(mod().IsAdmin);
    BN_Export = Controls::button(this, "BN_Export", QStringLiteral("导出Excel…"));
    BN_Print = Controls::button(this, "BN_Print", QStringLiteral("打印预览(&P)…"));
    BN_Charts = Controls::button(this, "BN_Charts", QStringLiteral("图表(&H)…"));
    BN_Back = Controls::button(this, "BN_Back", QStringLiteral("返回"));

    auto* top = new QHBoxLayout;
    top->addWidget(Controls::label(this, "lblTest", QStringLiteral("考试(&T)："), cmbTest));
    top->addWidget(cmbTest, 2);
    top->addWidget(Controls::label(this, "lblCompare", QStringLiteral("对比考试(&C)："), cmbCompare));
    top->addWidget(cmbCompare, 1);
    top->addWidget(BN_Rules);
    top->addWidget(grades);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lblCaption);
    layout->addWidget(grdStats, 4);
    layout->addWidget(grdBands, 3);
    layout->addWidget(grdGrades, 2);
    layout->addWidget(lblMissing);
    layout->addLayout(Controls::buttonRow({ BN_Charts, BN_Export, BN_Print, BN_Back }));
    ChildWindow::setDesignSize(this, { 15000, 10000 });

    connect(cmbTest, &QComboBox::currentIndexChanged, this, &Analyze_Stats::showTest);
    connect(cmbCompare, &QComboBox::currentIndexChanged, this, &Analyze_Stats::showTest);
    connect(BN_Rules, &QPushButton::clicked, this, &Analyze_Stats::editRules);
    connect(grades, &QPushButton::clicked, this, [this] {
        auto kept = GradeBandsDialog::edit(this) ? GradeBands::load(mod().Conn) : Result<GradeBands>(m_grades);
        if (kept) {
            m_grades = *kept;
            showTest();
        }
    });
    connect(BN_Export, &QPushButton::clicked, this, &Analyze_Stats::exportSheet);
    connect(BN_Print, &QPushButton::clicked, this, &Analyze_Stats::print);
    connect(BN_Charts, &QPushButton::clicked, this, &Analyze_Stats::showCharts);
    connect(BN_Back, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
    TestChoice::follow(this, { cmbTest, cmbCompare }, [this] { return load(); });
}

bool Analyze_Stats::load()
{
    auto started = TestChoice::start(1, QStringLiteral("还没有定义考试，没有可以统计的成绩。"));
    if (!started)
        return false;
    auto grades = GradeBands::load(mod().Conn);
    if (!grades) {
        MessageService::error(grades.error());
        return false;
    }
    m_start = *std::move(started);
    m_grades = *grades;
    const QSignalBlocker quietTest(cmbTest), quietCompare(cmbCompare);
    cmbTest->clear();
    cmbCompare->clear();
    cmbCompare->addItem(QStringLiteral("（不对比）"), 0);
    TestChoice::fill({ cmbTest, cmbCompare }, m_start);
    showTest();
    return true;
}

std::optional<SheetTable> Analyze_Stats::sheet()
{
    const auto statsOf = [this](const QVariant& choice) -> std::optional<Analysis::StatsTable> {
        const auto cells = TestChoice::cells(choice, m_start);
        return cells ? std::optional(Analysis::statsOf(*cells, m_start.rules, m_grades)) : std::nullopt;
    };
    const auto table = statsOf(cmbTest->currentData());
    if (!table)
        return std::nullopt;
    std::optional<Analysis::StatsTable> earlier;
    if (const QVariant other = cmbCompare->currentData(); other != QVariant(0) && other != cmbTest->currentData())
        earlier = statsOf(other);
    QStringList missing;
    for (const Analysis::StatsRow& r : table->rows) {
        if (r.item == QStringLiteral("总分"))
            continue;
        const auto named = [this](const QStringList& numbers) {
            QStringList out;
            for (const QString& n : numbers)
                out << m_start.names.value(n, n);
            return out.join(QStringLiteral("、"));
        };
        if (!r.absentees.isEmpty())
            missing << QStringLiteral("%1缺考：%2").arg(r.item, named(r.absentees));
        if (!r.deferrals.isEmpty())
            missing << QStringLiteral("%1缓考：%2").arg(r.item, named(r.deferrals));
        if (!r.cheats.isEmpty())
            missing << QStringLiteral("%1作弊：%2").arg(r.item, named(r.cheats));
    }
    lblMissing->setText(missing.join(QStringLiteral("；")));
    lblMissing->setVisible(!missing.isEmpty());
    // What is compared with is named wherever the changes go.
    QString title = QStringLiteral("成绩统计表 %1").arg(cmbTest->currentText());
    if (earlier)
        title += QStringLiteral(" 对比 %1").arg(cmbCompare->currentText());
    SheetTable made = Analysis::statsSheet(*table, title.simplified(), earlier ? &*earlier : nullptr);
    // Beside the grade, where a whole grade's export left the other classes.
    if (const auto grade = gradeOf(cmbTest->currentData(), *table))
        Analysis::appendSection(made, Analysis::gradeSheet(*grade, QString()));
    return made;
}

std::optional<Analysis::GradeTable> Analyze_Stats::gradeOf(const QVariant& choice, const Analysis::StatsTable& table)
{
    if (choice.typeId() != QMetaType::Int)
        return std::nullopt;
    auto others = ClassFigures::load(mod().Conn, choice.toInt());
    if (!others || others->isEmpty())
        return std::nullopt;
    return Analysis::gradeTable(table, *others);
}

void Analyze_Stats::showTest()
{
    QString rules = m_start.rules.caption();
    while (rules.endsWith(QChar(0x3002)))
        rules.chop(1);
    lblCaption->setText(rules + QStringLiteral("；") + Analysis::sigmaNote());
    const auto made = sheet();
    if (!made)
        return;
    const auto parts = TablePages::sections(*made);
    ResultGrid* grids[] = { grdStats, grdBands, grdGrades };
    for (int g = 0; g < 3; ++g) {
        grids[g]->setHeaders(parts.value(g).headers);
        grids[g]->setRows(parts.value(g).rows);
        grids[g]->fitColumns(120);
    }
    // The 等级 heading states its bands, as the caption states the thresholds: shown whole.
    grdGrades->fitColumns(480, { 0 });
}

// The chosen test and up to five before it, oldest first; a term grade alone.
void Analyze_Stats::showCharts()
{
    QVector<std::pair<QString, QVariant>> chosen { { cmbTest->currentText(), cmbTest->currentData() } };
    for (int i = cmbTest->currentIndex() + 1; i < cmbTest->count() && chosen.size() < 6; ++i) {
        if (cmbTest->currentData().typeId() != QMetaType::Int || cmbTest->itemData(i).typeId() != QMetaType::Int)
            break;
        chosen.push_back({ cmbTest->itemText(i), cmbTest->itemData(i) });
    }
    QVector<StatsCharts::Test> tests;
    for (auto c = chosen.crbegin(); c != chosen.crend(); ++c) {
        const auto cells = TestChoice::cells(c->second, m_start);
        if (!cells)
            return;
        // A test by its own name along the chart's foot, without its number and date.
        QString name = c->first;
        for (const TestRecord& t : std::as_const(m_start.tests)) {
            if (c->second.typeId() == QMetaType::Int && t.number == c->second.toInt() && !t.name.trimmed().isEmpty())
                name = t.name.trimmed();
        }
        tests.push_back({ name, Analysis::statsOf(*cells, m_start.rules, m_grades), std::nullopt });
    }
    if (const auto grade = gradeOf(cmbTest->currentData(), tests.last().table))
        tests.last().grade = grade;
    auto* charts = new StatsCharts(tests, m_start.rules.caption(), this);
    charts->setAttribute(Qt::WA_DeleteOnClose);
    charts->open();
}

void Analyze_Stats::editRules()
{
    StatsRulesDialog dialog(m_start.rules, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_start.rules = dialog.rules();
    showTest();
}

void Analyze_Stats::exportSheet()
{
    if (const auto made = sheet())
        ResultGrid::saveSheet(this, *made);
}

void Analyze_Stats::print()
{
    const auto made = sheet();
    if (!made)
        return;
    const auto parts = TablePages::sections(*made);
    QStringList notes { m_start.rules.caption(), Analysis::sigmaNote() };
    // The figures name nobody; who missed a test is named.
    if (!lblMissing->text().isEmpty()) {
        if (!Sharing::mayShareClassList())
            return;
        notes << lblMissing->text();
    }
    TablePages::preview(this, QStringLiteral("成绩统计表"), made->title, notes, parts, QPageLayout::Landscape);
}

} // namespace velmora
