#include "exams/ui/TestSelector.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/Controls.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

TestSelector::TestSelector(const char* name, const QString& title, QWidget* parent)
    : QWidget(parent)
    , m_form(new QGridLayout)
{
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);

    Label = Controls::title(this, "Label", title);
    txtNumber = new QComboBox(this);
    txtNumber->setObjectName(QStringLiteral("txtNumber"));
    txtName = Controls::lockedEdit(this, "txtName");
    txtType = Controls::lockedEdit(this, "txtType");
    txtDate = Controls::lockedEdit(this, "txtDate");
    BN_OK = Controls::button(this, "BN_OK", QStringLiteral("确定(&K)"));
    BN_Back = Controls::button(this, "BN_Back", QStringLiteral("取消(&C)"));

    m_form->addWidget(Controls::label(this, "Label1", QStringLiteral("考试号"), txtNumber), 0, 0);
    m_form->addWidget(txtNumber, 0, 1);
    m_form->addWidget(Controls::label(this, "label2", QStringLiteral("考试名称"), txtName), 1, 0);
    m_form->addWidget(txtName, 1, 1);
    m_form->addWidget(Controls::label(this, "Label5", QStringLiteral("考试类型"), txtType), 2, 0);
    m_form->addWidget(txtType, 2, 1);
    m_form->addWidget(Controls::label(this, "Label6", QStringLiteral("考试日期"), txtDate), 3, 0);
    m_form->addWidget(txtDate, 3, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label);
    layout->addLayout(m_form);
    layout->addLayout(Controls::buttonRow({ BN_OK, BN_Back }));

    setMinimumWidth(340);
    connect(txtNumber, &QComboBox::activated, this, &TestSelector::pick);
    connect(BN_OK, &QPushButton::clicked, this, &TestSelector::ok);
    connect(BN_Back, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
}

void TestSelector::load()
{
    auto tests = Exams::list(mod().Conn);
    if (!tests) {
        MessageService::error(tests.error(), ErrorWording::Restart);
        return;
    }
    txtNumber->clear();
    for (const TestRecord& t : *tests)
        txtNumber->addItem(QString::number(t.number));
    txtNumber->setCurrentIndex(-1);
    if (tests->isEmpty())
        MessageService::info(QStringLiteral("列表为空！请添加考试信息"));
}

void TestSelector::pick()
{
    auto test = Exams::fetch(mod().Conn, txtNumber->currentText().toInt());
    if (!test) {
        MessageService::error(test.error(), ErrorWording::Restart);
        return;
    }
    if (!*test) {
        MessageService::info(QStringLiteral("该考试已被删除，请关闭本窗口后重新打开！"));
        return;
    }
    txtName->setText((*test)->name);
    txtType->setText((*test)->type);
    txtDate->setText((*test)->date);
    picked(**test);
}

} // namespace velmora
