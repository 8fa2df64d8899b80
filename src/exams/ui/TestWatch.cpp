#include "exams/ui/TestWatch.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "classes/GradeBands.h"
#include "data/Schema.h"
#include "data/UserRights.h"
#include "exams/Points.h"
#include "exams/ScoreMarks.h"
#include "exams/ScoreSheet.h"
#include "exams/ui/TestFields.h"
#include "history/ui/ScoreHistoryView.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ResultGrid.h"
#include "platform/ui/WindowRequests.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

TestWatch::TestWatch(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TestWatch"));
    setWindowTitle(QStringLiteral("查看考试成绩"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* topic = Controls::title(this, "Topic", QStringLiteral("查看考试成绩"));

    m_fields = TestFields::make(this);
    txtNumber = m_fields.number;
    txtName = m_fields.name;
    txtType = m_fields.type;
    txtDate = m_fields.date;
    txtCount = Controls::lockedEdit(this, "txtCount");
    txtTable = Controls::lockedEdit(this, "txtTable");
    txtTable->hide();
    QGridLayout* info = m_fields.layout;
    info->addWidget(Controls::label(this, "Label3", QStringLiteral("考试人数"), txtCount), 0, 4);
    info->addWidget(txtCount, 0, 5);

    Grid = new ResultGrid(this);
    Grid->setClassList(true);
    BN_Grid = Controls::button(this, "BN_Grid", QStringLiteral("表格录入(&G)"));
    chkGrades = new QCheckBox(QStringLiteral("显示等级(&V)"), this);
    chkGrades->setObjectName(QStringLiteral("chkGrades"));
    BN_Grid->setEnabled(mod().IsAdmin || UserRights::current().entersScores());
    BN_History = Controls::button(this, "BN_History", QStringLiteral("修改记录(&J)"));
    BN_Close = Controls::button(this, "BN_Close", QStringLiteral("关闭(&C)"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(topic);
    layout->addLayout(info);
    layout->addWidget(Grid, 1);
    auto* buttons = Controls::buttonRow({ Grid->exportButton(this), BN_History, BN_Grid, BN_Close });
    buttons->insertWidget(0, chkGrades);
    layout->addLayout(buttons);
    resize(720, 480);

    connect(BN_Close, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
    connect(BN_History, &QPushButton::clicked, this, [this] {
        // The current row's student and the current column's item.
        const int row = Grid->currentRow();
        const int column = Grid->currentColumn();
        const QString student = row > 0 ? Grid->text(row, 0) : QString();
        ScoreHistoryView history(txtNumber->text().trimmed().toInt(), student,
            row > 0 && column > 0 ? Grid->text(0, column) : QString(), this);
        if (!history.fill())
            return;
        history.exec();
        if (history.changedScores()) {
            mod().SelNo = txtNumber->text();
            load();
        }
    });
    connect(chkGrades, &QCheckBox::toggled, this, &TestWatch::load);
    connect(BN_Grid, &QPushButton::clicked, this,
        [this] { Q_EMIT WindowRequests::instance().gridRequested(this, txtNumber->text().trimmed().toInt()); });
}

void TestWatch::load()
{
    // Refilled for another test: nothing of the last one stays.
    Grid->setHeaders({});
    for (QLineEdit* box : { txtName, txtType, txtDate, txtCount, txtTable })
        box->clear();
    txtNumber->setText(mod().SelNo);
    const std::optional<TestRecord> test = selectedTest();
    if (!test)
        return;
    const TestRecord& t = *test;
    const int number = t.number;
    m_fields.show(t);
    txtTable->setText(QStringLiteral("表 TblScore") + txtNumber->text());

    // The comment is not shown: the headers stop before it.
    TestItems shown = t.items;
    shown.comment = false;
    const QStringList headers = shown.scoreColumns();
    auto rows = Scores::rows(mod().Conn, number);
    if (!rows) {
        MessageService::error(rows.error(), ErrorWording::Restart);
        return;
    }
    txtCount->setText(QString::number(rows->recordCount()));
    Grid->setHeaders(headers);
    Grid->setExportTitle(QStringLiteral("考试%1 %2 %3").arg(number).arg(t.name, t.date));
    QList<int> numbers;
    for (int c = 1; c < headers.size(); ++c)
        numbers << c;
    Grid->setNumberColumns(numbers);
    auto marks = ScoreMarks::load(mod().Conn, number);
    if (!marks) {
        MessageService::error(marks.error(), ErrorWording::Restart);
        return;
    }
    std::optional<GradeBands> grades;
    if (chkGrades->isChecked()) {
        auto kept = GradeBands::load(mod().Conn);
        if (!kept) {
            MessageService::error(kept.error(), ErrorWording::Restart);
            return;
        }
        grades = *kept;
    }
    QVector<int> subjectOf(headers.size(), -1);
    for (int j = 1; j < headers.size(); ++j)
        subjectOf[j] = int(Schema::subjects().indexOf(headers[j]));
    QList<QStringList> cells;
    cells.reserve(rows->recordCount());
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        QStringList values;
        for (int j = 0; j < headers.size(); ++j) {
            QString v = rows->text(j);
            // A missing score says why; a score shows its band when asked to.
            if (subjectOf[j] >= 0) {
                const int full = t.items.fullMarksOf(subjectOf[j]) * Points::kTenths;
                if (const auto tenths = Points::fromStored(rows->value(j)))
                    v = grades ? grades->bandOf(*tenths, full) : Points::text(*tenths);
                else
                    v = marks->value(values.value(0)).value(headers[j]);
            }
            values << v;
        }
        cells << values;
    }
    Grid->setRows(std::move(cells));
    Grid->fitColumns(ChildWindow::fromTwips(Grid, 1800));
    if (rows->recordCount() == 0)
        MessageService::info(QStringLiteral("这次考试还没有学生的成绩记录！"));
}

} // namespace velmora
