#include "reportbook/ui/ReportBook.h"

#include "analysis/TermGrades.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "comments/Composer.h"
#include "comments/ui/Comment.h"
#include "exams/TestRecord.h"
#include "platform/ui/Controls.h"
#include "platform/ui/EachFile.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ReportPreview.h"
#include "reportbook/ui/BookPrint.h"
#include "students/StudentRecord.h"
#include "ui_ReportBook.h"

#include <QMenu>
#include <numeric>

namespace velmora {

namespace {
constexpr char kTermGrade[] = "term";
}

ReportBook::ReportBook(Module1& session, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::ReportBook>())
{
    m_ui->setupUi(this);
    m_ui->cboPaper->addItem(QStringLiteral("A4，每页一人"), int(CardPrint::Paper::A4));
    m_ui->cboPaper->addItem(QStringLiteral("A5，一张A4纸印两人"), int(CardPrint::Paper::A5));
    Controls::limitChars(m_ui->txtSchool, TermBook::kMaxSchool);
    auto* honours = new QMenu(m_ui->BN_Honour);
    for (const QString& h : Composer::honours() + Composer::roles())
        honours->addAction(h, this, [this, h] { m_ui->txtHonours->appendPlainText(h); });
    m_ui->BN_Honour->setMenu(honours);
    const bool admin = m_session.IsAdmin();
    for (QWidget* w :
        std::initializer_list<QWidget*> { m_ui->txtSchool, m_ui->BN_Compose, m_ui->BN_FromTest, m_ui->BN_Honour })
        w->setEnabled(admin);
    for (auto* box : { m_ui->txtNotice, m_ui->txtComment, m_ui->txtHonours })
        box->setReadOnly(!admin);
    m_ui->BN_Save->setVisible(admin);

    connect(m_ui->cmbTerm, &QComboBox::activated, this, [this] {
        if (!changed() || save())
            showTerm();
    });
    connect(m_ui->lstStudents, &QListWidget::currentRowChanged, this, &ReportBook::showStudent);
    connect(m_ui->BN_Compose, &QPushButton::clicked, this, &ReportBook::compose);
    connect(m_ui->BN_FromTest, &QPushButton::clicked, this, &ReportBook::fillFromStudies);
    connect(m_ui->BN_Preview, &QPushButton::clicked, this, &ReportBook::preview);
    connect(m_ui->BN_Save, &QPushButton::clicked, this, &ReportBook::save);
    connect(m_ui->BN_Close, &QPushButton::clicked, this, &QDialog::reject);
}

ReportBook::~ReportBook() = default;

bool ReportBook::load()
{
    auto terms = SchoolCalendar::terms(m_session.Conn());
    if (!terms) {
        MessageService::error(terms.error());
        return false;
    }
    if (terms->isEmpty()) {
        MessageService::info(QStringLiteral("还没有设置学期，请先在“学期和假期”中添加本学期。"));
        return false;
    }
    auto tests = Exams::list(m_session.Conn());
    auto grades = Analysis::Terms::list(m_session.Conn());
    auto names = Students::names(m_session.Conn());
    for (const Error* e :
        { tests ? nullptr : &tests.error(), grades ? nullptr : &grades.error(), names ? nullptr : &names.error() }) {
        if (e) {
            MessageService::error(*e);
            return false;
        }
    }
    m_terms = *terms;
    m_tests = *tests;
    m_grades = *grades;
    auto today = SchoolCalendar::termOn(m_session.Conn(), QDate::currentDate());
    m_ui->cmbTerm->clear();
    for (const SchoolCalendar::Term& t : std::as_const(m_terms)) {
        m_ui->cmbTerm->addItem(t.name);
        if (today && *today && (*today)->name == t.name)
            m_ui->cmbTerm->setCurrentIndex(m_ui->cmbTerm->count() - 1);
    }
    if (!today || !*today)
        m_ui->cmbTerm->setCurrentIndex(m_ui->cmbTerm->count() - 1);
    // The term grades first: a report book is the term's; then the tests, the newest first.
    m_ui->cmbStudies->clear();
    for (const Analysis::TermDefinition& t : std::as_const(*grades))
        m_ui->cmbStudies->addItem(QStringLiteral("学期总评：") + t.name, QStringList { kTermGrade, t.name });
    for (auto it = tests->crbegin(); it != tests->crend(); ++it)
        m_ui->cmbStudies->addItem(QString::number(it->number) + QStringLiteral("  ") + it->name, it->number);
    if (m_ui->cmbStudies->count() == 0) {
        MessageService::info(QStringLiteral("还没有考试，请先添加考试信息！"));
        return false;
    }
    QStringList numbers = names->keys();
    numbers.sort();
    m_ui->lstStudents->clear();
    for (const QString& n : std::as_const(numbers)) {
        auto* item = new QListWidgetItem(n.trimmed() + QStringLiteral("  ") + names->value(n), m_ui->lstStudents);
        item->setData(Qt::UserRole, n.trimmed());
    }
    showTerm();
    return true;
}

void ReportBook::showTerm()
{
    const QString term = m_ui->cmbTerm->currentText();
    auto words = TermBook::words(m_session.Conn(), term);
    auto notice = TermBook::notice(m_session.Conn(), term);
    if (!words || !notice) {
        MessageService::error(words ? notice.error() : words.error());
        return;
    }
    m_read = *words;
    m_words = m_read;
    m_notice = *notice;
    m_ui->txtSchool->setText(m_notice.school);
    m_ui->txtNotice->setPlainText(m_notice.text);
    // The term's own studies unless the teacher chooses others.
    if (const auto studies = TermBook::studiesIn(m_terms.value(m_ui->cmbTerm->currentIndex()), m_tests, m_grades)) {
        const QVariant wanted = studies->termGrade.isEmpty()
            ? QVariant(studies->test)
            : QVariant(QStringList { QString::fromLatin1(kTermGrade), studies->termGrade });
        if (const int at = m_ui->cmbStudies->findData(wanted); at >= 0)
            m_ui->cmbStudies->setCurrentIndex(at);
    }
    m_shown.clear();
    if (m_ui->lstStudents->currentRow() < 0 && m_ui->lstStudents->count() > 0)
        m_ui->lstStudents->setCurrentRow(0);
    else
        showStudent();
}

void ReportBook::keepStudent()
{
    if (m_shown.isEmpty())
        return;
    const TermBook::Words now { m_ui->txtComment->toPlainText(), m_ui->txtHonours->toPlainText() };
    if (now == TermBook::Words {})
        m_words.remove(m_shown);
    else
        m_words.insert(m_shown, now);
}

void ReportBook::showStudent()
{
    keepStudent();
    const QListWidgetItem* item = m_ui->lstStudents->currentItem();
    m_shown = item ? item->data(Qt::UserRole).toString() : QString();
    m_ui->lblWho->setText(item ? item->text() : QString());
    const TermBook::Words w = m_words.value(m_shown);
    m_ui->txtComment->setPlainText(w.comment);
    m_ui->txtHonours->setPlainText(w.honours);
}

bool ReportBook::changed()
{
    keepStudent();
    return m_session.IsAdmin()
        && (m_words != m_read || m_ui->txtSchool->text() != m_notice.school
            || m_ui->txtNotice->toPlainText() != m_notice.text);
}

bool ReportBook::save()
{
    keepStudent();
    const QString term = m_ui->cmbTerm->currentText();
    QStringList students = m_words.keys() + m_read.keys();
    students.removeDuplicates();
    students.sort();
    for (const QString& s : std::as_const(students)) {
        const TermBook::Words w = m_words.value(s);
        if (w == m_read.value(s))
            continue;
        if (Status saved = TermBook::saveWords(m_session.Conn(), term, s, w); !saved) {
            MessageService::error(saved.error());
            return false;
        }
        if (w == TermBook::Words {})
            m_read.remove(s);
        else
            m_read.insert(s, w);
    }
    const TermBook::Notice notice { m_ui->txtSchool->text(), m_ui->txtNotice->toPlainText() };
    if (notice.school != m_notice.school || notice.text != m_notice.text) {
        if (Status saved = TermBook::saveNotice(m_session.Conn(), term, notice); !saved) {
            MessageService::error(saved.error());
            return false;
        }
        m_notice = notice;
    }
    return true;
}

void ReportBook::compose()
{
    if (m_shown.isEmpty())
        return;
    m_session.setSelNo(m_shown);
    Comment composer(m_session, this);
    connect(&composer, &Comment::submitted, m_ui->txtComment, &QPlainTextEdit::setPlainText);
    composer.load();
    composer.exec();
}

TermBook::Choice ReportBook::choice() const
{
    TermBook::Choice choice;
    choice.term = m_terms.value(m_ui->cmbTerm->currentIndex());
    const QVariant studies = m_ui->cmbStudies->currentData();
    if (studies.typeId() == QMetaType::QStringList)
        choice.termGrade = studies.toStringList().value(1);
    else
        choice.test = studies.toInt();
    choice.scores = m_ui->chkScores->isChecked();
    return choice;
}

void ReportBook::fillFromStudies()
{
    keepStudent();
    auto said = TermBook::studiesComments(m_session.Conn(), choice());
    if (!said) {
        MessageService::error(said.error());
        return;
    }
    int filled = 0;
    for (auto it = said->cbegin(); it != said->cend(); ++it) {
        TermBook::Words& w = m_words[it.key()];
        if (w.comment.trimmed().isEmpty()) {
            w.comment = it.value();
            ++filled;
        }
    }
    m_shown.clear();
    showStudent();
    MessageService::info(filled == 0
            ? QStringLiteral("没有可以填入的考试评语：学生都已有学期评语，或所选考试没有评语。")
            : QStringLiteral("已为 %1 名学生填入考试评语，请逐个修改后保存。").arg(filled));
}

std::optional<TermBook::Book> ReportBook::book()
{
    if (changed() && !save())
        return std::nullopt;
    auto made = TermBook::make(m_session.Conn(), choice());
    if (!made) {
        MessageService::error(made.error());
        return std::nullopt;
    }
    return *std::move(made);
}

ReportPreview* ReportBook::preview()
{
    auto made = book();
    if (!made)
        return nullptr;
    auto shared = std::make_shared<TermBook::Book>(*std::move(made));
    QVector<int> all(shared->pages.size());
    std::iota(all.begin(), all.end(), 0);
    const auto paper = CardPrint::Paper(m_ui->cboPaper->currentData().toInt());
    auto* view = new ReportPreview(
        QStringLiteral("学生素质报告书"), CardPrint::pageLayout(paper),
        [shared, all, paper](QPagedPaintDevice* device, const PrintOut::Progress& progress) {
            return BookPrint::paint(device, *shared, all, paper, progress);
        },
        int(all.size()), this);
    QVector<QPair<QString, QString>> who;
    for (const TermBook::Page& p : std::as_const(shared->pages))
        who << qMakePair(p.number, p.name);
    QAction* each = view->addButton("ExportEach", QStringLiteral("每人一个PDF"),
        QStringLiteral("每名学生一个 PDF 文件（学号_姓名.pdf），便于发给家长"));
    connect(each, &QAction::triggered, view, [view, shared, who, paper] {
        const QString folder
            = FileDialogs::folder(view, FileDialogs::Kind::Export, QStringLiteral("选择保存报告书的文件夹"));
        if (folder.isEmpty())
            return;
        EachFile::write(
            view, folder, who, QStringLiteral(".pdf"), QStringLiteral("报告书"), [&](int i, const QString& path) {
                return PrintOut::writePdf(path, CardPrint::pageLayout(paper, true),
                           shared->pages[i].name + QStringLiteral("的素质报告书"),
                           [&](QPagedPaintDevice* device, const PrintOut::Progress&) {
                               return BookPrint::paint(device, *shared, { i }, paper);
                           })
                    == PrintOut::Outcome::Written;
            });
    });
    QAction* pictures = view->addButton(
        "ExportImages", QStringLiteral("每人一张图片"), QStringLiteral("每名学生一张 PNG 图片，便于私信发给家长"));
    connect(pictures, &QAction::triggered, view, [view, shared, who] {
        const QString folder
            = FileDialogs::folder(view, FileDialogs::Kind::Export, QStringLiteral("选择保存报告书图片的文件夹"));
        if (folder.isEmpty())
            return;
        EachFile::write(view, folder, who, QStringLiteral(".png"), QStringLiteral("报告书图片"),
            [&](int i, const QString& path) { return PrintOut::writeImage(path, BookPrint::image(*shared, i)); });
    });
    view->open();
    return view;
}

void ReportBook::done(int result)
{
    if (changed()) {
        switch (MessageService::ask(QStringLiteral("评语或通知已修改，是否保存？"))) {
        case MsgAnswer::Yes:
            if (!save())
                return;
            break;
        case MsgAnswer::No:
            break;
        default:
            return;
        }
    }
    QDialog::done(result);
}

} // namespace velmora
