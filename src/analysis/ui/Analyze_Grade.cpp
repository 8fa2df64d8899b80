#include "analysis/ui/Analyze_Grade.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "exams/ClassFigures.h"
#include "exams/TestFacts.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/ResultGrid.h"
#include "platform/ui/TablePages.h"
#include "ui_Analyze_Grade.h"

#include <algorithm>

namespace velmora {

namespace {
const QVector<int> kDefaultTops { 10, 50, 100, 200 };
constexpr int kMostTops = 8;
} // namespace

Analyze_Grade::Analyze_Grade(Module1& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::Analyze_Grade>())
{
    m_ui->setupUi(this);
    ChildWindow::setDesignSize(this, { 15000, 9000 });
    connect(m_ui->cmbTest, &QComboBox::currentIndexChanged, this, &Analyze_Grade::showTest);
    connect(m_ui->cmbCompare, &QComboBox::currentIndexChanged, this, &Analyze_Grade::showTest);
    connect(m_ui->txtTops, &QLineEdit::editingFinished, this, &Analyze_Grade::showTest);
    connect(m_ui->BN_Export, &QPushButton::clicked, this, &Analyze_Grade::exportSheet);
    connect(m_ui->BN_Print, &QPushButton::clicked, this, &Analyze_Grade::print);
    connect(m_ui->BN_Back, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
    TestChoice::follow(this, { m_ui->cmbTest, m_ui->cmbCompare }, [this] { return load(); });
}

Analyze_Grade::~Analyze_Grade() = default;

bool Analyze_Grade::load()
{
    auto started = TestChoice::start(m_session.Conn(), 1, QStringLiteral("还没有定义考试，没有可以对比的成绩。"));
    if (!started)
        return false;
    m_start = *std::move(started);
    const QSignalBlocker quietTest(m_ui->cmbTest), quietCompare(m_ui->cmbCompare);
    m_ui->cmbTest->clear();
    m_ui->cmbCompare->clear();
    m_ui->cmbCompare->addItem(QStringLiteral("（不对比）"), 0);
    TestChoice::fill({ m_ui->cmbTest, m_ui->cmbCompare }, m_start);
    showTest();
    return true;
}

QVector<int> Analyze_Grade::tops() const
{
    QVector<int> out;
    for (const QString& part :
        m_ui->txtTops->text().split(QRegularExpression(QStringLiteral("[,，、\\s]+")), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = part.toInt(&ok);
        if (ok && n > 0 && !out.contains(n) && out.size() < kMostTops)
            out << n;
    }
    std::sort(out.begin(), out.end());
    return out.isEmpty() ? kDefaultTops : out;
}

std::optional<Analysis::GradeTable> Analyze_Grade::tableOf(const QVariant& choice)
{
    // A term grade sums several tests: no export of the grade stands behind it.
    if (choice.typeId() != QMetaType::Int)
        return std::nullopt;
    auto others = ClassFigures::load(m_session.Conn(), choice.toInt());
    if (!others) {
        MessageService::error(others.error());
        return std::nullopt;
    }
    if (others->isEmpty())
        return std::nullopt;
    const auto cells = TestChoice::cells(m_session.Conn(), choice, m_start);
    if (!cells)
        return std::nullopt;
    return Analysis::gradeTable(Analysis::statsOf(*cells, m_start.rules), *others);
}

std::optional<SheetTable> Analyze_Grade::sheet()
{
    const auto table = tableOf(m_ui->cmbTest->currentData());
    if (!table) {
        m_ui->lblCaption->setText(QStringLiteral("这次考试没有其他班级的统计。导入阅卷系统导出的全年级成绩单时，"
                                                 "会记下各班的统计（不含姓名和成绩），然后就可以在这里对比。"));
        return std::nullopt;
    }
    std::optional<Analysis::GradeTable> earlier;
    if (const QVariant other = m_ui->cmbCompare->currentData();
        other != QVariant(0) && other != m_ui->cmbTest->currentData())
        earlier = tableOf(other);
    auto facts = TestFacts::load(m_session.Conn(), m_ui->cmbTest->currentData().toInt());
    if (!facts) {
        MessageService::error(facts.error());
        return std::nullopt;
    }
    QStringList ranks;
    for (const auto& held : std::as_const(*facts))
        ranks << held.value(QStringLiteral("校次"));
    const QVector<int> n = tops();
    const bool ranked = std::any_of(ranks.cbegin(), ranks.cend(), [](const QString& r) { return !r.isEmpty(); });
    m_ui->lblCaption->setText(m_start.rules.caption()
        + QStringLiteral("名次是本班在%1个班中的位置。").arg(table->classes.size() + 1)
        + (ranked ? QString() : QStringLiteral("成绩单没有校次（年级排名），数不出年级前N名。")));
    QString title = QStringLiteral("年级对比 %1").arg(m_ui->cmbTest->currentText());
    if (earlier)
        title += QStringLiteral(" 对比 %1").arg(m_ui->cmbCompare->currentText());
    return Analysis::gradeSheet(*table, title.simplified(), earlier ? &*earlier : nullptr, ranked ? n : QVector<int>(),
        ranked ? Analysis::topCounts(ranks, n) : QVector<int>());
}

void Analyze_Grade::showTest()
{
    const auto made = sheet();
    const auto parts = made ? TablePages::sections(*made) : QVector<TablePages::Table>();
    ResultGrid* grids[] = { m_ui->grdGrade, m_ui->grdTops };
    for (int g = 0; g < 2; ++g) {
        grids[g]->setHeaders(parts.value(g).headers);
        grids[g]->setRows(parts.value(g).rows);
        grids[g]->fitColumns(120);
        grids[g]->setVisible(g == 0 || parts.size() > 1);
    }
    m_ui->BN_Export->setEnabled(made.has_value());
    m_ui->BN_Print->setEnabled(made.has_value());
}

void Analyze_Grade::exportSheet()
{
    if (const auto made = sheet())
        ResultGrid::saveSheet(this, *made);
}

void Analyze_Grade::print()
{
    if (const auto made = sheet())
        TablePages::preview(this, QStringLiteral("年级对比"), made->title, { m_ui->lblCaption->text() },
            TablePages::sections(*made), QPageLayout::Landscape);
}

} // namespace velmora
