#include "analysis/ui/TermGrade.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/Sharing.h"
#include "classes/GradeBands.h"
#include "exams/TestRecord.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ResultGrid.h"
#include "platform/ui/TablePages.h"
#include "students/StudentRecord.h"
#include "ui_TermDialog.h"
#include "ui_TermGrade.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace velmora {

using Analysis::TermDefinition;

TermDialog::TermDialog(Module1& session, const QVector<TestRecord>& tests, const TermDefinition& term, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::TermDialog>())
    , m_replacing(term.name)
{
    m_ui->setupUi(this);
    m_ui->txtName->setText(term.name);
    Controls::limitChars(m_ui->txtName, TermDefinition::kMaxName);
    addParts(tests, term);
    connect(m_ui->BN_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->BN_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    showSum();
}

TermDialog::~TermDialog() = default;

// Made here: the rows follow the most parts a term grade has, each listing the tests.
void TermDialog::addParts(const QVector<TestRecord>& tests, const TermDefinition& term)
{
    QWidget* before = m_ui->txtName;
    for (int k = 0; k < TermDefinition::kMaxTests; ++k) {
        auto* test = new QComboBox(this);
        test->setObjectName(QStringLiteral("cmbTest%1").arg(k));
        test->addItem(QStringLiteral("（不选）"), 0);
        for (const TestRecord& t : tests)
            test->addItem(QStringLiteral("%1 %2 %3").arg(t.number).arg(t.name, t.date), t.number);
        auto* weight = new QSpinBox(this);
        weight->setObjectName(QStringLiteral("spnWeight%1").arg(k));
        weight->setRange(0, 100);
        weight->setSuffix(QStringLiteral("%"));
        if (k < term.parts.size()) {
            test->setCurrentIndex(qMax(0, test->findData(term.parts[k].test)));
            weight->setValue(term.parts[k].weight);
        }
        m_ui->parts->addWidget(new QLabel(QStringLiteral("考试%1：").arg(k + 1), this), k + 1, 0);
        m_ui->parts->addWidget(test, k + 1, 1);
        m_ui->parts->addWidget(weight, k + 1, 2);
        setTabOrder(before, test);
        setTabOrder(test, weight);
        before = weight;
        cmbTest << test;
        spnWeight << weight;
        connect(test, &QComboBox::currentIndexChanged, this, &TermDialog::showSum);
        connect(weight, &QSpinBox::valueChanged, this, &TermDialog::showSum);
    }
}

TermDefinition TermDialog::term() const
{
    TermDefinition t { m_ui->txtName->text().trimmed(), {} };
    for (int k = 0; k < cmbTest.size(); ++k) {
        if (const int test = cmbTest[k]->currentData().toInt(); test > 0)
            t.parts.push_back({ test, spnWeight[k]->value() });
    }
    return t;
}

void TermDialog::showSum()
{
    int sum = 0;
    for (const auto& p : term().parts)
        sum += p.weight;
    m_ui->lblSum->setText(QStringLiteral("权重合计：%1%").arg(sum));
}

void TermDialog::accept()
{
    if (Status saved = Analysis::Terms::save(m_session.Conn(), term(), m_replacing); !saved) {
        MessageService::error(saved.error());
        return;
    }
    QDialog::accept();
}

TermGrade::TermGrade(Module1& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::TermGrade>())
{
    m_ui->setupUi(this);
    m_ui->Grid->setClassList(true);
    m_ui->Grid->exportBy(m_ui->BN_Export);
    ChildWindow::setDesignSize(this, { 14400, 9000 });
    // Only an administrator defines them, as tests are defined.
    for (QPushButton* b : { m_ui->BN_New, m_ui->BN_Edit, m_ui->BN_Delete })
        b->setEnabled(m_session.IsAdmin());

    connect(m_ui->cmbTerm, &QComboBox::currentIndexChanged, this, &TermGrade::showTerm);
    connect(m_ui->BN_New, &QPushButton::clicked, this, [this] { edit(true); });
    connect(m_ui->BN_Edit, &QPushButton::clicked, this, [this] { edit(false); });
    connect(m_ui->BN_Delete, &QPushButton::clicked, this, &TermGrade::remove);
    connect(m_ui->Grid, &ResultGrid::clicked, this, [this](const QModelIndex&) {
        const int row = m_ui->Grid->currentRow(), column = m_ui->Grid->currentColumn() - 2;
        const auto& rows = m_sheet.rows;
        m_ui->lblWhy->setText(row >= 1 && row <= rows.size() && column >= 0 && column < rows[row - 1].cells.size()
                ? rows[row - 1].cells[column].why
                : QString());
    });
    connect(m_ui->BN_Print, &QPushButton::clicked, this, &TermGrade::print);
    connect(m_ui->BN_Back, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
}

TermGrade::~TermGrade() = default;

void TermGrade::print()
{
    const int at = m_ui->cmbTerm->currentIndex();
    if (at < 0 || at >= m_terms.size() || !Sharing::mayShareClassList())
        return;
    TablePages::preview(this, QStringLiteral("学期总评"), m_terms[at].name, notes(),
        TablePages::sections(m_ui->Grid->sheet()), QPageLayout::Portrait);
}

QStringList TermGrade::notes() const
{
    const int at = m_ui->cmbTerm->currentIndex();
    if (at < 0 || at >= m_terms.size())
        return {};
    QStringList weights;
    for (const auto& part : m_terms[at].parts) {
        QString name = QString::number(part.test);
        for (const TestRecord& t : std::as_const(m_tests)) {
            if (t.number == part.test)
                name = t.name;
        }
        weights << QStringLiteral("%1 %2%").arg(name).arg(part.weight);
    }
    QStringList notes {
        QStringLiteral("各科总评 = Σ 权重 × 成绩 ÷ 满分 × 100（%1）。").arg(weights.join(QStringLiteral("、")))
    };
    QStringList starred;
    for (const auto& r : std::as_const(m_sheet.rows)) {
        for (int s = 0; s < r.cells.size(); ++s) {
            if (!r.cells[s].why.isEmpty())
                starred << QStringLiteral("%1%2：%3")
                               .arg(m_names.value(r.number, r.number), m_sheet.subjects.value(s), r.cells[s].why);
        }
    }
    if (!starred.isEmpty())
        notes << QStringLiteral("* ") + starred.join(QStringLiteral("；"));
    return notes;
}

bool TermGrade::load()
{
    auto tests = Exams::list(m_session.Conn());
    auto names = Students::names(m_session.Conn());
    if (!tests || !names) {
        MessageService::error(!tests ? tests.error() : names.error());
        return false;
    }
    if (tests->isEmpty()) {
        MessageService::info(QStringLiteral("还没有定义考试，无法计算学期总评。"));
        return false;
    }
    m_tests = *tests;
    m_names = *names;
    fillTerms({});
    return true;
}

void TermGrade::fillTerms(const QString& chosen)
{
    auto terms = Analysis::Terms::list(m_session.Conn());
    if (!terms) {
        MessageService::error(terms.error());
        return;
    }
    m_terms = *terms;
    const QSignalBlocker quiet(m_ui->cmbTerm);
    m_ui->cmbTerm->clear();
    for (const TermDefinition& t : std::as_const(m_terms))
        m_ui->cmbTerm->addItem(t.name);
    m_ui->cmbTerm->setCurrentIndex(qMax(0, m_ui->cmbTerm->findText(chosen)));
    m_ui->BN_Edit->setEnabled(m_session.IsAdmin() && !m_terms.isEmpty());
    m_ui->BN_Delete->setEnabled(m_session.IsAdmin() && !m_terms.isEmpty());
    m_ui->BN_Print->setEnabled(!m_terms.isEmpty());
    showTerm();
}

void TermGrade::showTerm()
{
    m_ui->lblWhy->clear();
    m_ui->lblNotes->clear();
    const int at = m_ui->cmbTerm->currentIndex();
    if (at < 0 || at >= m_terms.size()) {
        m_ui->Grid->setHeaders({ QStringLiteral("学号"), QStringLiteral("姓名") });
        m_ui->Grid->setRows({});
        m_ui->lblWhy->setText(
            QStringLiteral("还没有学期总评，请点“新建”，选几次考试并给出权重（如平时30%、期中30%、期末40%）。"));
        return;
    }
    auto rules = StatsRules::load(m_session.Conn());
    auto grades = GradeBands::load(m_session.Conn());
    if (!grades) {
        MessageService::error(grades.error());
        return;
    }
    auto sheet = rules ? Analysis::termSheet(m_session.Conn(), m_terms[at], *rules)
                       : Result<Analysis::TermSheet>(rules.error());
    if (!sheet) {
        MessageService::error(sheet.error());
        return;
    }
    m_sheet = *sheet;
    QStringList headers { QStringLiteral("学号"), QStringLiteral("姓名") };
    headers << m_sheet.subjects << QStringLiteral("总评总分") << QStringLiteral("等级") << QStringLiteral("名次");
    QList<int> numbers;
    for (int c = 2; c < headers.size(); ++c) {
        if (c != headers.size() - 2)
            numbers << c;
    }
    m_ui->Grid->setHeaders(headers);
    m_ui->Grid->setNumberColumns(numbers);
    m_ui->Grid->setExportTitle(m_terms[at].name);
    QList<QStringList> rows;
    for (const auto& r : std::as_const(m_sheet.rows)) {
        QStringList texts { r.number, m_names.value(r.number) };
        for (const Analysis::TermCell& c : r.cells)
            texts << (c.tenths ? Analysis::tenthsText(*c.tenths) + (c.why.isEmpty() ? QString() : QStringLiteral("*"))
                    : c.why.isEmpty() ? QStringLiteral("免考")
                                      : QString());
        // The band of the whole: the total against 100 a subject.
        const qint64 full = 1000 * qint64(m_sheet.subjects.size());
        texts << (r.total ? Analysis::tenthsText(*r.total) + (r.partial ? QStringLiteral("*") : QString()) : QString())
              << (r.total && !r.partial && full > 0 ? grades->bandOf(int(*r.total), int(full)) : QString())
              << (r.rank ? QString::number(*r.rank) : QStringLiteral("—"));
        rows << texts;
    }
    m_ui->Grid->setRows(rows);
    m_ui->Grid->fitColumns(120);
    m_ui->lblNotes->setText(notes().join(u'\n'));
}

void TermGrade::edit(bool fresh)
{
    const int at = m_ui->cmbTerm->currentIndex();
    const TermDefinition current = fresh || at < 0 ? TermDefinition {} : m_terms.value(at);
    TermDialog dialog(m_session, m_tests, current, this);
    if (dialog.exec() == QDialog::Accepted)
        fillTerms(dialog.term().name);
}

void TermGrade::remove()
{
    const QString name = m_ui->cmbTerm->currentText();
    if (name.isEmpty()
        || MessageService::askDelete(QStringLiteral("删除学期总评“%1”吗？各次考试的成绩不受影响。").arg(name))
            != MsgAnswer::Yes)
        return;
    if (Status gone = Analysis::Terms::remove(m_session.Conn(), name); !gone) {
        MessageService::error(gone.error());
        return;
    }
    fillTerms({});
}

} // namespace velmora
