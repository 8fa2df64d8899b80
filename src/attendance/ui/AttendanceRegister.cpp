#include "attendance/ui/AttendanceRegister.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/Sharing.h"
#include "exams/ui/ScoreGrid.h"
#include "platform/ui/ResultGrid.h"
#include "platform/ui/TablePages.h"
#include "ui_AbsenceDetails.h"
#include "ui_AttendanceRegister.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalBlocker>

namespace velmora {

namespace {

// The first and last day of the month or the week (Monday to Sunday) holding the day.
std::pair<QDate, QDate> spanOf(const QDate& day, bool week)
{
    if (week) {
        const QDate monday = day.addDays(1 - day.dayOfWeek());
        return { monday, monday.addDays(6) };
    }
    const QDate first(day.year(), day.month(), 1);
    return { first, first.addMonths(1).addDays(-1) };
}

} // namespace

AbsenceDetails::AbsenceDetails(const QString& who, const Attendance::Cell& cell, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::AbsenceDetails>())
    , m_cell(cell)
{
    m_ui->setupUi(this);
    m_ui->lblWho->setText(who);
    m_ui->cmbReason->setCurrentText(cell.reason);
    m_ui->chkDoctor->setChecked(cell.sawDoctor);
    m_ui->txtNote->setText(cell.note);
    m_ui->cmbReason->lineEdit()->setMaxLength(50);
    // The illness and 就诊 are what the school's log asks of a sick leave.
    m_ui->chkDoctor->setVisible(cell.kind == Attendance::Kind::Sick);
    connect(m_ui->BN_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->BN_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

AbsenceDetails::~AbsenceDetails() = default;

Attendance::Cell AbsenceDetails::cell() const
{
    Attendance::Cell c = m_cell;
    c.reason = m_ui->cmbReason->currentText().trimmed();
    c.sawDoctor = c.kind == Attendance::Kind::Sick && m_ui->chkDoctor->isChecked();
    c.note = m_ui->txtNote->text().trimmed();
    return c;
}

AttendanceRegister::AttendanceRegister(Module1& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::AttendanceRegister>())
{
    m_ui->setupUi(this);
    auto* colours = new CellColours(this);
    colours->setSourceModel(&m_sheet);
    m_ui->grdRegister->setModel(colours);
    m_ui->grdRegister->horizontalHeader()->setDefaultSectionSize(44);
    ChildWindow::setDesignSize(this, { 15000, 9750 });

    connect(&m_sheet, &AttendanceSheet::changed, this, &AttendanceRegister::showStatus);
    ScoreView* grid = m_ui->grdRegister;
    connect(grid, &ScoreView::pasteRequested, this, [this] {
        const QModelIndex at = m_ui->grdRegister->currentIndex();
        if (at.isValid())
            m_sheet.paste(at.row(), at.column(), QApplication::clipboard()->text());
    });
    connect(grid, &ScoreView::copyRequested, this, [this](bool cut) {
        QApplication::clipboard()->setText(m_sheet.copyText(chosenCells()));
        if (cut)
            m_sheet.clear(chosenCells());
    });
    connect(grid, &ScoreView::clearRequested, this, [this] { m_sheet.clear(chosenCells()); });
    connect(grid, &ScoreView::undoRequested, this, [this] { m_sheet.undo(); });
    connect(grid, &ScoreView::redoRequested, this, [this] { m_sheet.redo(); });
    connect(grid, &ScoreView::saveRequested, this, &AttendanceRegister::save);
    connect(grid, &ScoreView::longTextRequested, this, &AttendanceRegister::editDetails);
    connect(m_ui->txtDay, &QDateEdit::dateChanged, this, &AttendanceRegister::spanChosen);
    connect(m_ui->cmbSpan, &QComboBox::currentIndexChanged, this, &AttendanceRegister::spanChosen);
    connect(m_ui->BN_Save, &QPushButton::clicked, this, &AttendanceRegister::save);
    connect(m_ui->BN_Export, &QPushButton::clicked, this, [this] {
        if (Sharing::mayShareClassList())
            ResultGrid::saveSheet(this, m_sheet.sheet());
    });
    connect(m_ui->BN_Print, &QPushButton::clicked, this, &AttendanceRegister::print);
    connect(m_ui->BN_Back, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
}

AttendanceRegister::~AttendanceRegister() = default;

bool AttendanceRegister::load()
{
    return showSpan(QDate::currentDate());
}

bool AttendanceRegister::showSpan(const QDate& day)
{
    const bool week = m_ui->cmbSpan->currentIndex() == 1;
    const auto [from, to] = spanOf(day, week);
    const bool same = m_shown.isValid() && spanOf(m_shown, week) == std::pair(from, to);
    if (!same && hasUnsavedChanges() && !ChildWindow::mayDropUnsaved([this] { return save(); })) {
        const QSignalBlocker quiet(m_ui->txtDay);
        m_ui->txtDay->setDate(m_shown);
        return false;
    }
    if (!same) {
        if (Status read = m_sheet.load(m_session.Conn(), from, to); !read) {
            MessageService::error(read.error());
            return false;
        }
    }
    m_shown = day;
    {
        const QSignalBlocker quiet(m_ui->txtDay);
        m_ui->txtDay->setDate(day);
    }
    m_ui->lblSpan->setText(QStringLiteral("%1 至 %2，上课 %3 天")
                               .arg(from.toString(QStringLiteral("M月d日")), to.toString(QStringLiteral("M月d日")))
                               .arg(m_sheet.columnCount()));
    // The day's column first: that is the one a teacher fills each morning.
    const int column = qMax(0, m_sheet.columnOnOrBefore(day));
    if (m_sheet.columnCount() > 0 && m_sheet.students() > 0) {
        const QModelIndex at = m_ui->grdRegister->model()->index(0, column);
        m_ui->grdRegister->setCurrentIndex(at);
        m_ui->grdRegister->scrollTo(at, QAbstractItemView::PositionAtCenter);
    }
    m_ui->grdRegister->setFocus();
    showAway();
    return true;
}

void AttendanceRegister::showAway()
{
    const QDate day = m_ui->txtDay->date();
    auto away = Attendance::awayOn(m_session.Conn(), day);
    const QString when = day.toString(QStringLiteral("M月d日"));
    if (!away)
        m_ui->lblAway->setText(away.error().description);
    else if (away->isEmpty())
        m_ui->lblAway->setText(when + QStringLiteral("全勤。"));
    else
        m_ui->lblAway->setText(
            when + QStringLiteral("缺勤 %1 人：").arg(away->size()) + away->join(QStringLiteral("；")));
}

void AttendanceRegister::editDetails(const QModelIndex& at)
{
    const int row = at.row(), column = at.column();
    const std::optional<Attendance::Cell> cell = m_sheet.cell(row, column);
    if (!cell)
        return;
    AbsenceDetails details(
        QStringLiteral("%1 %2，%3 %4")
            .arg(m_sheet.number(row), m_sheet.name(row), m_sheet.day(column).toString(QStringLiteral("M月d日")),
                Attendance::kindName(cell->kind)),
        *cell, this);
    if (details.exec() == QDialog::Accepted)
        m_sheet.setDetails(row, column, details.cell());
}

void AttendanceRegister::spanChosen()
{
    showSpan(m_ui->txtDay->date());
}

bool AttendanceRegister::save()
{
    Status saved = m_sheet.save(m_session.Conn());
    if (!saved) {
        MessageService::error(saved.error(), ErrorWording::Restart);
        return false;
    }
    m_ui->lblStatus->setText(QStringLiteral("保存完毕！"));
    showAway();
    return true;
}

void AttendanceRegister::print()
{
    if (!Sharing::mayShareClassList())
        return;
    const auto [from, to] = spanOf(m_shown, m_ui->cmbSpan->currentIndex() == 1);
    const QString title
        = QStringLiteral("%1至%2 考勤表")
              .arg(from.toString(QStringLiteral("yyyy年M月d日")), to.toString(QStringLiteral("M月d日")));
    TablePages::preview(this, QStringLiteral("考勤表"), title,
        { QStringLiteral("病 病假  事 事假  旷 旷课  迟 迟到  早 早退；“半”为半天。") },
        TablePages::sections(m_sheet.sheet()), QPageLayout::Landscape, TablePages::Fit::OnePage);
}

QModelIndexList AttendanceRegister::chosenCells() const
{
    QModelIndexList cells = m_ui->grdRegister->selectionModel()->selectedIndexes();
    if (cells.isEmpty() && m_ui->grdRegister->currentIndex().isValid())
        cells << m_ui->grdRegister->currentIndex();
    return cells;
}

void AttendanceRegister::showStatus()
{
    m_ui->lblStatus->setText(m_sheet.status());
}

void AttendanceRegister::closeEvent(QCloseEvent* event)
{
    if (hasUnsavedChanges() && !ChildWindow::mayDropUnsaved([this] { return save(); })) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace velmora
