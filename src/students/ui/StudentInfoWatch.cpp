#include "students/ui/StudentInfoWatch.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/ResultGrid.h"
#include "students/ui/StudentGrid.h"
#include "students/ui/StudentInfo.h"
#include "ui_StudentInfoWatch.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {

StudentInfoWatch::StudentInfoWatch(Module1& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::StudentInfoWatch>())
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    ChildWindow::setDesignSize(this, { 10020, 5010 });
    m_ui->Grid->setExportTitle(QStringLiteral("学生名单"));
    m_ui->Grid->exportBy(m_ui->BN_Export);

    connect(m_ui->Command1, &QPushButton::clicked, this, &StudentInfoWatch::fill);
    connect(m_ui->Command2, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
    connect(m_ui->BN_Add, &QPushButton::clicked, this, [this] { StudentInfo::openAdd(m_session, this); });
    connect(m_ui->BN_Find, &QPushButton::clicked, this, &StudentInfoWatch::findRequested);
    connect(
        m_ui->Grid, &ResultGrid::rowActivated, this, [this] { StudentGrid::openCurrent(m_session, m_ui->Grid, this); });
}

StudentInfoWatch::~StudentInfoWatch() = default;

void StudentInfoWatch::fill()
{
    if (!m_session.IsAdmin())
        m_ui->BN_Add->setEnabled(false);
    auto students = Students::list(m_session.Conn());
    if (!students) {
        MessageService::error(students.error());
        return;
    }
    StudentGrid::fill(m_ui->Grid, *students);
    if (students->isEmpty()) {
        MessageService::info(QStringLiteral("列表为空！请添加学生信息"));
        m_ui->txtNumber->setText(QStringLiteral("0"));
        return;
    }
    m_ui->txtNumber->setText(QString::number(students->size()));
}

} // namespace velmora
