#include "analysis/ui/Analyze_Class.h"

#include "analysis/Analysis.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/Schema.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ResultGrid.h"
#include "students/ui/StudentInfo.h"
#include "ui_TestSelector.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace velmora {

Analyze_Class_Sel::Analyze_Class_Sel(QWidget* parent)
    : TestSelector("Analyze_Class_Sel", QStringLiteral("班级成绩分析"), parent)
{ }

void Analyze_Class_Sel::ok()
{
    if (m_ui->txtNumber->currentText().isEmpty()) {
        MessageService::info(QStringLiteral("请填写考试号"));
        return;
    }
    mod().SelNo = m_ui->txtNumber->currentText();
    ChildWindow::close(this);
    Q_EMIT chosen();
}

Analyze_Class::Analyze_Class(QWidget* parent)
    : QWidget(parent)
    , Check2(14, nullptr)
    , Sort(2, nullptr)
    , Filter(2, nullptr)
{
    setObjectName(QStringLiteral("Analyze_Class"));
    setWindowTitle(QStringLiteral("班级成绩分析"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* title = Controls::title(this, "Label2", QStringLiteral("班级成绩分析"));
    txtNumber = Controls::lockedEdit(this, "txtNumber");
    txtNumber->setFixedWidth(80);
    Grid = new ResultGrid(this);
    Grid->setClassList(true);
    BN_ShowAll = Controls::button(this, "BN_ShowAll", QStringLiteral("按学号显示全部"));
    lblMissing
        = Controls::label(this, "lblMissing", QStringLiteral("带“*”的总分中有未录入的成绩，只加了已录入的成绩。"));
    lblMissing->setVisible(false);

    auto* Frame1 = new QGroupBox(QStringLiteral("排序"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* sortGrid = new QGridLayout(Frame1);
    for (int i = 0; i < 14; ++i) {
        Check2[i] = new QCheckBox(Schema::subjects()[i], Frame1);
        Check2[i]->setObjectName(QStringLiteral("Check2_%1").arg(i));
        Check2[i]->setChecked(i < 3);
        sortGrid->addWidget(Check2[i], i / 7, i % 7);
        connect(Check2[i], &QCheckBox::clicked, this, [this, i] { subjectClicked(i); });
    }
    Sort[0] = new QRadioButton(QStringLiteral("按总分排序"), Frame1);
    Sort[1] = new QRadioButton(QStringLiteral("按所选项目总和排序"), Frame1);
    Sort[0]->setChecked(true);
    BN_Sort = Controls::button(Frame1, "BN_Sort", QStringLiteral("排序"));
    for (int i = 0; i < 2; ++i)
        Sort[i]->setObjectName(QStringLiteral("Sort%1").arg(i));
    sortGrid->addWidget(Sort[0], 2, 0, 1, 3);
    sortGrid->addWidget(Sort[1], 2, 3, 1, 3);
    sortGrid->addWidget(BN_Sort, 2, 6);

    auto* Frame2 = new QGroupBox(QStringLiteral("筛选"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto* filterGrid = new QGridLayout(Frame2);
    txtFront = Controls::edit(Frame2, "txtFront");
    txtLast = Controls::edit(Frame2, "txtLast");
    BN_Filter = Controls::button(Frame2, "BN_Filter", QStringLiteral("筛选"));
    BN_Filter->setEnabled(false);
    const QString captions[2] = { QStringLiteral("上图表内前"), QStringLiteral("上图表内后") };
    QLineEdit* boxes[2] = { txtFront, txtLast };
    for (int i = 0; i < 2; ++i) {
        Filter[i] = new QRadioButton(captions[i], Frame2);
        Filter[i]->setObjectName(QStringLiteral("Filter%1").arg(i));
        boxes[i]->setFixedWidth(56);
        boxes[i]->setAccessibleName(captions[i] + QStringLiteral("几名"));
        boxes[i]->installEventFilter(this);
        filterGrid->addWidget(Filter[i], i, 0);
        filterGrid->addWidget(boxes[i], i, 1);
        filterGrid->addWidget(new QLabel(QStringLiteral("名"), Frame2), i, 2);
        connect(Filter[i], &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                BN_Filter->setEnabled(true);
        });
    }
    filterGrid->addWidget(BN_Filter, 0, 3, 2, 1);
    BN_Back = Controls::button(this, "BN_Back", QStringLiteral("返回"));

    auto* head = new QHBoxLayout;
    head->addWidget(Controls::label(this, "Label1", QStringLiteral("考试号"), txtNumber));
    head->addWidget(txtNumber);
    head->addStretch();
    head->addWidget(Controls::decoration(this));
    head->addWidget(title);
    head->addStretch();
    head->addWidget(BN_ShowAll);
    auto* controls = new QHBoxLayout;
    controls->addWidget(Frame1, 3);
    controls->addWidget(Frame2, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(Grid, 1);
    layout->addWidget(lblMissing);
    layout->addLayout(controls);
    layout->addLayout(Controls::buttonRow({ Grid->exportButton(this), BN_Back }));
    resize(860, 600);

    connect(BN_ShowAll, &QPushButton::clicked, this, &Analyze_Class::showAll);
    connect(BN_Sort, &QPushButton::clicked, this, &Analyze_Class::sort);
    connect(BN_Filter, &QPushButton::clicked, this, &Analyze_Class::filter);
    connect(BN_Back, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
    connect(Grid, &ResultGrid::rowActivated, this, &Analyze_Class::openStudent);
}

bool Analyze_Class::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == txtFront)
            Filter[0]->setChecked(true);
        else if (watched == txtLast)
            Filter[1]->setChecked(true);
    }
    return QWidget::eventFilter(watched, event);
}

void Analyze_Class::load()
{
    txtNumber->setText(mod().SelNo);
    showAll();
}

bool Analyze_Class::FillTableHead()
{
    auto test = Exams::fetch(mod().Conn, txtNumber->text().trimmed().toInt());
    if (!test) {
        MessageService::error(test.error(), ErrorWording::Restart);
        return false;
    }
    if (!*test) {
        MessageService::info(QStringLiteral("考试号为%1的考试已不存在，请重新选择！").arg(txtNumber->text()));
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
    Grid->setHeaders(headers);
    Grid->setExportTitle(QStringLiteral("班级成绩 考试%1 %2").arg(m_test.number).arg(m_test.name));
    QList<int> numbers;
    for (int c = 1; c < headers.size(); ++c)
        numbers << c;
    Grid->setNumberColumns(numbers);
    Grid->setColumnTwips(0, 1110);
    Grid->setColumnTwips(1, 1185);
    for (int c = 2; c < headers.size(); ++c)
        Grid->setColumnTwips(c, 600);
    if (m_test.items.subjects.isEmpty()) {
        MessageService::info(QStringLiteral("这次考试没有考核科目，无法分析！"));
        return false;
    }
    return true;
}

void Analyze_Class::FillTable(Analysis::ClassTable table)
{
    m_table = std::move(table);
    Grid->setRows(m_table.rows);
    lblMissing->setVisible(m_table.hasMissing());
}

bool Analyze_Class::run(Analysis::ClassOrder order, const QVector<int>& summed)
{
    auto table = Analysis::classTable(mod().Conn, m_test, summed, order);
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
        Grid->setText(0, 1, QStringLiteral("所选%1门总分").arg(used.size()));
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
    const int rows = Grid->rows() - 1;
    if (Filter[0]->isChecked()) {
        if (txtFront->text().trimmed().isEmpty()) {
            MessageService::info(QStringLiteral("请输入数据"));
            return;
        }
        const std::optional<int> n = Analysis::parseCount(txtFront->text(), 999999);
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
        if (txtLast->text().trimmed().isEmpty()) {
            MessageService::info(QStringLiteral("请输入数据"));
            return;
        }
        const std::optional<int> n = Analysis::parseCount(txtLast->text(), 999999);
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
    const int row = Grid->currentRow();
    if (row < 1)
        return;
    StudentInfo::openReadOnly(this, Grid->text(row, 0));
}

} // namespace velmora
