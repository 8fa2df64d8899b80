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
#include "platform/ui/Pictures.h"
#include "platform/ui/ResultGrid.h"
#include "students/ui/StudentInfo.h"
#include "ui_Analyze_Subject.h"
#include "ui_TestSelector.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>

namespace velmora {

Analyze_Subject_Sel::Analyze_Subject_Sel(Module1& session, QWidget* parent)
    : TestSelector(session, "Analyze_Subject_Sel", QStringLiteral("科目成绩分析"), parent)
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
    m_session.setSelNo(m_ui->txtNumber->currentText());
    m_session.setSubjectName(txtSubject->currentText());
    ChildWindow::close(this);
    Q_EMIT chosen();
}

Analyze_Subject::Analyze_Subject(Module1& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::Analyze_Subject>())
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    m_ui->Image1->setPixmap(Pictures::appIcon().pixmap(40, 40));
    m_ui->Grid->exportBy(m_ui->BN_Export);
    setUpBands();

    connect(m_ui->Command1, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
    connect(m_ui->Grid, &ResultGrid::rowActivated, this, &Analyze_Subject::openStudent);
}

Analyze_Subject::~Analyze_Subject() = default;

void Analyze_Subject::setUpBands()
{
    m_ui->Grid1->setRowCount(2);
    m_ui->Grid1->setColumnCount(int(Analysis::bandLabels().size()));
    m_ui->Grid1->setHorizontalHeaderLabels(Analysis::bandLabels());
    m_ui->Grid1->setVerticalHeaderLabels({ QStringLiteral("人数"), QStringLiteral("比例") });
    m_ui->Grid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // Never narrower than its headers: "60分以下" reads whole, and so do the
    // longer labels of full marks above 100.
    const QStringList widest = Analysis::bandLabels(TestItems::kMaxFullMarks);
    int headers = m_ui->Grid1->verticalHeader()->sizeHint().width() + 2 * m_ui->Grid1->frameWidth() + 4;
    for (int b = 0; b < widest.size(); ++b)
        headers += std::max(m_ui->Grid1->horizontalHeader()->sectionSizeHint(b),
            m_ui->Grid1->horizontalHeader()->fontMetrics().horizontalAdvance(widest[b]) + 24);
    m_ui->Grid1->setMinimumWidth(headers);
    m_ui->Grid1->setFixedHeight(m_ui->Grid1->horizontalHeader()->sizeHint().height()
        + 2 * m_ui->Grid1->verticalHeader()->defaultSectionSize() + 6);
}

void Analyze_Subject::load()
{
    m_ui->txtSubject->setText(m_session.SubjectName());
    m_ui->txtNumber->setText(m_session.SelNo());
    const int subject = int(Schema::subjects().indexOf(m_session.SubjectName().trimmed()));
    auto test = Exams::fetch(m_session.Conn(), m_session.SelNo().trimmed().toInt());
    if (!test) {
        MessageService::error(test.error(), ErrorWording::Restart);
        return;
    }
    // The column name comes from the fixed list, never from what was typed.
    if (!*test || subject < 0 || !(*test)->items.hasSubject(subject)) {
        MessageService::info(
            QStringLiteral("这次考试没有“%1”这门科目，或者考试已被删除！").arg(m_session.SubjectName()));
        return;
    }
    const QString column = Schema::subjects()[subject];
    auto rows = Scores::subjectColumn(m_session.Conn(), (*test)->number, subject);
    if (!rows) {
        MessageService::error(rows.error(), ErrorWording::Restart,
            QStringLiteral("考试%1的成绩表中没有“%2”这一列，或者成绩表已不存在，无法分析！\r\n")
                .arg((*test)->number)
                .arg(column));
        return;
    }
    auto rules = StatsRules::load(m_session.Conn());
    if (!rules) {
        MessageService::error(rules.error(), ErrorWording::Restart);
        return;
    }
    // 缺考, 缓考 and 免考 are no score; 作弊 is 0 where the class counts it so.
    QVector<int> values = rows->values;
    if (rules->cheatAsZero)
        values.insert(values.size(), rows->cheated, 0);
    m_ui->Grid->setHeaders(QStringList { QStringLiteral("学号") } + rows->numbers);
    m_ui->Grid->setExportTitle(QStringLiteral("科目分析 考试%1 %2").arg((*test)->number).arg(column));
    QList<int> numbers;
    for (int c = 1; c <= rows->numbers.size(); ++c)
        numbers << c;
    m_ui->Grid->setNumberColumns(numbers);
    m_ui->Grid->appendRow(QStringList { column + QStringLiteral("成绩") } + rows->texts);
    if (values.isEmpty()) {
        MessageService::info(QStringLiteral("这次考试的“%1”还没有成绩，无法统计！").arg(column));
        return;
    }

    const int fullMarks = (*test)->items.fullMarksOf(subject);
    const QStringList labels = Analysis::bandLabels(fullMarks);
    m_ui->Grid1->setHorizontalHeaderLabels(labels);
    const Analysis::SubjectStats s = Analysis::subjectStats(values, fullMarks, rules->pass, Points::kTenths);
    m_ui->txtMax->setText(Points::text(s.highest));
    m_ui->txtMin->setText(Points::text(s.lowest));
    m_ui->txtN->setText(QString::number(s.students));
    m_ui->txtAve->setText(Analysis::formatAverage(s.average));
    m_ui->txtPass->setText(QString::number(s.passes));
    m_ui->txtFail->setText(QString::number(s.failures));
    m_ui->txtPass_P->setText(QString::number(s.passShare));
    m_ui->txtFail_P->setText(QString::number(s.failShare));
    ChartData pie;
    pie.kind = ChartData::Kind::Pie;
    pie.title = QStringLiteral("成绩分段统计饼状图");
    pie.titleGrow = 3;
    pie.sliceColours = { QColor(229, 57, 53), QColor(251, 140, 0), QColor(253, 216, 53), QColor(67, 160, 71),
        QColor(30, 136, 229), QColor(142, 36, 170) };
    pie.series.resize(1);
    for (int b = 0; b < 6; ++b) {
        m_ui->Grid1->setItem(0, b, new QTableWidgetItem(QString::number(s.bands[size_t(b)])));
        m_ui->Grid1->setItem(1, b, new QTableWidgetItem(QString::number(s.bandShares[size_t(b)]) + QLatin1Char('%')));
        m_ui->Grid1->item(0, b)->setTextAlignment(Qt::AlignCenter);
        m_ui->Grid1->item(1, b)->setTextAlignment(Qt::AlignCenter);
        pie.categories << QStringLiteral("%1：%2人").arg(labels[b]).arg(s.bands[size_t(b)]);
        pie.series[0].values << s.bands[size_t(b)];
    }
    m_ui->Chart->setChart(std::move(pie));
}

void Analyze_Subject::openStudent()
{
    const int col = m_ui->Grid->currentColumn();
    if (col < 1)
        return;
    StudentInfo::openReadOnly(m_session, this, m_ui->Grid->text(0, col));
}

} // namespace velmora
