#include "attendance/ui/AttendanceTotals.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "attendance/Attendance.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/ResultGrid.h"
#include "ui_AttendanceTotals.h"

#include <QSignalBlocker>

namespace velmora {

AttendanceTotals::AttendanceTotals(Module1& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::AttendanceTotals>())
{
    m_ui->setupUi(this);
    m_ui->grdTotals->setExportTitle(QStringLiteral("考勤统计"));
    m_ui->grdTotals->setNumberColumns({ 2, 3, 4, 5, 6, 7, 8 });
    m_ui->grdTotals->setClassList(true);
    ChildWindow::setDesignSize(this, { 12000, 8400 });

    connect(m_ui->cmbTerm, &QComboBox::currentIndexChanged, this, &AttendanceTotals::termChosen);
    connect(m_ui->BN_Query, &QPushButton::clicked, this, &AttendanceTotals::query);
    connect(m_ui->BN_Export, &QPushButton::clicked, m_ui->grdTotals, &ResultGrid::exportSheet);
    connect(m_ui->BN_Back, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
}

AttendanceTotals::~AttendanceTotals() = default;

bool AttendanceTotals::load()
{
    auto terms = SchoolCalendar::terms(m_session.Conn());
    if (!terms) {
        MessageService::error(terms.error());
        return false;
    }
    m_terms = *terms;
    const QDate today = QDate::currentDate();
    {
        const QSignalBlocker quiet(m_ui->cmbTerm);
        m_ui->cmbTerm->clear();
        m_ui->cmbTerm->addItem(QStringLiteral("本月"));
        for (const SchoolCalendar::Term& t : std::as_const(m_terms))
            m_ui->cmbTerm->addItem(t.name);
    }
    int chosen = 0;
    for (int i = 0; i < m_terms.size(); ++i) {
        if (m_terms[i].first <= today && today <= m_terms[i].last)
            chosen = i + 1;
    }
    m_ui->cmbTerm->setCurrentIndex(chosen);
    termChosen(chosen);
    return true;
}

void AttendanceTotals::termChosen(int index)
{
    const QDate today = QDate::currentDate();
    if (index > 0 && index <= m_terms.size()) {
        m_ui->txtFrom->setDate(m_terms[index - 1].first);
        m_ui->txtTo->setDate(m_terms[index - 1].last);
    } else {
        m_ui->txtFrom->setDate(QDate(today.year(), today.month(), 1));
        m_ui->txtTo->setDate(QDate(today.year(), today.month(), 1).addMonths(1).addDays(-1));
    }
    query();
}

bool AttendanceTotals::query()
{
    const QDate from = m_ui->txtFrom->date(), to = m_ui->txtTo->date();
    if (to < from) {
        MessageService::info(QStringLiteral("结束日期不能早于开始日期。"));
        return false;
    }
    auto sheet = Attendance::totalsSheet(m_session.Conn(), from, to);
    if (!sheet) {
        MessageService::error(sheet.error());
        return false;
    }
    m_ui->grdTotals->setHeaders(sheet->headers);
    QList<QStringList> rows;
    for (const QVector<QVariant>& row : std::as_const(sheet->rows)) {
        QStringList texts;
        for (const QVariant& v : row)
            texts << v.toString();
        rows << texts;
    }
    m_ui->grdTotals->setRows(rows);
    m_ui->grdTotals->fitColumns(160);
    m_ui->lblSpan->setText(QStringLiteral("%1 至 %2，上课 %3 天")
                               .arg(from.toString(QStringLiteral("M月d日")), to.toString(QStringLiteral("M月d日")))
                               .arg(sheet->rows.isEmpty() ? 0 : sheet->rows.front().value(2).toInt()));
    return true;
}

} // namespace velmora
