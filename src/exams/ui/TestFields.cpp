#include "exams/ui/TestFields.h"

#include "app/MessageService.h"
#include "app/Module1.h"

#include <QLineEdit>

namespace velmora {

void TestFields::show(const TestRecord& test) const
{
    name->setText(test.name);
    date->setText(test.date);
    type->setText(test.type);
}

std::optional<TestRecord> selectedTest(Module1& session)
{
    bool ok = false;
    const int number = session.SelNo().trimmed().toInt(&ok);
    auto test
        = ok ? Exams::fetch(session.Conn(), number) : Result<std::optional<TestRecord>>(std::optional<TestRecord>());
    if (!test) {
        MessageService::error(test.error(), ErrorWording::Restart);
        return std::nullopt;
    }
    if (!*test)
        MessageService::info(QStringLiteral("对不起，此内容不存在！"));
    return *test;
}

} // namespace velmora
