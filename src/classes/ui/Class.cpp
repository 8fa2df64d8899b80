#include "classes/ui/Class.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "classes/ClassSettings.h"
#include "classes/ui/GradeBandsDialog.h"
#include "platform/ui/Controls.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

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

Class::Class(QWidget* parent)
    : QWidget(parent)
    , Text(ClassSettings::kCells + 1, nullptr)
{
    setObjectName(QStringLiteral("Class"));
    setWindowTitle(QStringLiteral("班级设置"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* title = Controls::title(this, "Label6", QStringLiteral("班级设置"));

    txtNumber = Controls::edit(this, "txtNumber");
    txtName = Controls::edit(this, "txtName");
    txtDate = Controls::edit(this, "txtDate");
    txtTeacher = Controls::edit(this, "txtTeacher");
    txtCount = Controls::edit(this, "txtCount");
    Controls::limitChars(txtNumber, 10);
    Controls::limitChars(txtName, 10);
    Controls::limitChars(txtTeacher, 8);
    Controls::limitChars(txtCount, 3);

    auto* fields = new QGridLayout;
    const struct
    {
        const char* name;
        const char* caption;
        QLineEdit* box;
    } rows[] = { { "Label1", "班级代号", txtNumber }, { "Label2", "班级名称", txtName },
        { "Label3", "入学时间", txtDate }, { "Label4", "班主任", txtTeacher }, { "Label5", "班级人数", txtCount } };
    for (int i = 0; i < 5; ++i) {
        const int r = i / 2, c = (i % 2) * 2;
        fields->addWidget(Controls::label(this, rows[i].name, QString::fromUtf8(rows[i].caption), rows[i].box), r, c);
        fields->addWidget(rows[i].box, r, c + 1);
    }

    Frame1 = new QGroupBox(QStringLiteral("课程表"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* grid = new QGridLayout(Frame1);
    grid->setHorizontalSpacing(6);
    for (int day = 1; day <= ClassSettings::kWeekdays; ++day) {
        auto* head = new QLabel(ClassSettings::weekdayNames()[day - 1], Frame1);
        head->setAlignment(Qt::AlignCenter);
        grid->addWidget(head, 0, day);
    }
    grid->addWidget(line(Frame1), 1, 0, 1, ClassSettings::kWeekdays + 1);
    // Morning periods 1-5 on grid rows 2-6, a line on row 7, afternoon 6-8 on rows 8-10.
    auto gridRow = [](int period) { return period <= 5 ? period + 1 : period + 2; };
    auto* morning = new TallLabel(QStringLiteral("上") + QString(28, QLatin1Char(' ')) + QStringLiteral("午"), Frame1);
    auto* afternoon
        = new TallLabel(QStringLiteral("下") + QString(14, QLatin1Char(' ')) + QStringLiteral("午"), Frame1);
    morning->setObjectName(QStringLiteral("Label7"));
    afternoon->setObjectName(QStringLiteral("Label8"));
    grid->addWidget(morning, 2, 0, 5, 1);
    grid->addWidget(line(Frame1), 7, 0, 1, ClassSettings::kWeekdays + 1);
    grid->addWidget(afternoon, 8, 0, 3, 1);
    for (int i = 1; i <= ClassSettings::kCells; ++i) {
        const int period = ClassSettings::periodOf(i), day = ClassSettings::weekdayOf(i);
        auto* box = new QLineEdit(Frame1);
        box->setObjectName(QStringLiteral("Text%1").arg(i));
        box->setAlignment(Qt::AlignCenter);
        box->setAccessibleName(QStringLiteral("%1 第%2节").arg(ClassSettings::weekdayNames()[day - 1]).arg(period));
        box->setMaximumWidth(90);
        Controls::limitChars(box, 4);
        Text[i] = box;
        grid->addWidget(box, gridRow(period), day);
    }

    Command1 = Controls::button(this, "Command1", kEdit);
    Command2 = Controls::button(this, "Command2", QStringLiteral("返回(&C)"));
    auto* grades = Controls::button(this, "BN_Grades", QStringLiteral("等级标准(&G)…"));
    auto* buttons = Controls::buttonRow({ grades, Command1, Command2 });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addLayout(fields);
    layout->addWidget(Frame1);
    layout->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &Class::editOrSave);
    connect(grades, &QPushButton::clicked, this, [this] { GradeBandsDialog::edit(this); });
    connect(Command2, &QPushButton::clicked, this, [this] {
        m_dropping = true;
        if (!ChildWindow::close(this))
            m_dropping = false;
    });
}

ClassSettings Class::shown() const
{
    ClassSettings s;
    s.number = txtNumber->text();
    s.teacher = txtTeacher->text();
    s.date = txtDate->text();
    s.name = txtName->text();
    s.count = txtCount->text();
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
    return Command1->text() != kEdit;
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
    boxes << txtNumber << txtTeacher << txtDate << txtName << txtCount;
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
    if (!mod().IsAdmin)
        Command1->setEnabled(false);
    // The class's standards are its administrators' to change.
    findChild<QPushButton*>(QStringLiteral("BN_Grades"))->setEnabled(mod().IsAdmin);
    auto settings = ClassSettings::load(mod().Conn);
    if (settings) {
        txtNumber->setText(settings->number);
        txtTeacher->setText(settings->teacher);
        txtDate->setText(settings->date);
        txtName->setText(settings->name);
        txtCount->setText(settings->count);
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
    if (Command1->text() == kEdit) {
        m_read = shown();
        lockoff();
        MessageService::info(QStringLiteral("修改完，请按保存！"));
        Command1->setText(kSave);
        return;
    }
    const ClassSettings s = shown();
    if (const QString problem = s.tooLong(); !problem.isEmpty()) {
        MessageService::info(problem);
        return;
    }
    Status saved = s.save(mod().Conn, m_read);
    if (!saved) {
        // Nothing was written; the typed values stay for another try.
        MessageService::error(saved.error());
        return;
    }
    MessageService::info(QStringLiteral("修改成功！"));
    m_stored = typed();
    lockon();
    Command1->setText(kEdit);
}

} // namespace velmora
