#include "analysis/ui/ReportSlips.h"

#include "analysis/TermGrades.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "classes/ClassSettings.h"
#include "exams/ui/CardPrint.h"
#include "exams/ui/SlipPrint.h"
#include "platform/ui/EachFile.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ReportPreview.h"
#include "platform/ui/ResultGrid.h"
#include "students/StudentRecord.h"
#include "ui_ParentNotices.h"
#include "ui_ReportSlips.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <memory>

namespace velmora {

using ReportCards::Shown;

ReportSlips::ReportSlips(Module1& session, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::ReportSlips>())
{
    m_ui->setupUi(this);
    CardPrint::fillShown(m_ui->cboShown);

    connect(m_ui->cboShown, &QComboBox::currentIndexChanged, this,
        [this] { m_ui->chkAverage->setEnabled(Shown(m_ui->cboShown->currentData().toInt()) != Shown::Grades); });
    connect(m_ui->BN_Preview, &QPushButton::clicked, this, &ReportSlips::preview);
    connect(m_ui->BN_Images, &QPushButton::clicked, this, &ReportSlips::images);
    connect(m_ui->BN_Notices, &QPushButton::clicked, this, &ReportSlips::notices);
    connect(m_ui->BN_Close, &QPushButton::clicked, this, &QDialog::reject);
}

ReportSlips::~ReportSlips() = default;

bool ReportSlips::load()
{
    auto started = TestChoice::start(m_session.Conn(), 1, QStringLiteral("还没有考试，请先添加考试信息！"));
    if (!started)
        return false;
    auto grades = GradeBands::load(m_session.Conn());
    auto cls = ClassSettings::load(m_session.Conn());
    if (!grades || !cls) {
        MessageService::error(!grades ? grades.error() : cls.error());
        return false;
    }
    m_start = *std::move(started);
    m_grades = *grades;
    m_className = cls->name.trimmed();
    m_ui->cboTest->clear();
    TestChoice::fill({ m_ui->cboTest }, m_start);
    return true;
}

Slips::Choices ReportSlips::choices() const
{
    Slips::Choices c;
    c.shown = Shown(m_ui->cboShown->currentData().toInt());
    c.grades = m_grades;
    c.ranks = m_ui->chkRanks->isChecked();
    c.average = m_ui->chkAverage->isChecked();
    c.comment = m_ui->chkComment->isChecked();
    return c;
}

std::optional<QVector<Slips::Slip>> ReportSlips::slips()
{
    const QVariant choice = m_ui->cboTest->currentData();
    QVector<Analysis::TermDefinition> terms;
    for (const Analysis::TermDefinition& t : std::as_const(m_start.terms)) {
        if (choice.typeId() == QMetaType::QString && t.name == choice.toString())
            terms << t;
    }
    auto term = Analysis::cardsOf(
        m_session.Conn(), terms.isEmpty() ? QVector<int> { choice.toInt() } : QVector<int>(), terms);
    if (!term) {
        MessageService::error(term.error());
        return std::nullopt;
    }
    auto made = Slips::slipsOf(*term, term->everyone(), choices());
    if (made.isEmpty()) {
        MessageService::info(QStringLiteral("这次考试还没有学生。"));
        return std::nullopt;
    }
    return made;
}

void ReportSlips::preview()
{
    const auto made = slips();
    if (!made)
        return;
    auto shared = std::make_shared<QVector<Slips::Slip>>(*made);
    const QString title = m_className;
    const Slips::Choices c = choices();
    auto paint = [shared, title, c](QPagedPaintDevice* device, const PrintOut::Progress& progress) {
        return SlipPrint::paint(device, title, *shared, c, progress);
    };
    auto* view = new ReportPreview(QStringLiteral("成绩条"), SlipPrint::pageLayout(), paint, int(shared->size()), this);
    view->open();
}

void ReportSlips::images()
{
    const auto made = slips();
    if (!made)
        return;
    const QString folder
        = FileDialogs::folder(this, FileDialogs::Kind::Export, QStringLiteral("选择保存成绩条图片的文件夹"));
    if (folder.isEmpty())
        return;
    QVector<QPair<QString, QString>> who;
    for (const Slips::Slip& s : *made)
        who << qMakePair(s.number, s.name);
    const Slips::Choices c = choices();
    EachFile::write(
        this, folder, who, QStringLiteral(".png"), QStringLiteral("成绩条图片"), [&](int i, const QString& path) {
            return PrintOut::writeImage(path, SlipPrint::image(m_className, (*made)[i], c));
        });
}

void ReportSlips::notices()
{
    const auto made = slips();
    if (!made)
        return;
    ParentNotices dialog(m_session, *made, choices().shown, this);
    dialog.exec();
}

ParentNotices::ParentNotices(Module1& session, const QVector<Slips::Slip>& slips, Shown shown, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::ParentNotices>())
    , m_slips(slips)
    , m_shown(shown)
{
    m_ui->setupUi(this);
    m_ui->lblFields->setText(m_ui->lblFields->text().arg(Slips::fields().join(QStringLiteral(" "))));
    m_ui->Grid->setExportTitle(QStringLiteral("家长通知"));
    m_ui->Grid->setClassList(true);
    m_ui->Grid->exportBy(m_ui->BN_Export);

    auto kept = Slips::loadTemplate(m_session.Conn());
    if (!kept)
        MessageService::error(kept.error());
    m_kept = kept ? *kept : Slips::defaultTemplate();
    if (auto students = Students::list(m_session.Conn())) {
        for (const StudentRecord& r : std::as_const(*students))
            m_phones.insert(r[StudentRecord::Number].trimmed(), r[StudentRecord::Phone].trimmed());
    } else {
        MessageService::error(students.error());
    }
    m_ui->txtTemplate->setPlainText(m_kept);
    fill();
    connect(m_ui->txtTemplate, &QPlainTextEdit::textChanged, this, &ParentNotices::fill);
    connect(m_ui->BN_Default, &QPushButton::clicked, this,
        [this] { m_ui->txtTemplate->setPlainText(Slips::defaultTemplate()); });
    connect(m_ui->Grid->selectionModel(), &QItemSelectionModel::selectionChanged, this, &ParentNotices::showCurrent);
    connect(m_ui->BN_Copy, &QPushButton::clicked, this, &ParentNotices::copy);
    connect(m_ui->BN_CopyAll, &QPushButton::clicked, this, &ParentNotices::copyAll);
    connect(m_ui->Grid, &ResultGrid::rowActivated, this, &ParentNotices::copy);
    connect(m_ui->BN_Close, &QPushButton::clicked, this, &QDialog::reject);
}

ParentNotices::~ParentNotices() = default;

void ParentNotices::fill()
{
    const int current = m_ui->Grid->currentRow();
    const QString templ = m_ui->txtTemplate->toPlainText();
    m_ui->Grid->setHeaders(
        { QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("通知"), QStringLiteral("联系电话") });
    QList<QStringList> rows;
    for (const Slips::Slip& s : std::as_const(m_slips))
        rows << QStringList { s.number, s.name, Slips::notice(templ, s, m_shown), m_phones.value(s.number.trimmed()) };
    m_ui->Grid->setRows(rows);
    m_ui->Grid->fitColumns(560);
    m_ui->Grid->setCurrentRow(std::max(1, current));
    showCurrent();
}

void ParentNotices::showCurrent()
{
    const int row = m_ui->Grid->currentRow();
    m_ui->txtNotice->setPlainText(row >= 1 ? m_ui->Grid->text(row, 2) : QString());
}

void ParentNotices::copy()
{
    const int row = m_ui->Grid->currentRow();
    if (row < 1) {
        MessageService::info(QStringLiteral("请先点选一名学生的通知。"));
        return;
    }
    QGuiApplication::clipboard()->setText(m_ui->Grid->text(row, 2));
}

// Every notice on its own line after the student's name, for a class platform.
void ParentNotices::copyAll()
{
    QStringList lines;
    for (int row = 1; row < m_ui->Grid->rows(); ++row)
        lines << m_ui->Grid->text(row, 1) + QStringLiteral("：") + m_ui->Grid->text(row, 2);
    QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

void ParentNotices::done(int result)
{
    // An edited template is the one used next time.
    const QString templ = m_ui->txtTemplate->toPlainText();
    // A read-only user's wording serves this time only.
    if (templ != m_kept && m_session.Conn().writesRefused().isEmpty()) {
        if (const QString why = Slips::templateProblem(templ); !why.isEmpty()) {
            MessageService::info(why);
            m_ui->txtTemplate->setFocus();
            return;
        }
        // The messages made stand whether or not the template could be kept.
        if (Status kept = Slips::saveTemplate(m_session.Conn(), templ); !kept)
            MessageService::error(kept.error());
    }
    QDialog::done(result);
}

} // namespace velmora
