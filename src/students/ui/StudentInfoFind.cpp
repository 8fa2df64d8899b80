#include "students/ui/StudentInfoFind.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/ResultGrid.h"
#include "students/StudentRecord.h"
#include "students/ui/StudentGrid.h"
#include "ui_StudentInfoFind.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace velmora {

StudentInfoFind::StudentInfoFind(Module1& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::StudentInfoFind>())
    , Text(9, nullptr)
    , Label(9, nullptr)
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    // The captions of the boxes come from the columns a search may contain.
    const QStringList captions = QStringList { QStringLiteral("学号") } + Students::Criteria::containsColumns();
    for (int i = 1; i <= 8; ++i) {
        Text[i] = findChild<QLineEdit*>(QStringLiteral("Text%1").arg(i));
        Label[i] = findChild<QLabel*>(QStringLiteral("Label%1").arg(i));
        Label[i]->setText(captions[i - 1]);
        connect(Text[i], &QLineEdit::returnPressed, this, &StudentInfoFind::search);
    }
    m_ui->native->addItems(StudentRecord::provinces());
    m_ui->native->setEditText(QStringLiteral("不详"));
    m_ui->Grid->setExportTitle(QStringLiteral("查找结果"));
    m_ui->Grid->exportBy(m_ui->BN_Export);
    ChildWindow::setDesignSize(this, { 9000, 7710 });

    connect(m_ui->Command1, &QPushButton::clicked, this, &StudentInfoFind::search);
    connect(m_ui->Command2, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
    connect(
        m_ui->Grid, &ResultGrid::rowActivated, this, [this] { StudentGrid::openCurrent(m_session, m_ui->Grid, this); });
}

StudentInfoFind::~StudentInfoFind() = default;

void StudentInfoFind::search()
{
    Students::Criteria c;
    c.number = Text[1]->text();
    for (int i = 2; i <= 8; ++i)
        c.contains[i - 2] = Text[i]->text();
    c.sex = m_ui->sex_m->isChecked() ? QStringLiteral("男")
        : m_ui->sex_w->isChecked()   ? QStringLiteral("女")
                                     : QString();
    c.native = m_ui->native->currentText();
    auto found = Students::search(m_session.Conn(), c);
    if (!found) {
        MessageService::error(found.error());
        return;
    }
    if (found->isEmpty()) {
        MessageService::info(QStringLiteral("没有找到！"));
        m_ui->Grid->clearTexts();
        m_ui->txt_Result->setText(QStringLiteral("0"));
        return;
    }
    m_ui->txt_Result->setText(QString::number(found->size()));
    StudentGrid::fill(m_ui->Grid, *found);
}

} // namespace velmora
