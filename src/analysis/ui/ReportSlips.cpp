#include "analysis/ui/ReportSlips.h"

#include "analysis/TermGrades.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "classes/ClassSettings.h"
#include "exams/ui/CardPrint.h"
#include "exams/ui/SlipPrint.h"
#include "platform/ui/Controls.h"
#include "platform/ui/EachFile.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ReportPreview.h"
#include "platform/ui/ResultGrid.h"
#include "students/StudentRecord.h"
#include "ui_ReportSlips.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

namespace velmora {

using ReportCards::Shown;

ReportSlips::ReportSlips(QWidget* parent)
    : QDialog(parent)
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
    auto started = TestChoice::start(1, QStringLiteral("还没有考试，请先添加考试信息！"));
    if (!started)
        return false;
    auto grades = GradeBands::load(mod().Conn);
    auto cls = ClassSettings::load(mod().Conn);
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
    auto term
        = Analysis::cardsOf(mod().Conn, terms.isEmpty() ? QVector<int> { choice.toInt() } : QVector<int>(), terms);
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
    ParentNotices dialog(*made, choices().shown, this);
    dialog.exec();
}

ParentNotices::ParentNotices(const QVector<Slips::Slip>& slips, Shown shown, QWidget* parent)
    : QDialog(parent)
    , m_slips(slips)
    , m_shown(shown)
{
    setObjectName(QStringLiteral("ParentNotices"));
    setWindowTitle(QStringLiteral("家长通知"));
    txtTemplate = new QPlainTextEdit(this);
    txtTemplate->setObjectName(QStringLiteral("txtTemplate"));
    txtTemplate->setTabChangesFocus(true);
    txtTemplate->setMaximumHeight(90);
    lblFields = Controls::label(this, "lblFields",
        QStringLiteral("可用的栏目：") + Slips::fields().join(QStringLiteral(" "))
            + QStringLiteral("。用 [ ] 括起的一句在学生没有该项时整句略去，如“[，班级第{名次}名]”。"
                             "名次只能告知本人和家长，不要用于群发。"));
    lblFields->setWordWrap(true);
    Grid = new ResultGrid(this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setExportTitle(QStringLiteral("家长通知"));
    Grid->setClassList(true);
    // The whole message of the chosen student, as it will be copied.
    txtNotice = new QPlainTextEdit(this);
    txtNotice->setObjectName(QStringLiteral("txtNotice"));
    txtNotice->setReadOnly(true);
    txtNotice->setTabChangesFocus(true);
    txtNotice->setMaximumHeight(80);
    BN_Default = Controls::button(this, "BN_Default", QStringLiteral("恢复默认模板(&D)"));
    BN_Copy = Controls::button(this, "BN_Copy", QStringLiteral("复制这条通知(&C)"));
    BN_CopyAll = Controls::button(this, "BN_CopyAll", QStringLiteral("复制全部(&A)"));
    BN_Export = Grid->exportButton(this);
    BN_Close = Controls::button(this, "BN_Close", QStringLiteral("关闭"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Controls::label(this, "lblTemplate", QStringLiteral("通知模板(&M)："), txtTemplate));
    layout->addWidget(txtTemplate);
    layout->addWidget(lblFields);
    layout->addWidget(Grid, 1);
    layout->addWidget(txtNotice);
    layout->addLayout(Controls::buttonRow({ BN_Default, BN_Copy, BN_CopyAll, BN_Export, BN_Close }));
    resize(820, 560);

    auto kept = Slips::loadTemplate(mod().Conn);
    if (!kept)
        MessageService::error(kept.error());
    m_kept = kept ? *kept : Slips::defaultTemplate();
    if (auto students = Students::list(mod().Conn)) {
        for (const StudentRecord& r : std::as_const(*students))
            m_phones.insert(r[StudentRecord::Number].trimmed(), r[StudentRecord::Phone].trimmed());
    } else {
        MessageService::error(students.error());
    }
    txtTemplate->setPlainText(m_kept);
    fill();
    connect(txtTemplate, &QPlainTextEdit::textChanged, this, &ParentNotices::fill);
    connect(BN_Default, &QPushButton::clicked, this, [this] { txtTemplate->setPlainText(Slips::defaultTemplate()); });
    connect(Grid->selectionModel(), &QItemSelectionModel::selectionChanged, this, &ParentNotices::showCurrent);
    connect(BN_Copy, &QPushButton::clicked, this, &ParentNotices::copy);
    connect(BN_CopyAll, &QPushButton::clicked, this, &ParentNotices::copyAll);
    connect(Grid, &ResultGrid::rowActivated, this, &ParentNotices::copy);
    connect(BN_Close, &QPushButton::clicked, this, &QDialog::reject);
}

void ParentNotices::fill()
{
    const int current = Grid->currentRow();
    const QString templ = txtTemplate->toPlainText();
    Grid->setHeaders(
        { QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("通知"), QStringLiteral("联系电话") });
    QList<QStringList> rows;
    for (const Slips::Slip& s : std::as_const(m_slips))
        rows << QStringList { s.number, s.name, Slips::notice(templ, s, m_shown), m_phones.value(s.number.trimmed()) };
    Grid->setRows(rows);
    Grid->fitColumns(560);
    Grid->setCurrentRow(std::max(1, current));
    showCurrent();
}

void ParentNotices::showCurrent()
{
    const int row = Grid->currentRow();
    txtNotice->setPlainText(row >= 1 ? Grid->text(row, 2) : QString());
}

void ParentNotices::copy()
{
    const int row = Grid->currentRow();
    if (row < 1) {
        MessageService::info(QStringLiteral("请先点选一名学生的通知。"));
        return;
    }
    QGuiApplication::clipboard()->setText(Grid->text(row, 2));
}

// Every notice on its own line after the student's name, for a class platform.
void ParentNotices::copyAll()
{
    QStringList lines;
    for (int row = 1; row < Grid->rows(); ++row)
        lines << Grid->text(row, 1) + QStringLiteral("：") + Grid->text(row, 2);
    QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

void ParentNotices::done(int result)
{
    // An edited template is the one used next time.
    const QString templ = txtTemplate->toPlainText();
    // A read-only user's wording serves this time only.
    if (templ != m_kept && mod().Conn.writesRefused().isEmpty()) {
        if (const QString why = Slips::templateProblem(templ); !why.isEmpty()) {
            MessageService::info(why);
            txtTemplate->setFocus();
            return;
        }
        // The messages made stand whether or not the template could be kept.
        if (Status kept = Slips::saveTemplate(mod().Conn, templ); !kept)
            MessageService::error(kept.error());
    }
    QDialog::done(result);
}

} // namespace velmora
