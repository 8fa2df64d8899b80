#include "attendance/ui/StudentAttendance.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "attendance/ui/AttendanceRegister.h"
#include "data/UserRights.h"
#include "history/History.h"
#include "history/ui/ScoreHistoryView.h"
#include "platform/ui/ResultGrid.h"
#include "ui_StudentAttendance.h"

namespace velmora {

StudentAttendance::StudentAttendance(Module1& session, const QString& number, const QString& name, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::StudentAttendance>())
    , m_number(number)
    , m_name(name)
{
    m_ui->setupUi(this);
    m_ui->lblWho->setText(QStringLiteral("学号：%1　　姓名：%2").arg(number, name));
    m_ui->grdEntries->setHeaders({ QStringLiteral("日期"), QStringLiteral("考勤"), QStringLiteral("原因"),
        QStringLiteral("就诊"), QStringLiteral("备注") });
    // The register is the class teacher's: a limited user reads it only.
    const bool writes = !UserRights::current().limited();
    for (QWidget* w : std::initializer_list<QWidget*> { m_ui->txtCode, m_ui->BN_Details, m_ui->BN_Save })
        w->setEnabled(writes);
    connect(m_ui->txtDate, &QDateEdit::dateChanged, this, &StudentAttendance::showDay);
    connect(m_ui->grdEntries, &ResultGrid::rowActivated, this, [this](int row) {
        if (row >= 1 && row <= m_entries.size())
            m_ui->txtDate->setDate(m_entries[row - 1].date);
        m_ui->txtCode->setFocus();
    });
    connect(m_ui->BN_Details, &QPushButton::clicked, this, &StudentAttendance::editDetails);
    connect(m_ui->BN_Save, &QPushButton::clicked, this, &StudentAttendance::record);
    connect(m_ui->BN_History, &QPushButton::clicked, this, [this] {
        ScoreHistoryView history(m_session, ScoreHistory::kAttendance, m_number, QString(), this);
        if (history.fill())
            history.exec();
    });
    connect(m_ui->BN_Close, &QPushButton::clicked, this, &QDialog::reject);
}

StudentAttendance::~StudentAttendance() = default;

bool StudentAttendance::load()
{
    if (m_from.isNull()) {
        // The term now, else the last one begun (a holiday looks back on it), else the last 30 days.
        auto terms = SchoolCalendar::terms(m_session.Conn());
        if (!terms) {
            MessageService::error(terms.error());
            return false;
        }
        const QDate today = QDate::currentDate();
        std::optional<SchoolCalendar::Term> shown;
        for (const SchoolCalendar::Term& t : std::as_const(*terms)) {
            if (t.first <= today && (!shown || t.first > shown->first))
                shown = t;
        }
        m_from = shown ? shown->first : today.addDays(-29);
        m_to = shown ? shown->last : today;
        setWindowTitle(QStringLiteral("学生考勤 - ") + (shown ? shown->name : QStringLiteral("最近30天")));
        m_ui->txtDate->setDate(std::clamp(today, m_from, m_to));
    }
    auto all = Attendance::entries(m_session.Conn(), m_from, m_to);
    auto totals = Attendance::totals(m_session.Conn(), m_from, m_to);
    if (!all || !totals) {
        MessageService::error(all ? totals.error() : all.error());
        return false;
    }
    m_entries.clear();
    QList<QStringList> rows;
    for (const Attendance::Entry& e : std::as_const(*all)) {
        if (e.student != m_number)
            continue;
        m_entries << e;
        rows << QStringList { SchoolCalendar::dayText(e.date) + QLatin1Char(' ') + SchoolCalendar::weekdayName(e.date),
            Attendance::code(e.cell), e.cell.reason,
            e.cell.kind == Attendance::Kind::Sick ? (e.cell.sawDoctor ? QStringLiteral("是") : QStringLiteral("否"))
                                                  : QString(),
            e.cell.note };
    }
    m_ui->grdEntries->setRows(std::move(rows));
    m_ui->lblTotals->setText(
        QStringLiteral("%1至%2：%3")
            .arg(m_from.toString(QStringLiteral("yyyy-MM-dd")), m_to.toString(QStringLiteral("yyyy-MM-dd")),
                Attendance::summary(totals->value(m_number))));
    showDay();
    return true;
}

void StudentAttendance::showDay()
{
    const QDate day = m_ui->txtDate->date();
    m_details = {};
    m_ui->txtCode->clear();
    for (const Attendance::Entry& e : std::as_const(m_entries)) {
        if (e.date == day) {
            m_details = e.cell;
            m_ui->txtCode->setText(Attendance::code(e.cell));
        }
    }
    showDetails();
}

void StudentAttendance::showDetails()
{
    QStringList parts;
    if (!m_details.reason.isEmpty())
        parts << QStringLiteral("原因：") + m_details.reason;
    if (m_details.kind == Attendance::Kind::Sick && m_details.sawDoctor)
        parts << QStringLiteral("已就诊");
    if (!m_details.note.isEmpty())
        parts << QStringLiteral("备注：") + m_details.note;
    m_ui->lblDetails->setText(parts.join(QStringLiteral("　")));
}

void StudentAttendance::editDetails()
{
    auto typed = Attendance::parse(m_ui->txtCode->text());
    if (!typed) {
        MessageService::info(QStringLiteral("请先输入考勤代码，再填写原因和备注。"));
        return;
    }
    Attendance::Cell cell = m_details;
    cell.kind = typed->kind;
    cell.half = typed->half;
    AbsenceDetails details(
        QStringLiteral("%1 %2 %3").arg(m_number, m_name, m_ui->txtDate->date().toString(Qt::ISODate)), cell, this);
    if (details.exec() == QDialog::Accepted) {
        m_details = details.cell();
        showDetails();
    }
}

bool StudentAttendance::record()
{
    const QString typed = m_ui->txtCode->text().trimmed();
    std::optional<Attendance::Cell> cell;
    if (!typed.isEmpty()) {
        cell = Attendance::parse(typed);
        if (!cell) {
            MessageService::info(
                QStringLiteral("“%1”不是考勤代码：请输入 病、事、旷、迟、早，半天在后面加“半”；出勤请清空。")
                    .arg(typed));
            m_ui->txtCode->setFocus();
            m_ui->txtCode->selectAll();
            return false;
        }
        cell->reason = m_details.reason;
        cell->sawDoctor = cell->kind == Attendance::Kind::Sick && m_details.sawDoctor;
        cell->note = m_details.note;
    }
    const QDate day = m_ui->txtDate->date();
    if (Status written = Attendance::write(m_session.Conn(), { { m_number, day, cell } }); !written) {
        MessageService::error(written.error());
        return false;
    }
    // A day outside the span shown widens it, so what was written shows.
    m_from = std::min(m_from, day);
    m_to = std::max(m_to, day);
    return load();
}

} // namespace velmora
