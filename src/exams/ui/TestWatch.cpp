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
#include "platform/ui/WindowRequests.h"
#include "ui_TestWatch.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {

TestWatch::TestWatch(Module1& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::TestWatch>())
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    m_fields = { m_ui->txtNumber, m_ui->txtName, m_ui->txtType, m_ui->txtDate };
    m_ui->Grid->setClassList(true);
    m_ui->Grid->exportBy(m_ui->BN_Export);
    m_ui->BN_Grid->setEnabled(m_session.IsAdmin() || UserRights::current().entersScores());

    connect(m_ui->BN_Close, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
    connect(m_ui->BN_History, &QPushButton::clicked, this, [this] {
        // The current row's student and the current column's item.
        const int row = m_ui->Grid->currentRow();
        const int column = m_ui->Grid->currentColumn();
        const QString student = row > 0 ? m_ui->Grid->text(row, 0) : QString();
        ScoreHistoryView history(m_session, m_ui->txtNumber->text().trimmed().toInt(), student,
            row > 0 && column > 0 ? m_ui->Grid->text(0, column) : QString(), this);
        if (!history.fill())
            return;
        history.exec();
        if (history.changedScores()) {
            m_session.setSelNo(m_ui->txtNumber->text());
            load();
        }
    });
    connect(m_ui->chkGrades, &QCheckBox::toggled, this, &TestWatch::load);
    connect(m_ui->BN_Grid, &QPushButton::clicked, this,
        [this] { Q_EMIT WindowRequests::instance().gridRequested(this, m_ui->txtNumber->text().trimmed().toInt()); });
}

TestWatch::~TestWatch() = default;

void TestWatch::load()
{
    // Refilled for another test: nothing of the last one stays.
    m_ui->Grid->setHeaders({});
    for (QLineEdit* box : { m_ui->txtName, m_ui->txtType, m_ui->txtDate, m_ui->txtCount, m_ui->txtTable })
        box->clear();
    m_ui->txtNumber->setText(m_session.SelNo());
    const std::optional<TestRecord> test = selectedTest(m_session);
    if (!test)
        return;
    const TestRecord& t = *test;
    const int number = t.number;
    m_fields.show(t);
    m_ui->txtTable->setText(QStringLiteral("表 TblScore") + m_ui->txtNumber->text());

    // The comment is not shown: the headers stop before it.
    TestItems shown = t.items;
    shown.comment = false;
    const QStringList headers = shown.scoreColumns();
    auto rows = Scores::rows(m_session.Conn(), number);
    if (!rows) {
        MessageService::error(rows.error(), ErrorWording::Restart);
        return;
    }
    m_ui->txtCount->setText(QString::number(rows->recordCount()));
    m_ui->Grid->setHeaders(headers);
    m_ui->Grid->setExportTitle(QStringLiteral("考试%1 %2 %3").arg(number).arg(t.name, t.date));
    QList<int> numbers;
    for (int c = 1; c < headers.size(); ++c)
        numbers << c;
    m_ui->Grid->setNumberColumns(numbers);
    auto marks = ScoreMarks::load(m_session.Conn(), number);
    if (!marks) {
        MessageService::error(marks.error(), ErrorWording::Restart);
        return;
    }
    std::optional<GradeBands> grades;
    if (m_ui->chkGrades->isChecked()) {
        auto kept = GradeBands::load(m_session.Conn());
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
    m_ui->Grid->setRows(std::move(cells));
    m_ui->Grid->fitColumns(ChildWindow::fromTwips(m_ui->Grid, 1800));
    if (rows->recordCount() == 0)
        MessageService::info(QStringLiteral("这次考试还没有学生的成绩记录！"));
}

} // namespace velmora
