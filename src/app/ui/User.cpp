#include "app/ui/User.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/Users.h"
#include "data/Schema.h"
#include "platform/ui/Pictures.h"
#include "ui_User.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace velmora {

User::User(Module1& session, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::User>())
{
    m_ui->setupUi(this);
    // The combo's name is the dialog's own, which a form cannot give twice.
    m_ui->UserBox->setObjectName(QStringLiteral("User"));
    m_ui->Image1->setPixmap(Pictures::appIcon().pixmap(48, 48));
    // One box per subject of the fixed list, five to a row, in the tab order after 权限.
    QWidget* before = m_ui->Option2;
    for (int i = 0; i < Schema::subjects().size(); ++i) {
        auto* box = new QCheckBox(Schema::subjects()[i], m_ui->fraSubjects);
        box->setObjectName(QStringLiteral("chkSubject%1").arg(i));
        m_ui->subjects->addWidget(box, i / 5, i % 5);
        setTabOrder(before, box);
        before = box;
        chkSubject << box;
    }

    connect(m_ui->UserBox, &QComboBox::activated, this, &User::choose);
    connect(m_ui->Command1, &QPushButton::clicked, this, &User::change);
    connect(m_ui->Command2, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->Option2, &QRadioButton::toggled, this, &User::enableRights);
    connect(m_ui->chkReadOnly, &QCheckBox::toggled, this, &User::enableRights);
    enableRights();
}

User::~User() = default;

// Only an ordinary user is limited; a read-only one teaches nothing here.
void User::enableRights()
{
    m_ui->chkReadOnly->setEnabled(m_ui->Option2->isChecked());
    m_ui->fraSubjects->setEnabled(m_ui->Option2->isChecked() && !m_ui->chkReadOnly->isChecked());
}

void User::showRights(const UserRights::Rights& rights)
{
    for (QCheckBox* box : std::as_const(chkSubject))
        box->setChecked(rights.subjects.contains(box->text()));
    m_ui->chkReadOnly->setChecked(rights.readOnly);
}

UserRights::Rights User::chosenRights() const
{
    UserRights::Rights rights;
    if (!m_ui->Option2->isChecked())
        return rights;
    rights.readOnly = m_ui->chkReadOnly->isChecked();
    for (const QCheckBox* box : chkSubject) {
        if (box->isChecked() && !rights.readOnly)
            rights.subjects << box->text();
    }
    return rights;
}

void User::load()
{
    auto names = Users::names(m_session.Conn());
    if (!names) {
        MessageService::error(names.error());
        return;
    }
    // A server role given rights has no row of tblUsers: it is listed after them.
    auto limited = UserRights::grants(m_session.Conn());
    for (const ServerRoles::Grant& g : limited ? *limited : QVector<ServerRoles::Grant>()) {
        if (!names->contains(g.role))
            names->append(g.role);
    }
    m_ui->UserBox->clear();
    m_ui->UserBox->addItems(*names);
    m_ui->UserBox->setCurrentIndex(-1);
}

bool User::isServerRole(const Error& missing, const QString& name) const
{
    if (!missing.is(Error::Kind::Missing))
        return false;
    auto role = ServerRoles::exists(m_session.Conn(), name);
    return role && *role;
}

void User::choose()
{
    auto grade = Users::grade(m_session.Conn(), m_ui->UserBox->currentText());
    if (!grade && isServerRole(grade.error(), m_ui->UserBox->currentText()))
        grade = QString::fromLatin1(Users::kUser);
    if (!grade) {
        MessageService::error(grade.error());
        return;
    }
    if (*grade == QLatin1String(Users::kAdmin))
        m_ui->Option1->setChecked(true);
    else if (*grade == QLatin1String(Users::kUser))
        m_ui->Option2->setChecked(true);
    auto rights = UserRights::of(m_session.Conn(), m_ui->UserBox->currentText());
    if (!rights) {
        MessageService::error(rights.error());
        return;
    }
    showRights(*rights);
}

void User::change()
{
    std::optional<QString> grade;
    if (m_ui->Option1->isChecked())
        grade = QString::fromLatin1(Users::kAdmin);
    else if (m_ui->Option2->isChecked())
        grade = QString::fromLatin1(Users::kUser);
    const QString name = m_ui->UserBox->currentText();
    auto stored = Users::setGrade(m_session.Conn(), name, grade);
    // A server role is no user of tblUsers: only its rights are set.
    const bool role = !stored && m_ui->Option2->isChecked() && isServerRole(stored.error(), name);
    if (role)
        stored = QString::fromLatin1(Users::kUser);
    if (!stored) {
        MessageService::error(stored.error());
        return;
    }
    const UserRights::Rights rights = chosenRights();
    // A database not upgraded keeps no rights: nothing to take away there.
    auto kept = UserRights::available(m_session.Conn());
    Status rightsStored = !kept ? Status(kept.error()) : Done {};
    // With neither choice made, the user stays as stored, rights too.
    if (kept && (*kept || rights.limited()) && (m_ui->Option1->isChecked() || m_ui->Option2->isChecked()))
        rightsStored = UserRights::store(m_session.Conn(), name, rights);
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
