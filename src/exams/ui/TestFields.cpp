#include "exams/ui/TestFields.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "platform/ui/Controls.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace velmora {

TestFields TestFields::make(QWidget* parent)
{
    TestFields f { Controls::lockedEdit(parent, "txtNumber"), Controls::lockedEdit(parent, "txtName"),
        Controls::lockedEdit(parent, "txtType"), Controls::lockedEdit(parent, "txtDate"), new QGridLayout };
    f.layout->addWidget(Controls::label(parent, "Label1", QStringLiteral("考试号"), f.number), 0, 0);
    f.layout->addWidget(f.number, 0, 1);
    f.layout->addWidget(Controls::label(parent, "label2", QStringLiteral("考试名称"), f.name), 0, 2);
    f.layout->addWidget(f.name, 0, 3);
    f.layout->addWidget(Controls::label(parent, "Label5", QStringLiteral("考试类型"), f.type), 1, 0);
    f.layout->addWidget(f.type, 1, 1);
    f.layout->addWidget(Controls::label(parent, "Label6", QStringLiteral("考试日期"), f.date), 1, 2);
    f.layout->addWidget(f.date, 1, 3);
    return f;
}

void TestFields::show(const TestRecord& test) const
{
    name->setText(test.name);
    date->setText(test.date);
    type->setText(test.type);
}

std::optional<TestRecord> selectedTest()
{
    bool ok = false;
    const int number = mod().SelNo.trimmed().toInt(&ok);
    auto test = ok ? Exams::fetch(mod().Conn, number) : Result<std::optional<TestRecord>>(std::optional<TestRecord>());
    if (!test) {
        MessageService::error(test.error(), ErrorWording::Restart);
        return std::nullopt;
    }
    if (!*test)
        MessageService::info(QStringLiteral("对不起，此内容不存在！"));
    return *test;
}

} // namespace velmora
