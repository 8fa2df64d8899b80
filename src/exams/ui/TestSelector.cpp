#include "exams/ui/TestSelector.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/Controls.h"
#include "ui_TestSelector.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

TestSelector::TestSelector(Module1& session, const char* name, const QString& title, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::TestSelector>())
{
    m_ui->setupUi(this);
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    m_ui->Label->setText(title);
    connect(m_ui->txtNumber, &QComboBox::activated, this, &TestSelector::pick);
    connect(m_ui->BN_OK, &QPushButton::clicked, this, &TestSelector::ok);
    connect(m_ui->BN_Back, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
}

TestSelector::~TestSelector() = default;

void TestSelector::load()
{
    auto tests = Exams::list(m_session.Conn());
    if (!tests) {
        MessageService::error(tests.error(), ErrorWording::Restart);
        return;
    }
    m_ui->txtNumber->clear();
    for (const TestRecord& t : *tests)
        m_ui->txtNumber->addItem(QString::number(t.number));
    m_ui->txtNumber->setCurrentIndex(-1);
    if (tests->isEmpty())
        MessageService::info(QStringLiteral("列表为空！请添加考试信息"));
}

void TestSelector::pick()
{
    auto test = Exams::fetch(m_session.Conn(), m_ui->txtNumber->currentText().toInt());
    if (!test) {
        MessageService::error(test.error(), ErrorWording::Restart);
        return;
    }
    if (!*test) {
        MessageService::info(QStringLiteral("该考试已被删除，请关闭本窗口后重新打开！"));
        return;
    }
    m_ui->txtName->setText((*test)->name);
    m_ui->txtType->setText((*test)->type);
    m_ui->txtDate->setText((*test)->date);
    picked(**test);
}

} // namespace velmora
