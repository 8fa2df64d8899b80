#include "attendance/ui/TermCalendar.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "platform/ui/ResultGrid.h"
#include "ui_TermCalendar.h"

namespace velmora {

TermCalendar::TermCalendar(Module1& session, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::TermCalendar>())
{
    m_ui->setupUi(this);
    m_ui->grdTerms->setHeaders(
        { QStringLiteral("学期"), QStringLiteral("第一天"), QStringLiteral("最后一天"), QStringLiteral("上课天数") });
    m_ui->grdDays->setHeaders(
        { QStringLiteral("日期"), QStringLiteral("星期"), QStringLiteral("安排"), QStringLiteral("说明") });
    const bool admin = m_session.IsAdmin();
    for (QWidget* w : { static_cast<QWidget*>(m_ui->BN_SaveTerm), static_cast<QWidget*>(m_ui->BN_DelTerm),
             static_cast<QWidget*>(m_ui->BN_SetDay) })
        w->setEnabled(admin);
    const QDate today = QDate::currentDate();
    m_ui->txtFirst->setDate(today);
    m_ui->txtLast->setDate(today.addMonths(5));
    m_ui->txtDay->setDate(today);

    connect(m_ui->grdTerms, &QAbstractItemView::clicked, this, &TermCalendar::termClicked);
    connect(m_ui->BN_SaveTerm, &QPushButton::clicked, this, &TermCalendar::saveTerm);
    connect(m_ui->BN_DelTerm, &QPushButton::clicked, this, &TermCalendar::removeTerm);
    connect(m_ui->BN_SetDay, &QPushButton::clicked, this, &TermCalendar::setDay);
    connect(m_ui->BN_Close, &QPushButton::clicked, this, &QDialog::accept);
}

TermCalendar::~TermCalendar() = default;

bool TermCalendar::load()
{
    auto terms = SchoolCalendar::terms(m_session.Conn());
    if (!terms) {
        MessageService::error(terms.error());
        return false;
    }
    m_terms = *terms;
    QList<QStringList> rows;
    for (const SchoolCalendar::Term& t : std::as_const(m_terms)) {
        auto days = SchoolCalendar::schoolDays(m_session.Conn(), t.first, t.last);
        rows << QStringList { t.name, SchoolCalendar::dayText(t.first), SchoolCalendar::dayText(t.last),
            days ? QString::number(days->size()) : QString() };
    }
    m_ui->grdTerms->setRows(rows);
    m_ui->grdTerms->fitColumns(260);
    return showDays();
}

void TermCalendar::termClicked()
{
    const int row = m_ui->grdTerms->currentRow();
    if (row < 1 || row > m_terms.size())
        return;
    const SchoolCalendar::Term& t = m_terms[row - 1];
    m_ui->txtTermName->setText(t.name);
    m_ui->txtFirst->setDate(t.first);
    m_ui->txtLast->setDate(t.last);
}

bool TermCalendar::isKept(const QString& name) const
{
    return std::any_of(m_terms.cbegin(), m_terms.cend(), [&](const auto& t) { return t.name == name; });
}

bool TermCalendar::showDays()
{
    // Every holiday and make-up day from the first term on; this year's where none is kept yet.
    const QDate today = QDate::currentDate();
    const QDate from = m_terms.isEmpty() ? QDate(today.year() - 1, 1, 1) : qMin(m_terms.front().first, today);
    const QDate to = m_terms.isEmpty() ? QDate(today.year() + 1, 12, 31) : qMax(m_terms.back().last, today);
    auto days = SchoolCalendar::exceptions(m_session.Conn(), from, to);
    if (!days) {
        MessageService::error(days.error());
        return false;
    }
    QList<QStringList> rows;
    for (const SchoolCalendar::Exception& e : std::as_const(*days))
        rows << QStringList { SchoolCalendar::dayText(e.date), SchoolCalendar::weekdayName(e.date),
            e.school ? QStringLiteral("调休上课") : QStringLiteral("放假"), e.note };
    m_ui->grdDays->setRows(rows);
    m_ui->grdDays->fitColumns(260);
    return true;
}

bool TermCalendar::saveTerm()
{
    // A kept term's name changes its days; any other name is a new term.
    const QString name = m_ui->txtTermName->text().trimmed();
    Status saved = SchoolCalendar::saveTerm(
        m_session.Conn(), { name, m_ui->txtFirst->date(), m_ui->txtLast->date() }, isKept(name) ? name : QString());
    if (!saved) {
        MessageService::error(saved.error());
        return false;
    }
    return load();
}

bool TermCalendar::removeTerm()
{
    const QString name = m_ui->txtTermName->text().trimmed();
    if (name.isEmpty()
        || std::none_of(m_terms.cbegin(), m_terms.cend(), [&](const auto& t) { return t.name == name; })) {
        MessageService::info(QStringLiteral("请先在上面的列表中点选要删除的学期。"));
        return false;
    }
    if (MessageService::askDelete(
            QStringLiteral("删除学期“%1”吗？\r\n考勤记录和放假安排不受影响。").arg(name), MsgIcon::Question)
        != MsgAnswer::Yes)
        return false;
    if (Status removed = SchoolCalendar::removeTerm(m_session.Conn(), name); !removed) {
        MessageService::error(removed.error());
        return false;
    }
    m_ui->txtTermName->clear();
    return load();
}

bool TermCalendar::setDay()
{
    const int kind = m_ui->cmbKind->currentIndex();
    const std::optional<bool> school = kind == 2 ? std::nullopt : std::optional<bool>(kind == 1);
    const QDate day = m_ui->txtDay->date();
    const bool weekday = day.dayOfWeek() <= 5;
    if (school && *school == weekday) {
        MessageService::info(QStringLiteral("%1是%2，本来就%3。")
                                 .arg(SchoolCalendar::dayText(day), SchoolCalendar::weekdayName(day),
                                     weekday ? QStringLiteral("上课") : QStringLiteral("不上课")));
        return false;
    }
    if (Status set = SchoolCalendar::setDay(m_session.Conn(), day, school, m_ui->txtNote->text()); !set) {
        MessageService::error(set.error());
        return false;
    }
    return load();
}

} // namespace velmora
