#include "classes/ui/Class.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "classes/ClassSettings.h"
#include "classes/ui/GradeBandsDialog.h"
#include "platform/ui/Controls.h"
#include "ui_Class.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

namespace velmora {

namespace {
const QString kEdit = QStringLiteral("修改(&E)");
const QString kSave = QStringLiteral("保存(&S)");

QFrame* line(QWidget* parent)
{
    auto* f = new QFrame(parent);
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}
// Its caption's first character at the top and its last at the bottom, as
// a tall, narrow label shows a spaced-out caption.
class TallLabel final : public QLabel
{
public:
    TallLabel(const QString& text, QWidget* parent)
        : QLabel(text, parent)
    {
        setFixedWidth(36);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const QString t = text().trimmed();
        if (t.isEmpty())
            return;
        QPainter p(this);
        const int h = fontMetrics().height();
        p.drawText(QRect(0, 4, width(), h), Qt::AlignCenter, t.left(1));
        p.drawText(QRect(0, height() - h - 4, width(), h), Qt::AlignCenter, t.right(1));
    }
};
} // namespace

Class::Class(Module1& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::Class>())
    , Text(ClassSettings::kCells + 1, nullptr)
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    Controls::limitChars(m_ui->txtNumber, 10);
    Controls::limitChars(m_ui->txtName, 10);
    Controls::limitChars(m_ui->txtTeacher, 8);
    Controls::limitChars(m_ui->txtCount, 3);
    buildTimetable();

    connect(m_ui->Command1, &QPushButton::clicked, this, &Class::editOrSave);
    connect(m_ui->BN_Grades, &QPushButton::clicked, this, [this] { GradeBandsDialog::edit(m_session, this); });
    connect(m_ui->Command2, &QPushButton::clicked, this, [this] {
        m_dropping = true;
        if (!ChildWindow::close(this))
            m_dropping = false;
    });
}

Class::~Class() = default;

void Class::buildTimetable()
{
    // One box per period of each weekday the class settings know: made here, from their lists.
    QGridLayout* grid = m_ui->timetable;
    grid->setHorizontalSpacing(6);
    for (int day = 1; day <= ClassSettings::kWeekdays; ++day) {
        auto* head = new QLabel(ClassSettings::weekdayNames()[day - 1], m_ui->Frame1);
        head->setAlignment(Qt::AlignCenter);
        grid->addWidget(head, 0, day);
    }
    grid->addWidget(line(m_ui->Frame1), 1, 0, 1, ClassSettings::kWeekdays + 1);
    // Morning periods 1-5 on grid rows 2-6, a line on row 7, afternoon 6-8 on rows 8-10.
    auto gridRow = [](int period) { return period <= 5 ? period + 1 : period + 2; };
    auto* morning
        = new TallLabel(QStringLiteral("上") + QString(28, QLatin1Char(' ')) + QStringLiteral("午"), m_ui->Frame1);
    auto* afternoon
        = new TallLabel(QStringLiteral("下") + QString(14, QLatin1Char(' ')) + QStringLiteral("午"), m_ui->Frame1);
    morning->setObjectName(QStringLiteral("Label7"));
    afternoon->setObjectName(QStringLiteral("Label8"));
    grid->addWidget(morning, 2, 0, 5, 1);
    grid->addWidget(line(m_ui->Frame1), 7, 0, 1, ClassSettings::kWeekdays + 1);
    grid->addWidget(afternoon, 8, 0, 3, 1);
    QWidget* before = m_ui->txtCount;
    for (int i = 1; i <= ClassSettings::kCells; ++i) {
        const int period = ClassSettings::periodOf(i), day = ClassSettings::weekdayOf(i);
        auto* box = new QLineEdit(m_ui->Frame1);
        box->setObjectName(QStringLiteral("Text%1").arg(i));
        box->setAlignment(Qt::AlignCenter);
        box->setAccessibleName(QStringLiteral("%1 第%2节").arg(ClassSettings::weekdayNames()[day - 1]).arg(period));
        box->setMaximumWidth(90);
        Controls::limitChars(box, 4);
        Text[i] = box;
        setTabOrder(before, box);
        before = box;
        grid->addWidget(box, gridRow(period), day);
    }
}

ClassSettings Class::shown() const
{
    ClassSettings s;
    s.number = m_ui->txtNumber->text();
    s.teacher = m_ui->txtTeacher->text();
    s.date = m_ui->txtDate->text();
    s.name = m_ui->txtName->text();
    s.count = m_ui->txtCount->text();
    for (int i = 1; i <= ClassSettings::kCells; ++i)
        s.cells[i] = Text[i]->text();
    return s;
}

QStringList Class::typed() const
{
    QStringList values;
    for (QLineEdit* box : dataBoxes())
        values << box->text();
    return values;
}

bool Class::isEditing() const
{
    return m_ui->Command1->text() != kEdit;
}

bool Class::hasUnsavedChanges() const
{
    return isEditing() && typed() != m_stored;
}

void Class::closeEvent(QCloseEvent* event)
{
    if (!m_dropping && hasUnsavedChanges() && !ChildWindow::mayDropUnsaved([this] {
            editOrSave();
            return !isEditing();
        })) {
        event->ignore();
        return;
    }
    event->accept();
}

QVector<QLineEdit*> Class::dataBoxes() const
{
    QVector<QLineEdit*> boxes = Text.mid(1);
    boxes << m_ui->txtNumber << m_ui->txtTeacher << m_ui->txtDate << m_ui->txtName << m_ui->txtCount;
    return boxes;
}

void Class::lockon()
{
    for (QLineEdit* box : dataBoxes())
        box->setReadOnly(true);
}

void Class::lockoff()
{
    for (QLineEdit* box : dataBoxes())
        box->setReadOnly(false);
}

void Class::load()
{
    if (!m_session.IsAdmin())
        m_ui->Command1->setEnabled(false);
    // The class's standards are its administrators' to change.
    findChild<QPushButton*>(QStringLiteral("BN_Grades"))->setEnabled(m_session.IsAdmin());
    auto settings = ClassSettings::load(m_session.Conn());
    if (settings) {
        m_ui->txtNumber->setText(settings->number);
        m_ui->txtTeacher->setText(settings->teacher);
        m_ui->txtDate->setText(settings->date);
        m_ui->txtName->setText(settings->name);
        m_ui->txtCount->setText(settings->count);
        for (int i = 1; i <= ClassSettings::kCells; ++i)
            Text[i]->setText(settings->cells[i]);
    } else {
        MessageService::error(settings.error());
    }
    m_stored = typed();
    lockon();
}

void Class::editOrSave()
{
    if (m_ui->Command1->text() == kEdit) {
        m_read = shown();
        lockoff();
        MessageService::info(QStringLiteral("修改完，请按保存！"));
        m_ui->Command1->setText(kSave);
        return;
    }
    const ClassSettings s = shown();
    if (const QString problem = s.tooLong(); !problem.isEmpty()) {
        MessageService::info(problem);
        return;
    }
    Status saved = s.save(m_session.Conn(), m_read);
    if (!saved) {
        // Nothing was written; the typed values stay for another try.
        MessageService::error(saved.error());
        return;
    }
    MessageService::info(QStringLiteral("修改成功！"));
    m_stored = typed();
    lockon();
    m_ui->Command1->setText(kEdit);
}

} // namespace velmora
