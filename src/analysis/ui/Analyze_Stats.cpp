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
#include "platform/ui/ReportPreview.h"
#include "platform/ui/ResultGrid.h"
#include "platform/ui/TablePages.h"
#include "sheets/SheetReader.h"
#include "students/StudentRecord.h"
#include "ui_Analyze_Stats.h"
#include "ui_StatsRulesDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace velmora {

StatsRulesDialog::StatsRulesDialog(Module1& session, const StatsRules& rules, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::StatsRulesDialog>())
{
    m_ui->setupUi(this);
    m_ui->spnExcellent->setValue(rules.excellent);
    m_ui->spnGood->setValue(rules.good);
    m_ui->spnPass->setValue(rules.pass);
    m_ui->spnLow->setValue(rules.low);
    m_ui->chkCheatZero->setChecked(rules.cheatAsZero);
    m_ui->chkNoRank->setChecked(rules.absentNoRank);
    connect(m_ui->BN_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->BN_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

StatsRulesDialog::~StatsRulesDialog() = default;

StatsRules StatsRulesDialog::rules() const
{
    return { m_ui->spnExcellent->value(), m_ui->spnGood->value(), m_ui->spnPass->value(), m_ui->spnLow->value(),
        m_ui->chkCheatZero->isChecked(), m_ui->chkNoRank->isChecked() };
}

void StatsRulesDialog::accept()
{
    if (Status saved = rules().save(m_session.Conn()); !saved) {
        MessageService::error(saved.error());
        return;
    }
    QDialog::accept();
}

Analyze_Stats::Analyze_Stats(Module1& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::Analyze_Stats>())
{
    m_ui->setupUi(this);
    // The class's standards are its administrators' to change.
    m_ui->BN_Rules->setVisible(m_session.IsAdmin());
    m_ui->BN_Grades->setVisible(m_session.IsAdmin());
    ChildWindow::setDesignSize(this, { 15000, 10000 });

    connect(m_ui->cmbTest, &QComboBox::currentIndexChanged, this, &Analyze_Stats::showTest);
    connect(m_ui->cmbCompare, &QComboBox::currentIndexChanged, this, &Analyze_Stats::showTest);
    connect(m_ui->BN_Rules, &QPushButton::clicked, this, &Analyze_Stats::editRules);
    connect(m_ui->BN_Grades, &QPushButton::clicked, this, [this] {
        auto kept = GradeBandsDialog::edit(m_session, this) ? GradeBands::load(m_session.Conn())
                                                            : Result<GradeBands>(m_grades);
        if (kept) {
            m_grades = *kept;
            showTest();
        }
    });
    connect(m_ui->BN_Export, &QPushButton::clicked, this, &Analyze_Stats::exportSheet);
    connect(m_ui->BN_Print, &QPushButton::clicked, this, &Analyze_Stats::print);
    connect(m_ui->BN_Charts, &QPushButton::clicked, this, &Analyze_Stats::showCharts);
    connect(m_ui->BN_Back, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
    TestChoice::follow(this, { m_ui->cmbTest, m_ui->cmbCompare }, [this] { return load(); });
}

Analyze_Stats::~Analyze_Stats() = default;

bool Analyze_Stats::load()
{
    auto started = TestChoice::start(m_session.Conn(), 1, QStringLiteral("还没有定义考试，没有可以统计的成绩。"));
    if (!started)
        return false;
    auto grades = GradeBands::load(m_session.Conn());
    if (!grades) {
        MessageService::error(grades.error());
        return false;
    }
    m_start = *std::move(started);
    m_grades = *grades;
    const QSignalBlocker quietTest(m_ui->cmbTest), quietCompare(m_ui->cmbCompare);
    m_ui->cmbTest->clear();
    m_ui->cmbCompare->clear();
    m_ui->cmbCompare->addItem(QStringLiteral("（不对比）"), 0);
    TestChoice::fill({ m_ui->cmbTest, m_ui->cmbCompare }, m_start);
    showTest();
    return true;
}

std::optional<SheetTable> Analyze_Stats::sheet()
{
    const auto statsOf = [this](const QVariant& choice) -> std::optional<Analysis::StatsTable> {
        const auto cells = TestChoice::cells(m_session.Conn(), choice, m_start);
        return cells ? std::optional(Analysis::statsOf(*cells, m_start.rules, m_grades)) : std::nullopt;
    };
    const auto table = statsOf(m_ui->cmbTest->currentData());
    if (!table)
        return std::nullopt;
    std::optional<Analysis::StatsTable> earlier;
    if (const QVariant other = m_ui->cmbCompare->currentData();
        other != QVariant(0) && other != m_ui->cmbTest->currentData())
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
    m_ui->lblMissing->setText(missing.join(QStringLiteral("；")));
    m_ui->lblMissing->setVisible(!missing.isEmpty());
    // What is compared with is named wherever the changes go.
    QString title = QStringLiteral("成绩统计表 %1").arg(m_ui->cmbTest->currentText());
    if (earlier)
        title += QStringLiteral(" 对比 %1").arg(m_ui->cmbCompare->currentText());
    SheetTable made = Analysis::statsSheet(*table, title.simplified(), earlier ? &*earlier : nullptr);
    // Beside the grade, where a whole grade's export left the other classes.
    if (const auto grade = gradeOf(m_ui->cmbTest->currentData(), *table))
        Analysis::appendSection(made, Analysis::gradeSheet(*grade, QString()));
    return made;
}

std::optional<Analysis::GradeTable> Analyze_Stats::gradeOf(const QVariant& choice, const Analysis::StatsTable& table)
{
    if (choice.typeId() != QMetaType::Int)
        return std::nullopt;
    auto others = ClassFigures::load(m_session.Conn(), choice.toInt());
    if (!others || others->isEmpty())
        return std::nullopt;
    return Analysis::gradeTable(table, *others);
}

void Analyze_Stats::showTest()
{
    QString rules = m_start.rules.caption();
    while (rules.endsWith(QChar(0x3002)))
        rules.chop(1);
    m_ui->lblCaption->setText(rules + QStringLiteral("；") + Analysis::sigmaNote());
    const auto made = sheet();
    if (!made)
        return;
    const auto parts = TablePages::sections(*made);
    ResultGrid* grids[] = { m_ui->grdStats, m_ui->grdBands, m_ui->grdGrades };
    for (int g = 0; g < 3; ++g) {
        grids[g]->setHeaders(parts.value(g).headers);
        grids[g]->setRows(parts.value(g).rows);
        grids[g]->fitColumns(120);
    }
    // The 等级 heading states its bands, as the caption states the thresholds: shown whole.
    m_ui->grdGrades->fitColumns(480, { 0 });
}

// The chosen test and up to five before it, oldest first; a term grade alone.
void Analyze_Stats::showCharts()
{
    QVector<std::pair<QString, QVariant>> chosen { { m_ui->cmbTest->currentText(), m_ui->cmbTest->currentData() } };
    for (int i = m_ui->cmbTest->currentIndex() + 1; i < m_ui->cmbTest->count() && chosen.size() < 6; ++i) {
        if (m_ui->cmbTest->currentData().typeId() != QMetaType::Int
            || m_ui->cmbTest->itemData(i).typeId() != QMetaType::Int)
            break;
        chosen.push_back({ m_ui->cmbTest->itemText(i), m_ui->cmbTest->itemData(i) });
    }
    QVector<StatsCharts::Test> tests;
    for (auto c = chosen.crbegin(); c != chosen.crend(); ++c) {
        const auto cells = TestChoice::cells(m_session.Conn(), c->second, m_start);
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
    if (const auto grade = gradeOf(m_ui->cmbTest->currentData(), tests.last().table))
        tests.last().grade = grade;
    auto* charts = new StatsCharts(tests, m_start.rules.caption(), this);
    charts->setAttribute(Qt::WA_DeleteOnClose);
    charts->open();
}

void Analyze_Stats::editRules()
{
    StatsRulesDialog dialog(m_session, m_start.rules, this);
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
    if (!m_ui->lblMissing->text().isEmpty()) {
        if (!Sharing::mayShareClassList())
            return;
        notes << m_ui->lblMissing->text();
    }
    TablePages::preview(this, QStringLiteral("成绩统计表"), made->title, notes, parts, QPageLayout::Landscape);
}

} // namespace velmora
