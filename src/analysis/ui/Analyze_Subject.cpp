#include "analysis/ui/Analyze_Subject.h"

#include "analysis/Analysis.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "classes/StatsRules.h"
#include "data/Schema.h"
#include "exams/Points.h"
#include "exams/ScoreSheet.h"
#include "platform/ui/ChartView.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ResultGrid.h"
#include "students/ui/StudentInfo.h"
#include "ui_TestSelector.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace velmora {

Analyze_Subject_Sel::Analyze_Subject_Sel(QWidget* parent)
    : TestSelector("Analyze_Subject_Sel", QStringLiteral("科目成绩分析"), parent)
{
    txtSubject = new QComboBox(this);
    txtSubject->setObjectName(QStringLiteral("txtSubject"));
    m_ui->form->addWidget(Controls::label(this, "Label3", QStringLiteral("分析科目"), txtSubject), 4, 0);
    m_ui->form->addWidget(txtSubject, 4, 1);
}

void Analyze_Subject_Sel::picked(const TestRecord& test)
{
    txtSubject->clear();
    for (int i : test.items.subjects)
        txtSubject->addItem(Schema::subjects()[i]);
}

void Analyze_Subject_Sel::ok()
{
    if (m_ui->txtNumber->currentText().isEmpty() || txtSubject->currentText().isEmpty()) {
        MessageService::info(QStringLiteral("请填写考试号 及 所要分析的科目"));
        return;
    }
    mod().SelNo = m_ui->txtNumber->currentText();
    mod().SubjectName = txtSubject->currentText();
    ChildWindow::close(this);
    Q_EMIT chosen();
}

namespace {
QLineEdit* statBox(QWidget* parent, const char* name)
{
    QLineEdit* box = Controls::lockedEdit(parent, name);
    box->setAlignment(Qt::AlignCenter);
    box->setFixedWidth(130);
    return box;
}
} // namespace

Analyze_Subject::Analyze_Subject(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Analyze_Subject"));
    setWindowTitle(QStringLiteral("科目成绩分析"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* title = Controls::title(this, "Label2", QStringLiteral("科目成绩分析"));
    txtNumber = Controls::lockedEdit(this, "txtNumber");
    txtSubject = Controls::lockedEdit(this, "txtSubject");

    auto* Frame1 = new QGroupBox(QStringLiteral("数据统计"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* stats = new QGridLayout(Frame1);
    txtN = statBox(Frame1, "txtN");
    txtPass = statBox(Frame1, "txtPass");
    txtPass_P = statBox(Frame1, "txtPass_P");
    txtFail = statBox(Frame1, "txtFail");
    txtFail_P = statBox(Frame1, "txtFail_P");
    txtAve = statBox(Frame1, "txtAve");
    txtMax = statBox(Frame1, "txtMax");
    txtMin = statBox(Frame1, "txtMin");
    for (QLineEdit* share : { txtPass_P, txtFail_P })
        share->setFixedWidth(56);
    stats->addWidget(Controls::label(Frame1, "Label3", QStringLiteral("总人数"), txtN), 0, 0);
    stats->addWidget(txtN, 0, 1);
    stats->addWidget(Controls::label(Frame1, "Label4", QStringLiteral("及格人数"), txtPass), 1, 0);
    stats->addWidget(txtPass, 1, 1);
    stats->addWidget(new QLabel(QStringLiteral("占"), Frame1), 1, 2);
    stats->addWidget(txtPass_P, 1, 3);
    stats->addWidget(new QLabel(QStringLiteral("%"), Frame1), 1, 4);
    stats->addWidget(Controls::label(Frame1, "Label5", QStringLiteral("不及格人数"), txtFail), 2, 0);
    stats->addWidget(txtFail, 2, 1);
    stats->addWidget(new QLabel(QStringLiteral("占"), Frame1), 2, 2);
    stats->addWidget(txtFail_P, 2, 3);
    stats->addWidget(new QLabel(QStringLiteral("%"), Frame1), 2, 4);
    stats->addWidget(Controls::label(Frame1, "Label8", QStringLiteral("班级均分"), txtAve), 3, 0);
    stats->addWidget(txtAve, 3, 1);
    stats->addWidget(Controls::label(Frame1, "Label9", QStringLiteral("最高成绩"), txtMax), 4, 0);
    stats->addWidget(txtMax, 4, 1);
    stats->addWidget(Controls::label(Frame1, "Label10", QStringLiteral("最低成绩"), txtMin), 5, 0);
    stats->addWidget(txtMin, 5, 1);
    txtPass_P->setAccessibleName(QStringLiteral("及格比例"));
    txtFail_P->setAccessibleName(QStringLiteral("不及格比例"));

    auto* Frame2 = new QGroupBox(QStringLiteral("分数段统计"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Grid1 = new QTableWidget(2, 6, Frame2);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setHorizontalHeaderLabels(Analysis::bandLabels());
    Grid1->setVerticalHeaderLabels({ QStringLiteral("人数"), QStringLiteral("比例") });
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // Never narrower than its headers: "60分以下" reads whole, and so do the
    // longer labels of full marks above 100.
    const QStringList widest = Analysis::bandLabels(TestItems::kMaxFullMarks);
    int headers = Grid1->verticalHeader()->sizeHint().width() + 2 * Grid1->frameWidth() + 4;
    for (int b = 0; b < widest.size(); ++b)
        headers += std::max(Grid1->horizontalHeader()->sectionSizeHint(b),
            Grid1->horizontalHeader()->fontMetrics().horizontalAdvance(widest[b]) + 24);
    Grid1->setMinimumWidth(headers);
    Grid1->setFixedHeight(
        Grid1->horizontalHeader()->sizeHint().height() + 2 * Grid1->verticalHeader()->defaultSectionSize() + 6);
    (new QVBoxLayout(Frame2))->addWidget(Grid1);

    Chart = new ChartView(this);
    Chart->setObjectName(QStringLiteral("Chart"));
    Chart->setMinimumSize(380, 300);

    Grid = new ResultGrid(this);
    Grid->setMaximumHeight(90);
    Command1 = Controls::button(this, "Command1", QStringLiteral("返回(&C)"));

    auto* head = new QHBoxLayout;
    head->addWidget(Controls::label(this, "Label1", QStringLiteral("考试号"), txtNumber));
    head->addWidget(txtNumber);
    head->addWidget(Controls::label(this, "Label6", QStringLiteral("科目"), txtSubject));
    head->addWidget(txtSubject);
    head->addStretch();
    head->addWidget(Controls::decoration(this));
    head->addWidget(title);
    head->addStretch();
    auto* left = new QVBoxLayout;
    left->addWidget(Frame1);
    left->addWidget(Frame2);
    auto* middle = new QHBoxLayout;
    middle->addLayout(left);
    middle->addWidget(Chart, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addLayout(middle, 1);
    layout->addWidget(Grid);
    layout->addLayout(Controls::buttonRow({ Grid->exportButton(this), Command1 }));
    resize(900, 620);

    connect(Command1, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
    connect(Grid, &ResultGrid::rowActivated, this, &Analyze_Subject::openStudent);
}

void Analyze_Subject::load()
{
    txtSubject->setText(mod().SubjectName);
    txtNumber->setText(mod().SelNo);
    const int subject = int(Schema::subjects().indexOf(mod().SubjectName.trimmed()));
    auto test = Exams::fetch(mod().Conn, mod().SelNo.trimmed().toInt());
    if (!test) {
        MessageService::error(test.error(), ErrorWording::Restart);
        return;
    }
    // The column name comes from the fixed list, never from what was typed.
    if (!*test || subject < 0 || !(*test)->items.hasSubject(subject)) {
        MessageService::info(QStringLiteral("这次考试没有“%1”这门科目，或者考试已被删除！").arg(mod().SubjectName));
        return;
    }
    const QString column = Schema::subjects()[subject];
    auto rows = Scores::subjectColumn(mod().Conn, (*test)->number, subject);
    if (!rows) {
        MessageService::error(rows.error(), ErrorWording::Restart,
            QStringLiteral("考试%1的成绩表中没有“%2”这一列，或者成绩表已不存在，无法分析！\r\n")
                .arg((*test)->number)
                .arg(column));
        return;
    }
    auto rules = StatsRules::load(mod().Conn);
    if (!rules) {
        MessageService::error(rules.error(), ErrorWording::Restart);
        return;
    }
    // 缺考, 缓考 and 免考 are no score; 作弊 is 0 where the class counts it so.
    QVector<int> values = rows->values;
    if (rules->cheatAsZero)
        values.insert(values.size(), rows->cheated, 0);
    Grid->setHeaders(QStringList { QStringLiteral("学号") } + rows->numbers);
    Grid->setExportTitle(QStringLiteral("科目分析 考试%1 %2").arg((*test)->number).arg(column));
    QList<int> numbers;
    for (int c = 1; c <= rows->numbers.size(); ++c)
        numbers << c;
    Grid->setNumberColumns(numbers);
    Grid->appendRow(QStringList { column + QStringLiteral("成绩") } + rows->texts);
    if (values.isEmpty()) {
        MessageService::info(QStringLiteral("这次考试的“%1”还没有成绩，无法统计！").arg(column));
        return;
    }

    const int fullMarks = (*test)->items.fullMarksOf(subject);
    const QStringList labels = Analysis::bandLabels(fullMarks);
    Grid1->setHorizontalHeaderLabels(labels);
    const Analysis::SubjectStats s = Analysis::subjectStats(values, fullMarks, rules->pass, Points::kTenths);
    txtMax->setText(Points::text(s.highest));
    txtMin->setText(Points::text(s.lowest));
    txtN->setText(QString::number(s.students));
    txtAve->setText(Analysis::formatAverage(s.average));
    txtPass->setText(QString::number(s.passes));
    txtFail->setText(QString::number(s.failures));
    txtPass_P->setText(QString::number(s.passShare));
    txtFail_P->setText(QString::number(s.failShare));
    ChartData pie;
    pie.kind = ChartData::Kind::Pie;
    pie.title = QStringLiteral("成绩分段统计饼状图");
    pie.titleGrow = 3;
    pie.sliceColours = { QColor(229, 57, 53), QColor(251, 140, 0), QColor(253, 216, 53), QColor(67, 160, 71),
        QColor(30, 136, 229), QColor(142, 36, 170) };
    pie.series.resize(1);
    for (int b = 0; b < 6; ++b) {
        Grid1->setItem(0, b, new QTableWidgetItem(QString::number(s.bands[size_t(b)])));
        Grid1->setItem(1, b, new QTableWidgetItem(QString::number(s.bandShares[size_t(b)]) + QLatin1Char('%')));
        Grid1->item(0, b)->setTextAlignment(Qt::AlignCenter);
        Grid1->item(1, b)->setTextAlignment(Qt::AlignCenter);
        pie.categories << QStringLiteral("%1：%2人").arg(labels[b]).arg(s.bands[size_t(b)]);
        pie.series[0].values << s.bands[size_t(b)];
    }
    Chart->setChart(std::move(pie));
}

void Analyze_Subject::openStudent()
{
    const int col = Grid->currentColumn();
    if (col < 1)
        return;
    StudentInfo::openReadOnly(this, Grid->text(0, col));
}

} // namespace velmora
