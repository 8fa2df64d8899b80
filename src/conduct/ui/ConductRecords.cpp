#include "conduct/ui/ConductRecords.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "history/History.h"
#include "history/ui/ScoreHistoryView.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/ResultGrid.h"
#include "students/StudentRecord.h"
#include "ui_ConductGrade.h"
#include "ui_ConductRecords.h"
#include "ui_ConductRules.h"

#include <QListWidget>
#include <QRegularExpression>
#include <QSignalBlocker>

namespace velmora {

namespace {

const QRegularExpression kSeparators(QStringLiteral("[、,，;；\\s]+"));

} // namespace

ConductRecords::ConductRecords(Module1& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::ConductRecords>())
{
    m_ui->setupUi(this);
    m_ui->grdRecords->setHeaders({ QStringLiteral("日期"), QStringLiteral("项目"), QStringLiteral("分数"),
        QStringLiteral("备注"), QStringLiteral("记录人") });
    m_ui->txtDate->setDate(QDate::currentDate());
    // The class's standards and a grade set by hand are its administrators' to change.
    m_ui->BN_Grade->setVisible(m_session.IsAdmin());
    m_ui->BN_Rules->setVisible(m_session.IsAdmin());
    ChildWindow::setDesignSize(this, { 13500, 9000 });

    connect(m_ui->lstStudents, &QListWidget::currentRowChanged, this, &ConductRecords::showStudent);
    connect(m_ui->cmbTerm, &QComboBox::currentIndexChanged, this, &ConductRecords::showStudent);
    connect(m_ui->BN_Add, &QPushButton::clicked, this, &ConductRecords::addRecord);
    connect(m_ui->BN_Delete, &QPushButton::clicked, this, &ConductRecords::removeRecord);
    connect(m_ui->BN_Grade, &QPushButton::clicked, this, &ConductRecords::setGradeByHand);
    connect(m_ui->BN_Rules, &QPushButton::clicked, this, &ConductRecords::editRules);
    connect(m_ui->BN_History, &QPushButton::clicked, this, [this] {
        ScoreHistoryView history(m_session, ScoreHistory::kConduct, currentStudent(), QString(), this);
        if (history.fill())
            history.exec();
    });
    connect(m_ui->BN_Back, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
}

ConductRecords::~ConductRecords() = default;

bool ConductRecords::load()
{
    auto students = Students::list(m_session.Conn());
    auto rules = Conduct::Rules::load(m_session.Conn());
    auto terms = SchoolCalendar::terms(m_session.Conn());
    for (const Error* failed : { students ? nullptr : &students.error(), rules ? nullptr : &rules.error(),
             terms ? nullptr : &terms.error() }) {
        if (failed) {
            MessageService::error(*failed);
            return false;
        }
    }
    m_rules = *rules;
    m_terms = *terms;
    const QSignalBlocker quietList(m_ui->lstStudents);
    const QSignalBlocker quietTerms(m_ui->cmbTerm);
    m_ui->lstStudents->clear();
    for (const StudentRecord& s : std::as_const(*students)) {
        const QString number = s[StudentRecord::Number].trimmed();
        auto* item
            = new QListWidgetItem(number + QLatin1Char(' ') + s[StudentRecord::Name].trimmed(), m_ui->lstStudents);
        item->setData(Qt::UserRole, number);
    }
    m_ui->cmbItem->clear();
    m_ui->cmbItem->addItems(m_rules.items);
    m_ui->cmbTerm->clear();
    m_ui->cmbTerm->addItem(QStringLiteral("本月"));
    int chosen = 0;
    for (int i = 0; i < m_terms.size(); ++i) {
        m_ui->cmbTerm->addItem(m_terms[i].name);
        if (m_terms[i].first <= QDate::currentDate() && QDate::currentDate() <= m_terms[i].last)
            chosen = i + 1;
    }
    m_ui->cmbTerm->setCurrentIndex(chosen);
    if (m_ui->lstStudents->count() > 0 && m_ui->lstStudents->currentRow() < 0)
        m_ui->lstStudents->setCurrentRow(0);
    showStudent();
    return true;
}

QString ConductRecords::currentStudent() const
{
    const QListWidgetItem* item = m_ui->lstStudents->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}

std::pair<QDate, QDate> ConductRecords::span() const
{
    const int i = m_ui->cmbTerm->currentIndex();
    if (i > 0 && i <= m_terms.size())
        return { m_terms[i - 1].first, m_terms[i - 1].last };
    const QDate today = QDate::currentDate();
    const QDate first(today.year(), today.month(), 1);
    return { first, first.addMonths(1).addDays(-1) };
}

QString ConductRecords::termName() const
{
    const auto [from, to] = span();
    return m_ui->cmbTerm->currentIndex() > 0 ? m_ui->cmbTerm->currentText() : from.toString(QStringLiteral("yyyy-MM"));
}

void ConductRecords::showStudent()
{
    const QString student = currentStudent();
    m_ui->grdRecords->clearRows();
    m_shown.clear();
    m_ui->lblGrade->clear();
    m_ui->lblStudent->setText(m_ui->lstStudents->currentItem() ? m_ui->lstStudents->currentItem()->text() : QString());
    if (student.isEmpty())
        return;
    const auto [from, to] = span();
    auto entries = Conduct::of(m_session.Conn(), student, from, to);
    auto grade = Conduct::termGrade(m_session.Conn(), student, termName(), from, to);
    if (!entries || !grade) {
        m_ui->lblGrade->setText(entries ? grade.error().description : entries.error().description);
        return;
    }
    m_shown = *entries;
    QList<QStringList> rows;
    for (const Conduct::Entry& e : std::as_const(m_shown))
        rows << QStringList { e.date.toString(Qt::ISODate), e.item,
            (e.points > 0 ? QStringLiteral("+") : QString()) + QString::number(e.points), e.note, e.writer };
    m_ui->grdRecords->setRows(rows);
    m_ui->grdRecords->fitColumns(240);
    QString text = QStringLiteral("基础分 %1，记录 %2 条，共 %3 分，操行等级：%4")
                       .arg(m_rules.base)
                       .arg(m_shown.size())
                       .arg(grade->score)
                       .arg(grade->grade);
    if (grade->byHand)
        text += QStringLiteral("（%1手动设置：%2）").arg(grade->setBy, grade->reason);
    m_ui->lblGrade->setText(text);
}

bool ConductRecords::addRecord()
{
    QStringList students;
    for (const QListWidgetItem* item : m_ui->lstStudents->selectedItems())
        students << item->data(Qt::UserRole).toString();
    if (students.isEmpty() && !currentStudent().isEmpty())
        students << currentStudent();
    Status added = Conduct::add(m_session.Conn(), students, m_ui->txtDate->date(), m_ui->cmbItem->currentText(),
        m_ui->spnPoints->value(), m_ui->txtNote->text());
    if (!added) {
        MessageService::error(added.error());
        return false;
    }
    m_ui->txtNote->clear();
    showStudent();
    return true;
}

bool ConductRecords::removeRecord()
{
    const int row = m_ui->grdRecords->currentRow();
    if (row < 1 || row > m_shown.size()) {
        MessageService::info(QStringLiteral("请先在列表中点选要删除的记录。"));
        return false;
    }
    const Conduct::Entry& e = m_shown[row - 1];
    if (MessageService::askDelete(
            QStringLiteral("删除 %1 %2 %3 的记录吗？").arg(e.date.toString(Qt::ISODate), e.item).arg(e.points),
            MsgIcon::Question)
        != MsgAnswer::Yes)
        return false;
    if (Status removed = Conduct::remove(m_session.Conn(), e.id); !removed) {
        MessageService::error(removed.error());
        return false;
    }
    showStudent();
    return true;
}

bool ConductRecords::setGradeByHand()
{
    const QString student = currentStudent();
    if (student.isEmpty())
        return false;
    QDialog dialog(this);
    Ui::ConductGrade form;
    form.setupUi(&dialog);
    form.lblWho->setText(m_ui->lblStudent->text() + QStringLiteral("，") + termName());
    form.cmbGrade->addItem(QStringLiteral("按分数评定"));
    for (const Conduct::Rules::Grade& g : std::as_const(m_rules.grades))
        form.cmbGrade->addItem(g.name);
    connect(form.BN_OK, &QPushButton::clicked, &dialog, &QDialog::accept);
    connect(form.BN_Cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QString grade = form.cmbGrade->currentIndex() > 0 ? form.cmbGrade->currentText() : QString();
    if (Status set = Conduct::setGrade(m_session.Conn(), student, termName(), grade, form.txtReason->text()); !set) {
        MessageService::error(set.error());
        return false;
    }
    showStudent();
    return true;
}

std::optional<QVector<Conduct::Rules::Grade>> ConductRecords::parseGrades(const QString& text)
{
    QVector<Conduct::Rules::Grade> grades;
    const QStringList parts = text.split(QRegularExpression(QStringLiteral("[、,，;；]+")), Qt::SkipEmptyParts);
    for (int i = 0; i < parts.size(); ++i) {
        const QStringList words = parts[i].split(kSeparators, Qt::SkipEmptyParts);
        const bool last = i + 1 == parts.size();
        bool number = false;
        const int lower = words.value(1).toInt(&number);
        if (words.isEmpty() || words.size() > 2 || (!last && !number) || (last && words.size() != 1))
            return std::nullopt;
        grades.push_back({ words[0], last ? 0 : lower });
    }
    return grades;
}

QString ConductRecords::gradesText(const QVector<Conduct::Rules::Grade>& grades)
{
    QStringList parts;
    for (int i = 0; i < grades.size(); ++i)
        parts << (i + 1 < grades.size() ? QStringLiteral("%1 %2").arg(grades[i].name).arg(grades[i].lower)
                                        : grades[i].name);
    return parts.join(QStringLiteral("、"));
}

bool ConductRecords::editRules()
{
    QDialog dialog(this);
    Ui::ConductRules form;
    form.setupUi(&dialog);
    form.txtItems->setText(m_rules.items.join(QStringLiteral("、")));
    form.spnBase->setValue(m_rules.base);
    form.txtGrades->setText(gradesText(m_rules.grades));
    connect(form.BN_Cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    connect(form.BN_OK, &QPushButton::clicked, &dialog, [&] {
        Conduct::Rules rules = m_rules;
        rules.items = form.txtItems->text().split(kSeparators, Qt::SkipEmptyParts);
        rules.base = form.spnBase->value();
        const auto grades = parseGrades(form.txtGrades->text());
        if (!grades) {
            MessageService::info(
                QStringLiteral("等级请从高到低写名称和最低分，最后一级不写分数，如：优 90、良 80、中 60、差"));
            return;
        }
        rules.grades = *grades;
        if (Status saved = rules.save(m_session.Conn()); !saved) {
            MessageService::error(saved.error());
            return;
        }
        dialog.accept();
    });
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return load();
}

} // namespace velmora
