#include "analysis/ui/Analyze_Class.h"

#include "analysis/Analysis.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/Schema.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/Pictures.h"
#include "platform/ui/ResultGrid.h"
#include "students/ui/StudentInfo.h"
#include "ui_Analyze_Class.h"
#include "ui_TestSelector.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace velmora {

Analyze_Class_Sel::Analyze_Class_Sel(Module1& session, QWidget* parent)
    : TestSelector(session, "Analyze_Class_Sel", QStringLiteral("班级成绩分析"), parent)
{ }

void Analyze_Class_Sel::ok()
{
    if (m_ui->txtNumber->currentText().isEmpty()) {
        MessageService::info(QStringLiteral("请填写考试号"));
        return;
    }
    m_session.setSelNo(m_ui->txtNumber->currentText());
    ChildWindow::close(this);
    Q_EMIT chosen();
}

Analyze_Class::Analyze_Class(Module1& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::Analyze_Class>())
    , Check2(14, nullptr)
    , Sort(2, nullptr)
    , Filter(2, nullptr)
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    m_ui->Image1->setPixmap(Pictures::appIcon().pixmap(40, 40));
    m_ui->Grid->setClassList(true);
    m_ui->Grid->exportBy(m_ui->BN_Export);
    // The subjects' captions come from the fixed list.
    for (int i = 0; i < 14; ++i) {
        Check2[i] = findChild<QCheckBox*>(QStringLiteral("Check2_%1").arg(i));
        Check2[i]->setText(Schema::subjects()[i]);
        connect(Check2[i], &QCheckBox::clicked, this, [this, i] { subjectClicked(i); });
    }
    for (int i = 0; i < 2; ++i) {
        Sort[i] = findChild<QRadioButton*>(QStringLiteral("Sort%1").arg(i));
        Filter[i] = findChild<QRadioButton*>(QStringLiteral("Filter%1").arg(i));
        connect(Filter[i], &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                m_ui->BN_Filter->setEnabled(true);
        });
    }
    for (QLineEdit* box : { m_ui->txtFront, m_ui->txtLast })
        box->installEventFilter(this);

    connect(m_ui->BN_ShowAll, &QPushButton::clicked, this, &Analyze_Class::showAll);
    connect(m_ui->BN_Sort, &QPushButton::clicked, this, &Analyze_Class::sort);
    connect(m_ui->BN_Filter, &QPushButton::clicked, this, &Analyze_Class::filter);
    connect(m_ui->BN_Back, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
    connect(m_ui->Grid, &ResultGrid::rowActivated, this, &Analyze_Class::openStudent);
}

Analyze_Class::~Analyze_Class() = default;

bool Analyze_Class::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == m_ui->txtFront)
            Filter[0]->setChecked(true);
        else if (watched == m_ui->txtLast)
            Filter[1]->setChecked(true);
    }
    return QWidget::eventFilter(watched, event);
}

void Analyze_Class::load()
{
    m_ui->txtNumber->setText(m_session.SelNo());
    showAll();
}

bool Analyze_Class::FillTableHead()
{
    auto test = Exams::fetch(m_session.Conn(), m_ui->txtNumber->text().trimmed().toInt());
    if (!test) {
        MessageService::error(test.error(), ErrorWording::Restart);
        return false;
    }
    if (!*test) {
        MessageService::info(QStringLiteral("考试号为%1的考试已不存在，请重新选择！").arg(m_ui->txtNumber->text()));
        return false;
    }
    m_test = **test;
    QStringList headers { QStringLiteral("学号"), QStringLiteral("总分") };
    for (int i = 0; i < 14; ++i) {
        if (m_test.items.hasSubject(i))
            headers << m_test.items.caption(i);
        else
            Check2[i]->setEnabled(false);
    }
    m_ui->Grid->setHeaders(headers);
    m_ui->Grid->setExportTitle(QStringLiteral("班级成绩 考试%1 %2").arg(m_test.number).arg(m_test.name));
    QList<int> numbers;
    for (int c = 1; c < headers.size(); ++c)
        numbers << c;
    m_ui->Grid->setNumberColumns(numbers);
    m_ui->Grid->setColumnTwips(0, 1110);
    m_ui->Grid->setColumnTwips(1, 1185);
    for (int c = 2; c < headers.size(); ++c)
        m_ui->Grid->setColumnTwips(c, 600);
    if (m_test.items.subjects.isEmpty()) {
        MessageService::info(QStringLiteral("这次考试没有考核科目，无法分析！"));
        return false;
    }
    return true;
}

void Analyze_Class::FillTable(Analysis::ClassTable table)
{
    m_table = std::move(table);
    m_ui->Grid->setRows(m_table.rows);
    m_ui->lblMissing->setVisible(m_table.hasMissing());
}

bool Analyze_Class::run(Analysis::ClassOrder order, const QVector<int>& summed)
{
    auto table = Analysis::classTable(m_session.Conn(), m_test, summed, order);
    if (!table) {
        MessageService::error(table.error(), ErrorWording::Restart);
        return false;
    }
    const bool empty = table->rows.isEmpty();
    FillTable(std::move(*table));
    if (empty)
        MessageService::info(QStringLiteral("这次考试还没有学生的成绩记录！"));
    return true;
}

void Analyze_Class::showAll()
{
    if (FillTableHead())
        run(Analysis::ClassOrder::NumberDescending);
}

QVector<int> Analyze_Class::selectedSubjects() const
{
    QVector<int> chosen;
    for (int i = 0; i < 14; ++i) {
        if (Check2[i]->isEnabled() && Check2[i]->isChecked())
            chosen << i;
    }
    return chosen;
}

void Analyze_Class::sort()
{
    const bool bySelection = Sort[1]->isChecked();
    if (!FillTableHead())
        return;
    if (bySelection && selectedSubjects().isEmpty()) {
        MessageService::info(QStringLiteral("至少要选一项！"));
        return;
    }
    const QVector<int> used = bySelection ? selectedSubjects() : QVector<int>();
    if (run(Analysis::ClassOrder::TotalDescending, used) && bySelection)
        m_ui->Grid->setText(0, 1, QStringLiteral("所选%1门总分").arg(used.size()));
}

void Analyze_Class::subjectClicked(int index)
{
    Sort[1]->setChecked(true);
    for (QCheckBox* box : Check2) {
        if (box->isChecked())
            return;
    }
    MessageService::info(QStringLiteral("至少要选一项！"));
    Check2[index]->setChecked(true);
}

void Analyze_Class::filter()
{
    const int rows = m_ui->Grid->rows() - 1;
    if (Filter[0]->isChecked()) {
        if (m_ui->txtFront->text().trimmed().isEmpty()) {
            MessageService::info(QStringLiteral("请输入数据"));
            return;
        }
        const std::optional<int> n = Analysis::parseCount(m_ui->txtFront->text(), 999999);
        if (!n) {
            MessageService::info(QStringLiteral("请输入一个不小于0的整数！"));
            return;
        }
        if (*n >= rows) {
            MessageService::info(QStringLiteral("不允许再筛选，请先排序，再筛选！"));
        } else {
            m_table.keep(1, *n);
            FillTable(m_table);
            MessageService::info(QStringLiteral("完成筛选"));
        }
    }
    if (Filter[1]->isChecked()) {
        if (m_ui->txtLast->text().trimmed().isEmpty()) {
            MessageService::info(QStringLiteral("请输入数据"));
            return;
        }
        const std::optional<int> n = Analysis::parseCount(m_ui->txtLast->text(), 999999);
        if (!n) {
            MessageService::info(QStringLiteral("请输入一个不小于0的整数！"));
            return;
        }
        if (*n >= rows + 1) {
            MessageService::info(QStringLiteral("不允许再筛选，请先排序，再筛选！"));
        } else {
            m_table.keep(rows - *n + 1, *n);
            FillTable(m_table);
            MessageService::info(QStringLiteral("完成筛选"));
        }
    }
}

void Analyze_Class::openStudent()
{
    const int row = m_ui->Grid->currentRow();
    if (row < 1)
        return;
    StudentInfo::openReadOnly(m_session, this, m_ui->Grid->text(row, 0));
}

} // namespace velmora
