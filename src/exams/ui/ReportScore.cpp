#include "exams/ui/ReportScore.h"

#include "analysis/TermGrades.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "exams/TestLocks.h"
#include "platform/ui/EachFile.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ReportPreview.h"
#include "students/StudentRecord.h"
#include "ui_ReportScore.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <memory>

namespace velmora {

namespace {

void toggle(QListWidgetItem* item)
{
    if (item)
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

// The tick is what prints, so a click anywhere on a row ticks it, as does
// Space; a row that were only highlighted would print another test.
class TickOnClick : public QObject
{
public:
    explicit TickOnClick(QListWidget* list)
        : QObject(list)
        , m_list(list)
    {
        connect(list, &QListWidget::itemClicked, this, &toggle);
        list->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_list && event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
                toggle(m_list->currentItem());
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QListWidget* m_list;
};

QListWidgetItem* checkItem(QListWidget* list, const QString& text, const QVariant& data, bool checked)
{
    auto* item = new QListWidgetItem(text, list);
    // Not user-checkable: the click handler ticks, and two handlers would undo each other.
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    item->setData(Qt::UserRole, data);
    return item;
}

QVector<QVariant> checkedData(const QListWidget* list)
{
    QVector<QVariant> out;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->checkState() == Qt::Checked)
            out << list->item(i)->data(Qt::UserRole);
    }
    return out;
}

} // namespace

ReportScore::ReportScore(Module1& session, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::ReportScore>())
{
    m_ui->setupUi(this);
    m_ui->cboPaper->addItem(QStringLiteral("A4，每页一张"), int(CardPrint::Paper::A4));
    m_ui->cboPaper->addItem(QStringLiteral("A5，每张A4纸印两张"), int(CardPrint::Paper::A5));
    CardPrint::fillShown(m_ui->cboShown);
    new TickOnClick(m_ui->lstTests);
    new TickOnClick(m_ui->lstStudents);

    connect(m_ui->chkRanks, &QCheckBox::toggled, m_ui->chkSchoolRanks, &QCheckBox::setEnabled);
    connect(m_ui->optPick, &QRadioButton::toggled, m_ui->lstStudents, &QWidget::setEnabled);
    connect(m_ui->BN_Preview, &QPushButton::clicked, this, &ReportScore::preview);
    connect(m_ui->BN_Close, &QPushButton::clicked, this, &QDialog::reject);
}

ReportScore::~ReportScore() = default;

bool ReportScore::load()
{
    auto tests = Exams::list(m_session.Conn());
    if (!tests) {
        MessageService::error(tests.error());
        return false;
    }
    if (tests->isEmpty()) {
        MessageService::info(QStringLiteral("还没有考试，请先添加考试信息！"));
        return false;
    }
    m_ui->lstTests->clear();
    // The latest first, ticked: the usual report is of the last test.
    for (auto it = tests->crbegin(); it != tests->crend(); ++it) {
        QString text = QString::number(it->number) + QStringLiteral("  ") + it->name;
        if (!it->date.isEmpty())
            text += QStringLiteral("  ") + it->date;
        checkItem(m_ui->lstTests, text, it->number, it == tests->crbegin());
    }
    auto terms = Analysis::Terms::list(m_session.Conn());
    if (!terms) {
        MessageService::error(terms.error());
        return false;
    }
    m_terms = *terms;
    auto grades = GradeBands::load(m_session.Conn());
    if (!grades) {
        MessageService::error(grades.error());
        return false;
    }
    m_grades = *grades;
    for (const Analysis::TermDefinition& t : std::as_const(m_terms))
        checkItem(m_ui->lstTests, QStringLiteral("学期总评：") + t.name, t.name, false);
    m_ui->lstTests->setCurrentRow(0);
    auto names = Students::names(m_session.Conn());
    if (!names) {
        MessageService::error(names.error());
        return false;
    }
    m_ui->lstStudents->clear();
    QStringList numbers = names->keys();
    numbers.sort();
    for (const QString& n : std::as_const(numbers))
        checkItem(m_ui->lstStudents, n + QStringLiteral("  ") + names->value(n), n, false);
    return true;
}

QVector<int> ReportScore::chosenTests() const
{
    QVector<int> out;
    for (const QVariant& v : checkedData(m_ui->lstTests)) {
        if (v.typeId() == QMetaType::Int)
            out << v.toInt();
    }
    return out;
}

CardPrint::Options ReportScore::options() const
{
    return { .paper = CardPrint::Paper(m_ui->cboPaper->currentData().toInt()),
        .ranks = m_ui->chkRanks->isChecked(),
        .schoolRanks = m_ui->chkRanks->isChecked() && m_ui->chkSchoolRanks->isChecked(),
        .shown = CardPrint::Shown(m_ui->cboShown->currentData().toInt()),
        .grades = m_grades };
}

bool ReportScore::gather(ReportCards::Term* term, QVector<int>* students)
{
    const QVector<int> tests = chosenTests();
    QVector<Analysis::TermDefinition> terms;
    for (const QVariant& v : checkedData(m_ui->lstTests)) {
        for (const Analysis::TermDefinition& t : std::as_const(m_terms)) {
            if (v.typeId() == QMetaType::QString && t.name == v.toString())
                terms << t;
        }
    }
    if (tests.isEmpty() && terms.isEmpty()) {
        MessageService::info(QStringLiteral("请至少勾选一次考试。"));
        return false;
    }
    if (tests.size() + terms.size() > kMostTests) {
        MessageService::info(QStringLiteral("一张报告单上最多并排打印%1次考试，请少选几次。").arg(kMostTests));
        return false;
    }
    QSet<QString> picked;
    if (m_ui->optPick->isChecked()) {
        for (const QVariant& v : checkedData(m_ui->lstStudents))
            picked.insert(v.toString());
        if (picked.isEmpty()) {
            MessageService::info(QStringLiteral("请勾选要打印的学生！"));
            return false;
        }
    }
    auto read = Analysis::cardsOf(m_session.Conn(), tests, terms);
    if (!read) {
        MessageService::error(read.error());
        return false;
    }
    *term = *std::move(read);
    students->clear();
    for (int i = 0; i < term->students.size(); ++i) {
        if (picked.isEmpty() || picked.contains(term->students[i].first))
            *students << i;
    }
    if (students->isEmpty()) {
        MessageService::info(QStringLiteral("选定的学生没有参加所选的考试。"));
        return false;
    }
    return true;
}

ReportPreview* ReportScore::preview()
{
    auto term = std::make_shared<ReportCards::Term>();
    auto students = std::make_shared<QVector<int>>();
    if (!gather(term.get(), students.get()))
        return nullptr;
    const CardPrint::Options opts = options();
    auto paint = [term, students, opts](QPagedPaintDevice* device, const PrintOut::Progress& progress) {
        return CardPrint::paint(device, *term, *students, opts, progress);
    };
    auto* view = new ReportPreview(
        QStringLiteral("学生成绩报告单"), CardPrint::pageLayout(opts.paper), paint, int(students->size()), this);
    offerLock(view);
    QAction* each = view->addButton("ExportEach", QStringLiteral("每人一个PDF"),
        QStringLiteral("每名学生一个 PDF 文件（学号_姓名.pdf），便于发给家长"));
    connect(each, &QAction::triggered, view, [view, term, students, opts] {
        const QString folder
            = FileDialogs::folder(view, FileDialogs::Kind::Export, QStringLiteral("选择保存报告单的文件夹"));
        if (!folder.isEmpty())
            exportEach(view, folder, *term, *students, opts);
    });
    view->open();
    return view;
}

void ReportScore::offerLock(ReportPreview* view)
{
    const QVector<int> tests = chosenTests();
    if (!m_session.IsAdmin() || tests.isEmpty())
        return;
    const int newest = *std::max_element(tests.cbegin(), tests.cend());
    auto kept = TestLocks::available(m_session.Conn());
    auto locks = TestLocks::list(m_session.Conn());
    if (!kept || !*kept || !locks
        || std::any_of(locks->cbegin(), locks->cend(), [newest](const TestLocks::Lock& l) { return l.test == newest; }))
        return;
    // Once the cards have gone home their scores should not change without a trace.
    connect(
        view, &ReportPreview::delivered, this, [newest, &session = m_session, asked = std::make_shared<bool>(false)] {
            if (*asked)
                return;
            *asked = true;
            if (!MessageService::askYesNo(QStringLiteral("报告单已打印，是否锁定本次考试的成绩？")))
                return;
            if (Status locked = TestLocks::lock(session.Conn(), newest); !locked)
                MessageService::error(locked.error());
        });
}

int ReportScore::exportEach(QWidget* parent, const QString& folder, const ReportCards::Term& term,
    const QVector<int>& students, const CardPrint::Options& options)
{
    QVector<QPair<QString, QString>> who;
    for (int s : students)
        who << term.students[s];
    return EachFile::write(
        parent, folder, who, QStringLiteral(".pdf"), QStringLiteral("报告单"), [&](int i, const QString& path) {
            const int s = students[i];
            return PrintOut::writePdf(path, CardPrint::pageLayout(options.paper, true),
                       term.students[s].second + QStringLiteral("的成绩报告单"),
                       [&](QPagedPaintDevice* device, const PrintOut::Progress&) {
                           return CardPrint::paint(device, term, { s }, options);
                       })
                == PrintOut::Outcome::Written;
        });
}

} // namespace velmora
