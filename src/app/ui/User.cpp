#include "app/ui/User.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/Users.h"
#include "data/Schema.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Pictures.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace velmora {

User::User(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("User"));
    setWindowTitle(QStringLiteral("用户权限设置"));

    Label3 = Controls::title(this, "Label3", QStringLiteral("用 户 权 限 设 置"));
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(Pictures::appIcon().pixmap(48, 48));

    UserBox = new QComboBox(this);
    UserBox->setObjectName(QStringLiteral("User"));
    UserBox->setEditable(true);
    UserBox->setMinimumWidth(180);
    auto* nameLabel = Controls::label(this, "Label1", QStringLiteral("用户名："), UserBox);
    auto* gradeLabel = Controls::label(this, "label2", QStringLiteral("权限："));
    Option1 = new QRadioButton(QStringLiteral("管理员（administrator）"), this);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2 = new QRadioButton(QStringLiteral("普通用户（User）"), this);
    Option2->setObjectName(QStringLiteral("Option2"));
    auto* group = new QButtonGroup(this);
    group->addButton(Option1);
    group->addButton(Option2);
    fraSubjects = new QGroupBox(QStringLiteral("任教科目（不选则可修改所有科目）"), this);
    fraSubjects->setObjectName(QStringLiteral("fraSubjects"));
    auto* subjects = new QGridLayout(fraSubjects);
    for (int i = 0; i < Schema::subjects().size(); ++i) {
        auto* box = new QCheckBox(Schema::subjects()[i], fraSubjects);
        box->setObjectName(QStringLiteral("chkSubject%1").arg(i));
        subjects->addWidget(box, i / 5, i % 5);
        chkSubject << box;
    }
    chkReadOnly = new QCheckBox(QStringLiteral("只读（只能查看、打印和导出）"), this);
    chkReadOnly->setObjectName(QStringLiteral("chkReadOnly"));
    Command1 = Controls::button(this, "Command1", QStringLiteral("更改(&U)"));
    Command2 = Controls::button(this, "Command2", QStringLiteral("取消(&C)"));

    auto* head = new QHBoxLayout;
    head->addWidget(Image1);
    head->addWidget(Label3, 1, Qt::AlignCenter);
    auto* grid = new QGridLayout;
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(UserBox, 0, 1);
    grid->addWidget(gradeLabel, 1, 0, Qt::AlignTop);
    grid->addWidget(Option1, 1, 1);
    grid->addWidget(Option2, 2, 1);
    grid->addWidget(fraSubjects, 3, 1);
    grid->addWidget(chkReadOnly, 4, 1);
    auto* buttons = Controls::buttonRow({ Command1, Command2 });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(UserBox, &QComboBox::activated, this, &User::choose);
    connect(Command1, &QPushButton::clicked, this, &User::change);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Option2, &QRadioButton::toggled, this, &User::enableRights);
    connect(chkReadOnly, &QCheckBox::toggled, this, &User::enableRights);
    enableRights();
}

// Only an ordinary user is limited; a read-only one teaches nothing here.
void User::enableRights()
{
    chkReadOnly->setEnabled(Option2->isChecked());
    fraSubjects->setEnabled(Option2->isChecked() && !chkReadOnly->isChecked());
}

void User::showRights(const UserRights::Rights& rights)
{
    for (QCheckBox* box : std::as_const(chkSubject))
        box->setChecked(rights.subjects.contains(box->text()));
    chkReadOnly->setChecked(rights.readOnly);
}

UserRights::Rights User::chosenRights() const
{
    UserRights::Rights rights;
    if (!Option2->isChecked())
        return rights;
    rights.readOnly = chkReadOnly->isChecked();
    for (const QCheckBox* box : chkSubject) {
        if (box->isChecked() && !rights.readOnly)
            rights.subjects << box->text();
    }
    return rights;
}

void User::load()
{
    auto names = Users::names(mod().Conn);
    if (!names) {
        MessageService::error(names.error());
        return;
    }
    // A server role given rights has no row of tblUsers: it is listed after them.
    auto limited = UserRights::grants(mod().Conn);
    for (const ServerRoles::Grant& g : limited ? *limited : QVector<ServerRoles::Grant>()) {
        if (!names->contains(g.role))
            names->append(g.role);
    }
    UserBox->clear();
    UserBox->addItems(*names);
    UserBox->setCurrentIndex(-1);
}

bool User::isServerRole(const Error& missing, const QString& name) const
{
    if (!missing.is(Error::Kind::Missing))
        return false;
    auto role = ServerRoles::exists(mod().Conn, name);
    return role && *role;
}

void User::choose()
{
    auto grade = Users::grade(mod().Conn, UserBox->currentText());
    if (!grade && isServerRole(grade.error(), UserBox->currentText()))
        grade = QString::fromLatin1(Users::kUser);
    if (!grade) {
        MessageService::error(grade.error());
        return;
    }
    if (*grade == QLatin1String(Users::kAdmin))
        Option1->setChecked(true);
    else if (*grade == QLatin1String(Users::kUser))
        Option2->setChecked(true);
    auto rights = UserRights::of(mod().Conn, UserBox->currentText());
    if (!rights) {
        MessageService::error(rights.error());
        return;
    }
    showRights(*rights);
}

void User::change()
{
    std::optional<QString> grade;
    if (Option1->isChecked())
        grade = QString::fromLatin1(Users::kAdmin);
    else if (Option2->isChecked())
        grade = QString::fromLatin1(Users::kUser);
    const QString name = UserBox->currentText();
    auto stored = Users::setGrade(mod().Conn, name, grade);
    // A server role is no user of tblUsers: only its rights are set.
    const bool role = !stored && Option2->isChecked() && isServerRole(stored.error(), name);
    if (role)
        stored = QString::fromLatin1(Users::kUser);
    if (!stored) {
        MessageService::error(stored.error());
        return;
    }
    const UserRights::Rights rights = chosenRights();
    // A database not upgraded keeps no rights: nothing to take away there.
    auto kept = UserRights::available(mod().Conn);
    Status rightsStored = !kept ? Status(kept.error()) : Done {};
    // With neither choice made, the user stays as stored, rights too.
    if (kept && (*kept || rights.limited()) && (Option1->isChecked() || Option2->isChecked()))
        rightsStored = UserRights::store(mod().Conn, name, rights);
    if (!rightsStored) {
        MessageService::error(rightsStored.error());
        return;
    }
    // Said only once the rows are written.
    QString said = (role ? QStringLiteral("服务器角色 ") : QStringLiteral("用户 ")) + name
        + QStringLiteral(" 已经更改为") + *stored;
    if (rights.readOnly)
        said += QStringLiteral("（只读）");
    else if (!rights.subjects.isEmpty())
        said += QStringLiteral("（任教科目：%1）").arg(rights.subjects.join(QStringLiteral("、")));
    MessageService::info(said);
}

} // namespace velmora
